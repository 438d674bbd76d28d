#include "KXFramework/Utilities/Graphics/Font.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

class FontTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        LFont::SetMetricsProvider(nullptr);
        LFont::ReleaseAll();
    }
};

TEST_F(FontTest, FindsTheListedFontIgnoringTheFacesCase)
{
    RCPtr<LFont> made, found, bigger, bold;
    LFont::FindOrCreate(made, u"Arial", 10.0f, 0);
    LFont::FindOrCreate(found, u"arial", 10.0f, 0);
    LFont::FindOrCreate(bigger, u"Arial", 11.0f, 0);
    LFont::FindOrCreate(bold, u"Arial", 10.0f, LFont::kBold);
    EXPECT_EQ(found.Get(), made.Get());
    EXPECT_EQ(found->GetFace(), String(u"Arial"));
    EXPECT_NE(bigger.Get(), made.Get());
    EXPECT_NE(bold.Get(), made.Get());
    EXPECT_NE(LFont::GetUniqueID(*bold), LFont::GetUniqueID(*made));

    RCPtr<LFont> lower;
    LFont::ReleaseAll();
    LFont::FindOrCreate(lower, u"arial", 10.0f, 0);
    EXPECT_NE(lower.Get(), made.Get());
    EXPECT_TRUE(lower->Differs(*made));
    EXPECT_FALSE(found->Differs(*made));
}

TEST_F(FontTest, MeasuresOnceThroughTheProviderAndEstimatesWithoutOne)
{
    RCPtr<LFont> font;
    LFont::FindOrCreate(font, u"Face", 9.0f, 0);
    EXPECT_FLOAT_EQ(font->GetLineHeight(), 14.4f); // 12 pixels
    EXPECT_FLOAT_EQ(font->GetAscent(), -9.6f);
    EXPECT_FLOAT_EQ(font->GetDescent(), 2.4f);

    int calls = 0;
    LFont::SetMetricsProvider([&calls](const LFont&, float& lineHeight, float& ascent, float& descent) {
        ++calls;
        lineHeight = 14;
        ascent = -11;
        descent = 3;
        return S_OK;
    });
    EXPECT_FLOAT_EQ(font->GetLineHeight(), 14.0f);
    EXPECT_FLOAT_EQ(font->GetAscent(), -11.0f);
    EXPECT_FLOAT_EQ(font->GetDescent(), 3.0f);
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace KX::Test
