// The preset name panel from its generated skin block: the 6-byte value of a text, the text of a
// value, the device's character set for typed and pasted text, and no report of a shown value.
#include "../OthersSamples.h"

#include "KXFramework/Controls/TextBox.h"
#include "KXFramework/System/ClipBoard.h"
#include "Panel/UI/KivoSeriesCommon/PresetNamePanel.h"

#include "FakeClipboard.h"

#include <gtest/gtest.h>

#include <memory>

namespace KX::Test {
namespace {

class PresetNamePanelTest : public OthersSamplesFixture {
protected:
    void SetUp() override
    {
        OthersSamplesFixture::SetUp();
        if (HasFatalFailure())
            return;
        panel = RCPtr<LPresetNamePanel>(view->FindChild(u"presetNameEditPanel"));
        ASSERT_TRUE(panel);
        box = RCPtr<LTextBox>(panel->FindChild(u"textBox"));
        ASSERT_TRUE(box);
        ASSERT_EQ(panel->SetFirstParamID(nullptr, kID, 0), S_OK);
    }
    void TearDown() override
    {
        panel = nullptr;
        box = nullptr;
        OthersSamplesFixture::TearDown();
    }

    static constexpr int32_t kID = 7;
    RCPtr<LPresetNamePanel> panel;
    RCPtr<LTextBox> box;
};

TEST_F(PresetNamePanelTest, TextsAndValuesMapBothWaysWithTheDevicesCodesForSpaceAndApostrophe)
{
    const struct {
        const char16_t* text;
        std::vector<int> bytes;
    } cases[] = {
        {u"AB", {0x41, 0x42, 0, 0, 0, 0}},           {u"A B", {0x41, 0x22, 0x42, 0, 0, 0}},
        {u"A'B", {0x41, 0x60, 0x42, 0, 0, 0}},       {u"", {0, 0, 0, 0, 0, 0}},
        {u"zZ09-.", {'z', 'Z', '0', '9', '-', '.'}}, {u"/=[\\]'", {'/', '=', '[', '\\', ']', 0x60}},
    };
    for (const auto& c : cases) {
        main->reports.clear();
        static_cast<void>(box->SetText(String(u"x"), false));
        static_cast<void>(box->SetText(String(c.text), false));
        ASSERT_FALSE(main->reports.empty());
        EXPECT_EQ(main->reports.back().first, kID);
        EXPECT_EQ(LastReport(), c.bytes);
        // The same bytes from the model show the text again and report nothing.
        main->reports.clear();
        static_cast<void>(box->SetText(String(u"other"), false));
        main->reports.clear();
        EXPECT_EQ(panel->SetParamValueLocal(ParamDescriptor(kID), Blob(c.bytes), 1), S_OK);
        EXPECT_EQ(box->GetText(), String(c.text));
        EXPECT_TRUE(main->reports.empty()) << "showing a value never reports it";
    }
    // The first zero byte ends the name.
    EXPECT_EQ(panel->SetParamValueLocal(ParamDescriptor(kID), Blob({0x41, 0, 0x42, 0x43, 0x44, 0x45}), 1), S_OK);
    EXPECT_EQ(box->GetText(), String(u"A"));
    // Another identifier or another size is refused and the text stays.
    for (const auto& [id, bytes] :
         {std::pair{kID + 1, std::vector<int>{0x42, 0, 0, 0, 0, 0}}, std::pair{kID, std::vector<int>{0x42, 0, 0, 0, 0}},
          std::pair{kID, std::vector<int>{0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42}}}) {
        EXPECT_EQ(panel->SetParamValueLocal(ParamDescriptor(id), Blob(bytes), 1), E_FAIL);
        EXPECT_EQ(box->GetText(), String(u"A"));
    }
}

TEST_F(PresetNamePanelTest, OnlyTheDevicesCharactersAndSixOfThemGetIn)
{
    static_cast<void>(box->SetText(String(u""), false));
    static_cast<void>(box->SetFocus(true));
    // Typed: a number sign and an accented letter are not inserted; a seventh character is not accepted.
    for (char16_t c : std::u16string(u"Ab#\u00e9 1'2x"))
        static_cast<void>(box->OnKey(RCPtr<LKeyParam>(new LKeyParam(KeyRecord{c, 0, 0}))));
    root->ProcessEvents(true);
    EXPECT_EQ(box->GetText(), String(u"Ab 1'2"));
    EXPECT_EQ(LastReport(), (std::vector<int>{'A', 'b', 0x22, '1', 0x60, '2'}));
    // Pasted or set text is cut back to the allowed characters and six of them.
    const struct {
        const char16_t* text;
        const char16_t* kept;
    } cases[] = {
        {u"#AB\u00e9C", u"ABC"},
        {u"ABCDEFGHIJ", u"ABCDEF"},
        {u"a\tb\u20acc~d\"e", u"abcde"},
        {u"###", u""},
    };
    for (const auto& c : cases) {
        main->reports.clear();
        static_cast<void>(box->SetText(String(c.text), false));
        EXPECT_EQ(box->GetText(), String(c.kept));
        ASSERT_FALSE(main->reports.empty());
        std::vector<int> expected(6, 0);
        for (size_t i = 0; c.kept[i]; ++i)
            expected[i] = c.kept[i];
        EXPECT_EQ(LastReport(), expected);
    }
    // A real paste: cut back the same way; longer than the box allows, it is refused whole.
    auto backend = std::make_unique<FakeClipboard>();
    FakeClipboard* system = backend.get();
    RCPtr<LClipboard> clipboard = LClipboard::Create(std::move(backend));
    services.clipboard = clipboard.Get();
    static_cast<void>(box->SetText(String(u""), false));
    system->OtherProgramCopies(u"#A B\u00e9");
    EXPECT_EQ(box->PerformEdit(EditKind::kPaste), S_OK);
    EXPECT_EQ(box->GetText(), String(u"A B"));
    EXPECT_EQ(LastReport(), (std::vector<int>{0x41, 0x22, 0x42, 0, 0, 0}));
    system->OtherProgramCopies(u"CDEFG");
    EXPECT_EQ(box->PerformEdit(EditKind::kPaste), E_FAIL);
    EXPECT_EQ(box->GetText(), String(u"A B"));
    services.clipboard = nullptr;
    static_cast<void>(box->SetText(String(u"KIVO 1"), false));
    WritePicture(PicturePath("preset-name.png"), {0, 0, 320, 90});
}

} // namespace
} // namespace KX::Test
