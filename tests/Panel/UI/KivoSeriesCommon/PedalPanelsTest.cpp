// The pedal editors, tiles and area from their generated skin blocks: the sustain pedal's 10-byte
// record in 6 bytes both ways, the volume pedal's record unchanged, refused sizes, the click and the
// hand-out by the editors' visibility, the sustain tile naming what its editor shows.
#include "../OthersSamples.h"

#include "Panel/UI/KivoSeriesCommon/PedalPanels.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

using Bytes = std::vector<int>;

TEST(SustainValueTest, SixBytesHoldTheRecordWithoutItsStepList)
{
    const struct {
        Bytes value, record;
    } cases[] = {
        {{0, 0, 64, 0, 0, 127}, {0, 0, 64, 0, 0, 1, 0, 1, 0, 127}}, // default
        {{16, 1, 19, 60, 0, 100}, {16, 1, 19, 60, 0, 1, 0, 1, 0, 100}},
        {{0xFF, 0x80, 0, 0, 0x7F, 0}, {0xFF, 0x80, 0, 0, 0x7F, 1, 0, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> raw(c.value.begin(), c.value.end());
        const ButtonControlRecord record = SustainValue::ToRecord(raw.data());
        std::vector<int> bytes;
        for (unsigned i = 0; i < 10; ++i)
            bytes.push_back(static_cast<unsigned char>(record.GetAt(i)));
        EXPECT_EQ(bytes, c.record);
        // Back: whatever stands in bytes 5..8 never reaches the value.
        ButtonControlRecord edited = record;
        for (unsigned i = 5; i <= 8; ++i)
            edited.GetAt(i) = 9;
        std::array<unsigned char, 6> out{};
        ASSERT_TRUE(SustainValue::FromRecord(edited, out));
        EXPECT_EQ(Bytes(out.begin(), out.end()), c.value);
    }
    std::array<unsigned char, 6> untouched{1, 2, 3, 4, 5, 6};
    ButtonControlRecord nine;
    static_cast<void>(nine.SetCount(9));
    EXPECT_FALSE(SustainValue::FromRecord(nine, untouched));
    EXPECT_EQ(untouched[0], 1);
}

class PedalPanelsTest : public OthersSamplesFixture {
protected:
    void SetUp() override
    {
        OthersSamplesFixture::SetUp();
        if (HasFatalFailure())
            return;
        volumeEditor = view->FindChild(u"volumePedalEditPanel");
        sustainEditor = view->FindChild(u"sustainEditPage");
        group = RCPtr<LPedalGroupPanel>(view->FindChild(u"pedals"));
        ASSERT_TRUE(volumeEditor && sustainEditor && group);
        volumeTile = group->FindChild(u"volumePedal");
        sustainTile = group->FindChild(u"sustainPedal");
        ASSERT_EQ(group->SetFirstParamID(nullptr, kFirst, 0), S_OK);
    }
    void TearDown() override
    {
        volumeEditor = sustainEditor = volumeTile = sustainTile = nullptr;
        group = nullptr;
        OthersSamplesFixture::TearDown();
    }

    static constexpr int32_t kVolume = 50, kSustain = 51, kFirst = kVolume;
    RCPtr<LControl> volumeEditor, sustainEditor, volumeTile, sustainTile;
    RCPtr<LPedalGroupPanel> group;
};

TEST_F(PedalPanelsTest, EachPedalIsEditedWithItsOwnEditorAndValuesFollowTheShownEditor)
{
    // Before a click values go to the tiles.
    EXPECT_EQ(group->GetModule(kSustain).Get(), dynamic_cast<LParameterizedModule*>(sustainTile.Get()));
    ASSERT_EQ(group->GetModule(kSustain)->SetParamValueLocal(ParamDescriptor(kSustain), Blob({0, 0, 64, 0, 0, 127}), 1),
              S_OK);
    EXPECT_EQ(Info(sustainTile), String(u"CC:\n64"));
    ASSERT_EQ(group->GetModule(kVolume)->SetParamValueLocal(ParamDescriptor(kVolume), Blob({0, 0, 7, 0, 0, 127}), 1),
              S_OK);
    EXPECT_EQ(Info(volumeTile), String(u"CC:\n7"));

    // The sustain editor: the record with no second and third step, the value without them.
    Click(sustainTile);
    EXPECT_TRUE(sustainEditor->IsVisible(false));
    EXPECT_FALSE(volumeEditor->IsVisible(false));
    EXPECT_EQ(sustainTile->FindChild(u"button")->GetValue(), 1.0);
    EXPECT_EQ(volumeTile->FindChild(u"button")->GetValue(), 0.0);
    EXPECT_EQ(main->requests, std::vector<int32_t>{kSustain});
    EXPECT_EQ(group->GetModule(kSustain).Get(), dynamic_cast<LParameterizedModule*>(sustainEditor.Get()));
    EXPECT_EQ(group->GetModule(kVolume).Get(), dynamic_cast<LParameterizedModule*>(volumeTile.Get()));
    ASSERT_EQ(group->GetModule(kSustain)->SetParamValueLocal(ParamDescriptor(kSustain), Blob({3, 1, 17, 5, 0, 127}), 1),
              S_OK);
    const RCPtr<LButtonControlEditPanel> buttonEditor(sustainEditor->FindChild(u"buttonTypePanel"));
    // The program page builds no step list.
    EXPECT_EQ(BytesOf(buttonEditor->BuildControlRecord()), (Bytes{3, 1, 17, 5, 0, 0, 0, 0, 0, 127}));
    EXPECT_EQ(Info(sustainTile), String(u"PG:\n5"));
    EXPECT_TRUE(main->reports.empty());
    static_cast<void>(buttonEditor->ShowControlRecord(RecordOf({0, 0, 64, 0, 0, 1, 0, 1, 0, 127})));
    SendParametersChanged(buttonEditor);
    ASSERT_EQ(main->reports.size(), 1u);
    EXPECT_EQ(main->reports.back().first, kSustain);
    EXPECT_EQ(LastReport(), (Bytes{0, 0, 64, 0, 0, 127}));
    WritePicture(PicturePath("sustain-edit-panel.png"), {0, 240, 1200, 532});

    // The volume editor: the record as it is.
    Click(volumeTile);
    EXPECT_TRUE(volumeEditor->IsVisible(false));
    EXPECT_FALSE(sustainEditor->IsVisible(false));
    EXPECT_EQ(volumeTile->FindChild(u"button")->GetValue(), 1.0);
    EXPECT_EQ(sustainTile->FindChild(u"button")->GetValue(), 0.0);
    EXPECT_EQ(group->GetModule(kVolume).Get(), dynamic_cast<LParameterizedModule*>(volumeEditor.Get()));
    EXPECT_EQ(group->GetModule(kSustain).Get(), dynamic_cast<LParameterizedModule*>(sustainTile.Get()));
    ASSERT_EQ(group->GetModule(kVolume)->SetParamValueLocal(ParamDescriptor(kVolume), Blob({2, 0, 11, 0, 10, 120}), 1),
              S_OK);
    EXPECT_EQ(Info(volumeTile), String(u"CC:\n11"));
    const RCPtr<LMoveableControlEditPanel> moveable(volumeEditor->FindChild(u"moveableTypePanel"));
    SendParametersChanged(moveable);
    EXPECT_EQ(main->reports.back().first, kVolume);
    EXPECT_EQ(LastReport(), BytesOf(moveable->BuildControlRecord()));
    EXPECT_EQ(LastReport(), (Bytes{2, 0, 11, 0, 10, 120}));
    WritePicture(PicturePath("volume-edit-panel.png"), {0, 240, 1200, 532});

    // Ten bytes (the record itself) and other sizes are refused by every pedal panel.
    for (const RCPtr<LControl>& panel : {volumeEditor, sustainEditor, volumeTile, sustainTile}) {
        LParameterizedModule* module = dynamic_cast<LParameterizedModule*>(panel.Get());
        for (unsigned size : {0u, 5u, 7u, 10u})
            EXPECT_EQ(module->SetParamValueLocal(ParamDescriptor(module->GetFirstParamID()), Blob(Bytes(size, 1)), 1),
                      E_FAIL);
    }
    EXPECT_EQ(Info(volumeTile), String(u"CC:\n11"));
    // Hiding the editor releases its tile.
    static_cast<void>(volumeEditor->SetVisible(false));
    root->ProcessEvents(true);
    EXPECT_EQ(volumeTile->FindChild(u"button")->GetValue(), 0.0);
}

TEST_F(PedalPanelsTest, TheTileNamesWhatTheEditorShows)
{
    const struct {
        int code;
        const char16_t* page;
        const char16_t* tile;
    } cases[] = {
        {26, u"ccIncDecPage", u"CC:\n7"},
        {27, u"programIncDecPage", u"PG\nINC/DEC"},
        {28, u"programIncDecPage", u"PG\nINC/DEC"},
    };
    Click(sustainTile);
    const RCPtr<LTabControl> tabs(sustainEditor->FindChild(u"buttonTypePanel")->FindChild(u"tabControl"));
    ASSERT_TRUE(tabs);
    for (const auto& c : cases) {
        // The shown editor takes the value and passes it on to the tile.
        ASSERT_EQ(group->GetModule(kSustain)->SetParamValueLocal(ParamDescriptor(kSustain),
                                                                 Blob({0, 1, c.code, 7, 0, 127}), 1),
                  S_OK);
        EXPECT_EQ(tabs->GetSelectedName(), String(c.page)) << c.code;
        EXPECT_EQ(Info(sustainTile), String(c.tile)) << c.code;
    }
}

} // namespace
} // namespace KX::Test
