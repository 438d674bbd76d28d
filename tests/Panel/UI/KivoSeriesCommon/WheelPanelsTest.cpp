// The wheel editor, tiles and area from their generated skin blocks: the 5-byte value through the
// moveable record (its relative flag dropped), the labels, refused sizes and the click.
#include "../OthersSamples.h"

#include "Panel/UI/KivoSeriesCommon/WheelPanels.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

using Bytes = std::vector<int>;

class WheelPanelsTest : public OthersSamplesFixture {
protected:
    void SetUp() override
    {
        OthersSamplesFixture::SetUp();
        if (HasFatalFailure())
            return;
        editPanel = RCPtr<LWheelEditPanel>(view->FindChild(u"wheelEditPanel"));
        group = RCPtr<LWheelGroupPanel>(view->FindChild(u"wheels"));
        ASSERT_TRUE(editPanel && group);
        editor = RCPtr<LMoveableControlEditPanel>(editPanel->FindChild(u"moveableTypePanel"));
        ASSERT_EQ(group->SetFirstParamID(nullptr, kFirst, 0), S_OK);
    }
    void TearDown() override
    {
        editPanel = nullptr;
        group = nullptr;
        editor = nullptr;
        OthersSamplesFixture::TearDown();
    }
    RCPtr<LControl> Tile(int i) { return group->FindChild(i == 0 ? u"pitchWheel" : u"modWheel"); }

    static constexpr int32_t kFirst = 20;
    RCPtr<LWheelEditPanel> editPanel;
    RCPtr<LWheelGroupPanel> group;
    RCPtr<LMoveableControlEditPanel> editor;
};

TEST_F(WheelPanelsTest, ValuesAreTheRecordWithoutItsRelativeFlag)
{
    Click(Tile(1));
    EXPECT_EQ(editPanel->FindChild(u"wheelName")->GetText(), String(u"M. WHEEL"));
    EXPECT_EQ(Tile(1)->FindChild(u"button")->GetValue(), 1.0);
    EXPECT_EQ(Tile(0)->FindChild(u"button")->GetValue(), 0.0);
    EXPECT_TRUE(editPanel->IsVisible(false));
    EXPECT_EQ(main->requests, std::vector<int32_t>{kFirst + 1});
    const struct {
        Bytes value, record;
        const char16_t* info;
    } cases[] = {
        {{0, 1, 16, 0, 127}, {0, 1, 16, 0, 0, 127}, u"PITCH\nBEND"}, // the pitch wheel's default
        {{0, 0, 1, 0, 127}, {0, 0, 1, 0, 0, 127}, u"CC:\n1"},        // the modulation wheel's
        {{16, 0, 74, 10, 100}, {16, 0, 74, 0, 10, 100}, u"CC:\n74"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(group->GetModule(kFirst + 1)->SetParamValueLocal(ParamDescriptor(kFirst + 1), Blob(c.value), 1),
                  S_OK);
        EXPECT_EQ(BytesOf(editor->BuildControlRecord()), c.record);
        EXPECT_EQ(Info(Tile(1)), String(c.info));
        EXPECT_TRUE(main->reports.empty()) << "showing never reports";
    }
    // An edit of the record reports five bytes; the relative flag is lost.
    editor->ShowControlRecord(RecordOf({0, 0, 1, 3, 0, 127}));
    const Bytes built = BytesOf(editor->BuildControlRecord());
    SendParametersChanged(editor);
    ASSERT_EQ(main->reports.size(), 1u);
    EXPECT_EQ(main->reports.back().first, kFirst + 1);
    EXPECT_EQ(LastReport(), (Bytes{built[0], built[1], built[2], built[4], built[5]}));
    editor->ShowControlRecord(RecordOf({0, 0, 1, 0, 0, 127}));
    SendParametersChanged(editor);
    EXPECT_EQ(LastReport(), (Bytes{0, 0, 1, 0, 127}));
    for (unsigned size : {0u, 4u, 6u, 15u})
        EXPECT_EQ(
            group->GetModule(kFirst + 1)->SetParamValueLocal(ParamDescriptor(kFirst + 1), Blob(Bytes(size, 1)), 1),
            E_FAIL);
    EXPECT_EQ(Info(Tile(1)), String(u"CC:\n74"));
    Click(Tile(0));
    EXPECT_EQ(editPanel->FindChild(u"wheelName")->GetText(), String(u"P. WHEEL"));
    WritePicture(PicturePath("wheel-edit-panel.png"), {0, 60, 1200, 712});
}

} // namespace
} // namespace KX::Test
