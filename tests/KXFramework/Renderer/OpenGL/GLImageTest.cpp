#include "KXFramework/Renderer/OpenGL/GLImage.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace KX::Test {
namespace {

TEST(NearestPowerOfTwo, RoundsUpWithinTheTextureLimit)
{
    const std::vector<std::pair<int64_t, uint32_t>> cases = {
        {-5, 0}, {0, 0}, {1, 1}, {2, 2}, {3, 4}, {512, 512}, {513, 1024}, {16384, 16384}, {20000, 16384}};
    for (const auto& [n, expected] : cases)
        EXPECT_EQ(NearestPowerOfTwo(n), expected) << n;
}

TEST(GLImage, ConvertsPixelsToAnAlphaMaskWhereDarkIsOpaque)
{
    // Bytes B, G, R, A per pixel; the source rows carry 4 bytes of padding.
    const uint8_t pixels[] = {
        0, 0, 0,   255, 255, 255, 255, 255, 0,  0,  0,  0,   0, 0, 0, 0, // black, white, zero
        0, 0, 255, 255, 0,   0,   0,   1,   30, 20, 10, 255, 0, 0, 0, 0, // red, faint black, dark grey
    };
    SGLImage image;
    image.Set(pixels, 16, 4, 3, 2, GL_BGRA, GL_UNSIGNED_BYTE);
    image.ConvertToAlpha();
    EXPECT_TRUE(image.ownsData);
    EXPECT_EQ(image.rowBytes, 4u);
    EXPECT_EQ(image.bytesPerPixel, 1u);
    EXPECT_EQ(image.format, uint32_t(GL_ALPHA));
    const std::vector<uint8_t> alpha(image.data, image.data + 8);
    EXPECT_EQ(alpha, (std::vector<uint8_t>{255, 0, 0, 0, 255 - 76, 255, 255 - 18, 0}));

    SGLImage taken;
    taken.Take(image);
    EXPECT_EQ(image.data, nullptr);
    EXPECT_EQ(image.width, 0u);
    EXPECT_EQ(taken.width, 3u);
    EXPECT_EQ(taken.data[0], 255);
}

} // namespace
} // namespace KX::Test
