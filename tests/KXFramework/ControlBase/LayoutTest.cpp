#include "KXFramework/ControlBase/ChildLayoutEngine.h"

#include "ControlFixture.h"
#include "InputFixture.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

class LayoutTest : public ControlFixture {
protected:
    RCPtr<ProbeControl> Panel() { return Child(u"panel", 0, 0, 200, 100); }
};

TEST_F(LayoutTest, PlacementRulesGiveTheirRectangles)
{
    struct Case {
        const char* what;
        PositionSpec position;
        SizeSpec size;
        RectT<double> expected;
    };
    const Case cases[] = {
        {"client margins",
         {0.0f, PositionSpec::kClient, {}, 0.0f, 10.0, false},
         {SizeSpec::kClient, {}, 1.0f, -10.0},
         {10, 0, 180, 40}},
        {"anchored at the far edge",
         {1.0f, PositionSpec::kClient, {}, 1.0f, 0.0, false},
         {SizeSpec::kClient, {}, 1.0f, -50.0},
         {150, 0, 50, 40}},
        {"anchored at the far edge with the size's far edge beyond it",
         {1.0f, PositionSpec::kClient, {}, 0.0f, 10.0, false},
         {SizeSpec::kClient, {}, 1.0f, 0.0},
         {10, 0, 0, 40}},
        {"centred",
         {0.5f, PositionSpec::kParent, {}, 0.5f, 0.0, false},
         {SizeSpec::kSelf, {}, 0.0f, 60.0},
         {70, 0, 60, 40}},
        {"negative own size",
         {0.0f, PositionSpec::kClient, {}, 0.0f, 5.0, false},
         {SizeSpec::kSelf, {}, 0.0f, -7.0},
         {5, 0, 0, 40}},
        {"half pixels",
         {0.0f, PositionSpec::kClient, {}, 0.0f, 10.5, false},
         {SizeSpec::kSelf, {}, 0.0f, 20.4},
         {11, 0, 20, 40}},
        {"after a sibling",
         {0.0f, PositionSpec::kNamed, u"left", 1.0f, 4.0, false},
         {SizeSpec::kNamed, u"left", 2.0f, 0.0},
         {34, 0, 26, 40}},
        {"after a missing sibling",
         {0.0f, PositionSpec::kNamed, u"nobody", 1.0f, 4.0, false},
         {SizeSpec::kNamed, u"nobody", 1.0f, 20.0},
         {4, 0, 16, 40}},
    };
    RCPtr<ProbeControl> panel = Panel();
    Make(panel, u"left", AbsoluteLayout(0, 0, 30, 10));
    for (const Case& k : cases) {
        RCPtr<LLayoutDescriptor> layout = AbsoluteLayout(0, 0, 0, 40);
        layout->position[0] = k.position;
        layout->size[0] = k.size;
        RCPtr<ProbeControl> c = Make(panel, u"c", layout);
        EXPECT_EQ(c->GetRect(), k.expected) << k.what;
        panel->GetChildren().Remove(c);
    }
}

TEST_F(LayoutTest, ADockedControlKeepsItsPlaceWhileTheParentScrolls)
{
    RCPtr<ProbeControl> panel = Panel();
    RCPtr<LLayoutDescriptor> docked = AbsoluteLayout(5, 5, 10, 10);
    docked->position[1].docked = true;
    RCPtr<ProbeControl> header = Make(panel, u"header", docked);
    RCPtr<ProbeControl> row = Make(panel, u"row", AbsoluteLayout(5, 20, 10, 10));

    panel->SetScrollOffset({10.4, 30.5});
    EXPECT_EQ(panel->GetScrollOffset(), (PointT<double>{10, 31}));
    EXPECT_EQ(header->GetRect(), (RectT<double>{5, 36, 10, 10}));
    EXPECT_EQ(header->GetPositionInRoot(), (PointT<double>{-5, 5}));
    EXPECT_EQ(row->GetPositionInRoot(), (PointT<double>{-5, -11}));
}

TEST_F(LayoutTest, ScrollingToThePresentOffsetSendsNothing)
{
    RCPtr<ProbeControl> panel = Panel();
    RCPtr<KX::Test::Recorder> recorder(new KX::Test::Recorder("scroll"));
    recorder->RegisterForNotification(panel, u"NID_SCROLL_OFFSET_CHANGE", 0);
    panel->SetScrollOffset({0.4, -0.4});
    EXPECT_EQ(recorder->received, 0);
    panel->SetScrollOffset({0, -2.5});
    EXPECT_EQ(recorder->received, 1);
    EXPECT_EQ(panel->GetScrollOffset(), (PointT<double>{0, -3}));
    recorder->UnregisterForAllNotifications();
}

TEST_F(LayoutTest, MinimumsGrowAndMaximumsCutAroundTheAnchor)
{
    RCPtr<ProbeControl> panel = Panel();
    RCPtr<LLayoutDescriptor> layout = AbsoluteLayout(100, 0, 10, 40);
    layout->position[0].anchor = 0.5f;
    layout->minSize[0].absolute = 30.0;
    layout->maxSize[1].absolute = 25.0;
    RCPtr<ProbeControl> c = Make(panel, u"c", layout);
    EXPECT_EQ(c->GetRect(), (RectT<double>{85, 0, 30, 25}));

    // A negative maximum is no maximum, rather than a negative size.
    RCPtr<LLayoutDescriptor> negative = AbsoluteLayout(20, 0, 10, 10);
    negative->maxSize[0].absolute = -5.0;
    EXPECT_EQ(Make(panel, u"negative", negative)->GetRect(), (RectT<double>{20, 0, 10, 10}));

    // With the children as the minimum, the panel grows to hold the visible ones.
    RCPtr<LLayoutDescriptor> box = AbsoluteLayout(0, 0, 10, 10);
    box->minSize[0] = {true, u"Children", 1.0f, 0.0};
    box->minSize[1] = {true, u"Children", 1.0f, 0.0};
    RCPtr<ProbeControl> holder = Make(panel, u"holder", box);
    Make(holder, u"a", AbsoluteLayout(0, 0, 40, 15));
    Make(holder, u"b", AbsoluteLayout(30, 20, 20, 30));
    RCPtr<LLayoutDescriptor> hidden = AbsoluteLayout(0, 0, 500, 500);
    hidden->isVisible = false;
    Make(holder, u"hidden", hidden);
    EXPECT_EQ(holder->GetRect(), (RectT<double>{0, 0, 50, 50}));
}

// Controls from a skin, with looks: "framed" has a client area 5 pixels in from every edge.
class SkinLayoutTest : public InputFixture {
protected:
    static std::string Control(const std::string& name, const std::string& place, const std::string& children = "",
                               const char* lookList = "solid")
    {
        return "<SubControl Class=\"Test.Input\" Name=\"" + name + "\" " + place + "><Skin Name=\"" + name +
               "\" LookList=\"" + lookList + "\"/>" + children + "</SubControl>";
    }
    static std::string Box(const std::string& name, int x, int y, int w, int h, const std::string& extra = "")
    {
        return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
               std::to_string(w) + "\" YSizeAbs=\"" + std::to_string(h) + "\" " + extra;
    }
};

TEST_F(SkinLayoutTest, AChildrenMinimumHoldsTheChildrenInsideTheBorder)
{
    // The children span 50 x 50; the framed look's border takes 10 more on each axis.
    const std::string children = Control("a", Box("a", 0, 0, 40, 15)) + Control("b", Box("b", 30, 20, 20, 30));
    const std::string minimum =
        R"(XMinSizeToControl="Children" XMinSizeRel="1" YMinSizeToControl="Children" YMinSizeRel="1")";
    const struct {
        int size;
        double expected;
    } cases[] = {{10, 60}, {55, 60}, {100, 100}};
    std::string holders;
    for (const auto& c : cases) {
        const std::string name = "holder" + std::to_string(c.size);
        holders += Control(name, Box(name, 0, 0, c.size, c.size, minimum), children, "framed");
    }
    Load(Control("mainControl", Box("m", 0, 0, 400, 300), holders));
    for (const auto& c : cases) {
        const std::u16string name = u"holder" + std::u16string(String(std::to_string(c.size).c_str()).GetData());
        EXPECT_EQ(Get(name.c_str()).GetRect(), (RectT<double>{0, 0, c.expected, c.expected})) << c.size;
    }
}

TEST_F(SkinLayoutTest, AChildPlacedAgainstItsParentsClientAreaSitsInsideTheInset)
{
    const std::string fill =
        R"(XPositionToControl="Client" YPositionToControl="Client" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeToControl="Client" YSizeRel="1" YSizeAbs="0")";
    Load(Control("mainControl", Box("m", 0, 0, 400, 300),
                 Control("frame", Box("frame", 20, 30, 100, 80), Control("inner", fill), "framed")));
    EXPECT_EQ(Get(u"inner").GetRect(), (RectT<double>{0, 0, 90, 70}));
    EXPECT_EQ(Get(u"inner").GetPositionInRoot(), (PointT<double>{25, 35}));
    for (const PointT<int32_t> p : {PointT<int32_t>{25, 35}, PointT<int32_t>{114, 104}})
        EXPECT_EQ(HitName(p.x, p.y), "inner") << p.x << "," << p.y;
    for (const PointT<int32_t> p : {PointT<int32_t>{24, 35}, PointT<int32_t>{25, 34}, PointT<int32_t>{115, 104}})
        EXPECT_NE(HitName(p.x, p.y), "inner") << p.x << "," << p.y;
}

TEST_F(LayoutTest, AChildThatMovesCarriesItsLaterSiblingsAlong)
{
    RCPtr<ProbeControl> panel = Panel();
    RCPtr<ProbeControl> first = Make(panel, u"first", AbsoluteLayout(0, 0, 20, 10));
    RCPtr<LLayoutDescriptor> follows = AbsoluteLayout(0, 0, 10, 10);
    follows->position[0] = {0.0f, PositionSpec::kNamed, u"first", 1.0f, 2.0, false};
    RCPtr<ProbeControl> second = Make(panel, u"second", follows);
    EXPECT_EQ(second->GetRect().x, 22.0);

    static_cast<void>(first->SetPlacement(0, PositionSpec{0.0f, PositionSpec::kClient, {}, 0.0f, 0.0, false},
                                          SizeSpec{SizeSpec::kSelf, {}, 0.0f, 50.0}));
    EXPECT_EQ(second->GetRect().x, 52.0);
}

TEST_F(LayoutTest, ACycleOfReferencesSettles)
{
    RCPtr<ProbeControl> panel = Panel();
    RCPtr<LLayoutDescriptor> a = AbsoluteLayout(0, 0, 10, 10);
    a->position[0] = {0.0f, PositionSpec::kNamed, u"b", 1.0f, 1.0, false};
    RCPtr<LLayoutDescriptor> b = AbsoluteLayout(0, 0, 10, 10);
    b->position[0] = {0.0f, PositionSpec::kNamed, u"a", 1.0f, 1.0, false};
    RCPtr<ProbeControl> ca = Make(panel, u"a", a);
    RCPtr<ProbeControl> cb = Make(panel, u"b", b);
    EXPECT_EQ(ca->GetRect().x, 1.0);
    EXPECT_EQ(cb->GetRect().x, 12.0);
    // Each layout moves the pair on by one round; it never loops.
    static_cast<void>(ca->RecalcLayoutFromDescriptor());
    EXPECT_EQ(ca->GetRect().x, 23.0);
    EXPECT_EQ(cb->GetRect().x, 34.0);
}

TEST_F(LayoutTest, PlacementSettersReportWhatTheDescriptorHolds)
{
    RCPtr<ProbeControl> c = Make(Panel(), u"c", AbsoluteLayout(0, 0, 10, 10));
    PositionSpec position{0.0f, PositionSpec::kClient, {}, 0.0f, 3.0, false};
    EXPECT_EQ(c->SetPlacement(2, position, {}), E_INVALIDARG);
    EXPECT_EQ(c->SetPlacement(0, position, SizeSpec{SizeSpec::kSelf, {}, 0.0f, 12.0}), S_OK);
    EXPECT_EQ(c->GetRect(), (RectT<double>{3, 0, 12, 10}));

    SizeLimitSpec minimum{false, {}, 0.0f, 30.0};
    EXPECT_EQ(c->SetSizeLimits(1, minimum, {}), S_OK);
    const PointT<double> preferred = c->GetPreferredSize();
    EXPECT_EQ(preferred, (PointT<double>{0, 30}));
    EXPECT_EQ(c->GetLayoutDescriptor()->size[0].absolute, 12.0);
    EXPECT_EQ(c->GetRect(), (RectT<double>{3, 0, 12, 30}));
}

TEST_F(LayoutTest, EditingOneAxisOfThePlacementKeepsTheRestOfIt)
{
    RCPtr<ProbeControl> c = Make(Panel(), u"c", AbsoluteLayout(4, 5, 10, 20));
    int edits = 0;
    auto widen = [&edits](PositionSpec&, SizeSpec& size) {
        ++edits;
        size.absolute += 6.0;
    };
    EXPECT_EQ(c->EditPlacement(0, widen), S_OK);
    EXPECT_EQ(c->GetRect(), (RectT<double>{4, 5, 16, 20}));
    EXPECT_EQ(c->GetLayoutDescriptor()->position[0].absolute, 4.0);

    EXPECT_EQ(c->EditPlacement(1, [](PositionSpec& position, SizeSpec&) { position.docked = true; }), S_OK);
    EXPECT_TRUE(c->GetLayoutDescriptor()->position[1].docked);
    EXPECT_EQ(c->GetLayoutDescriptor()->size[1].absolute, 20.0);

    // A bad axis, or a control without a layout, is refused before the edit runs.
    EXPECT_EQ(c->EditPlacement(2, widen), E_INVALIDARG);
    RCPtr<ProbeControl> bare(new ProbeControl(nullptr, u"bare", &live));
    EXPECT_EQ(bare->EditPlacement(0, widen), E_FAIL);
    EXPECT_EQ(edits, 1);
}

TEST_F(LayoutTest, DockingAChildMovesItUpTheParentsZOrder)
{
    RCPtr<ProbeControl> panel = Panel();
    RCPtr<ProbeControl> a = Make(panel, u"a", AbsoluteLayout(0, 0, 10, 10));
    Make(panel, u"b", AbsoluteLayout(0, 0, 10, 10));
    EXPECT_EQ(panel->GetChildren().GetAt(0, LControl::kZOrder), RCPtr<LControl>(a));
    static_cast<void>(a->EditPlacement(0, [](PositionSpec& position, SizeSpec&) { position.docked = true; }));
    EXPECT_EQ(panel->GetChildren().GetAt(1, LControl::kZOrder), RCPtr<LControl>(a));
}

TEST_F(LayoutTest, StoringTheSameRectangleMarksNothing)
{
    RCPtr<ProbeControl> c = Child(u"c", 5, 5, 10, 10);
    LRectList dirty;
    root->TakeInvalidRegion(dirty);
    EXPECT_EQ(c->StoreLayoutRect({5, 5}, {10, 10}), S_FALSE);
    root->TakeInvalidRegion(dirty);
    EXPECT_EQ(dirty.Count(), 0);
}

TEST_F(LayoutTest, ChildrenBoundsReportTheEmptyCase)
{
    RCPtr<ProbeControl> panel = Panel();
    RectT<double> bounds;
    EXPECT_FALSE(panel->GetChildrenBounds(bounds));
    RCPtr<LLayoutDescriptor> docked = AbsoluteLayout(0, 0, 300, 300);
    docked->position[0].docked = true;
    Make(panel, u"docked", docked);
    EXPECT_FALSE(panel->GetChildrenBounds(bounds));
    Make(panel, u"a", AbsoluteLayout(-5, 10, 20, 5));
    Make(panel, u"b", AbsoluteLayout(30, 2, 5, 5));
    ASSERT_TRUE(panel->GetChildrenBounds(bounds));
    EXPECT_EQ(bounds, (RectT<double>{-5, 2, 40, 13}));
}

TEST_F(LayoutTest, TheContentFillsTheWindowsClientArea)
{
    EXPECT_EQ(top->GetRect(), (RectT<double>{0, 0, 400, 300}));
    EXPECT_EQ(top->GetLayoutDescriptor()->size[0].referenceKind, SizeSpec::kClient);
}

} // namespace
} // namespace KX::Test
