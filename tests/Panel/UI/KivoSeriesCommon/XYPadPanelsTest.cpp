// The XY pad editor, axis tiles and area from their generated skin blocks: the 15-byte value split
// over the MIDI and note pages and joined again, titles, refused sizes and the click.
#include "../OthersSamples.h"

#include "KXFramework/Controls/ComboBox.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "Panel/UI/KivoSeriesCommon/XYPadPanels.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

using Bytes = std::vector<int>;

class XYPadPanelsTest : public OthersSamplesFixture {
protected:
    void SetUp() override
    {
        OthersSamplesFixture::SetUp();
        if (HasFatalFailure())
            return;
        editPanel = RCPtr<LXYPadEditPanel>(view->FindChild(u"xyPadEditPanel"));
        group = RCPtr<LXYPadDirectionGroupPanel>(view->FindChild(u"xyPad"));
        ASSERT_TRUE(editPanel && group);
        const RCPtr<LTabControl> tabs(editPanel->FindChild(u"viewTabControl"));
        midi = RCPtr<LMoveableControlEditPanel>(tabs->GetPageByName(u"midiPage"));
        notes = RCPtr<LNoteModeEditPanel>(tabs->GetPageByName(u"noteModePage"));
        ASSERT_TRUE(midi && notes);
        ASSERT_EQ(group->SetFirstParamID(nullptr, kFirst, 0), S_OK);
    }
    void TearDown() override
    {
        editPanel = nullptr;
        group = nullptr;
        midi = nullptr;
        notes = nullptr;
        OthersSamplesFixture::TearDown();
    }
    RCPtr<LControl> Tile(int i) { return group->FindChild(i == 0 ? u"xAxis" : u"yAxis"); }
    KXRESULT Show(int i, const Bytes& bytes)
    {
        return group->GetModule(kFirst + i)->SetParamValueLocal(ParamDescriptor(kFirst + i), Blob(bytes), 1);
    }

    static constexpr int32_t kFirst = 30;
    RCPtr<LXYPadEditPanel> editPanel;
    RCPtr<LXYPadDirectionGroupPanel> group;
    RCPtr<LMoveableControlEditPanel> midi;
    RCPtr<LNoteModeEditPanel> notes;
};

TEST_F(XYPadPanelsTest, AnAxisValueIsSplitOverTheTwoPagesAndJoinedAgain)
{
    const Bytes x = {0, 0, 0x23, 0, 0, 0x7F, 8, 0x3C, 0x48, 0x3E, 0x40, 0x41, 0x43, 0x45, 0x47};
    const Bytes y = {0, 0, 0x29, 0, 0, 0x7F, 8, 0x45, 0x51, 0x47, 0x48, 0x4A, 0x4C, 0x4D, 0x4F};
    // Before a click, values go to the tiles.
    ASSERT_EQ(Show(0, x), S_OK);
    EXPECT_EQ(Info(Tile(0)), String(u"CC:\n35"));
    Click(Tile(1));
    EXPECT_EQ(editPanel->FindChild(u"axisName")->GetText(), String(u"Y-AXIS"));
    EXPECT_EQ(Tile(1)->FindChild(u"button")->GetValue(), 1.0);
    EXPECT_EQ(Tile(0)->FindChild(u"button")->GetValue(), 0.0);
    EXPECT_EQ(main->requests, std::vector<int32_t>{kFirst + 1});
    ASSERT_EQ(Show(1, y), S_OK);
    EXPECT_EQ(BytesOf(midi->BuildControlRecord()), Bytes(y.begin(), y.begin() + 6));
    EXPECT_EQ(BytesOf(notes->BuildControlRecord()), Bytes(y.begin() + 6, y.end()));
    EXPECT_EQ(Info(Tile(1)), String(u"CC:\n41"));
    EXPECT_TRUE(main->reports.empty()) << "showing never reports";
    // A change on the note page alone reports all 15 bytes, the MIDI part unchanged.
    const RCPtr<LComboBox> scale(ControlUtilities::GetComboBoxChild(notes->FindChild(u"noteScaleType")));
    static_cast<void>(scale->SetSelectedIndex(1)); // Major from 69
    ASSERT_FALSE(main->reports.empty());
    EXPECT_EQ(main->reports.back().first, kFirst + 1);
    EXPECT_EQ(LastReport(), (Bytes{0, 0, 0x29, 0, 0, 0x7F, 8, 69, 81, 71, 73, 74, 76, 78, 80}));
    // And one on the MIDI page keeps the note part.
    midi->ShowControlRecord(RecordOf({3, 0, 10, 0, 5, 120}));
    SendParametersChanged(midi);
    const Bytes built = BytesOf(midi->BuildControlRecord());
    const Bytes last = LastReport();
    EXPECT_EQ(Bytes(last.begin(), last.begin() + 6), built);
    EXPECT_EQ(Bytes(last.begin() + 6, last.end()), (Bytes{8, 69, 81, 71, 73, 74, 76, 78, 80}));
    // Other sizes change neither the editor nor the tile.
    main->reports.clear();
    for (unsigned size : {0u, 6u, 14u, 16u})
        EXPECT_EQ(Show(1, Bytes(size, 2)), E_FAIL);
    EXPECT_EQ(Info(Tile(1)), String(u"CC:\n41"));
    EXPECT_EQ(BytesOf(notes->BuildControlRecord()), (Bytes{8, 69, 81, 71, 73, 74, 76, 78, 80}));
    Click(Tile(0));
    EXPECT_EQ(editPanel->FindChild(u"axisName")->GetText(), String(u"X-AXIS"));
    ASSERT_EQ(Show(0, x), S_OK);
    WritePicture(PicturePath("xy-pad-edit-panel.png"), {0, 250, 1200, 522});
}

} // namespace
} // namespace KX::Test
