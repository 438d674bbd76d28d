#include "ControlFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

// Records "<control>:<notification>" for every notification of the names it listens to.
class NotificationLog : public LNotificationClient {
public:
    void Listen(const RCPtr<LControl>& control, std::initializer_list<const char16_t*> names)
    {
        for (const char16_t* name : names)
            RegisterForNotification(control, name, 0);
    }

    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n) override
    {
        const LControl* control = dynamic_cast<const LControl*>(sender.Get());
        std::u16string entry = control ? control->GetName().GetData() : u"?";
        entry += u":";
        entry += n->GetName().GetData();
        entries.push_back(entry);
        payloads.push_back(n->GetPayload());
        return S_OK;
    }

    std::vector<std::u16string> entries;
    std::vector<RCPtr<LRefCountedObject>> payloads;
};

class ControlStateTest : public ControlFixture {
protected:
    void TearDown() override
    {
        log->UnregisterForAllNotifications();
        ControlFixture::TearDown();
    }

    RCPtr<NotificationLog> log{new NotificationLog};
};

TEST(EventParamsTest, TextFormsFollowTheirFormats)
{
    EXPECT_EQ(LValueParam::Create(0.5, 3.0)->ToString(), String(u"ValueParam = 0.500000"));
    EXPECT_EQ(LConditionsParam::Create(1, 2, {1.5, -2.0})->ToString(), String(u"(1.5, -2)"));
    EXPECT_EQ(LPointWithModifiersParam::Create({3, -4}, 0x48, 0)->ToString(),
              String(u"point(3, -4)  modifiers: 0x00000048"));
    EXPECT_EQ(LMouseButtonParam::Create(kRightButton, {1, 2}, KeyCode::kCtrlFlag, true, kRightButton, 0)->ToString(),
              String(u"point(1, 2)  modifiers: 0x00000001"));
}

TEST(EventParamsTest, PooledParametersReuseTheirBlocks)
{
    const void* first = LValueParam::Create(0.1, 0.1).Get();
    const void* second = LValueParam::Create(0.2, 0.2).Get();
    EXPECT_EQ(first, second);
}

TEST_F(ControlStateTest, ValueChangesAreClampedAndSentOnce)
{
    RCPtr<ProbeControl> c = Child(u"knob");
    log->Listen(c, {u"NID_VALUE_CHANGE"});
    EXPECT_EQ(c->SetValue(0.0), 0.0);
    EXPECT_EQ(c->SetValue(1.7), 1.0);
    EXPECT_EQ(c->SetValue(1.0), 1.0);
    EXPECT_EQ(c->SetValue(-3.0), 0.0);
    ASSERT_EQ(log->entries.size(), 2u);
    const auto* param = dynamic_cast<const LValueParam*>(log->payloads[0].Get());
    ASSERT_NE(param, nullptr);
    EXPECT_EQ(param->value, 1.0);
    EXPECT_EQ(param->rangedValue, 0.0);

    EXPECT_EQ(c->SetRange(20, 20000, 1), S_OK);
    c->SetValue(0.5);
    const auto* ranged = dynamic_cast<const LValueParam*>(log->payloads.back().Get());
    EXPECT_NEAR(ranged->rangedValue, 20.0 * std::sqrt(1000.0), 1e-9);
    EXPECT_NEAR(c->ValueToNormalized(632.456), 0.5, 1e-6);
}

TEST_F(ControlStateTest, RangesMapBothWays)
{
    RCPtr<ProbeControl> c = Child(u"slider");
    struct Case {
        double minimum, maximum;
        int32_t scale;
        KXRESULT result;
    };
    for (const Case& k : {Case{0, 100, 1, E_INVALIDARG}, Case{-1, 10, 1, E_INVALIDARG}, Case{0, 10, 2, E_INVALIDARG}})
        EXPECT_EQ(c->SetRange(k.minimum, k.maximum, k.scale), k.result);

    ASSERT_EQ(c->SetRange(10, -10, 0), S_OK);
    EXPECT_EQ(c->NormalizedToValue(0.25), 5.0);
    EXPECT_EQ(c->ValueToNormalized(5.0), 0.25);
    ASSERT_EQ(c->SetRange(0, 100, 0), S_OK);
    EXPECT_EQ(c->ValueToNormalized(500), 1.0);
    ASSERT_EQ(c->SetRange(3, 3, 0), S_OK);
    EXPECT_EQ(c->ValueToNormalized(3), 0.0);
}

TEST_F(ControlStateTest, AValueInTheRangesUnitsIsClampedStoredAndGivenBack)
{
    RCPtr<ProbeControl> c = Child(u"encoder");
    log->Listen(c, {u"NID_VALUE_CHANGE"});
    ASSERT_EQ(c->SetRange(0, 127, 0), S_OK);
    struct Case {
        double value, stored, back;
    };
    for (const Case& k : {Case{63.5, 0.5, 63.5}, Case{200, 1.0, 127}, Case{-5, 0.0, 0}, Case{NAN, 0.0, 0}}) {
        EXPECT_EQ(c->SetValueInRange(k.value), k.back) << k.value;
        EXPECT_EQ(c->GetValue(), k.stored) << k.value;
    }
    // Three changes were sent; the unchanged value and NaN sent nothing.
    EXPECT_EQ(log->entries.size(), 3u);

    // A reversed logarithmic range.
    ASSERT_EQ(c->SetRange(20000, 20, 1), S_OK);
    EXPECT_NEAR(c->SetValueInRange(20.0 * std::sqrt(1000.0)), 20.0 * std::sqrt(1000.0), 1e-9);
    EXPECT_NEAR(c->GetValue(), 0.5, 1e-12);
}

TEST_F(ControlStateTest, HidingAParentPublishesItThenItsChildrenLastFirst)
{
    RCPtr<ProbeControl> panel = Child(u"panel", 0, 0, 100, 100);
    RCPtr<ProbeControl> first = Make(panel, u"first", AbsoluteLayout(0, 0, 10, 10));
    RCPtr<ProbeControl> second = Make(panel, u"second", AbsoluteLayout(0, 0, 10, 10));
    for (const auto& c : {panel, first, second})
        c->PublishConditions();
    for (const auto& c : {panel, first, second})
        log->Listen(c, {u"NID_CONDITION_CHANGE", u"NID_VISIBLITY_CONDITION_CHANGE", u"NID_ENABLED_CONDITION_CHANGE"});

    EXPECT_FALSE(panel->SetVisible(false));
    EXPECT_EQ(log->entries,
              (std::vector<std::u16string>{u"panel:NID_CONDITION_CHANGE", u"panel:NID_VISIBLITY_CONDITION_CHANGE",
                                           u"second:NID_CONDITION_CHANGE", u"second:NID_VISIBLITY_CONDITION_CHANGE",
                                           u"first:NID_CONDITION_CHANGE", u"first:NID_VISIBLITY_CONDITION_CHANGE"}));
    EXPECT_TRUE(first->GetLayoutDescriptor()->isVisible);
    EXPECT_EQ(first->GetConditions()->currentMask & Condition::kVisible, 0u);

    log->entries.clear();
    panel->SetEnabled(false);
    EXPECT_EQ(log->entries.size(), 6u);
    EXPECT_EQ(log->entries[3], u"second:NID_ENABLED_CONDITION_CHANGE");
    EXPECT_TRUE(first->IsEnabled(false));
    EXPECT_FALSE(first->IsEnabled(true));

    log->entries.clear();
    EXPECT_FALSE(panel->SetVisible(false));
    EXPECT_TRUE(log->entries.empty());
}

TEST_F(ControlStateTest, PerConditionNotificationsFollowTheFixedList)
{
    RCPtr<ProbeControl> c = Child(u"c");
    c->PublishConditions();
    log->Listen(c, {u"NID_CONDITION_CHANGE", u"NID_HOVER_CONDITION_CHANGE", u"NID_ENABLED_CONDITION_CHANGE",
                    u"NID_VISIBLITY_CONDITION_CHANGE"});

    c->SetHighlighted(true);
    EXPECT_EQ(log->entries, (std::vector<std::u16string>{u"c:NID_CONDITION_CHANGE", u"c:NID_HOVER_CONDITION_CHANGE"}));
    EXPECT_EQ(c->appliedMasks.back(), Condition::kEnabled | Condition::kVisible | Condition::kHoverOrHighlighted);

    log->entries.clear();
    c->SetHighlighted(true);
    EXPECT_TRUE(log->entries.empty());

    // A control of width 0 is not visible although its visible byte is set.
    static_cast<void>(c->EditPlacement(0, [](PositionSpec&, SizeSpec& size) {
        size = SizeSpec{SizeSpec::kSelf, String(), 0.0f, 0.0};
    }));
    c->PublishConditions();
    EXPECT_EQ(log->entries,
              (std::vector<std::u16string>{u"c:NID_CONDITION_CHANGE", u"c:NID_VISIBLITY_CONDITION_CHANGE"}));
}

TEST_F(ControlStateTest, CreationRefreshesTheRecordWithoutPublishing)
{
    RCPtr<ProbeControl> c = Child(u"c");
    EXPECT_TRUE(c->appliedMasks.empty());
    EXPECT_EQ(c->GetConditions()->currentMask, Condition::kEnabled | Condition::kVisible);
}

TEST_F(ControlStateTest, InvalidationClimbsToTheRootsDirtyList)
{
    RCPtr<ProbeControl> panel = Child(u"panel", 50, 40, 100, 100);
    RCPtr<ProbeControl> inner = Make(panel, u"inner", AbsoluteLayout(90, 90, 30, 30));
    LRectList dirty;
    root->TakeInvalidRegion(dirty);

    inner->InvalidateRect({0, 0, 30, 30}, true);
    root->TakeInvalidRegion(dirty);
    RectEdges bounds;
    ASSERT_TRUE(dirty.GetBounds(bounds));
    EXPECT_EQ(bounds, (RectEdges{140, 130, 150, 140}));

    // Outside its parent with clipping on: nothing reaches the root.
    inner->InvalidateRect({20, 20, 5, 5}, true);
    root->TakeInvalidRegion(dirty);
    EXPECT_EQ(dirty.Count(), 0);

    // Without clipping the whole rectangle arrives.
    inner->InvalidateRect({0, 0, 30, 30}, false);
    root->TakeInvalidRegion(dirty);
    ASSERT_TRUE(dirty.GetBounds(bounds));
    EXPECT_EQ(bounds, (RectEdges{140, 130, 170, 160}));

    // A hidden control invalidates nothing; hiding it marks its area first.
    inner->SetVisible(false);
    root->TakeInvalidRegion(dirty);
    ASSERT_TRUE(dirty.GetBounds(bounds));
    EXPECT_EQ(bounds, (RectEdges{140, 130, 150, 140}));
    inner->InvalidateRect({0, 0, 30, 30}, false);
    root->TakeInvalidRegion(dirty);
    EXPECT_EQ(dirty.Count(), 0);
}

TEST_F(ControlStateTest, UnclippedDescendantsAreInvalidatedWholeWithTheirParent)
{
    RCPtr<ProbeControl> panel = Child(u"panel", 0, 0, 50, 50);
    RCPtr<LLayoutDescriptor> popup = AbsoluteLayout(40, 40, 100, 20);
    popup->clipToParent = false;
    Make(panel, u"popup", popup);
    LRectList dirty;
    root->TakeInvalidRegion(dirty);

    panel->SetEnabled(false);
    root->TakeInvalidRegion(dirty);
    RectEdges bounds;
    ASSERT_TRUE(dirty.GetBounds(bounds));
    EXPECT_EQ(bounds, (RectEdges{0, 0, 140, 60}));
}

TEST_F(ControlStateTest, IdleSubscriptionsAreCounted)
{
    RCPtr<ProbeControl> c = Child(u"c");
    static_cast<void>(c->SubscribeIdle());
    static_cast<void>(c->SubscribeIdle());
    static_cast<void>(c->UnsubscribeIdle());
    Idle();
    EXPECT_EQ(c->idleTicks, 1);
    static_cast<void>(c->UnsubscribeIdle());
    Idle();
    EXPECT_EQ(c->idleTicks, 1);
    // A stray call leaves the count at 0, so the next subscription still works.
    EXPECT_EQ(c->UnsubscribeIdle(), S_FALSE);
    static_cast<void>(c->SubscribeIdle());
    Idle();
    EXPECT_EQ(c->idleTicks, 2);
}

// Logs the idle steps it takes part in, in the order they happen.
class IdleStepProbe : public ProbeControl {
public:
    using ProbeControl::ProbeControl;
    void ScrollContents(const PointT<double>&, const PointT<double>&) override { steps->push_back("scroll"); }
    void Destroy() override
    {
        steps->push_back("destroy");
        ProbeControl::Destroy();
    }
    void OnIdleTick() override { steps->push_back("tick"); }
    std::vector<std::string>* steps = nullptr;
};

TEST_F(ControlStateTest, AnIdleTickScrollsThenDestroysPendingRemovalsThenRunsTheHook)
{
    std::vector<std::string> steps;
    auto make = [&](const RCPtr<LControl>& parent, const char16_t* name, double size) {
        RCPtr<IdleStepProbe> c(new IdleStepProbe(parent, name, &live));
        c->steps = &steps;
        static_cast<void>(c->ApplyDescriptor(DescriptorFor(name, AbsoluteLayout(0, 0, size, size))));
        static_cast<void>(c->Initialize());
        c->SetCreated();
        return c;
    };
    RCPtr<IdleStepProbe> area = make(top, u"area", 100);
    RCPtr<IdleStepProbe> content = make(area, u"content", 400);
    RCPtr<IdleStepProbe> leaving = make(area, u"leaving", 10);
    ASSERT_EQ(area->RemoveChild(leaving), S_OK);
    ASSERT_EQ(area->StartAutoScroll(1, 100.0, 300.0, 0.0, nullptr), S_OK);
    services.milliseconds += 100;
    Idle();
    EXPECT_EQ(steps, (std::vector<std::string>{"scroll", "destroy", "tick"}));
    ASSERT_EQ(area->StopAutoScroll(1), S_OK);
}

TEST_F(ControlStateTest, ATreeSubscribedBeforeItHasARootStartsTicksWhenAttached)
{
    RCPtr<ProbeControl> loose = Make(nullptr, u"loose", AbsoluteLayout(0, 0, 10, 10));
    RCPtr<ProbeControl> leaf = Make(loose, u"leaf", AbsoluteLayout(0, 0, 5, 5));
    EXPECT_EQ(leaf->SubscribeIdle(), S_OK);
    Idle();
    EXPECT_EQ(leaf->idleTicks, 0);
    static_cast<void>(loose->SetRootWindow(root));
    Idle();
    EXPECT_EQ(leaf->idleTicks, 1);
    loose->Destroy();
}

TEST_F(ControlStateTest, TextOfTheTopLevelControlTitlesTheWindow)
{
    EXPECT_EQ(top->SetText(u"Kivo"), S_OK);
    EXPECT_EQ(window.title, String(u"Kivo"));
    LRectList dirty;
    root->TakeInvalidRegion(dirty);
    EXPECT_EQ(top->SetText(u"Kivo"), S_FALSE);
    root->TakeInvalidRegion(dirty);
    EXPECT_EQ(dirty.Count(), 0);
}

} // namespace
} // namespace KX::Test
