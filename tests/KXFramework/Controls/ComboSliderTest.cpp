#include "KXFramework/Controls/ComboSlider.h"
#include "KXFramework/Controls/Slider.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {
namespace {

// The combo slider sits near the right edge: its 150-pixel panel would stick out of the window.
const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.ComboSlider" Name="combo" XPositionAbs="300" XSizeAbs="60" YSizeAbs="20">
     <Skin Name="c" LookList="button"/>
     <SubControl Class="Framework.ComboSlider.DropDownPanel" Name="dropDownPanel" ClipToParent="False" Z_Order="4" YPositionRel="1" XSizeAbs="150" YSizeAbs="30">
      <SubControl Class="Framework.Slider" Name="slider" XSizeAbs="150" YSizeAbs="30">
       <SubControl Class="Framework.Button" Name="thumbStart" YPositionAbs="10" XSizeAbs="10" YSizeAbs="10"><Skin Name="a" LookList="button"/></SubControl>
       <SubControl Class="Framework.Button" Name="thumbEnd" XPositionAbs="127" YPositionAbs="10" XSizeAbs="10" YSizeAbs="10"><Skin Name="b" LookList="button"/></SubControl>
      </SubControl>
     </SubControl>
    </SubControl>
    <SubControl Class="Framework.ComboSlider" Name="bare" YPositionAbs="100" XSizeAbs="60" YSizeAbs="20"/>
   </SubControl>)";

class ComboSliderTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("button"), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        combo = RCPtr<LComboSlider>(main->FindChild(u"combo"));
        ASSERT_TRUE(combo);
        slider = RCPtr<LSlider>(combo->FindChild(u"dropDownPanel")->FindChild(u"slider"));
        ASSERT_TRUE(slider);
    }
    void TearDown() override
    {
        if (recorder)
            recorder->UnregisterForAllNotifications();
        recorder = nullptr;
        slider = nullptr;
        combo = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }
    std::string Text(const LControl& c) { return c.GetText().ToNarrow().GetData(); }

    RCPtr<LControl> main;
    RCPtr<LComboSlider> combo;
    RCPtr<LSlider> slider;
    RCPtr<Recorder> recorder;
};

TEST_F(ComboSliderTest, TheSliderAndTheTextFollowTheValue)
{
    combo->SetValue(0.5);
    EXPECT_EQ(Text(*combo), "64");
    EXPECT_DOUBLE_EQ(slider->GetValue(), 0.5);
    recorder = RCPtr<Recorder>(new Recorder("r"));
    recorder->RegisterForNotification(RCPtr<LNotificationDistributor>(combo), u"NID_VALUE_CHANGE", 0);
    slider->SetValue(slider->ValueToNormalized(10.0));
    EXPECT_EQ(Text(*combo), "10");
    EXPECT_EQ(recorder->received, 1);
}

TEST_F(ComboSliderTest, APressOpensThePanelInsideTheWindow)
{
    EXPECT_FALSE(combo->IsDropDownShown());
    Click(310, 10);
    ASSERT_TRUE(combo->IsDropDownShown());
    // Shifted left so that its right edge is the window's: 400 - 150 = 250, at -50 in the combo.
    const RCPtr<LControl>& panel = combo->FindChild(u"dropDownPanel");
    EXPECT_DOUBLE_EQ(panel->GetPositionInRoot().x, 250.0);
    EXPECT_EQ(combo->GetActiveLookIndex(), 5);
    Click(310, 10);
    EXPECT_FALSE(combo->IsDropDownShown());
}

TEST_F(ComboSliderTest, WithoutAPanelOnlyTheTextFollows)
{
    RCPtr<LComboSlider> bare(main->FindChild(u"bare"));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->ShowDropDown(true), E_FAIL);
    bare->SetValue(1.0);
    EXPECT_EQ(Text(*bare), "127");
}

} // namespace
} // namespace KX::Test
