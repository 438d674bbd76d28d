#include "ControlFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {
namespace {

using ControlTreeTest = ControlFixture;

TEST_F(ControlTreeTest, OrdersSortByTheirKeysAndKeepInsertionOrderForTies)
{
    struct Spec {
        const char16_t* name;
        bool clip;
        bool dockX, dockY;
        int32_t zOrder, tabStop;
    };
    const Spec specs[] = {
        {u"unclipped", false, false, false, -5, 0}, {u"both", true, true, true, 0, 3},
        {u"plainA", true, false, false, 2, 1},      {u"dockedX", true, true, false, 0, 1},
        {u"plainB", true, false, false, 2, -1},     {u"plainC", true, false, false, 1, 0},
    };
    for (const Spec& s : specs) {
        RCPtr<LLayoutDescriptor> layout = AbsoluteLayout(0, 0, 10, 10);
        layout->clipToParent = s.clip;
        layout->position[0].docked = s.dockX;
        layout->position[1].docked = s.dockY;
        layout->zOrder = s.zOrder;
        layout->tabStop = s.tabStop;
        Make(top, s.name, layout);
    }
    EXPECT_EQ(Names(LControl::kZOrder),
              (std::vector<std::u16string>{u"plainC", u"plainA", u"plainB", u"dockedX", u"both", u"unclipped"}));
    EXPECT_EQ(Names(LControl::kTabOrder),
              (std::vector<std::u16string>{u"plainB", u"unclipped", u"plainC", u"plainA", u"dockedX", u"both"}));
    EXPECT_EQ(top->GetUnclippedDescendantCount(), 1);
}

TEST_F(ControlTreeTest, GetAtRefusesABadIndexOrOrder)
{
    Child(u"a");
    const auto message = [&](unsigned index, int order) {
        try {
            top->GetChildren().GetAt(index, order);
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(message(1, 0),
              "Runtime Error : KX::LControl::ChildControlList::GetAt : ControlBase\\Control : Line 3330");
    EXPECT_EQ(message(0, 3),
              "Runtime Error : KX::LControl::ChildControlList::GetAt : ControlBase\\Control : Line 3350");
}

TEST_F(ControlTreeTest, ANameClashIsRefusedWithoutLosingTheControl)
{
    RCPtr<ProbeControl> a = Child(u"a");
    RCPtr<ProbeControl> other = Child(u"other");
    RCPtr<ProbeControl> inner = Make(other, u"a", AbsoluteLayout(1, 1, 5, 5));

    EXPECT_EQ(inner->SetParent(RCPtr<LControl>(top)), E_FAIL);
    EXPECT_EQ(inner->GetParent(), RCPtr<LControl>(other));
    EXPECT_EQ(other->FindChild(u"a"), RCPtr<LControl>(inner));

    RCPtr<LLayoutDescriptor> replacement = AbsoluteLayout(0, 0, 99, 99);
    EXPECT_EQ(top->AddChild(inner, DescriptorFor(u"a", replacement)), E_FAIL);
    EXPECT_EQ(inner->GetLayoutDescriptor()->size[0].absolute, 5.0);
    EXPECT_EQ(top->FindChild(u"a"), RCPtr<LControl>(a));

    // A constructor that meets a clash leaves the new control without a parent.
    RCPtr<ProbeControl> twin(new ProbeControl(top, u"a", &live));
    EXPECT_FALSE(twin->GetParent());
    EXPECT_EQ(top->GetChildren().GetCount(), 2u);
}

TEST_F(ControlTreeTest, SearchesFollowTheirDocumentedOrders)
{
    RCPtr<ProbeControl> a = Child(u"a");
    RCPtr<ProbeControl> b = Child(u"b");
    Make(a, u"x", AbsoluteLayout(0, 0, 1, 1));
    Make(a, u"y", AbsoluteLayout(0, 0, 1, 1));
    RCPtr<ProbeControl> bx = Make(b, u"x", AbsoluteLayout(0, 0, 1, 1));
    Make(bx, u"x", AbsoluteLayout(0, 0, 1, 1));

    EXPECT_FALSE(top->FindChild(u"x"));
    EXPECT_FALSE(top->FindChild(u""));

    // Both walks give the tree order: pre-order, children in creation order.
    RCPtrArray<LControl, 1, 0> found;
    EXPECT_EQ(top->FindDescendants(u"x", found), 3);
    EXPECT_EQ(found.GetAt(0)->GetParent(), RCPtr<LControl>(a));
    EXPECT_EQ(found.GetAt(1), RCPtr<LControl>(bx));
    EXPECT_EQ(found.GetAt(2)->GetParent(), RCPtr<LControl>(bx));

    RCPtrArray<LControl, 1, 0> all;
    EXPECT_EQ(top->GetDescendants(all), 6);
    std::u16string walk;
    for (unsigned i = 0; i < all.GetCount(); ++i)
        walk += all.GetAt(i)->GetName().GetData();
    EXPECT_EQ(walk, u"axybxx");

    RCPtr<LControl> topLevel;
    bx->GetTopLevelControl(topLevel);
    EXPECT_EQ(topLevel, RCPtr<LControl>(top));
    EXPECT_EQ(*bx->GetRootWindowPtr(), root);
}

TEST_F(ControlTreeTest, RemovalIsDeferredToTheNextIdleTick)
{
    RCPtr<ProbeControl> a = Child(u"a");
    Make(a, u"inner", AbsoluteLayout(0, 0, 2, 2));
    RCPtr<ProbeControl> b = Child(u"b");
    EXPECT_EQ(top->RemoveChild(a), S_OK);
    EXPECT_EQ(b->RemoveChild(a), E_INVALIDARG);

    EXPECT_EQ(top->FindChild(u"a"), RCPtr<LControl>(a));
    EXPECT_FALSE(a->IsVisible(false));
    EXPECT_EQ(top->GetIdleSubscriptionCount(), 1);

    Idle();
    EXPECT_FALSE(top->FindChild(u"a"));
    EXPECT_FALSE(a->GetParent());
    EXPECT_EQ(top->GetIdleSubscriptionCount(), 0);
    EXPECT_EQ(top->GetPendingRemovalCount(), 0u);
    const int before = live;
    a = nullptr;
    EXPECT_EQ(live, before - 2);
}

TEST_F(ControlTreeTest, AControlMovedAwayAfterRemovalSurvivesTheOldParentsIdleTick)
{
    RCPtr<ProbeControl> a = Child(u"a");
    RCPtr<ProbeControl> b = Child(u"b");
    static_cast<void>(top->RemoveChild(a));
    EXPECT_EQ(a->SetParent(RCPtr<LControl>(b)), S_OK);
    EXPECT_EQ(top->GetPendingRemovalCount(), 0u);
    EXPECT_EQ(top->GetIdleSubscriptionCount(), 0);

    Idle();
    EXPECT_EQ(a->GetParent(), RCPtr<LControl>(b));
    EXPECT_EQ(b->FindChild(u"a"), RCPtr<LControl>(a));
}

TEST_F(ControlTreeTest, ANewChildFirstDestroysThePendingRemovals)
{
    RCPtr<ProbeControl> a = Child(u"a");
    static_cast<void>(top->RemoveChild(a));
    Child(u"b");
    EXPECT_FALSE(a->GetParent());
    EXPECT_EQ(top->GetIdleSubscriptionCount(), 0);
}

TEST_F(ControlTreeTest, AControlMadeUnderThePendingNameOfASiblingJoinsInItsPlace)
{
    RCPtr<ProbeControl> first = Child(u"tip");
    static_cast<void>(top->RemoveChild(first));
    RCPtr<ProbeControl> second = Child(u"tip");

    EXPECT_EQ(second->GetParent(), RCPtr<LControl>(top));
    EXPECT_EQ(top->FindChild(u"tip"), RCPtr<LControl>(second));
    EXPECT_FALSE(first->GetParent());
    EXPECT_EQ(top->GetPendingRemovalCount(), 0u);
}

TEST_F(ControlTreeTest, FindingByNameFollowsAddRemoveRenameAndPendingRemoval)
{
    // Each step, then the name each child answers to: what FindChild finds must be exactly the
    // children in the list under their present names.
    std::vector<RCPtr<ProbeControl>> made;
    for (const char16_t* name : {u"a", u"b", u"c", u"d"})
        made.push_back(Child(name));
    const auto expectNames = [&](const std::vector<std::u16string>& names, const char* step) {
        EXPECT_EQ(Names(LControl::kInsertionOrder), names) << step;
        for (unsigned i = 0; i < top->GetChildren().GetCount(); ++i) {
            const RCPtr<LControl>& child = top->GetChildren().GetAt(i, LControl::kInsertionOrder);
            EXPECT_EQ(top->FindChild(child->GetName()), child) << step;
        }
    };
    static_cast<void>(top->RemoveChild(made[1]));
    EXPECT_EQ(top->FindChild(u"b"), RCPtr<LControl>(made[1])); // still found until the idle tick
    Idle();
    EXPECT_FALSE(top->FindChild(u"b"));
    expectNames({u"a", u"c", u"d"}, "after the idle tick");

    EXPECT_EQ(top->GetChildren().Rename(made[2], u"b"), S_OK);
    EXPECT_FALSE(top->FindChild(u"c"));
    expectNames({u"a", u"b", u"d"}, "after the rename");

    // The pending removal of "b" is destroyed when a new child arrives; "c" is free again.
    static_cast<void>(top->RemoveChild(made[2]));
    RCPtr<ProbeControl> again = Child(u"c");
    EXPECT_FALSE(top->FindChild(u"b"));
    expectNames({u"a", u"d", u"c"}, "after re-adding");

    static_cast<void>(made[0]->SetParent(RCPtr<LControl>(made[3])));
    EXPECT_FALSE(top->FindChild(u"a"));
    EXPECT_EQ(made[3]->FindChild(u"a"), RCPtr<LControl>(made[0]));
    EXPECT_EQ(Child(u"a")->GetParent(), RCPtr<LControl>(top)); // the name is free here again
    expectNames({u"d", u"c", u"a"}, "after moving away");
}

TEST_F(ControlTreeTest, SetParentToTheSameParentChangesNothing)
{
    RCPtr<ProbeControl> a = Child(u"a");
    EXPECT_EQ(a->SetParent(RCPtr<LControl>(top)), S_FALSE);
    EXPECT_EQ(top->GetChildren().GetCount(), 1u);
}

TEST_F(ControlTreeTest, RenameUpdatesReferencesOfLaterSiblings)
{
    RCPtr<ProbeControl> a = Child(u"a");
    RCPtr<LLayoutDescriptor> layout = AbsoluteLayout(0, 0, 1, 1);
    layout->position[0].referenceKind = PositionSpec::kNamed;
    layout->position[0].referenceName = u"a";
    layout->size[1].referenceName = u"a";
    RCPtr<ProbeControl> b = Make(top, u"b", layout);

    LControl::ChildControlList& list = top->GetChildren();
    EXPECT_EQ(list.Rename(a, u"a"), S_FALSE);
    EXPECT_EQ(list.Rename(a, u"b"), E_FAIL);
    EXPECT_EQ(list.Rename(RCPtr<LControl>(top), u"z"), E_INVALIDARG);
    EXPECT_EQ(list.Rename(a, u"renamed"), S_OK);
    EXPECT_EQ(a->GetName(), String(u"renamed"));
    EXPECT_EQ(b->GetLayoutDescriptor()->position[0].referenceName, String(u"renamed"));
    EXPECT_EQ(b->GetLayoutDescriptor()->size[1].referenceName, String(u"renamed"));
}

TEST_F(ControlTreeTest, UnclippedCountsFollowTheSubtree)
{
    RCPtr<ProbeControl> a = Child(u"a");
    RCPtr<LLayoutDescriptor> unclipped = AbsoluteLayout(0, 0, 5, 5);
    unclipped->clipToParent = false;
    RCPtr<ProbeControl> u = Make(a, u"u", unclipped);
    EXPECT_EQ(a->GetUnclippedDescendantCount(), 1);
    EXPECT_EQ(top->GetUnclippedDescendantCount(), 1);

    RCPtr<ProbeControl> b = Child(u"b");
    static_cast<void>(a->SetParent(RCPtr<LControl>(b)));
    EXPECT_EQ(b->GetUnclippedDescendantCount(), 1);
    EXPECT_EQ(top->GetUnclippedDescendantCount(), 1);

    u->SetClipToParent(true);
    EXPECT_EQ(a->GetUnclippedDescendantCount(), 0);
    EXPECT_EQ(top->GetUnclippedDescendantCount(), 0);
}

TEST_F(ControlTreeTest, ALargeTreeIsReleasedWhole)
{
    // 4,000 controls, twenty levels deep in places, let go by dropping the content.
    std::vector<RCPtr<ProbeControl>> level{top};
    int made = 0;
    for (int depth = 0; made < 4000; ++depth) {
        std::vector<RCPtr<ProbeControl>> next;
        for (const RCPtr<ProbeControl>& parent : level) {
            for (int i = 0; i < 4 && made < 4000; ++i, ++made)
                next.push_back(Make(parent, (u"c" + std::u16string(1, char16_t(u'a' + i))).c_str(),
                                    AbsoluteLayout(i, depth, 3, 3)));
        }
        level = std::move(next);
    }
    level.clear();
    EXPECT_EQ(live, 4001);
    static_cast<void>(root->SetContent(nullptr));
    top = nullptr;
    EXPECT_EQ(live, 0);
}

} // namespace
} // namespace KX::Test
