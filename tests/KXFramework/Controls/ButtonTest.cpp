#include "KXFramework/Controls/Button.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.Button" Name="check" XSizeAbs="40" YSizeAbs="20">
     <CreateParamList><CreateParam ID="AUTO_VALUE_SET">True</CreateParam></CreateParamList>
     <Skin Name="c" LookList="button"/>
    </SubControl>
    <SubControl Class="Framework.Button" Name="push" XPositionAbs="50" XSizeAbs="40" YSizeAbs="20"><Skin Name="p" LookList="button"/></SubControl>
    <SubControl Class="Test.Panel" Name="group" YPositionAbs="40" XSizeAbs="400" YSizeAbs="30">
     <SubControl Class="Framework.Button" Name="r1" XSizeAbs="40" YSizeAbs="20">
      <CreateParamList><CreateParam ID="AUTO_VALUE_SET">true</CreateParam><CreateParam ID="IS_RADIO">TRUE</CreateParam></CreateParamList>
      <Skin Name="r1" LookList="button"/>
     </SubControl>
     <SubControl Class="Framework.Button" Name="r2" XPositionAbs="50" XSizeAbs="40" YSizeAbs="20">
      <CreateParamList><CreateParam ID="AUTO_VALUE_SET">True</CreateParam><CreateParam ID="IS_RADIO">True</CreateParam></CreateParamList>
      <Skin Name="r2" LookList="button"/>
     </SubControl>
     <SubControl Class="Framework.Button" Name="plain" XPositionAbs="100" XSizeAbs="40" YSizeAbs="20">
      <CreateParamList><CreateParam ID="AUTO_VALUE_SET">True</CreateParam><CreateParam ID="IS_RADIO">yes</CreateParam></CreateParamList>
      <Skin Name="pl" LookList="button"/>
     </SubControl>
    </SubControl>
    <SubControl Class="Test.Panel" Name="other" YPositionAbs="80" XSizeAbs="400" YSizeAbs="30">
     <SubControl Class="Framework.Button" Name="r3" XSizeAbs="40" YSizeAbs="20" IsVisible="True">
      <CreateParamList><CreateParam ID="IS_RADIO">True</CreateParam></CreateParamList>
      <Skin Name="r3" LookList="button"/>
     </SubControl>
    </SubControl>
   </SubControl>)";

class ButtonTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("button"), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        services.milliseconds = 1000;
    }
    void TearDown() override
    {
        for (auto& r : recorders)
            r->UnregisterForAllNotifications();
        recorders.clear();
        main = nullptr;
        ControlsFixture::TearDown();
    }

    RCPtr<LButton> Button(const char16_t* path0, const char16_t* path1 = nullptr)
    {
        RCPtr<LControl> c = main->FindChild(path0);
        if (path1 && c)
            c = c->FindChild(path1);
        return RCPtr<LButton>(c);
    }
    RCPtr<Recorder> Record(const RCPtr<LControl>& control, const char16_t* name)
    {
        RCPtr<Recorder> r(new Recorder("r"));
        r->RegisterForNotification(RCPtr<LNotificationDistributor>(control), name, 0);
        recorders.push_back(r);
        return r;
    }
    void AdvanceSeconds(double seconds)
    {
        services.milliseconds += uint32_t(seconds * 1000 + 0.5);
        Idle();
    }

    RCPtr<LControl> main;
    std::vector<RCPtr<Recorder>> recorders;
};

TEST_F(ButtonTest, AClickTogglesACheckButtonOnce)
{
    RCPtr<LButton> check = Button(u"check");
    ASSERT_TRUE(check && check->IsAutoValueSet() && !check->IsRadio());
    RCPtr<Recorder> changes = Record(check, u"NID_VALUE_CHANGE");
    RCPtr<Recorder> clicks = Record(check, u"NID_LEFT_CLICK");
    Click(10, 10);
    EXPECT_TRUE(check->IsOn());
    EXPECT_EQ(changes->received, 1);
    EXPECT_EQ(clicks->received, 1);
    Click(10, 10);
    EXPECT_FALSE(check->IsOn());
    EXPECT_EQ(changes->received, 2);
    // A push button has no value of its own.
    RCPtr<LButton> push = Button(u"push");
    Click(60, 10);
    EXPECT_FALSE(push->IsOn());
}

TEST_F(ButtonTest, RadioButtonsOfOneParentExcludeEachOther)
{
    RCPtr<LButton> r1 = Button(u"group", u"r1");
    RCPtr<LButton> r2 = Button(u"group", u"r2");
    RCPtr<LButton> plain = Button(u"group", u"plain");
    RCPtr<LButton> r3 = Button(u"other", u"r3");
    ASSERT_TRUE(r1 && r2 && plain && r3);
    EXPECT_TRUE(r1->IsRadio() && r2->IsRadio());
    EXPECT_FALSE(plain->IsRadio());
    r3->SetChecked(true);
    plain->SetChecked(true);

    Click(10, 50);
    EXPECT_TRUE(r1->IsOn());
    Click(60, 50);
    EXPECT_TRUE(r2->IsOn());
    EXPECT_FALSE(r1->IsOn());
    // Clicking an "on" radio button leaves it on; buttons elsewhere and non-radio siblings stay.
    Click(60, 50);
    EXPECT_TRUE(r2->IsOn());
    EXPECT_TRUE(plain->IsOn());
    EXPECT_TRUE(r3->IsOn());
    EXPECT_TRUE(r1->SetChecked(true));
    EXPECT_FALSE(r2->IsOn());
}

TEST_F(ButtonTest, TheLookFollowsValueAndConditions)
{
    RCPtr<LButton> check = Button(u"check");
    Move(10, 10);
    EXPECT_EQ(check->GetActiveLookIndex(), 1);
    Press(10, 10);
    Move(12, 10);
    EXPECT_EQ(check->GetActiveLookIndex(), 2 + 3);
    // Dragged off: the hover look until the release.
    Move(200, 200);
    EXPECT_EQ(check->GetActiveLookIndex(), 1 + 3);
    Release(200, 200);
    EXPECT_FALSE(check->IsOn());
    EXPECT_EQ(check->GetActiveLookIndex(), 0 + 3);
    check->SetChecked(true);
    EXPECT_EQ(check->GetActiveLookIndex(), 7 + 3);
    check->SetEnabled(false);
    EXPECT_EQ(check->GetActiveLookIndex(), 13);
    check->SetChecked(false);
    EXPECT_EQ(check->GetActiveLookIndex(), 6);
}

TEST_F(ButtonTest, AHeldAutoRepeatButtonRepeatsAtItsTimes)
{
    RCPtr<LButton> push = Button(u"push");
    push->autoRepeat = true;
    RCPtr<Recorder> repeats = Record(push, u"NID_BUTTON_AUTOREPEAT");
    Move(60, 10);
    Press(60, 10);
    EXPECT_EQ(repeats->received, 1);
    AdvanceSeconds(0.29);
    EXPECT_EQ(repeats->received, 1);
    AdvanceSeconds(0.011);
    EXPECT_EQ(repeats->received, 2);
    AdvanceSeconds(0.101);
    EXPECT_EQ(repeats->received, 3);
    // Outside the button the countdown stands still.
    Move(200, 200);
    AdvanceSeconds(1.0);
    EXPECT_EQ(repeats->received, 3);
    Move(60, 10);
    AdvanceSeconds(0.101);
    EXPECT_EQ(repeats->received, 4);
    Release(60, 10);
    AdvanceSeconds(1.0);
    EXPECT_EQ(repeats->received, 4);
    EXPECT_EQ(push->GetIdleSubscriptionCount(), 0);
}

TEST_F(ButtonTest, EnterSimulatesAClickOnlyOnAnEnabledButton)
{
    RCPtr<LButton> check = Button(u"check");
    RCPtr<Recorder> clicks = Record(check, u"NID_LEFT_CLICK");
    check->SetFocus(true);
    ASSERT_EQ(root->GetFocusControl(), RCPtr<LControl>(check));
    Key(KeyCode::Press(VirtualKey::kEnter));
    EXPECT_EQ(check->GetActiveLookIndex(), 2);
    EXPECT_EQ(clicks->received, 0);
    AdvanceSeconds(0.151);
    EXPECT_EQ(clicks->received, 1);
    EXPECT_TRUE(check->IsOn());

    // Two simulated clicks in a row make two clicks: the second finishes the first.
    check->SimulateClick();
    check->SimulateClick();
    EXPECT_EQ(clicks->received, 2);
    AdvanceSeconds(0.2);
    EXPECT_EQ(clicks->received, 3);
    EXPECT_EQ(check->GetIdleSubscriptionCount(), 0);

    // A disabled button ignores Enter as it ignores a simulated click by notification.
    check->SetEnabled(false);
    check->OnKey(RCPtr<LKeyParam>(new LKeyParam({KeyCode::Press(VirtualKey::kEnter), 0, 0})));
    check->ReceiveNotification(nullptr, MakeNotification(u"NID_SIMULATE_CLICK"));
    AdvanceSeconds(0.2);
    EXPECT_EQ(clicks->received, 3);
    EXPECT_FALSE(check->IsSimulating());
}

} // namespace
} // namespace KX::Test
