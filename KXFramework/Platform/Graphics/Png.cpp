#include "KXFramework/Platform/Graphics/Png.h"

#include <png.h>

#include <cstring>

namespace KX::Platform {

namespace {

// Deflate expands at most 1032 to 1, so a stream shorter than this cannot hold the declared image:
// such a header is refused before its pixels are allocated.
constexpr uint64_t kMaxDeflateRatio = 1032;

bool PlausibleSize(const png_image& image, size_t encodedSize)
{
    if (image.width == 0 || image.height == 0 || image.width > uint32_t(kMaxImageSide) ||
        image.height > uint32_t(kMaxImageSide))
        return false;
    // The smallest filtered image: one bit per pixel plus a filter byte per row.
    const uint64_t minimumRaw = uint64_t(image.height) * ((uint64_t(image.width) + 7) / 8 + 1);
    return minimumRaw <= uint64_t(encodedSize) * kMaxDeflateRatio;
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
    if (!PlausibleSize(png, size)) {
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
