#include "KXFramework/Renderer/FontRenderer/FontFileInfo.h"

#include "KXFramework/Utilities/Graphics/Font.h"

#include "FontTestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

std::string FileName(const String& path)
{
    return std::filesystem::path(path.ToNarrow().GetString()).filename().string();
}

RCPtr<LFont> Font(const char16_t* face, int style = 0)
{
    RCPtr<LFont> font;
    LFont::FindOrCreate(font, face, 10.0f, style);
    return font;
}

class FontFileInfoTest : public ::testing::Test {
protected:
    void TearDown() override { LFontFileInfo::Clear(); }

    FontTestFolder m_folder;
};

class InstalledFamilies : public FontFileInfoTest {
protected:
    void SetUp() override
    {
        m_folder.CopySystemFont("DejaVuSans.ttf");
        m_folder.CopySystemFont("DejaVuSans-Bold.ttf");
        m_folder.CopySystemFont("DejaVuSerif.ttf", "DejaVuSerif.TTF");
        m_folder.Write("OnlyBold.ttf", BuildFont(WindowsNames(u"Solo", u"Bold")));
        m_folder.Write("Pair.ttc",
                       BuildCollection({WindowsNames(u"CollA", u"Regular"), WindowsNames(u"CollA", u"BOLD ITALIC")}));
        m_folder.Write("Twin-a.ttf", BuildFont(WindowsNames(u"Twin", u"Regular")));
        m_folder.Write("Twin-b.ttf", BuildFont(WindowsNames(u"Twin", u"Book")));
        m_folder.Write("Odd.ttf", BuildFont(WindowsNames(u"Odd", u"Oblique")));
        m_folder.Write("Other.ttf", BuildFont({{3, 0x407, 1, u"Deutsch"}, {3, 0x407, 2, u"Fett"}}));
        // Damaged files, before and after the good ones in path order.
        m_folder.Write("0-truncated.ttf", BuildFont(WindowsNames(u"Cut", u"Regular")).substr(0, 50));
        Bytes huge = BuildCollection({WindowsNames(u"Huge", u"Regular")});
        PutU32(huge, 8, 0xFFFFFFFF);
        m_folder.Write("1-huge.ttc", huge);
        m_folder.Write("zz-noise.ttf", Bytes(300, '\x7f'));
        m_folder.Write("not-a-font.otf", BuildFont(WindowsNames(u"Otf", u"Regular")));
        std::filesystem::create_directory(m_folder.FontPath("folder.ttf"));
        ASSERT_TRUE(m_folder.Activate());
        LFontFileInfo::ScanFontFolder();
    }
};

TEST_F(InstalledFamilies, RegistersEachFamilyOnceWhateverTheDamagedFiles)
{
    // DejaVu Sans, DejaVu Serif, Solo, CollA, Twin, Odd.
    EXPECT_EQ(LFontFileInfo::GetCount(), 6u);
}

struct LookupCase {
    const char16_t* face;
    int style;
    const char* file;
};

TEST_F(InstalledFamilies, FindsTheFileOfEachFaceAndStyle)
{
    const std::vector<LookupCase> cases = {
        {u"DejaVu Sans", 0, "DejaVuSans.ttf"},
        {u"DejaVu Sans", 1, "DejaVuSans-Bold.ttf"},
        {u"DejaVu Sans", 2, "DejaVuSans.ttf"},      // italic: bold italic, then regular
        {u"DejaVu Sans", 3, "DejaVuSans-Bold.ttf"}, // bold italic: then bold
        {u"DejaVu Sans", 4, "DejaVuSans.ttf"},      // underline does not choose a file
        {u"DejaVu Sans", 1 | 8, "DejaVuSans-Bold.ttf"},
        {u"Solo", 0, "OnlyBold.ttf"},
        {u"Solo", 2, "OnlyBold.ttf"},
        {u"CollA", 0, "Pair.ttc"},
        {u"CollA", 3, "Pair.ttc"},
        {u"Twin", 0, "Twin-b.ttf"}, // the later file replaces the earlier
        {u"Odd", 0, "Odd.ttf"},     // any other subfamily is the regular face
        {u"Arial", 0, "DejaVuSerif.TTF"},
        {u"dejavu serif", 0, "DejaVuSerif.TTF"}, // case differs: through fontconfig's match
        {u"Deutsch", 0, "DejaVuSans.ttf"},       // names in other languages only: not registered
        {u"Cut", 0, "DejaVuSans.ttf"},
    };
    for (const LookupCase& c : cases) {
        SCOPED_TRACE(std::string(String(c.face).ToNarrow().GetString()) + " style " + std::to_string(c.style));
        const RCPtr<LFont> font = Font(c.face, c.style);
        const int id = LFontFileInfo::GetFileID(font);
        EXPECT_EQ(id & 3, c.style & 3);
        EXPECT_EQ(FileName(LFontFileInfo::GetFilePathForID(id)), c.file);
        EXPECT_EQ(LFontFileInfo::GetFileID(font), id);
    }
}

TEST_F(InstalledFamilies, StoresTheFileFoundIntoTheStylesEmptySlot)
{
    const int id = LFontFileInfo::GetFileID(Font(u"Solo"));
    EXPECT_EQ(FileName(LFontFileInfo::GetFilePathForID(id)), "OnlyBold.ttf");
    // Italic and bold italic stay empty until asked for.
    EXPECT_EQ(LFontFileInfo::GetFilePathForID((id & ~3) | 2), String());
    LFontFileInfo::GetFileID(Font(u"Solo", 2));
    EXPECT_EQ(FileName(LFontFileInfo::GetFilePathForID((id & ~3) | 2)), "OnlyBold.ttf");
}

TEST_F(InstalledFamilies, UnknownIDsHaveNoPath)
{
    const int count = static_cast<int>(LFontFileInfo::GetCount());
    for (int id : {-1, -4, count * 4, count * 4 + 3, 0x7FFFFFFF})
        EXPECT_EQ(LFontFileInfo::GetFilePathForID(id), String()) << id;
}

TEST_F(InstalledFamilies, ClearingEmptiesTheRegistry)
{
    LFontFileInfo::Clear();
    EXPECT_EQ(LFontFileInfo::GetCount(), 0u);
    EXPECT_EQ(LFontFileInfo::GetFilePathForID(0), String());
}

TEST_F(FontFileInfoTest, ThrowsWhenNoFamilyFitsTheFont)
{
    m_folder.Write("OnlyBold.ttf", BuildFont(WindowsNames(u"Solo", u"Bold")));
    ASSERT_TRUE(m_folder.Activate());
    LFontFileInfo::ScanFontFolder();
    ASSERT_EQ(LFontFileInfo::GetCount(), 1u);
    try {
        LFontFileInfo::GetFileID(Font(u"Missing"));
        ADD_FAILURE() << "no exception";
    } catch (const Exception<std::runtime_error>& e) {
        EXPECT_STREQ(e.what(),
                     "Runtime Error : KX::LFontFileInfo::GetFileID : Renderer\\FontRenderer\\FontFileInfo : Line 469");
    }
}

TEST_F(FontFileInfoTest, ReadsTheInstalledFonts)
{
    ASSERT_TRUE(Platform::FontSystem::Get().Configure({}));
    LFontFileInfo::ScanFontFolder();
    const int id = LFontFileInfo::GetFileID(Font(u"DejaVu Sans", 1));
    EXPECT_EQ(FileName(LFontFileInfo::GetFilePathForID(id)), "DejaVuSans-Bold.ttf");
}

} // namespace
} // namespace KX::Test
