#include "KXFramework/Platform/Graphics/Png.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace KX::Test {

namespace {

std::vector<uint8_t> Corpus(const std::string& name)
{
    std::ifstream in(std::string(KX_PNG_CORPUS) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::shared_ptr<Platform::Image> Decode(const std::vector<uint8_t>& bytes)
{
    return Platform::DecodePng(bytes.data(), bytes.size());
}

// Bytes B, G, R, A of pixel (x, y).
std::vector<int> Pixel(const Platform::Image& image, int x, int y)
{
    const uint8_t* p = image.pixels.data() + y * image.stride + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

} // namespace

TEST(Png, DecodesStraightColourThenPremultipliesInEightBits)
{
    const auto image = Decode(Corpus("rgba-2x2.png"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(Pixel(*image, 0, 0), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(*image, 1, 0), (std::vector<int>{0, 255, 0, 255}));
    // (200, 100, 50) at alpha 128: c·128/255, rounded; a linear decode would give far darker values.
    EXPECT_EQ(Pixel(*image, 1, 1), (std::vector<int>{25, 50, 100, 128}));
}

TEST(Png, ReadsPaletteSixteenBitAndInterlacedImages)
{
    const auto palette = Decode(Corpus("palette-3x1.png"));
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(Pixel(*palette, 0, 0), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(*palette, 1, 0), (std::vector<int>{0, 128, 0, 128}));
    EXPECT_EQ(Pixel(*palette, 2, 0), (std::vector<int>{255, 0, 0, 255}));

    const auto gray = Decode(Corpus("gray16-2x1.png"));
    ASSERT_NE(gray, nullptr);
    EXPECT_EQ(Pixel(*gray, 1, 0), (std::vector<int>{255, 255, 255, 255}));

    const auto interlaced = Decode(Corpus("interlaced-3x3.png"));
    ASSERT_NE(interlaced, nullptr);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(Pixel(*interlaced, x, y), (std::vector<int>{200, y * 80, x * 80, 255})) << x << "," << y;
}

TEST(Png, LargeImagesWhoseDataHoldsThemAreRead)
{
    // Above 16 MiB of pixels the data is inflated once before the pixels are allocated.
    for (const char* name : {"gray1-2100x2100.png", "gray1-2100x2100-interlaced.png"}) {
        const auto image = Decode(Corpus(name));
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->width, 2100);
        EXPECT_EQ(Pixel(*image, 2099, 2099), (std::vector<int>{0, 0, 0, 255}));
    }
}

TEST(Png, RefusesBadInput)
{
    // huge-claim-truncated-stream.png: 16,384 × 16,384 at one bit, with data just long enough for
    // that but ending early.
    for (const char* name : {"truncated.png", "bad-crc.png", "not-png.bin", "too-wide.png", "huge-claim.png",
                             "huge-claim-truncated-stream.png", "no-such-file"}) {
        EXPECT_EQ(Decode(Corpus(name)), nullptr) << name;
    }
    EXPECT_EQ(Platform::DecodePng(nullptr, 100), nullptr);
}

} // namespace KX::Test
