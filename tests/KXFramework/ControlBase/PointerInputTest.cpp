#include "InputFixture.h"

namespace KX::Test {
namespace {

std::string C(const char* cls, const char* name, int x, int y, int w, int h, const char* look = "solid",
              const std::string& extra = "", const std::string& children = "")
{
    std::string s = std::string("<SubControl Class=\"") + cls + "\" Name=\"" + name + "\" XPositionAbs=\"" +
                    std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
                    std::to_string(w) + "\" YSizeAbs=\"" + std::to_string(h) + "\" " + extra + ">";
    if (look)
        s += std::string("<Skin Name=\"") + name + "\" LookList=\"" + look + "\"/>";
    return s + children + "</SubControl>";
}

std::string P(const char* name, int x, int y, int w, int h, const std::string& extra = "",
              const std::string& children = "", const char* look = "solid")
{
    return C("Test.Input", name, x, y, w, h, look, extra, children);
}

const std::string kTree =
    P("mainControl", 0, 0, 400, 300, "",
      P("panelA", 10, 10, 180, 120, "",
        P("button", 10, 10, 50, 20) + P("ghost", 70, 10, 30, 20, "", "", "clear") +
            P("list", 100, 100, 100, 60, "ClipToParent=\"False\" Z_Order=\"1\"") +
            P("under", 10, 40, 50, 20, "", P("tag", -8, 0, 5, 5, "ClipToParent=\"False\"")) +
            P("over", 30, 40, 50, 20) +
            P("zero", 10, 70, 0, 20, "", P("lost", 0, 0, 30, 20, "ClipToParent=\"False\" Z_Order=\"5\""))) +
          P("panelB", 200, 10, 180, 200, "", P("plainP", 0, 90, 100, 40))) +
    C("Test.Popup", "contextMenu", 0, 0, 50, 50);

class PointerInput : public InputFixture {
protected:
    void SetUp() override { Load(kTree); }
};

TEST_F(PointerInput, HitTestingFollowsWhatTheUserSees)
{
    const struct {
        int x, y;
        const char* expected;
    } cases[] = {
        {25, 25, "button"}, // a plain child inside its parent's client area
        {90, 25, "panelA"}, // a transparent control gives way to its parent
        {50, 60, "over"},   // the later of two overlapping siblings, though the earlier holds a floating child
        {13, 51, "tag"},    // that floating child, outside its parent
        {205, 120, "list"}, // a floating list over a plain control of a panel above its own
        {150, 150, "list"}, // a floating list outside its parent
        {30, 85, "panelA"}, // a control of width 0 and its floating child are never found
        {250, 120, "plainP"}, {395, 295, "mainControl"}, {400, 10, ""}, // outside the window's content
    };
    for (const auto& c : cases)
        EXPECT_EQ(HitName(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST_F(PointerInput, AControlOpaqueEverywhereEndsAtItsEdges)
{
    // The button covers 20..69 x 20..39 of the window; its look would hide a fault at its edges.
    Get(u"button").opaque = true;
    const struct {
        int x, y;
        const char* expected;
    } cases[] = {
        {20, 20, "button"}, {69, 39, "button"}, {70, 25, "panelA"},
        {25, 40, "panelA"}, {19, 25, "panelA"}, {25, 19, "panelA"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HitName(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST_F(PointerInput, TheUpperOfTwoOverlappingSiblingsTakesTheClick)
{
    Press(50, 60);
    Release(50, 60);
    EXPECT_EQ(log.back(), "over:click");
}

TEST_F(PointerInput, AnInterceptingControlAnswersForItsChildAndRemembersIt)
{
    InputProbe& panel = Get(u"panelA");
    panel.SetInterceptsChildren(true);
    EXPECT_EQ(HitName(25, 25), "panelA");
    ASSERT_TRUE(panel.GetLastChildHit());
    EXPECT_EQ(panel.GetLastChildHit()->GetName(), String(u"button"));
}

TEST_F(PointerInput, AnInterceptingControlHandsAHeldPressToItsChildAfter100Ms)
{
    InputProbe& panel = Get(u"panelA");
    panel.SetInterceptsChildren(true);
    services.milliseconds = 1000;
    Press(25, 25, kLeftButton, true);
    EXPECT_TRUE(panel.HasCapture());
    services.milliseconds = 1100;
    Idle();
    EXPECT_TRUE(panel.HasCapture()); // not more than 100 ms yet
    services.milliseconds = 1101;
    Idle();
    EXPECT_FALSE(panel.HasCapture());
    InputProbe& button = Get(u"button");
    EXPECT_TRUE(button.HasCapture());
    EXPECT_EQ(root->GetHoverControl().Get(), &button);
    EXPECT_EQ(log.back(), "button:down");
    EXPECT_EQ(panel.GetIdleSubscriptionCount(), 0);
    Release(25, 25);
    EXPECT_EQ(log.back(), "button:click");
}

TEST_F(PointerInput, PressAndReleaseInPlaceFocusesAndClicks)
{
    InputProbe& button = Get(u"button");
    button.SetNotFocusable(false);
    std::vector<std::string> notes;
    RCPtr<Recorder> recorder(new Recorder("n", &notes));
    for (const char16_t* name : {u"NID_MOUSE_DOWN", u"NID_MOUSE_UP", u"NID_LEFT_CLICK"}) {
        recorder->RegisterForNotification(RCPtr<LNotificationDistributor>(&button), name, 0);
    }
    recorder->react = [&](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
        notes.back() = n->GetName().ToNarrow().GetData();
    };
    Press(25, 25);
    EXPECT_TRUE(button.HasFocus());
    EXPECT_TRUE(button.HasCapture());
    Release(25, 25);
    EXPECT_FALSE(button.HasCapture());
    EXPECT_FALSE(root->GetCaptureControl());
    EXPECT_EQ(notes, (std::vector<std::string>{"NID_MOUSE_DOWN", "NID_MOUSE_UP", "NID_LEFT_CLICK"}));
    recorder->UnregisterForAllNotifications();
}

TEST_F(PointerInput, ADragStartsAtOnePixelAndIsSeenFromThePressPoint)
{
    InputProbe& button = Get(u"button");
    Press(25, 25);
    log.clear();
    Move(26, 25);
    EXPECT_EQ(log, (std::vector<std::string>{"button:move5,5", "button:move6,5"}));
    EXPECT_EQ(button.GetConditions()->currentMask & (Condition::kLeftPending | Condition::kLeftDragging),
              Condition::kLeftDragging);
    Release(26, 25);
    EXPECT_EQ(log.back(), "button:click");
}

TEST_F(PointerInput, AReleaseOutsideIsNoClickAndHoverMovesOn)
{
    Press(25, 25);
    Release(150, 250);
    EXPECT_EQ(std::count(log.begin(), log.end(), "button:click"), 0);
    // The capture ended outside: the hover went to the control under the pointer.
    ASSERT_TRUE(root->GetHoverControl());
    EXPECT_EQ(root->GetHoverControl()->GetName(), String(u"mainControl"));
}

TEST_F(PointerInput, ASecondButtonKeepsCaptureUntilTheLastIsReleased)
{
    InputProbe& button = Get(u"button");
    Press(25, 25, kLeftButton);
    Press(25, 25, kRightButton);
    EXPECT_EQ(log.back(), "button:rdown");
    EXPECT_EQ(button.GetConditions()->currentMask & Condition::kRightPending, 0u);
    Release(25, 25, kLeftButton);
    EXPECT_TRUE(button.HasCapture());
    Release(25, 25, kRightButton);
    EXPECT_FALSE(button.HasCapture());
    EXPECT_EQ(button.GetConditions()->currentMask & 0x3F8u, 0u);
}

TEST_F(PointerInput, BadButtonsAndThresholdsAreRefusedWithoutChange)
{
    InputProbe& button = Get(u"button");
    EXPECT_EQ(
        button.OnMouseDown(LMouseButtonParam::Create(kLeftButton | kMiddleButton, {1, 1}, 0, false, kLeftButton, 0)),
        E_INVALIDARG);
    EXPECT_EQ(button.OnMouseDown(nullptr), E_INVALIDARG);
    EXPECT_EQ(button.OnMouseUp(nullptr), E_INVALIDARG);
    EXPECT_FALSE(button.HasCapture());
    EXPECT_EQ(button.SetDragThreshold(-1), E_INVALIDARG);
    EXPECT_EQ(button.SetDragThreshold(0), S_OK);
    Press(25, 25);
    EXPECT_TRUE(button.GetConditions()->currentMask & Condition::kLeftDragging);
    Release(25, 25);
}

TEST_F(PointerInput, DisabledControlsIgnorePressesAndLoseTheirClick)
{
    InputProbe& button = Get(u"button");
    Get(u"panelA").SetEnabled(false);
    Press(25, 25);
    EXPECT_FALSE(button.HasCapture());
    Get(u"panelA").SetEnabled(true);
    Press(25, 25);
    button.SetEnabled(false);
    Release(25, 25);
    EXPECT_FALSE(button.HasCapture());
    EXPECT_EQ(std::count(log.begin(), log.end(), "button:click"), 0);
}

TEST_F(PointerInput, AControlRemovedWhileHoldingCaptureAndFocusLeavesNothingBehind)
{
    InputProbe& button = Get(u"button");
    button.SetNotFocusable(false);
    Press(25, 25);
    ASSERT_TRUE(button.HasFocus());
    RCPtr<LControl> held(&button);
    static_cast<void>(Get(u"panelA").RemoveChild(held)); // the child is known to be ours
    Idle();
    EXPECT_FALSE(root->GetCaptureControl());
    EXPECT_NE(root->GetFocusControl(), held);
    EXPECT_NE(root->GetHoverControl(), held);
    held = nullptr;
    Release(25, 25);
    Move(30, 30);
    EXPECT_EQ(HitName(25, 25), "panelA");
}

TEST_F(PointerInput, TheWheelClimbsToAHandlerAndPassesFloatingControlsByHitTest)
{
    Get(u"panelA").takesWheel = true;
    RCPtr<LMouseWheelParam> down = LMouseWheelParam::Create({25, 25}, 0, 0);
    EXPECT_EQ(Get(u"button").OnMouseWheel(down), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"panelA:wheel0"}));
    // From the floating list, the wheel goes to what lies under it, not to the list's parent.
    log.clear();
    Get(u"panelB").takesWheel = true;
    RCPtr<LMouseWheelParam> overP = LMouseWheelParam::Create({205, 120}, 0, 1);
    EXPECT_EQ(Get(u"list").OnMouseWheel(overP), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"panelB:wheel1"}));
    EXPECT_FALSE(Get(u"list").IsExcluded());
    // Nobody takes it: 1.
    Get(u"panelA").takesWheel = Get(u"panelB").takesWheel = false;
    EXPECT_EQ(Get(u"button").OnMouseHWheel(LMouseWheelParam::Create({25, 25}, 0, 3)), S_FALSE);
    EXPECT_EQ(Get(u"button").OnMouseWheel(nullptr), -1);
}

TEST_F(PointerInput, ARightClickSendsItsNotificationAndOpensTheContextMenu)
{
    InputProbe& button = Get(u"button");
    Press(25, 25, kRightButton);
    Release(25, 25, kRightButton);
    EXPECT_EQ(log.back(), "button:rclick");
    EXPECT_FALSE(button.FindChild(u"contextMenu"));

    RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
    static_cast<void>(menu->InsertItem(0, u"Copy", u"NID_EDIT_COPY_REQ", true, false)); // an index past the end appends
    button.SetContextMenu(menu);
    Press(25, 25, kRightButton);
    Release(25, 25, kRightButton);
    EXPECT_EQ(log.back(), "contextMenu:open");
    auto* popup = dynamic_cast<PopupProbe*>(button.FindChild(u"contextMenu").Get());
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->menu, menu);
}

TEST_F(PointerInput, ASecondRightClickInOnePassOpensANewContextMenu)
{
    InputProbe& button = Get(u"button");
    RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
    static_cast<void>(menu->InsertItem(0, u"Copy", u"NID_EDIT_COPY_REQ", true, false)); // an index past the end appends
    button.SetContextMenu(menu);
    Press(25, 25, kRightButton);
    Release(25, 25, kRightButton);
    RCPtr<LControl> first = button.FindChild(u"contextMenu");
    ASSERT_TRUE(first);
    // The menu closes as a popup does, taking itself out of its parent; no idle pass runs.
    static_cast<void>(button.RemoveChild(first));
    Press(25, 25, kRightButton);
    Release(25, 25, kRightButton);
    RCPtr<LControl> second = button.FindChild(u"contextMenu");
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->GetParent().Get(), &button);
    EXPECT_FALSE(first->GetParent());
}

TEST_F(PointerInput, MenusComeFromTheStringTableInOrdinalOrder)
{
    RCPtr<LStringTable> table(new LStringTable({{u"CONTEXT_MENU1.00.NID_B", u"B"},
                                                {u"CONTEXT_MENU0.00.NID_A", u"A"},
                                                {u"CONTEXT_MENU10.00.NID_C", u"C"},
                                                {u"OTHER", u"x"}}));
    class Tabled : public LControl {
    public:
        Tabled(const RCPtr<LStringTable>& t) : LControl(nullptr, u"t"), strings(t) {}
        const RCPtr<LStringTable>& GetStringTable() const override { return strings; }
        RCPtr<LStringTable> strings;
    };
    RCPtr<Tabled> control(new Tabled(table));
    RCPtrArray<LMenuDescriptor, 1, 0> menus;
    control->GetMenusFromStringTable(menus);
    ASSERT_EQ(menus.GetCount(), 3u);
    const char16_t* labels[] = {u"A", u"B", u"C"};
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(menus.GetAt(i)->GetItems().GetAt(0)->label, String(labels[i]));
}

} // namespace
} // namespace KX::Test
