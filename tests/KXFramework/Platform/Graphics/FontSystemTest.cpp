#include "KXFramework/Platform/Graphics/FontSystem.h"

#include "LogLines.h"
#include "TempFolder.h"
#include "TestFonts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <string>
#include <vector>

namespace KX::Test {

class FontSystemTest : public ::testing::Test {
protected:
    void SetUp() override { UseTestFonts(); }
    Platform::FontSystem& fonts = Platform::FontSystem::Get();
};

TEST_F(FontSystemTest, WindowsFamiliesResolveToMetricCompatibleFaces)
{
    const auto arial = fonts.Match(u"Arial", false, false);
    ASSERT_NE(arial, nullptr);
    EXPECT_NE(arial->File().find("LiberationSans-Regular"), std::string::npos) << arial->File();
    const Platform::FaceMetrics& m = arial->Metrics();
    EXPECT_EQ(m.unitsPerEm, 2048);
    EXPECT_EQ(m.cellAscent, 1854);
    EXPECT_EQ(m.cellDescent, 434);
    EXPECT_EQ(m.lineSpacing, 2355);

    const auto bold = fonts.Match(u"arial", true, false);
    ASSERT_NE(bold, nullptr);
    EXPECT_NE(bold->File().find("LiberationSans-Bold"), std::string::npos) << bold->File();
}

TEST_F(FontSystemTest, UnknownFamiliesFallToTheDefaultSansSerif)
{
    for (const char16_t* family : {u"Tahoma", u"No Such Font 123", u""}) {
        const auto face = fonts.Match(family, false, false);
        ASSERT_NE(face, nullptr);
        EXPECT_NE(face->File().find("DejaVuSans"), std::string::npos) << face->File();
    }
    EXPECT_EQ(fonts.DefaultUiFont().family, u"DejaVu Sans");
}

TEST_F(FontSystemTest, AdvancesAreWholePixelsAndCountTrailingSpaces)
{
    const auto font = fonts.Match(u"Arial", false, false)->AtPixelSize(12.0);
    ASSERT_NE(font, nullptr);
    const double word = font->Advance(u"Hello");
    EXPECT_GT(word, 20.0);
    EXPECT_EQ(word, std::floor(word));
    EXPECT_GT(font->Advance(u"Hello  "), word);
    EXPECT_EQ(font->Advance(u""), 0.0);
    // A lone surrogate is drawn as a replacement character, not read past.
    EXPECT_GT(font->Advance(std::u16string(1, char16_t(0xD800))), 0.0);
}

TEST_F(FontSystemTest, AConfigurationWithoutFontsIsSaidOnceWhateverIsMatched)
{
    TempFolder folder;
    const std::string noFonts = folder / "fonts.conf";
    TempFolder::WriteFile(noFonts, "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>" + folder / "cache" +
                                       "</cachedir></fontconfig>\n");
    struct TestFontsBack {
        ~TestFontsBack() { Platform::FontSystem::Get().Configure({KX_TEST_FONTS_CONF}); }
    } testFontsBack;
    const std::string said =
        std::string(program_invocation_short_name) + ": fontconfig finds no fonts; no text can be shown";
    const struct {
        const char* name;
        std::string config;
        std::vector<std::string> lines;
    } rounds[] = {
        {"no fonts", noFonts, {said}},
        {"the tests' fonts", KX_TEST_FONTS_CONF, {}},
        {"no fonts again", noFonts, {said}},
    };
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        ASSERT_TRUE(fonts.Configure({round.config}));
        testing::internal::CaptureStderr();
        for (const bool bold : {false, true}) {
            EXPECT_EQ(fonts.Match(u"Arial", bold, false) == nullptr, !round.lines.empty());
            fonts.DefaultUiFont();
        }
        EXPECT_EQ(CapturedLogLines(), round.lines);
    }
}

} // namespace KX::Test
