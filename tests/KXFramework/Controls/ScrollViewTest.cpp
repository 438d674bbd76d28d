#include "KXFramework/Controls/ScrollView.h"

#include "InputFixture.h"

#include <cmath>

namespace KX::Test {
namespace {

// A scroll bar that records what the view gives it.
class BarProbe : public InputProbe, public IScrollBarLink {
public:
    using InputProbe::InputProbe;
    void SetSmallStep(double step) override { smallStep = step; }
    void SetLargeStep(double step) override { largeStep = step; }
    void SetThumbProportion(double proportion) override { thumb = proportion; }
    void RelayoutThumb() override { ++relayouts; }
    double smallStep = 0.0;
    double largeStep = 0.0;
    double thumb = 0.0;
    int relayouts = 0;
};

RCPtr<LControl>& CreateBar(RCPtr<LControl>& out, const RCPtr<LControl>& parent, const RCPtr<LControlDescriptor>& d)
{
    return CreateControlOf<BarProbe>(out, parent, d);
}

RCPtr<LControl>& CreateView(RCPtr<LControl>& out, const RCPtr<LControl>& parent, const RCPtr<LControlDescriptor>& d)
{
    return CreateControlOf<LScrollView>(out, parent, d);
}

// A 200 x 100 view at (50, 50) whose children reach to (400, 300), with bars 15 pixels thick
// docked at its right and bottom edges.
const std::string kTree = R"(<SubControl Class="Test.Input" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
 <Skin Name="m" LookList="solid"/>
 <SubControl Class="Test.View" Name="view" XPositionAbs="50" YPositionAbs="50" XSizeAbs="200" YSizeAbs="100">
  <Skin Name="v" LookList="solid"/>
  <CreateParamList>
   <CreateParam ID="AUTO_CLIENT_EXTENT_X">true</CreateParam>
   <CreateParam ID="AUTO_CLIENT_EXTENT_Y"> TRUE </CreateParam>
  </CreateParamList>
  <SubControl Class="Test.Bar" Name="vBar" XIsDocked="True" YIsDocked="True" XPositionAbs="185" XSizeAbs="15" YSizeAbs="85">
   <Skin Name="b" LookList="solid"/>
  </SubControl>
  <SubControl Class="Test.Bar" Name="hBar" XIsDocked="True" YIsDocked="True" YPositionAbs="85" XSizeAbs="185" YSizeAbs="15">
   <Skin Name="h" LookList="solid"/>
  </SubControl>
  <SubControl Class="Test.Input" Name="item" XSizeAbs="50" YSizeAbs="50"><Skin Name="i" LookList="solid"/></SubControl>
  <SubControl Class="Test.Input" Name="far" XPositionAbs="350" YPositionAbs="250" XSizeAbs="50" YSizeAbs="50">
   <Skin Name="f" LookList="solid"/>
  </SubControl>
 </SubControl>
</SubControl>)";

class ScrollView : public InputFixture {
protected:
    void SetUp() override
    {
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.View", &CreateView)); // a name registered twice keeps its function
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.Bar", &CreateBar)); // a name registered twice keeps its function
        Load(kTree);
        view = &Get<LScrollView>(u"view");
        ASSERT_TRUE(view);
        hBar = &Get<BarProbe>(u"hBar");
        vBar = &Get<BarProbe>(u"vBar");
    }

    RCPtr<LMouseWheelParam> Wheel(int direction, uint32_t modifiers = 0)
    {
        return LMouseWheelParam::Create({100, 100}, modifiers, direction);
    }

    LScrollView* view = nullptr;
    BarProbe* hBar = nullptr;
    BarProbe* vBar = nullptr;
};

TEST_F(ScrollView, TheExtentFollowsTheChildrenAndSizesTheBars)
{
    EXPECT_EQ(view->GetClientExtent(), (PointT<double>{400.0, 300.0}));
    EXPECT_EQ(view->GetClientExtentRect(), (RectT<double>{0.0, 0.0, 185.0, 85.0}));
    EXPECT_FLOAT_EQ(float(hBar->thumb), 185.0f / 400.0f);
    EXPECT_FLOAT_EQ(float(hBar->largeStep), 185.0f / 215.0f);
    EXPECT_FLOAT_EQ(float(hBar->smallStep), 185.0f / 215.0f / 10.0f);
    EXPECT_FLOAT_EQ(float(vBar->thumb), 85.0f / 300.0f);
    PointT<double> minimum, maximum;
    view->GetSizeLimits(minimum, maximum);
    EXPECT_EQ(maximum, (PointT<double>{215.0, 215.0}));
}

TEST_F(ScrollView, ABarMovesTheOffsetAndTheContentShiftsByExactlyIt)
{
    hBar->SetValue(0.5);
    EXPECT_EQ(view->GetScrollOffset(), (PointT<double>{108.0, 0.0})); // 107.5 rounded away from zero
    vBar->SetValue(1.0);
    EXPECT_EQ(view->GetScrollOffset(), (PointT<double>{108.0, 215.0}));
    EXPECT_EQ(Get(u"item").GetPositionInRoot(), (PointT<double>{50.0 - 108.0, 50.0 - 215.0}));
    EXPECT_EQ(Get(u"far").GetPositionInRoot(), (PointT<double>{50.0 + 350.0 - 108.0, 50.0 + 250.0 - 215.0}));
    // The docked bars stay where they are, and hit testing follows the content.
    EXPECT_EQ(vBar->GetPositionInRoot(), (PointT<double>{235.0, 50.0}));
    EXPECT_EQ(HitName(240, 60), "vBar");
    hBar->SetValue(1.0);
    EXPECT_EQ(HitName(50 + 350 - 215, 50 + 250 - 215), "far");
    EXPECT_EQ(HitName(50 + 350 - 215 - 1, 50 + 250 - 215), "view");
}

TEST_F(ScrollView, ThePaintWalkDrawsTheContentShiftedByExactlyTheOffset)
{
    // The 50 x 50 children are the only looks of that size: their fills show where they land.
    auto childOrigins = [this] {
        RCPtr<LRenderContextInfo> context;
        renderer->InitRenderContextInfo({0, 0, 400, 300}, nullptr, false, context);
        root->InvalidateRect({0, 0, 400, 300});
        LRectList dirty;
        root->TakeInvalidRegion(dirty);
        renderer->calls.clear();
        renderer->RenderStart(context);
        root->Paint(dirty);
        renderer->RenderFinish(context);
        std::vector<PointT<double>> origins;
        for (const RecordedCall& call : renderer->calls) {
            if (call.name == "FillRect" && call.rect.width == 50.0 && call.rect.height == 50.0)
                origins.push_back({call.origin.x + call.rect.x, call.origin.y + call.rect.y});
        }
        return origins;
    };
    const std::vector<PointT<double>> before = childOrigins();
    view->SetScrollOffset({37.0, 21.0});
    const std::vector<PointT<double>> after = childOrigins();
    ASSERT_EQ(before.size(), after.size());
    ASSERT_FALSE(before.empty());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i], (PointT<double>{before[i].x - 37.0, before[i].y - 21.0}));
}

TEST_F(ScrollView, AfterAScrollTheHoverFollowsTheContentOnlyInAnActiveWindow)
{
    const PointT<int32_t> overFar{50 + 350 - 215, 50 + 250 - 215};
    Move(overFar.x, overFar.y);
    EXPECT_EQ(root->GetHoverControl().Get(), view);
    window.active = false;
    hBar->SetValue(1.0);
    vBar->SetValue(1.0);
    EXPECT_EQ(root->GetHoverControl().Get(), view);
    window.active = true;
    view->SetScrollOffset({0.0, 0.0});
    view->SetScrollOffset({215.0, 215.0});
    EXPECT_EQ(root->GetHoverControl().Get(), &Get(u"far"));
}

TEST_F(ScrollView, AnOffsetSetInCodeMovesTheBarsWithoutAnEcho)
{
    int changes = 0;
    RCPtr<Recorder> recorder(new Recorder("offset"));
    recorder->react = [&](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) { ++changes; };
    recorder->RegisterForNotification(RCPtr<LNotificationDistributor>(view), u"NID_SCROLL_OFFSET_CHANGE", 0);
    view->SetScrollOffset({43.0, 86.0});
    EXPECT_EQ(changes, 1);
    EXPECT_DOUBLE_EQ(hBar->GetValue(), 43.0 / 215.0);
    EXPECT_DOUBLE_EQ(vBar->GetValue(), 86.0 / 215.0);
    EXPECT_EQ(view->GetScrollOffset(), (PointT<double>{43.0, 86.0}));
    // The binding is back: the user moving a bar still scrolls.
    hBar->SetValue(0.0);
    EXPECT_EQ(view->GetScrollOffset().x, 0.0);
    recorder->UnregisterForAllNotifications();
}

TEST_F(ScrollView, TheWheelStepsTheBarsInTheirDirections)
{
    const double smallV = vBar->smallStep;
    const double smallH = hBar->smallStep;
    const struct {
        bool horizontalWheel;
        int direction;
        uint32_t modifiers;
        double h, v;
    } cases[] = {
        {false, 0, 0, 0.0, smallV},                            // down
        {false, 1, 0, 0.0, 0.0},                               // up
        {false, 0, KeyCode::kShiftFlag, 0.0, vBar->largeStep}, // a page
        {false, 0, KeyCode::kAltFlag, smallH, 0.0},            // Alt turns it to the horizontal bar
        {true, 3, 0, smallH, 0.0},                             // tilted right
        {true, 2, 0, 0.0, 0.0},                                // tilted left
    };
    for (const auto& c : cases) {
        hBar->SetValue(0.0);
        vBar->SetValue(0.0);
        RCPtr<LMouseWheelParam> wheel = Wheel(c.direction, c.modifiers);
        EXPECT_EQ(c.horizontalWheel ? Get(u"item").OnMouseHWheel(wheel) : Get(u"item").OnMouseWheel(wheel), S_OK);
        // The bars follow the offset, which is rounded to whole pixels.
        const PointT<double> expected{LControl::Round(215.0 * c.h), LControl::Round(215.0 * c.v)};
        EXPECT_EQ(view->GetScrollOffset(), expected) << c.direction << " " << c.modifiers;
        EXPECT_DOUBLE_EQ(hBar->GetValue(), expected.x / 215.0);
        EXPECT_DOUBLE_EQ(vBar->GetValue(), expected.y / 215.0);
    }
}

TEST_F(ScrollView, WithNothingToScrollTheBarsHideAndTheWheelPassesOn)
{
    Get(u"mainControl").takesWheel = true;
    InputProbe& far = Get(u"far");
    for (int axis = 0; axis < 2; ++axis)
        static_cast<void>(far.EditPlacement(axis, [](PositionSpec& position, SizeSpec&) { position.absolute = 0.0; }));
    EXPECT_EQ(view->GetClientExtent(), (PointT<double>{50.0, 50.0}));
    EXPECT_EQ(hBar->GetRect().height, 0.0);
    EXPECT_EQ(vBar->GetRect().width, 0.0);
    EXPECT_EQ(view->GetClientExtentRect(), (RectT<double>{0.0, 0.0, 200.0, 100.0}));
    EXPECT_EQ(Get(u"item").OnMouseWheel(Wheel(0)), S_OK);
    EXPECT_EQ(log.back(), "mainControl:wheel0");
}

TEST_F(ScrollView, LineModeCountsWholeLinesAndALineSizeOfZeroWorksInPixels)
{
    view->SetLineMode(1, 1, 20);
    // 300 / 20 = 15 lines, 85 / 20 = 4 in view.
    EXPECT_DOUBLE_EQ(vBar->smallStep, 1.0 / 11.0);
    EXPECT_DOUBLE_EQ(vBar->largeStep, 4.0 / 11.0);
    EXPECT_DOUBLE_EQ(vBar->thumb, 4.0 / 15.0);
    vBar->SetValue(vBar->ValueToNormalized(3.0));
    EXPECT_EQ(view->GetScrollOffset().y, 60.0);
    view->SetLineMode(1, 1, 0);
    EXPECT_FLOAT_EQ(float(vBar->thumb), 85.0f / 300.0f);
}

TEST_F(ScrollView, DragToScrollFollowsThePointerWithinTheScrollRange)
{
    view->SetDragToScroll(true);
    Press(100, 120);
    Move(101, 120);
    EXPECT_EQ(view->GetUserMoveMode(), LControl::kDragScroll);
    services.milliseconds = 10;
    Move(71, 100);
    // From the drag's first step (the pixel that started it came with no time to measure).
    EXPECT_EQ(view->GetScrollOffset(), (PointT<double>{29.0, 0.0}));
    services.milliseconds = 20;
    Move(-400, 100);
    EXPECT_EQ(view->GetScrollOffset().x, 215.0);
    services.milliseconds = 500;
    Release(-400, 100);
    EXPECT_FALSE(view->IsAutoScrolling(0));
}

} // namespace
} // namespace KX::Test
