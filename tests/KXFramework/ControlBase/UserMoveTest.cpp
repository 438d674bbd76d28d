#include "InputFixture.h"

namespace KX::Test {
namespace {

// An area the user moves things in, with a control to move and a drop target.
const std::string kTree = R"(<SubControl Class="Test.Input" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
 <Skin Name="m" LookList="solid"/>
 <SubControl Class="Test.Input" Name="area" XSizeAbs="300" YSizeAbs="200">
  <Skin Name="a" LookList="solid"/>
  <SubControl Class="Test.Input" Name="mover" XPositionAbs="50" YPositionAbs="50" XSizeAbs="40" YSizeAbs="40">
   <Skin Name="v" LookList="solid"/>
  </SubControl>
  <SubControl Class="Test.Input" Name="target" XPositionAbs="200" YPositionAbs="50" XSizeAbs="60" YSizeAbs="60">
   <Skin Name="t" LookList="solid"/>
  </SubControl>
 </SubControl>
</SubControl>)";

class UserMove : public InputFixture {
protected:
    void SetUp() override { Load(kTree); }

    // Presses on the control, arms it, and moves by one pixel so that the drag begins.
    void Grab(InputProbe& control, int x, int y, int mode, int flags)
    {
        Press(x, y);
        control.SetUserMoveMode(mode, flags);
        Move(x + 1, y);
    }

    void At(uint32_t ms) { services.milliseconds = ms; }
};

TEST_F(UserMove, MovesAlongItsAxisAndKeepsTheGrabbedPointInsideTheParent)
{
    InputProbe& mover = Get(u"mover");
    Grab(mover, 60, 60, LControl::kMoveInParent, LControl::kMoveX);
    Move(80, 90);
    EXPECT_EQ(mover.GetRect().x, 70.0);
    EXPECT_EQ(mover.GetRect().y, 50.0);
    Move(500, 60);
    EXPECT_EQ(mover.GetRect().x, 50.0 + 299.0 - 60.0);
    Move(-100, 60);
    EXPECT_EQ(mover.GetRect().x, 50.0 - 60.0);
    Release(-100, 60);
}

TEST_F(UserMove, NearTheParentsEdgeTheParentScrollsFasterTheDeeperThePointer)
{
    InputProbe& mover = Get(u"mover");
    InputProbe& area = Get(u"area");
    Grab(mover, 60, 60, LControl::kMoveScrollingParent, LControl::kMoveX);
    const struct {
        int x;
        bool scrolling;
        double rate;
    } steps[] = {
        {299, true, 450.0}, // 1 pixel inside the right edge: (29 + 1) x 15
        {290, true, 315.0}, // 10 pixels inside: (20 + 1) x 15
        {150, false, 0.0},  // the middle
        {10, true, -315.0}, // 10 pixels inside the left edge scrolls back
        {350, false, 0.0},  // held at the edge: no scrolling on that axis
    };
    for (const auto& s : steps) {
        Move(s.x, 60);
        EXPECT_EQ(area.IsAutoScrolling(0), s.scrolling) << s.x;
        if (s.scrolling) {
            EXPECT_EQ(area.GetAutoScrollRate(0), s.rate) << s.x;
        }
        EXPECT_FALSE(area.IsAutoScrolling(1));
    }
    Move(299, 60);
    Release(299, 60);
    EXPECT_FALSE(area.IsAutoScrolling(0));
    EXPECT_EQ(area.GetIdleSubscriptionCount(), 0);
}

TEST_F(UserMove, AutoScrollStepsWithTheClockAndHoldsAtTheMaximum)
{
    InputProbe& area = Get(u"area");
    At(0);
    static_cast<void>(area.StartAutoScroll(0, 1000.0, 250.0, 0.0,
                                           nullptr)); // a scroll that cannot start leaves the control where it is
    const struct {
        uint32_t ms;
        double offset;
    } ticks[] = {{100, 100.0}, {100, 100.0}, {100 + 0, 100.0}, {200, 200.0}, {300, 250.0}, {400, 250.0}};
    for (const auto& t : ticks) {
        At(t.ms);
        Idle();
        EXPECT_EQ(area.GetScrollOffset().x, t.offset) << t.ms;
    }
    EXPECT_TRUE(area.IsAutoScrolling(0));
    // A rate whose step rounds to 0 moves nothing.
    static_cast<void>(area.StartAutoScroll(0, -1.0, 250.0, 0.0,
                                           nullptr)); // a scroll that cannot start leaves the control where it is
    At(500);
    Idle();
    EXPECT_EQ(area.GetScrollOffset().x, 250.0);
    EXPECT_EQ(area.StopAutoScroll(0), S_OK);
    EXPECT_EQ(area.StopAutoScroll(0), S_FALSE);
    EXPECT_EQ(area.GetIdleSubscriptionCount(), 0);
}

TEST_F(UserMove, DragScrollFollowsThePointerOnItsAxisAndAQuickReleaseFlicks)
{
    InputProbe& area = Get(u"area");
    area.limits = {100000.0, 100000.0};
    At(0);
    Press(150, 150);
    area.SetUserMoveMode(LControl::kDragScroll, LControl::kMoveX);
    At(10);
    Move(149, 150);
    At(20);
    Move(134, 140); // 16 pixels left (and some up), 10 ms later
    EXPECT_EQ(area.GetScrollOffset().x, 16.0);
    EXPECT_EQ(area.GetScrollOffset().y, 0.0);
    EXPECT_EQ(area.GetDragVelocity().x, 1600.0);
    At(30);
    Move(119, 130); // 15 more: smoothed with the stored speed
    EXPECT_EQ(area.GetScrollOffset().x, 31.0);
    EXPECT_EQ(area.GetDragVelocity().x, 1550.0);
    At(80);
    Release(119, 130);
    ASSERT_TRUE(area.IsAutoScrolling(0));
    EXPECT_FALSE(area.IsAutoScrolling(1));
    EXPECT_EQ(area.GetAutoScrollRate(0), 1550.0);
    // Coasting for a second at the release speed, then slowing by 100 a tick of 0.1 s.
    double offset = 31.0;
    for (uint32_t ms = 180; ms <= 1080; ms += 100) {
        At(ms);
        Idle();
        offset += 155.0;
        EXPECT_EQ(area.GetScrollOffset().x, offset) << ms;
    }
    At(1180);
    Idle();
    EXPECT_EQ(area.GetAutoScrollRate(0), 1450.0);
    for (uint32_t ms = 1280; area.IsAutoScrolling(0) && ms < 4000; ms += 100) {
        At(ms);
        Idle();
    }
    EXPECT_FALSE(area.IsAutoScrolling(0));
    // A press catches a flick.
    static_cast<void>(area.StartAutoScroll(0, 2000.0, 100000.0, 0.0,
                                           nullptr)); // a scroll that cannot start leaves the control where it is
}

TEST_F(UserMove, ASlowReleaseDoesNotFlick)
{
    InputProbe& area = Get(u"area");
    At(0);
    Press(150, 150);
    area.SetUserMoveMode(LControl::kDragScroll, LControl::kMoveXY);
    At(10);
    Move(149, 150);
    At(20);
    Move(120, 150);
    At(140);
    Release(120, 150);
    EXPECT_FALSE(area.IsAutoScrolling(0));
}

TEST_F(UserMove, DraggedOntoATargetItIsEnteredOveredDroppedAndLeft)
{
    InputProbe& mover = Get(u"mover");
    InputProbe& target = Get(u"target");
    target.acceptsDrops = true;
    Grab(mover, 60, 60, LControl::kMoveWithDropTargets, LControl::kMoveXY);
    EXPECT_FALSE(mover.GetClipToParent());
    EXPECT_EQ(services.loadedCursors.back(), u"UI_CURSOR_NO_DROP");
    log.clear();
    Move(220, 70);
    log.erase(log.begin()); // the mover's own move
    EXPECT_EQ(log, (std::vector<std::string>{"target:enter", "target:over"}));
    EXPECT_EQ(services.loadedCursors.back(), u"UI_CURSOR_DROP_MOVE");
    Move(120, 150);
    EXPECT_EQ(log.back(), "target:leave");
    EXPECT_EQ(services.loadedCursors.back(), u"UI_CURSOR_NO_DROP");
    Move(220, 70);
    log.clear();
    Release(221, 70);
    EXPECT_EQ(log, (std::vector<std::string>{"mover:move11,10", "target:over", "target:drop", "target:leave"}));
    EXPECT_EQ(services.loadedCursors.back(), u"UI_CURSOR_ARROW");
    // Undocked again where it was dropped.
    EXPECT_TRUE(mover.GetClipToParent());
    EXPECT_FALSE(mover.GetLayoutDescriptor()->position[0].docked);
    EXPECT_EQ(mover.GetRect().x, 50.0 + 221.0 - 60.0);
    EXPECT_FALSE(mover.GetDropTarget());
}

TEST_F(UserMove, EdgesResizeButNeverBelowOnePixel)
{
    InputProbe& mover = Get(u"mover");
    Grab(mover, 89, 60, LControl::kResizeEdges, LControl::kRightEdge);
    Move(109, 60);
    EXPECT_EQ(mover.GetRect().width, 60.0);
    Move(0, 60);
    EXPECT_EQ(mover.GetRect().width, 1.0);
    Release(0, 60);
    Grab(mover, 50, 60, LControl::kResizeEdges, LControl::kLeftEdge); // now 1 pixel wide
    Move(40, 60);
    EXPECT_EQ(mover.GetRect().x, 40.0);
    EXPECT_EQ(mover.GetRect().width, 11.0);
    Release(40, 60);
}

} // namespace
} // namespace KX::Test
