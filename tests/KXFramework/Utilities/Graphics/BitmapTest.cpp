#include "KXFramework/Utilities/Graphics/Bitmap.h"

#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Utilities/Graphics/Colorizer.h"
#include "KXFramework/Utilities/Graphics/Font.h"
#include "ScopedService.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace KX::Test {

namespace {

std::string Fixture(const char* name)
{
    return std::string(KX_GRAPHICS_FIXTURES) + "/" + name;
}

std::vector<unsigned char> Bytes(const char* name)
{
    std::ifstream in(Fixture(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Argb(const LBitmap& bitmap, int x, int y)
{
    float r, g, b, a;
    EXPECT_EQ(bitmap.GetPixel(x, y, r, g, b, a), S_OK);
    auto byte = [](float v) { return uint32_t(v * 255.0f + 0.5f); };
    return byte(a) << 24 | byte(r) << 16 | byte(g) << 8 | byte(b);
}

} // namespace

class BitmapTest : public ::testing::Test {
protected:
    void SetUp() override { SetResourceTable(m_entries, 2); }
    void TearDown() override { SetResourceTable(nullptr, 0); }

    std::vector<unsigned char> m_png = Bytes("two-by-two.png");
    std::vector<unsigned char> m_notPng = Bytes("not-a-png.png");
    ResourceEntry m_entries[2] = {{u"GDIPLUS", u"TWO", m_png.data(), m_png.size()},
                                  {u"GDIPLUS", u"JUNK", m_notPng.data(), m_notPng.size()}};
};

TEST_F(BitmapTest, LoadsResourcesAndFilesWithStraightPixels)
{
    const String file(Fixture("two-by-two.png").c_str());
    for (const String& name : {String(u"::TWO"), file}) {
        const RCPtr<LBitmap> bitmap = LBitmap::Load(name);
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(bitmap->GetWidth(), 2);
        EXPECT_EQ(bitmap->GetHeight(), 2);
        EXPECT_EQ(Argb(*bitmap, 0, 0), 0xFFFF0000u);
        // Half transparent: straight colour back within rounding.
        float r, g, b, a;
        ASSERT_EQ(bitmap->GetPixel(1, 1, r, g, b, a), S_OK);
        EXPECT_NEAR(r * 255.0f, 200.0f, 1.0f);
        EXPECT_NEAR(b * 255.0f, 50.0f, 1.0f);
        EXPECT_NEAR(a * 255.0f, 128.0f, 0.01f);
        EXPECT_EQ(bitmap->GetPixel(2, 0, r, g, b, a), E_INVALIDARG);
    }
}

TEST_F(BitmapTest, SubRectanglesReadTheirOwnPixelsAndAreCut)
{
    const RCPtr<LBitmap> sub = LBitmap::Load(u"::TWO", 1, 0, 5, 1);
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->GetWidth(), 1);
    EXPECT_EQ(Argb(*sub, 0, 0), 0xFF00FF00u);
    LBitmapData data;
    ASSERT_EQ(sub->LockBits(data), S_OK);
    EXPECT_EQ(data.stride, 8);
    EXPECT_EQ(data.pixels[1], 255); // green of (1, 0)
    EXPECT_FALSE(LBitmap::Load(u"::TWO", 2, 0, 1, 1));
    EXPECT_FALSE(LBitmap::Load(u"::TWO", INT32_MAX, 0, INT32_MAX, 1));
}

TEST_F(BitmapTest, BadOrMissingImagesGiveNull)
{
    EXPECT_FALSE(LBitmap::Load(u"::JUNK"));
    EXPECT_FALSE(LBitmap::Load(u"::NONE"));
    EXPECT_FALSE(LBitmap::Load(String(Fixture("not-a-png.png").c_str())));
    EXPECT_FALSE(LBitmap::Load(u"/no/such/file.png"));
    EXPECT_FALSE(LBitmap::Load(u""));
    EXPECT_EQ(LBitmap::GetHandle(LBitmap::GetNull()), 0);
}

TEST_F(BitmapTest, TheSameNameGivesTheSameObjectWhileItLives)
{
    RCPtr<LBitmap> first = LBitmap::Load(u"::TWO");
    const RCPtr<LBitmap> again = LBitmap::Load(u"::TWO");
    EXPECT_EQ(first.Get(), again.Get());
    const RCPtr<LBitmap> part = LBitmap::Load(u"::TWO", 0, 0, 1, 1);
    EXPECT_NE(LBitmap::GetHandle(part), LBitmap::GetHandle(first));
    const int handle = LBitmap::GetHandle(first);
    first = nullptr;
    EXPECT_EQ(LBitmap::GetHandle(LBitmap::Load(u"::TWO")), handle); // `again` still holds it
}

TEST_F(BitmapTest, AfterTheLastReleaseALoadMakesANewOne)
{
    int handle;
    {
        const RCPtr<LBitmap> bitmap = LBitmap::Load(u"::TWO");
        handle = LBitmap::GetHandle(bitmap);
    }
    const RCPtr<LBitmap> fresh = LBitmap::Load(u"::TWO");
    EXPECT_NE(LBitmap::GetHandle(fresh), handle);
    EXPECT_EQ(fresh->GetRefCount(), 2); // ours and the list's
}

TEST_F(BitmapTest, SolidColouringTintsTheImageOrShapesTheColourByAMask)
{
    const RCPtr<LBitmap> image = LBitmap::Load(u"::TWO");
    ColorizerParams blue;
    blue.r = 0.0f;
    blue.g = 0.0f;
    blue.b = 1.0f;
    blue.a = 1.0f;
    const RCPtr<LBitmap> white = ColorizeBitmap(nullptr, 1.0f, 3, 3, nullptr, nullptr);
    ASSERT_TRUE(white);
    EXPECT_EQ(Argb(*white, 2, 2), 0xFFFFFFFFu);
    const RCPtr<LBitmap> tinted = ColorizeBitmap(&blue, 0.5f, 99, 99, white, nullptr);
    ASSERT_TRUE(tinted);
    EXPECT_EQ(tinted->GetWidth(), 3);
    EXPECT_EQ(Argb(*tinted, 1, 1), 0x800000FFu);
    // The mask's red pixel weighs 0.299; outside the mask nothing.
    const RCPtr<LBitmap> shaped = ColorizeBitmap(&blue, 1.0f, 3, 1, nullptr, image);
    EXPECT_EQ(Argb(*shaped, 0, 0) >> 24, uint32_t(0.299f * 255 + 0.5f));
    EXPECT_EQ(Argb(*shaped, 2, 0), 0u);

    ColorizerParams gradient;
    gradient.type = ColorizerParams::kLinearGradient;
    EXPECT_THROW(ColorizeBitmap(&gradient, 1.0f, 2, 2, nullptr, nullptr), std::domain_error);
}

TEST(Font, FindOrCreateMatchesFacesWithoutCase)
{
    RCPtr<LFont> a;
    RCPtr<LFont> b;
    RCPtr<LFont> c;
    LFont::FindOrCreate(a, u"Arial", 10.0f, 0);
    LFont::FindOrCreate(b, u"arial", 10.0f, 0);
    LFont::FindOrCreate(c, u"arial", 10.0f, LFont::kBold);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_NE(a.Get(), c.Get());
    EXPECT_NE(LFont::GetUniqueID(*a), LFont::GetUniqueID(*c));
    EXPECT_TRUE(a->Differs(*c));

    // Without a provider the estimate is not kept; with one, the metrics are measured once.
    EXPECT_FLOAT_EQ(a->GetLineHeight(), 1.2f * 10.0f * 96.0f / 72.0f);
    int calls = 0;
    ScopedService<LFont::MetricsProvider> metrics(LFont::MetricsProviderSlot(),
                                                  [&](const LFont&, float& h, float& asc, float& desc) {
                                                      ++calls;
                                                      h = 15.0f;
                                                      asc = -12.0f;
                                                      desc = 3.0f;
                                                      return S_OK;
                                                  });
    EXPECT_EQ(a->GetLineHeight(), 15.0f);
    EXPECT_EQ(a->GetAscent(), -12.0f);
    EXPECT_EQ(calls, 1);
}

} // namespace KX::Test
