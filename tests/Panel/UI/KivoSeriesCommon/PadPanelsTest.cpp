// The pad editor, tiles and area from their generated skin blocks: the 14-byte value through show
// and build, its colours, refused sizes, the click that chooses a pad and the Shift-click that
// cycles a tile's colour.
#include "../OthersSamples.h"

#include "KXFramework/Controls/ComboBox.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "Panel/UI/KivoSeriesCommon/PadPanels.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

using Bytes = std::vector<int>;

class PadPanelsTest : public OthersSamplesFixture {
protected:
    void SetUp() override
    {
        OthersSamplesFixture::SetUp();
        if (HasFatalFailure())
            return;
        editor = RCPtr<LPadEditPanel>(view->FindChild(u"padEditPanel"));
        group = RCPtr<LPadGroupPanel>(view->FindChild(u"pads"));
        ASSERT_TRUE(editor && group);
        ASSERT_EQ(group->SetFirstParamID(nullptr, kFirst, 0), S_OK);
        const RCPtr<LControl> page =
            RCPtr<LTabControl>(editor->FindChild(u"viewTabControl"))->GetPageByName(u"colorPage");
        for (int c = 1; c <= 4; ++c)
            colours.push_back(ControlUtilities::GetComboBoxChild(page->FindChild(String::Format(u"color%d", c))));
    }
    void TearDown() override
    {
        editor = nullptr;
        group = nullptr;
        colours.clear();
        OthersSamplesFixture::TearDown();
    }
    RCPtr<LControl> Tile(int i) { return group->FindChild(String::Format(u"pad%d", i + 1)); }
    KXRESULT Show(int i, const Bytes& bytes)
    {
        return group->GetModule(kFirst + i)->SetParamValueLocal(ParamDescriptor(kFirst + i), Blob(bytes), 1);
    }

    static constexpr int32_t kFirst = 60;
    RCPtr<LPadEditPanel> editor;
    RCPtr<LPadGroupPanel> group;
    std::vector<RCPtr<LComboBox>> colours;
};

TEST_F(PadPanelsTest, ValuesAreShownAndBuiltBackWithTheirColoursBetweenTheRecordsBytes)
{
    const RCPtr<LControl> page = RCPtr<LTabControl>(editor->FindChild(u"viewTabControl"))->GetPageByName(u"colorPage");
    for (int c = 1; c <= 4; ++c)
        EXPECT_EQ(page->FindChild(String::Format(u"color%d", c))->FindChild(u"colorNameLabel")->GetText(),
                  String::Format(u"COLOR %d", c));
    Click(Tile(4));
    EXPECT_EQ(editor->FindChild(u"padName")->GetText(), String(u"PAD 5"));
    const struct {
        Bytes value;
        int colour1;
    } cases[] = {
        {{0, 10, 13, 7, 5, 1, 19, 36, 0, 0, 0, 0, 0, 0}, 10},    // pad 1's default
        {{0, 13, 10, 7, 5, 1, 19, 51, 0, 0, 0, 0, 0, 0}, 13},    // pad 16's
        {{16, 0, 1, 12, 13, 0, 74, 0, 10, 0, 0, 0, 0, 100}, 0},  // control change on channel 16
        {{21, 3, 4, 5, 6, 1, 17, 127, 0, 0, 0, 0, 0, 127}, 3},   // program, omni
        {{0, 112, 2, 119, 0, 1, 17, 5, 0, 0, 0, 0, 0, 0}, -1},   // past the list: kept, not made 0xFF
        {{0, 0xFF, 2, 0xFF, 0, 1, 17, 5, 0, 0, 0, 0, 0, 0}, -1}, // colour bytes that select nothing
    };
    ASSERT_EQ(Show(4, cases[0].value), S_OK);
    EXPECT_EQ(colours[0]->GetText(), String(u"Red"));
    for (const auto& c : cases) {
        ASSERT_EQ(Show(4, c.value), S_OK);
        EXPECT_EQ(colours[0]->GetSelectedIndex(), c.colour1);
        EXPECT_TRUE(main->reports.empty()) << "showing never reports";
        // Any edit reports the value as shown.
        colours[1]->SetSelectedIndex(colours[1]->GetSelectedIndex() == 2 ? 3 : 2);
        colours[1]->SetSelectedIndex(static_cast<signed char>(c.value[2]));
        ASSERT_FALSE(main->reports.empty());
        EXPECT_EQ(main->reports.back().first, kFirst + 4);
        EXPECT_EQ(LastReport(), c.value);
        main->reports.clear();
    }
    // Other sizes and another pad's identifier are refused, and the editor keeps what it showed.
    for (unsigned size : {0u, 13u, 15u, 17u})
        EXPECT_EQ(Show(4, Bytes(size, 1)), E_FAIL);
    EXPECT_EQ(editor->SetParamValueLocal(ParamDescriptor(kFirst + 5), Blob(Bytes(14, 1)), 1), E_FAIL);
    colours[2]->SetSelectedIndex(9);
    EXPECT_EQ(LastReport(), (Bytes{0, 0xFF, 2, 9, 0, 1, 17, 5, 0, 0, 0, 0, 0, 0}));
    // The value reached the tile through the editor.
    EXPECT_EQ(Tile(4)->FindChild(u"viewPanel")->FindChild(u"infoLabel")->GetText(), String(u"PG:\n5"));
    WritePicture(PicturePath("pad-edit-panel.png"), {0, 50, 1200, 722});
}

TEST_F(PadPanelsTest, OnAndOffShowOnlyForALatchingNoteAndOffIsReportedAsColourZero)
{
    Click(Tile(4));
    const RCPtr<LControl> midiPage =
        RCPtr<LTabControl>(editor->FindChild(u"viewTabControl"))->GetPageByName(u"midiPage");
    const RCPtr<LControl> notePage = RCPtr<LTabControl>(midiPage->FindChild(u"tabControl"))->GetPageByName(u"notePage");
    for (const auto& [code, shown] : {std::pair{19, false}, std::pair{20, true}, std::pair{19, false}}) {
        ASSERT_EQ(Show(4, {0, 1, 2, 3, 4, 1, code, 60, 0, 0, 0, 0, 0, 127}), S_OK);
        EXPECT_EQ(notePage->FindChild(u"onOffSelectors")->IsVisible(false), shown) << code;
    }
    const Bytes value{0, 5, 6, 7, 8, 1, 17, 9, 0, 0, 0, 0, 0, 0};
    for (size_t c = 0; c < colours.size(); ++c) {
        ASSERT_EQ(Show(4, value), S_OK);
        colours[c]->SetSelectedIndex(EntryOf(colours[c], u"Off"));
        Bytes expected = value;
        expected[1 + c] = 0;
        EXPECT_EQ(LastReport(), expected) << "colour " << c + 1;
    }
}

TEST_F(PadPanelsTest, AClickChoosesThePadAndAShiftClickCyclesItsColour)
{
    Click(Tile(4));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(Tile(i)->FindChild(u"button")->GetValue(), i == 4 ? 1.0 : 0.0);
    EXPECT_TRUE(editor->IsVisible(false));
    EXPECT_EQ(main->requests, std::vector<int32_t>{kFirst + 4});
    EXPECT_EQ(Tile(15)->FindChild(u"padNumberLabel")->GetText(), String(u"P16"));

    const RCPtr<LControl> indicator = Tile(2)->FindChild(u"color");
    ASSERT_EQ(Show(2, {0, 0, 13, 7, 5, 1, 19, 38, 0, 0, 0, 0, 0, 0}), S_OK);
    EXPECT_EQ(indicator->GetActiveLookIndex(), 0) << "colour 1 Off: the transparent look";
    for (int expected : {0, 13, 7, 5, 0, 13}) {
        Click(Tile(2), 0x08);
        EXPECT_EQ(indicator->GetActiveLookIndex(), expected);
    }
    Click(Tile(2));
    EXPECT_EQ(indicator->GetActiveLookIndex(), 13) << "a plain click keeps the colour";
    // A colour byte beyond the list shows the look after the colours', never the colour before.
    ASSERT_EQ(Show(2, {0, 0, 0x7F, 7, 5, 1, 19, 38, 0, 0, 0, 0, 0, 0}), S_OK);
    EXPECT_EQ(indicator->GetActiveLookIndex(), 14);
    for (int i = 0; i < 16; ++i)
        static_cast<void>(Show(i, {0, 10 + i % 4, 13, 7, 5, 1, 19, 36 + i, 0, 0, 0, 0, 0, 0}));
    WritePicture(PicturePath("pads.png"), {960, 78, 224, 198});
}

} // namespace
} // namespace KX::Test
