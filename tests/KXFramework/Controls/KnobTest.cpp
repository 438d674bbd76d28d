#include "KXFramework/Controls/Knob.h"

#include "KXFramework/Utilities/Storage/Wrapper.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {
namespace {

// Knobs at x = 0, 100, 200 and 300: linear with 64 frames and a focus overlay, radial from 225 to
// 135 degrees (the start given as -135), linear with a fine multiplier of 0.1 over 100 pixels, and
// one without frames whose full range of 1 pixel leaves no steps.
const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.Knob" Name="linear" XSizeAbs="41" YSizeAbs="41"><Skin Name="l" LookList="frames"/></SubControl>
    <SubControl Class="Framework.Knob" Name="radial" XPositionAbs="100" XSizeAbs="41" YSizeAbs="41">
     <CreateParamList><CreateParam ID="RADIAL_GESTURE_START_ANGLE">-135</CreateParam><CreateParam ID="RADIAL_GESTURE_END_ANGLE">135</CreateParam></CreateParamList>
     <Skin Name="r" LookList="frames"/>
    </SubControl>
    <SubControl Class="Framework.Knob" Name="fine" XPositionAbs="200" XSizeAbs="41" YSizeAbs="41">
     <CreateParamList><CreateParam ID="FINE_ADJUST_MULTIPLIER">0.1</CreateParam><CreateParam ID="LINEAR_GESTURE_FULL_RANGE">100</CreateParam></CreateParamList>
     <Skin Name="f" LookList="frames"/>
    </SubControl>
    <SubControl Class="Framework.Knob" Name="bare" XPositionAbs="300" XSizeAbs="41" YSizeAbs="41">
     <CreateParamList><CreateParam ID="LINEAR_GESTURE_FULL_RANGE">1</CreateParam><CreateParam ID="FINE_ADJUST_MULTIPLIER">x</CreateParam></CreateParamList>
    </SubControl>
   </SubControl>)";

class KnobTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FrameLooks("frames", 64, true), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
    }
    void TearDown() override
    {
        for (auto& r : recorders)
            r->UnregisterForAllNotifications();
        recorders.clear();
        main = nullptr;
        ControlsFixture::TearDown();
    }

    RCPtr<LKnob> Knob(const char16_t* name) { return RCPtr<LKnob>(main->FindChild(name)); }
    RCPtr<Recorder> Record(const RCPtr<LControl>& control, const char16_t* name)
    {
        RCPtr<Recorder> r(new Recorder("r"));
        r->RegisterForNotification(RCPtr<LNotificationDistributor>(control), name, 0);
        recorders.push_back(r);
        return r;
    }
    // A drag from the first point through the others, released at the last.
    void Drag(const std::vector<PointT<int32_t>>& points)
    {
        Move(points[0].x, points[0].y);
        Press(points[0].x, points[0].y);
        for (size_t i = 1; i < points.size(); ++i)
            Move(points[i].x, points[i].y);
        Release(points.back().x, points.back().y);
    }

    RCPtr<LControl> main;
    std::vector<RCPtr<Recorder>> recorders;
};

TEST_F(KnobTest, CreateParametersPickTheGestureAndItsScale)
{
    RCPtr<LKnob> linear = Knob(u"linear"), radial = Knob(u"radial"), fine = Knob(u"fine"), bare = Knob(u"bare");
    ASSERT_TRUE(linear && radial && fine && bare);
    EXPECT_FALSE(linear->IsRadial());
    EXPECT_TRUE(radial->IsRadial());
    EXPECT_EQ(linear->GetFrameCount(), 64u);
    // 64 frames: two pixels a frame.
    EXPECT_EQ(linear->GetLinearFullRange(), 128);
    EXPECT_EQ(fine->GetLinearFullRange(), 100);
    EXPECT_DOUBLE_EQ(fine->GetFineAdjustMultiplier(), 0.1);
    EXPECT_DOUBLE_EQ(bare->GetFineAdjustMultiplier(), 0.25);
    EXPECT_EQ(bare->GetFrameCount(), 0u);
    EXPECT_DOUBLE_EQ(linear->NormalizedToValue(1.0), 127.0);
    // Half way shows frame 32 (31.5 rounded away from zero).
    linear->SetValue(0.5);
    EXPECT_EQ(linear->GetActiveLookIndex(), 32);
}

TEST_F(KnobTest, LinearDragStopsAtBothEndsOfTheRange)
{
    RCPtr<LKnob> knob = Knob(u"linear");
    RCPtr<Recorder> changes = Record(knob, u"NID_VALUE_CHANGE");
    RCPtr<Recorder> captures = Record(knob, u"NID_VALUE_CHANGE_CAPTURE");
    std::vector<bool> captureStates;
    captures->react = [&](const auto&, const RCPtr<LNotification>& n) {
        RCPtr<LHolder<bool>> holder(n->GetPayload());
        captureStates.push_back(holder && *holder->value);
    };
    // Right and up both increase: 10 right and 5 up are 15 of 127 steps.
    Drag({{20, 20}, {30, 20}, {30, 15}});
    EXPECT_NEAR(knob->NormalizedToValue(knob->GetValue()), 15.0, 1e-9);
    EXPECT_EQ(captureStates, (std::vector<bool>{true, false}));
    // Far past the top end: 1, and further moves there change nothing.
    Move(20, 20);
    Press(20, 20);
    Move(400, 20);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
    EXPECT_EQ(knob->GetActiveLookIndex(), 63);
    const int atTop = changes->received;
    Move(500, 20);
    Move(500, -200);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
    EXPECT_EQ(changes->received, atTop);
    // Back past the bottom end: 0, first frame.
    Move(-300, 20);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
    EXPECT_EQ(knob->GetActiveLookIndex(), 0);
    Move(-400, 300);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
    Release(-400, 300);
}

TEST_F(KnobTest, ADiagonalMoveKeepsTheAxisTheLastMovesFavoured)
{
    RCPtr<LKnob> knob = Knob(u"linear");
    Move(20, 20);
    Press(20, 20);
    Move(23, 20);
    const double afterThree = knob->GetValue();
    EXPECT_NEAR(afterThree, 3.0 / 127.0, 1e-12);
    // One right and two down, after a move to the right: the down part is dropped.
    Move(24, 22);
    EXPECT_NEAR(knob->GetValue(), 4.0 / 127.0, 1e-12);
    // One right and one down at once, without a favoured axis before: no change.
    Release(24, 22);
    knob->SetValue(0.5);
    Move(20, 20);
    Press(20, 20);
    Move(21, 21);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.5);
    Release(21, 21);
}

TEST_F(KnobTest, CtrlMovesOnAFinerGrid)
{
    RCPtr<LKnob> knob = Knob(u"fine");
    services.modifiers = KeyCode::kCtrlFlag;
    Drag({{220, 20}, {230, 20}});
    // Ten pixels on a 99-step travel at a tenth of the speed, on a grid of 999 steps.
    EXPECT_NEAR(knob->GetValue(), 10.0 / 999.0, 1e-12);
    services.modifiers = 0;
    knob->SetValue(0.0);
    Drag({{220, 20}, {230, 20}});
    EXPECT_NEAR(knob->GetValue(), 10.0 / 99.0, 1e-12);
}

TEST_F(KnobTest, RadialDragFollowsTheAngleAndSplitsTheDeadZone)
{
    RCPtr<LKnob> knob = Knob(u"radial");
    // Centre (120, 20) in the panel. Each press is followed by a move in the same direction, so
    // the value is the pressed angle's.
    struct Case {
        PointT<int32_t> press, move;
        double value;
    };
    const Case cases[] = {
        {{120, 0}, {120, -5}, 0.5},                 // 12 o'clock
        {{140, 20}, {145, 20}, 1.0 - 45.0 / 270.0}, // 3 o'clock
        {{120, 40}, {120, 45}, 1.0},                // 6 o'clock: the middle of the dead zone counts to the end
        {{119, 40}, {118, 60}, 0.0},                // just past it towards the start
        {{100, 0}, {95, -5}, 1.0 / 3.0},            // 315 degrees
        {{100, 40}, {95, 45}, 0.0},                 // 225 degrees: exactly the start
        {{140, 40}, {145, 45}, 1.0},                // 135 degrees: exactly the end
    };
    for (const Case& c : cases) {
        knob->SetValue(0.3);
        Move(c.press.x, c.press.y);
        Press(c.press.x, c.press.y);
        Move(c.move.x, c.move.y);
        EXPECT_NEAR(knob->GetValue(), c.value, 1e-9) << c.press.x << "," << c.press.y;
        Release(c.move.x, c.move.y);
    }
}

TEST_F(KnobTest, AValueSetDuringADragWaitsForTheRelease)
{
    RCPtr<LKnob> knob = Knob(u"linear");
    Move(20, 20);
    Press(20, 20);
    Move(30, 20);
    knob->SetValue(0.5);
    EXPECT_NEAR(knob->GetValue(), 10.0 / 127.0, 1e-12);
    Release(30, 20);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.5);
}

TEST_F(KnobTest, KeysAndTheWheelStepOneUnitAndStopAtTheEnds)
{
    RCPtr<LKnob> knob = Knob(u"linear");
    ASSERT_EQ(knob->SetFocus(true), S_OK);
    RCPtr<Recorder> downs = Record(knob, u"NID_VALUE_CHANGE_KEY_DOWN");
    RCPtr<Recorder> ups = Record(knob, u"NID_VALUE_CHANGE_KEY_UP");
    RCPtr<Recorder> changes = Record(knob, u"NID_VALUE_CHANGE");
    knob->SetValue(knob->ValueToNormalized(126.0));
    const int before = changes->received;
    Key(KeyCode::Press(VirtualKey::kRight));
    Key(KeyCode::Press(VirtualKey::kRight)); // auto-repeat at the top end: no change
    EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
    EXPECT_EQ(changes->received, before + 1);
    EXPECT_EQ(downs->received, 1);
    Key(VirtualKey::kRight << 16); // released
    EXPECT_EQ(ups->received, 1);
    Key(KeyCode::Press(VirtualKey::kDown));
    EXPECT_NEAR(knob->NormalizedToValue(knob->GetValue()), 126.0, 1e-9);
    // Shift+Right is not the knob's.
    Key(KeyCode::Press(VirtualKey::kRight, KeyCode::kCommandKey));
    EXPECT_NEAR(knob->NormalizedToValue(knob->GetValue()), 126.0, 1e-9);
    // Losing the focus while a key is held releases it.
    ASSERT_EQ(Knob(u"radial")->SetFocus(true), S_OK);
    EXPECT_EQ(ups->received, 2);

    knob->SetValue(0.0);
    EXPECT_EQ(knob->OnMouseWheel(LMouseWheelParam::Create({20, 20}, 0, 0)), S_OK);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
    knob->OnMouseWheel(LMouseWheelParam::Create({20, 20}, 0, 1));
    knob->OnMouseHWheel(LMouseWheelParam::Create({20, 20}, 0, 3));
    EXPECT_NEAR(knob->NormalizedToValue(knob->GetValue()), 2.0, 1e-9);
}

TEST_F(KnobTest, AKnobWithoutFramesOrTravelIgnoresDragsSafely)
{
    RCPtr<LKnob> knob = Knob(u"bare");
    RCPtr<Recorder> changes = Record(knob, u"NID_VALUE_CHANGE");
    Drag({{320, 20}, {360, 0}});
    services.modifiers = KeyCode::kCtrlFlag;
    Drag({{320, 20}, {360, 0}});
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
    EXPECT_EQ(changes->received, 0);
    knob->SetValue(0.7);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.7);
}

} // namespace
} // namespace KX::Test
