#include "KXFramework/Platform/Graphics/Png.h"

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <span>
#include <vector>

namespace KX::Platform {

namespace {

// Deflate expands at most 1032 to 1, so image data shorter than this cannot hold the declared image:
// such a header is refused before its pixels are allocated.
constexpr uint64_t kMaxDeflateRatio = 1032;
// Above this many pixel bytes the image data is inflated once, counting, before the pixels are
// allocated: a stream that breaks off early must not cost the allocation of a whole huge image.
constexpr uint64_t kTrustedPixelBytes = 16u << 20;

uint32_t U32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The header's fields and the image data chunks, as the file gives them.
struct Layout {
    uint32_t width = 0;
    uint32_t height = 0;
    unsigned bitsPerPixel = 0;
    bool interlaced = false;
    std::vector<std::span<const uint8_t>> data;
    uint64_t dataBytes = 0;
};

bool ReadLayout(const uint8_t* bytes, size_t size, Layout& layout)
{
    bool header = false;
    for (size_t at = 8; size - at >= 12;) {
        const uint32_t length = U32(bytes + at);
        if (length > size - at - 12)
            return false;
        const uint8_t* type = bytes + at + 4;
        const uint8_t* data = bytes + at + 8;
        if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13) {
            static constexpr unsigned kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
            layout.width = U32(data);
            layout.height = U32(data + 4);
            layout.bitsPerPixel = data[9] < 7 ? kChannels[data[9]] * data[8] : 0;
            layout.interlaced = data[12] != 0;
            header = true;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            layout.data.emplace_back(data, length);
            layout.dataBytes += length;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
        at += size_t(length) + 12;
    }
    return header && layout.bitsPerPixel != 0;
}

// The filtered image's size: a filter byte and the packed pixels of each row, of each pass.
uint64_t RawSize(const Layout& layout)
{
    const auto rows = [&](uint64_t width, uint64_t height) {
        return width == 0 || height == 0 ? 0 : height * (1 + (width * layout.bitsPerPixel + 7) / 8);
    };
    if (!layout.interlaced)
        return rows(layout.width, layout.height);
    static constexpr uint32_t kStart[7][2] = {{0, 0}, {4, 0}, {0, 4}, {2, 0}, {0, 2}, {1, 0}, {0, 1}};
    static constexpr uint32_t kStep[7][2] = {{8, 8}, {8, 8}, {4, 8}, {4, 4}, {2, 4}, {2, 2}, {1, 2}};
    uint64_t total = 0;
    for (int pass = 0; pass < 7; ++pass) {
        const auto count = [](uint32_t side, uint32_t start, uint32_t step) {
            return side > start ? (uint64_t(side) - start + step - 1) / step : 0;
        };
        total += rows(count(layout.width, kStart[pass][0], kStep[pass][0]),
                      count(layout.height, kStart[pass][1], kStep[pass][1]));
    }
    return total;
}

// True when the image data inflates to at least `wanted` bytes; the output is counted, not kept.
bool InflatesTo(const Layout& layout, uint64_t wanted)
{
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    if (inflateInit(&stream) != Z_OK)
        return false;
    std::vector<uint8_t> scratch(64 * 1024);
    uint64_t produced = 0;
    int status = Z_OK;
    for (size_t chunk = 0; chunk < layout.data.size() && status == Z_OK && produced < wanted; ++chunk) {
        stream.next_in = const_cast<Bytef*>(layout.data[chunk].data());
        stream.avail_in = uInt(layout.data[chunk].size());
        while (status == Z_OK && produced < wanted && (stream.avail_in > 0 || stream.avail_out == 0)) {
            stream.next_out = scratch.data();
            stream.avail_out = uInt(scratch.size());
            status = inflate(&stream, Z_NO_FLUSH);
            produced += scratch.size() - stream.avail_out;
            if (status == Z_BUF_ERROR && stream.avail_in == 0)
                status = Z_OK; // wants the next chunk
        }
    }
    inflateEnd(&stream);
    return produced >= wanted && (status == Z_OK || status == Z_STREAM_END);
}

bool PlausibleSize(const png_image& image, const uint8_t* data, size_t encodedSize)
{
    if (image.width == 0 || image.height == 0 || image.width > uint32_t(kMaxImageSide) ||
        image.height > uint32_t(kMaxImageSide))
        return false;
    Layout layout;
    if (!ReadLayout(data, encodedSize, layout) || layout.width != image.width || layout.height != image.height)
        return false;
    const uint64_t raw = RawSize(layout);
    if (raw > layout.dataBytes * kMaxDeflateRatio)
        return false;
    return uint64_t(image.width) * image.height * 4 <= kTrustedPixelBytes || InflatesTo(layout, raw);
}

// Straight 8-bit colour to premultiplied, rounded: c·a/255.
void Premultiply(Image& image)
{
    for (int y = 0; y < image.height; ++y) {
        uint8_t* p = image.pixels.data() + size_t(y) * size_t(image.stride);
        for (int x = 0; x < image.width; ++x, p += 4) {
            const unsigned a = p[3];
            if (a == 255)
                continue;
            for (int c = 0; c < 3; ++c)
                p[c] = uint8_t((p[c] * a + 127) / 255);
        }
    }
}

} // namespace

std::shared_ptr<Image> DecodePng(const uint8_t* data, size_t size)
{
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return nullptr;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size))
        return nullptr;
    if (!PlausibleSize(png, data, size)) {
        png_image_free(&png);
        return nullptr;
    }
    // 8-bit sRGB output is straight alpha; libpng's premultiplied modes are linear, so the
    // premultiplication is ours.
    png.format = PNG_FORMAT_BGRA;
    auto image = std::make_shared<Image>();
    image->width = int(png.width);
    image->height = int(png.height);
    image->stride = image->width * 4;
    image->pixels.resize(size_t(image->stride) * size_t(image->height));
    if (!png_image_finish_read(&png, nullptr, image->pixels.data(), image->stride, nullptr)) {
        png_image_free(&png);
        return nullptr;
    }
    Premultiply(*image);
    return image;
}

} // namespace KX::Platform
