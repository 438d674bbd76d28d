#include "ControlFixture.h"

#include "KXFramework/ControlBase/BusyCursor.h"
#include "KXFramework/ControlBase/EventParams.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Notification/KeyCode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {
namespace {

// Writes down every input call that reaches it.
class InputProbe : public ProbeControl {
public:
    using ProbeControl::ProbeControl;

    // Hit anywhere, though it has no look.
    bool IsTransparentAt(const PointT<double>&) const override { return false; }

    KXRESULT OnMouseEnter() override
    {
        log.push_back("enter");
        return S_OK;
    }
    KXRESULT OnMouseLeave() override
    {
        log.push_back("leave");
        return S_OK;
    }
    KXRESULT OnMouseMove(const RCPtr<LPointWithModifiersParam>& p) override
    {
        log.push_back("move " + Point(p->point));
        return S_OK;
    }
    KXRESULT OnMouseDown(const RCPtr<LMouseButtonParam>& p) override
    {
        log.push_back("down " + std::to_string(p->button) + " " + Point(p->point) +
                      (p->isDoubleClick ? " double" : ""));
        return S_OK;
    }
    KXRESULT OnMouseUp(const RCPtr<LMouseButtonParam>& p) override
    {
        log.push_back("up " + std::to_string(p->button) + " " + Point(p->point) + (p->isDoubleClick ? " double" : ""));
        return S_OK;
    }
    KXRESULT OnMouseWheel(const RCPtr<LMouseWheelParam>& p) override
    {
        log.push_back("wheel " + std::to_string(p->direction));
        return handlesWheel ? S_OK : 1;
    }
    KXRESULT OnMouseHWheel(const RCPtr<LMouseWheelParam>& p) override
    {
        log.push_back("hwheel " + std::to_string(p->direction));
        return handlesWheel ? S_OK : 1;
    }
    void OnKeyInput(const RCPtr<LKeyParam>& k) override { log.push_back("key " + std::to_string(k->key.key)); }
    KXRESULT OnCaptureLost() override
    {
        log.push_back("capture lost");
        return S_OK;
    }

    static std::string Point(const PointT<int32_t>& p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

    std::vector<std::string> log;
    bool handlesWheel = true;
};

class RootWindowTest : public ControlFixture {
protected:
    void SetUp() override
    {
        root = LRootWindow::Create(renderer, &window);
        content = RCPtr<InputProbe>(new InputProbe(nullptr, u"content", &live));
        content->ApplyDescriptor(DescriptorFor(u"content", AbsoluteLayout(0, 0, 400, 300)));
        content->Initialize();
        content->SetCreated();
        static_cast<void>(root->SetContent(content)); // a new content always takes the window
        other = RCPtr<InputProbe>(new InputProbe(content, u"other", &live));
        other->ApplyDescriptor(DescriptorFor(u"other", AbsoluteLayout(50, 40, 10, 10)));
        other->Initialize();
        other->SetCreated();
    }
    void TearDown() override
    {
        content = nullptr;
        other = nullptr;
        ControlFixture::TearDown();
    }

    RCPtr<InputProbe> content;
    RCPtr<InputProbe> other;
};

TEST_F(RootWindowTest, PressesGoToTheHitControlAndReleasesOnlyToTheCapture)
{
    root->SetPointerState({.position = {5, 6}});
    root->DispatchMouseButton(LRootWindow::kPress, kLeftButton, 0, {5, 6}, 0);
    root->DispatchMouseButton(LRootWindow::kRelease, kLeftButton, 0, {5, 6}, 0);
    EXPECT_EQ(content->log, (std::vector<std::string>{"enter", "down 1 5,6"}));

    // With the other control holding capture, points are made local to it and a double click's
    // release carries the flag.
    content->log.clear();
    static_cast<void>(root->SetCaptureControl(other)); // a control is given, so the capture cannot be refused
    root->DispatchMouseMove({5, 6}, 0, 0);
    root->DispatchMouseButton(LRootWindow::kDoubleClick, kLeftButton, 0, {5, 6}, 0);
    root->DispatchMouseButton(LRootWindow::kRelease, kLeftButton, 0, {5, 6}, 0);
    root->DispatchMouseButton(LRootWindow::kPress, 8, 0, {5, 6}, 0);
    EXPECT_EQ(other->log, (std::vector<std::string>{"move -45,-34", "down 1 -45,-34 double", "up 1 -45,-34 double"}));
    // Hover never moves to a control other than the capture control.
    EXPECT_EQ(content->log, (std::vector<std::string>{"leave"}));
    EXPECT_FALSE(root->GetHoverControl());
}

TEST_F(RootWindowTest, InputIsDroppedWhileTheWindowIsInactive)
{
    window.active = false;
    root->DispatchMouseButton(LRootWindow::kPress, kLeftButton, 0, {5, 6}, 0);
    root->DispatchMouseMove({7, 8}, 0, 0);
    root->DispatchMouseWheel({7, 8}, 0, 1);
    EXPECT_TRUE(content->log.empty());
}

TEST_F(RootWindowTest, AMoveFirstDispatchesWhenTheButtonPointDiffers)
{
    root->SetPointerState({.position = {0, 0}});
    root->DispatchMouseButton(LRootWindow::kPress, kRightButton, KeyCode::kShiftFlag, {9, 9}, 0);
    EXPECT_EQ(content->log, (std::vector<std::string>{"enter", "move 9,9", "down 4 9,9"}));
}

// The one place the pointer is kept: each record leaves it as the desktop has it, whether or not
// the window is active, and a lost focus lets go of the buttons.
TEST_F(RootWindowTest, ThePointerStateFollowsEveryRecord)
{
    // Button records carry their action; the others are numbered after the actions.
    enum Kind { kPress = LRootWindow::kPress, kRelease = LRootWindow::kRelease, kMove = 10, kWheel, kFocusLost };
    const uint32_t ctrl = KeyCode::kCtrlFlag, shift = KeyCode::kShiftFlag;
    struct Step {
        const char* what;
        bool active;
        int kind, button;
        PointT<int32_t> at;
        uint32_t modifiers, buttonsAfter;
    };
    const Step steps[] = {
        {"move", true, kMove, 0, {7, 8}, ctrl, 0},
        {"left press elsewhere", true, kPress, kLeftButton, {9, 9}, shift, kLeftButton},
        {"right double click", true, LRootWindow::kDoubleClick, kRightButton, {9, 9}, 0, kLeftButton | kRightButton},
        {"left release elsewhere", true, kRelease, kLeftButton, {10, 10}, 0, kRightButton},
        {"wheel", true, kWheel, 0, {11, 12}, ctrl, kRightButton},
        {"move while inactive", false, kMove, 0, {20, 21}, shift, kRightButton},
        {"right release while inactive", false, kRelease, kRightButton, {22, 23}, 0, 0},
        {"middle press", true, kPress, kMiddleButton, {22, 23}, 0, kMiddleButton},
        {"focus lost", true, kFocusLost, 0, {22, 23}, 0, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        window.active = step.active;
        if (step.kind == kMove)
            root->DispatchMouseMove(step.at, step.modifiers, 0);
        else if (step.kind == kWheel)
            root->DispatchMouseWheel(step.at, step.modifiers, 1);
        else if (step.kind == kFocusLost)
            root->OnWindowFocusLost();
        else
            root->DispatchMouseButton(step.kind, step.button, step.modifiers, step.at, 0);
        EXPECT_EQ(root->GetCursorPos(), step.at);
        EXPECT_EQ(root->GetMouseButtons(), step.buttonsAfter);
        EXPECT_EQ(root->GetModifierKeys(), step.modifiers);
    }
}

TEST_F(RootWindowTest, AnUnhandledWheelGoesOnToTheFocusControl)
{
    content->handlesWheel = false;
    root->SetFocusControl(other);
    root->DispatchMouseWheel({1, 1}, 0, 1);
    root->DispatchMouseWheel({1, 1}, 0, 3);
    EXPECT_EQ(content->log, (std::vector<std::string>{"enter", "wheel 1", "hwheel 3"}));
    EXPECT_EQ(other->log, (std::vector<std::string>{"wheel 1", "hwheel 3"}));

    // Keys go to the focus control only.
    root->DispatchKey(RCPtr<LKeyParam>(new LKeyParam({KeyCode::Press('A'), 0, 0})));
    EXPECT_EQ(other->log.back(), "key 541130752");
    root->SetFocusControl(nullptr);
    root->DispatchKey(RCPtr<LKeyParam>(new LKeyParam({KeyCode::Press('A'), 0, 0})));
    EXPECT_EQ(other->log.size(), 3u);
}

TEST_F(RootWindowTest, ARemovedHoverControlIsDroppedWithoutALeave)
{
    root->SetHoverControl(other);
    other->log.clear();
    static_cast<void>(other->SetParent(nullptr)); // leaving the tree cannot be refused
    root->SetHoverControl(content);
    EXPECT_TRUE(other->log.empty()) << other->log.front();
    EXPECT_EQ(root->GetHoverControl(), RCPtr<LControl>(content));
}

TEST_F(RootWindowTest, AControlDestroyedWithCaptureAndFocusLeavesTheWindowUsable)
{
    static_cast<void>(root->SetCaptureControl(other)); // a control is given, so the capture cannot be refused
    root->SetFocusControl(other);
    root->SetHoverControl(other);
    RCPtr<InputProbe> gone = other;
    other = nullptr;
    gone->Destroy();
    gone = nullptr;
    root->DispatchMouseButton(LRootWindow::kRelease, kLeftButton, 0, {55, 45}, 0);
    root->DispatchKey(RCPtr<LKeyParam>(new LKeyParam({KeyCode::Press('A'), 0, 0})));
    content->log.clear();
    root->SetPointerState({.position = {55, 45}});
    root->DispatchMouseButton(LRootWindow::kPress, kLeftButton, 0, {55, 45}, 0);
    EXPECT_FALSE(root->GetCaptureControl());
    EXPECT_FALSE(root->GetFocusControl());
    EXPECT_EQ(content->log, (std::vector<std::string>{"down 1 55,45"}));
}

TEST_F(RootWindowTest, ACloseRequestEndsTheModalLoopAtTheNextEventPass)
{
    EXPECT_EQ(root->RequestClose(7), S_OK);
    EXPECT_TRUE(window.endModalResults.empty());
    root->ProcessEvents(false);
    root->ProcessEvents(false);
    EXPECT_EQ(window.endModalResults, (std::vector<int32_t>{7}));

    root->OnCloseRequest();
    root->ProcessEvents(false);
    EXPECT_EQ(window.endModalResults, (std::vector<int32_t>{7, 0}));

    RCPtr<LRootWindow> alone = LRootWindow::Create(renderer, nullptr);
    EXPECT_EQ(alone->RequestClose(1), E_FAIL);
    alone->BreakCycles();
}

TEST_F(RootWindowTest, InvalidationIsClippedToTheClientAreaAndAFullRedrawCoversIt)
{
    LRectList region;
    root->TakeInvalidRegion(region);
    window.invalidated.clear();

    root->InvalidateRect({500, 10, 20, 20});
    root->InvalidateRect({-10, -10, 10, 50});
    EXPECT_TRUE(window.invalidated.empty());
    root->InvalidateRect({390, 290, 50, 50});
    EXPECT_EQ(window.invalidated, (std::vector<RectT<int32_t>>{{390, 290, 10, 10}}));

    root->RequestFullRedraw();
    root->TakeInvalidRegion(region);
    RectEdges bounds;
    ASSERT_TRUE(region.GetBounds(bounds));
    EXPECT_EQ(region.Count(), 1u);
    EXPECT_EQ(bounds, (RectEdges{0, 0, 400, 300}));
}

TEST_F(RootWindowTest, TheClientSizeKeepsTheContentsMinimumAndOnePixel)
{
    content->GetLayoutDescriptor()->minSize[0].absolute = 120.0;
    content->GetLayoutDescriptor()->minSize[1].absolute = 80.0;
    struct Case {
        int32_t width, height, wantWidth, wantHeight;
        bool changed;
    };
    for (const Case& c : {Case{500, 400, 500, 400, false}, Case{100, 400, 120, 400, true}, Case{0, 0, 120, 80, true}}) {
        int32_t w = c.width;
        int32_t h = c.height;
        EXPECT_EQ(root->ConstrainClientSize(w, h), c.changed);
        EXPECT_EQ(w, c.wantWidth);
        EXPECT_EQ(h, c.wantHeight);
    }
    static_cast<void>(root->SetContent(nullptr)); // removing the content cannot be refused
    content = nullptr;
    other = nullptr;
    int32_t w = -5;
    int32_t h = 0;
    EXPECT_TRUE(root->ConstrainClientSize(w, h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
}

TEST_F(RootWindowTest, TabOutOfTheContentGoesToTheNextWindow)
{
    FakeWindow secondWindow;
    secondWindow.active = false;
    RCPtr<LRootWindow> second = LRootWindow::Create(renderer, &secondWindow);
    services.AddRootWindow(root);
    services.AddRootWindow(second);
    root->MoveFocusOutOfWindow(RCPtr<LKeyParam>(new LKeyParam({KeyCode::Press(VirtualKey::kTab), 0, 0})));
    EXPECT_EQ(secondWindow.focusRequests, 1);

    // A modal dialog keeps the focus among its own stops, whatever other windows are open.
    window.modal = true;
    root->MoveFocusOutOfWindow(RCPtr<LKeyParam>(new LKeyParam({KeyCode::Press(VirtualKey::kTab), 0, 0})));
    EXPECT_EQ(secondWindow.focusRequests, 1);
    EXPECT_EQ(root->GetFocusControl(), RCPtr<LControl>(other));
    window.modal = false;
    content->OnFocusLost();

    // Alone, the window keeps the focus: it wraps to its content's first stop.
    services.RemoveRootWindow(second);
    second->BreakCycles();
    root->MoveFocusOutOfWindow(RCPtr<LKeyParam>(new LKeyParam({KeyCode::Press(VirtualKey::kTab), 0, 0})));
    EXPECT_EQ(root->GetFocusControl(), RCPtr<LControl>(other));
    services.RemoveRootWindow(root);
}

TEST_F(RootWindowTest, ABusyCursorShowsTheWaitCursorForItsScope)
{
    services.applicationRoot = root;
    window.cursor = 0x1234;
    {
        LBusyCursor busy(u"Loading");
        EXPECT_EQ(window.cursor, FakeFrameworkServices::kArrowCursor);
        EXPECT_EQ(services.loadedCursors.back(), u"UI_CURSOR_WAIT");
        EXPECT_EQ(services.idlePasses, 1);
    }
    EXPECT_EQ(window.cursor, 0x1234u);
    EXPECT_EQ(services.statusTexts, (std::vector<std::u16string>{u"Loading", u"<reset>"}));
    services.applicationRoot = nullptr;
}

} // namespace
} // namespace KX::Test
