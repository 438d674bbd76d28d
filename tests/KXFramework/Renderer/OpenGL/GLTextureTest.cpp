#include "KXFramework/Renderer/OpenGL/GLTexture.h"
#include "KXFramework/Renderer/OpenGL/GLDisplayList.h"
#include "KXFramework/Renderer/OpenGL/GLPolygon.h"
#include "KXFramework/Renderer/OpenGL/GLRenderContextInfo.h"
#include "KXFramework/Utilities/Graphics/Bitmap.h"

#include "GlFixture.h"

#include <memory>
#include <vector>

namespace KX::Test {
namespace {

using GLResources = GlFixture;

// A bitmap of one premultiplied colour, its top-left pixel white.
RCPtr<LBitmap> SolidBitmap(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    auto image = std::make_shared<Platform::Image>();
    image->width = width;
    image->height = height;
    image->stride = width * 4;
    image->pixels.resize(size_t(image->stride) * height);
    for (size_t i = 0; i < image->pixels.size(); i += 4) {
        image->pixels[i] = uint8_t(b * a / 255);
        image->pixels[i + 1] = uint8_t(g * a / 255);
        image->pixels[i + 2] = uint8_t(r * a / 255);
        image->pixels[i + 3] = a;
    }
    image->pixels[0] = image->pixels[1] = image->pixels[2] = image->pixels[3] = 255;
    return LBitmap::FromImage(image);
}

TEST_F(GLResources, ABitmapSitsInTheTopLeftOfAPowerOfTwoTexture)
{
    RCPtr<LGLTexture> texture = new LGLTexture;
    texture->SetBitmap(SolidBitmap(100, 60, 0, 0, 255, 255));
    EXPECT_EQ(texture->GetTextureWidth(), 128.0f);
    EXPECT_EQ(texture->GetTextureHeight(), 64.0f);
    EXPECT_EQ(texture->GetImageWidth(), 100.0f);
    EXPECT_EQ(texture->GetDisplayHeight(), 60.0f);
    EXPECT_TRUE(glIsTexture(texture->GetName()));

    std::vector<uint8_t> texels(128 * 64 * 4, 0x55);
    glBindTexture(GL_TEXTURE_2D, texture->GetName());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    auto texel = [&](int x, int y) {
        return std::vector<uint8_t>(&texels[(y * 128 + x) * 4], &texels[(y * 128 + x) * 4 + 4]);
    };
    EXPECT_EQ(texel(0, 0), (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(texel(99, 59), (std::vector<uint8_t>{0, 0, 255, 255}));

    // The whole image, one to one: texture coordinates up to 100/128 and 60/64.
    texture->DrawQuad(0, 0, 100, 60, 10, 20, 110, 80);
    EXPECT_EQ(Pixel(10, 20), 0xFFFFFFu);
    EXPECT_EQ(Pixel(11, 21), 0x0000FFu);
    EXPECT_EQ(Pixel(109, 79), 0x0000FFu);
    EXPECT_EQ(Pixel(110, 80), 0x000000u);
    EXPECT_EQ(Pixel(9, 19), 0x000000u);
}

TEST_F(GLResources, StraightAlphaReachesGlFromPremultipliedPixels)
{
    RCPtr<LGLTexture> texture = new LGLTexture;
    texture->SetBitmap(SolidBitmap(2, 2, 200, 100, 50, 128));
    std::vector<uint8_t> texels(2 * 2 * 4);
    glBindTexture(GL_TEXTURE_2D, texture->GetName());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_NEAR(texels[4], 200, 2);
    EXPECT_NEAR(texels[5], 100, 2);
    EXPECT_NEAR(texels[6], 50, 2);
    EXPECT_EQ(texels[7], 128);
}

TEST_F(GLResources, AnAlphaImageUploadsAsItIs)
{
    std::vector<uint8_t> atlas(8 * 3, 0);
    atlas[8 + 2] = 200;
    SGLImage image;
    image.Set(atlas.data(), 8, 1, 8, 3, GL_ALPHA, GL_UNSIGNED_BYTE);
    RCPtr<LGLTexture> texture = new LGLTexture;
    texture->SetImage(image, GL_ALPHA, LGLTexture::kNearest, 1.0f);
    EXPECT_EQ(texture->GetTextureWidth(), 8.0f);
    EXPECT_EQ(texture->GetTextureHeight(), 4.0f);
    std::vector<uint8_t> texels(8 * 4, 0x55);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels[8 + 2], 200);
    EXPECT_EQ(texels[8 + 3], 0);
}

TEST_F(GLResources, DisplayListsReplayWhatTheyCompiled)
{
    RCPtr<LGLDisplayList> none, other, lists;
    LGLDisplayList::Create(none, 0);
    LGLDisplayList::Create(other, 0);
    EXPECT_EQ(none.Get(), other.Get());
    EXPECT_EQ(none->BeginList(0), E_FAIL);

    LGLDisplayList::Create(lists, 1);
    EXPECT_EQ(lists->Call(0, 1), E_FAIL) << "no list made yet";
    EXPECT_EQ(lists->EndList(), E_FAIL);
    ASSERT_EQ(lists->BeginList(0), S_OK);
    glColor3ub(0, 255, 0);
    glRectf(0, 0, 4, 4);
    EXPECT_EQ(lists->EndList(), S_OK);
    EXPECT_EQ(Pixel(1, 1), 0x000000u) << "compiling draws nothing";
    EXPECT_EQ(lists->Call(0, 2), E_INVALIDARG);
    EXPECT_EQ(lists->Call(0, 1), S_OK);
    EXPECT_EQ(Pixel(1, 1), 0x00FF00u);
}

TEST_F(GLResources, PolygonsFillWithTheOddWindingRule)
{
    // A concave "U": the notch stays empty.
    const PointT<float> u[] = {{10, 10}, {30, 10}, {30, 50}, {70, 50}, {70, 10}, {90, 10}, {90, 90}, {10, 90}};
    glColor3ub(255, 0, 0);
    CGLPolygon().Draw(u, 8);
    EXPECT_EQ(Pixel(20, 20), 0xFF0000u);
    EXPECT_EQ(Pixel(50, 70), 0xFF0000u);
    EXPECT_EQ(Pixel(50, 30), 0x000000u);
    EXPECT_EQ(Pixel(95, 95), 0x000000u);
}

TEST_F(GLResources, TheRenderContextKnowsTheLargestViewport)
{
    LGLRenderContextInfo info({0, 0, kWidth, kHeight}, m_window.get(), false);
    EXPECT_GE(info.GetMaxSurfaceSize().x, kWidth);
    EXPECT_GE(info.GetMaxSurfaceSize().y, kHeight);
    info.SwapBuffers();
}

} // namespace
} // namespace KX::Test
