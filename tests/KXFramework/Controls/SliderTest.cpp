#include "KXFramework/Controls/Slider.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

// A horizontal track from x 0 to 190 and a diagonal one from (0, 0) to (100, 100).
const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.Slider" Name="level" XSizeAbs="200" YSizeAbs="20">
     <Skin Name="s" LookList="track"/>
     <SubControl Class="Framework.Button" Name="thumbStart" YPositionAbs="5" XSizeAbs="10" YSizeAbs="10"><Skin Name="a" LookList="button"/></SubControl>
     <SubControl Class="Framework.Button" Name="thumbEnd" XPositionAbs="190" YPositionAbs="5" XSizeAbs="10" YSizeAbs="10"><Skin Name="b" LookList="button"/></SubControl>
    </SubControl>
    <SubControl Class="Framework.Slider" Name="diagonal" YPositionAbs="100" XSizeAbs="110" YSizeAbs="110">
     <Skin Name="d" LookList="track"/>
     <SubControl Class="Framework.Button" Name="thumbStart" XSizeAbs="10" YSizeAbs="10"><Skin Name="a" LookList="button"/></SubControl>
     <SubControl Class="Framework.Button" Name="thumbEnd" XPositionAbs="100" YPositionAbs="100" XSizeAbs="10" YSizeAbs="10"><Skin Name="b" LookList="button"/></SubControl>
    </SubControl>
    <SubControl Class="Test.KeyPanel" Name="holder" XPositionAbs="200" YPositionAbs="100" XSizeAbs="200" YSizeAbs="40">
     <SubControl Class="Framework.Slider" Name="held" XSizeAbs="200" YSizeAbs="20">
      <Skin Name="h" LookList="track"/>
      <SubControl Class="Framework.Button" Name="thumbStart" YPositionAbs="5" XSizeAbs="10" YSizeAbs="10"><Skin Name="a" LookList="button"/></SubControl>
      <SubControl Class="Framework.Button" Name="thumbEnd" XPositionAbs="190" YPositionAbs="5" XSizeAbs="10" YSizeAbs="10"><Skin Name="b" LookList="button"/></SubControl>
     </SubControl>
    </SubControl>
    <SubControl Class="Framework.Slider" Name="bare" YPositionAbs="250" XSizeAbs="100" YSizeAbs="20"><Skin Name="e" LookList="track"/></SubControl>
   </SubControl>)";

constexpr uint32_t kRight = KeyCode::Press(VirtualKey::kRight), kLeft = KeyCode::Press(VirtualKey::kLeft),
                   kUp = KeyCode::Press(VirtualKey::kUp), kDown = KeyCode::Press(VirtualKey::kDown);

class SliderTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(SkinLooks()
                              .Row("button", "button", std::vector<std::string>(14, "grey"))
                              .Look("track", "grey")
                              .List("track", {"track", "track", "track"})
                              .Text(),
                          kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        slider = RCPtr<LSlider>(main->FindChild(u"level"));
        ASSERT_TRUE(slider);
        ASSERT_TRUE(slider->GetThumb());
        services.milliseconds = 1000;
    }
    void TearDown() override
    {
        for (auto& r : recorders)
            r->UnregisterForAllNotifications();
        recorders.clear();
        slider = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }
    RCPtr<Recorder> Record(const RCPtr<LControl>& control, const char16_t* name)
    {
        RCPtr<Recorder> r(new Recorder("r"));
        r->RegisterForNotification(RCPtr<LNotificationDistributor>(control), name, 0);
        recorders.push_back(r);
        return r;
    }
    void SendKey(const RCPtr<LSlider>& target, uint32_t key)
    {
        target->HandleKey(RCPtr<LKeyParam>(new LKeyParam({key, 0, 0})));
    }
    double Ranged(const RCPtr<LSlider>& s) const { return s->NormalizedToValue(s->GetValue()); }
    double ThumbX() const { return slider->GetThumb()->GetRect().x; }

    RCPtr<LControl> main;
    RCPtr<LSlider> slider;
    std::vector<RCPtr<Recorder>> recorders;
};

TEST_F(SliderTest, StartsAtTheStartMarkerWithTheDefaultRange)
{
    EXPECT_EQ(slider->NormalizedToValue(1.0), 127.0);
    EXPECT_EQ(slider->GetThumb()->GetRect().x, 0.0);
    EXPECT_EQ(slider->GetThumb()->GetRect().y, 5.0);
    EXPECT_FALSE(main->FindChild(u"level")->FindChild(u"thumbStart")->IsVisible(false));
    slider->SetValue(1.0);
    EXPECT_EQ(ThumbX(), 190.0);
    slider->SetValue(0.5);
    EXPECT_EQ(ThumbX(), 95.0);
}

TEST_F(SliderTest, ASkinChangeKeepsTheThumbItMadeAtItsValue)
{
    slider->SetValue(0.5);
    RCPtr<LControl> thumb = slider->GetThumb();
    ASSERT_EQ(slider->ApplyDescriptor(slider->GetDescriptor()), S_OK);
    EXPECT_EQ(slider->FindChild(u"thumb"), thumb);
    EXPECT_EQ(ThumbX(), 95.0);
}

TEST_F(SliderTest, ArrowKeysStepOneUnitAndReportHoldAndRelease)
{
    RCPtr<Recorder> down = Record(slider, u"NID_VALUE_CHANGE_KEY_DOWN");
    RCPtr<Recorder> up = Record(slider, u"NID_VALUE_CHANGE_KEY_UP");
    RCPtr<Recorder> changes = Record(slider, u"NID_VALUE_CHANGE");
    SendKey(slider, kRight);
    SendKey(slider, kRight); // auto-repeat
    SendKey(slider, kUp);
    EXPECT_NEAR(Ranged(slider), 3.0, 1e-9);
    EXPECT_EQ(down->received, 1);
    EXPECT_EQ(changes->received, 3);
    SendKey(slider, 0x00270000); // release
    EXPECT_EQ(up->received, 1);
    SendKey(slider, kLeft);
    SendKey(slider, kDown);
    EXPECT_NEAR(Ranged(slider), 1.0, 1e-9);
    EXPECT_EQ(down->received, 2);
    // With a modifier the key is not the slider's.
    SendKey(slider, kRight | KeyCode::kShiftKey);
    EXPECT_NEAR(Ranged(slider), 1.0, 1e-9);
    // At the end of the range another step changes nothing.
    slider->SetValue(1.0);
    const int before = changes->received;
    SendKey(slider, kRight);
    EXPECT_EQ(changes->received, before);
}

// A slider's thumb takes the focus when clicked; keys the slider leaves go on to the panel around it.
TEST_F(SliderTest, KeysTheSliderLeavesReachThePanelThatHoldsIt)
{
    RCPtr<KeyRecordingPanel> holder(main->FindChild(u"holder"));
    ASSERT_TRUE(holder);
    RCPtr<LSlider> held(holder->FindChild(u"held"));
    ASSERT_TRUE(held);
    ASSERT_EQ(held->GetThumb()->SetFocus(true), S_OK);
    ASSERT_EQ(root->GetFocusControl(), held->GetThumb());
    struct Case {
        uint32_t key;
        std::vector<uint32_t> reached;
        double value;
    };
    const Case cases[] = {
        {kRight, {}, 1.0},
        {kRight | KeyCode::kShiftKey, {kRight | KeyCode::kShiftKey}, 1.0},
        {KeyCode::Press(VirtualKey::kF1 + 4), {KeyCode::Press(VirtualKey::kF1 + 4)}, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        holder->keys.clear();
        Key(c.key);
        EXPECT_EQ(holder->keys, c.reached);
        EXPECT_NEAR(Ranged(held), c.value, 1e-9);
    }
}

TEST_F(SliderTest, WheelStepsOneUnit)
{
    slider->OnMouseWheel(LMouseWheelParam::Create({50, 10}, 0, 1));
    slider->OnMouseWheel(LMouseWheelParam::Create({50, 10}, 0, 1));
    slider->OnMouseWheel(LMouseWheelParam::Create({50, 10}, 0, 0));
    EXPECT_NEAR(Ranged(slider), 1.0, 1e-9);
}

TEST_F(SliderTest, DragKeepsAValueSetMeanwhileUntilRelease)
{
    RCPtr<Recorder> capture = Record(slider, u"NID_VALUE_CHANGE_CAPTURE");
    Move(5, 10);
    Press(5, 10);
    Move(50, 14);
    EXPECT_TRUE(slider->IsDragging());
    EXPECT_EQ(ThumbX(), 45.0);
    EXPECT_EQ(slider->GetThumb()->GetRect().y, 5.0); // a horizontal track keeps y
    EXPECT_NEAR(slider->GetValue(), 45.0 / 190.0, 1e-9);
    slider->SetValue(0.5);
    EXPECT_EQ(ThumbX(), 45.0);
    Move(400, 10); // past the end marker
    EXPECT_EQ(ThumbX(), 190.0);
    Release(400, 10);
    EXPECT_FALSE(slider->IsDragging());
    EXPECT_EQ(slider->GetValue(), 0.5);
    EXPECT_EQ(ThumbX(), 95.0);
    EXPECT_EQ(capture->received, 2);
}

TEST_F(SliderTest, DiagonalTrackFollowsTheProjection)
{
    RCPtr<LSlider> diagonal(main->FindChild(u"diagonal"));
    ASSERT_TRUE(diagonal);
    Move(5, 105);
    Press(5, 105);
    Move(65, 145); // (60, 40) from the grab: projects to (50, 50) on the line y = x
    EXPECT_EQ(diagonal->GetThumb()->GetRect().x, 50.0);
    EXPECT_EQ(diagonal->GetThumb()->GetRect().y, 50.0);
    EXPECT_NEAR(diagonal->GetValue(), 0.5, 1e-9);
    Release(65, 145);
}

TEST_F(SliderTest, HoldingOnTheTrackPagesTowardsThePointer)
{
    Move(150, 10);
    Press(150, 10);
    Move(151, 10);
    EXPECT_TRUE(slider->IsPaging());
    IdleAfter(250);
    EXPECT_EQ(slider->GetValue(), 0.0);
    IdleAfter(60);
    EXPECT_NEAR(slider->GetValue(), 0.1, 1e-9);
    IdleAfter(50);
    EXPECT_NEAR(slider->GetValue(), 0.1, 1e-9);
    IdleAfter(60);
    EXPECT_NEAR(slider->GetValue(), 0.2, 1e-9);
    Release(151, 10);
    EXPECT_FALSE(slider->IsPaging());
    // The release on the track is a click: one more step.
    EXPECT_NEAR(slider->GetValue(), 0.3, 1e-9);
    // Paging never passes the value under the pointer.
    for (int i = 0; i < 10; ++i)
        Click(30, 10);
    EXPECT_NEAR(slider->GetValue(), 25.0 / 190.0, 1e-9);
}

TEST_F(SliderTest, EmptyReversedRangesAndBadValuesAreHarmless)
{
    slider->SetRange(5.0, 5.0, 0);
    SendKey(slider, kRight);
    EXPECT_EQ(slider->GetValue(), 0.0);
    slider->SetRange(127.0, 0.0, 0);
    slider->SetValue(0.25);
    SendKey(slider, kLeft); // ranged 95.25 - 1 lies nearer the start of a reversed range
    EXPECT_NEAR(slider->GetValue(), 0.25 + 1.0 / 127.0, 1e-9);
    slider->SetValue(std::nan(""));
    EXPECT_NEAR(slider->GetValue(), 0.25 + 1.0 / 127.0, 1e-9);
    slider->SetValue(7.0);
    EXPECT_EQ(slider->GetValue(), 1.0);

    // A slider without markers has no thumb; keys and the wheel still work.
    RCPtr<LSlider> bare(main->FindChild(u"bare"));
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->GetThumb());
    SendKey(bare, kRight);
    EXPECT_NEAR(Ranged(bare), 1.0, 1e-9);
    Click(50, 260);
    EXPECT_NEAR(Ranged(bare), 1.0, 1e-9);
}

} // namespace
} // namespace KX::Test
