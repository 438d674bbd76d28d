#include "KXFramework/Controls/CenteredSlider.h"

#include "ControlsFixture.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

// A horizontal track from x 0 to 190 with both bounds, and a vertical one from y 0 to 90.
const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.CenteredSlider" Name="pan" XSizeAbs="200" YSizeAbs="20">
     <SubControl Class="Framework.Button" Name="thumbStart" YPositionAbs="5" XSizeAbs="10" YSizeAbs="10"><Skin Name="a" LookList="button"/></SubControl>
     <SubControl Class="Framework.Button" Name="thumbEnd" XPositionAbs="190" YPositionAbs="5" XSizeAbs="10" YSizeAbs="10"><Skin Name="b" LookList="button"/></SubControl>
     <SubControl Class="Framework.CenteredSliderBounds" Name="lowRangeBounds" XPlacementAnchor="1" XSizeAbs="2" YSizeAbs="20">
      <SubControl Class="Test.Panel" Name="fill" XSizeAbs="2" YSizeAbs="20"/>
     </SubControl>
     <SubControl Class="Framework.CenteredSliderBounds" Name="highRangeBounds" XSizeAbs="2" YSizeAbs="20"/>
    </SubControl>
    <SubControl Class="Framework.CenteredSlider" Name="vertical" YPositionAbs="50" XSizeAbs="20" YSizeAbs="100">
     <SubControl Class="Framework.Button" Name="thumbStart" XSizeAbs="10" YSizeAbs="10"><Skin Name="a" LookList="button"/></SubControl>
     <SubControl Class="Framework.Button" Name="thumbEnd" YPositionAbs="90" XSizeAbs="10" YSizeAbs="10"><Skin Name="b" LookList="button"/></SubControl>
     <SubControl Class="Framework.CenteredSliderBounds" Name="highRangeBounds" XSizeAbs="20" YSizeAbs="2"/>
    </SubControl>
    <SubControl Class="Framework.CenteredSlider" Name="bare" YPositionAbs="250" XSizeAbs="100" YSizeAbs="20"/>
   </SubControl>)";

class CenteredSliderTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("button"), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        pan = RCPtr<LCenteredSlider>(main->FindChild(u"pan"));
        ASSERT_TRUE(pan && pan->GetThumb());
    }
    void TearDown() override
    {
        pan = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }
    double BoundsX(const char16_t* name) { return pan->FindChild(name)->GetRect().x; }

    RCPtr<LControl> main;
    RCPtr<LCenteredSlider> pan;
};

TEST_F(CenteredSliderTest, TheBoundsFollowTheThumbCentre)
{
    // At value 0 the thumb's centre is x 5: the low bounds ends there, the high bounds starts there.
    EXPECT_DOUBLE_EQ(BoundsX(u"highRangeBounds"), 5.0);
    EXPECT_DOUBLE_EQ(BoundsX(u"lowRangeBounds"), 3.0);
    pan->SetValue(0.5);
    EXPECT_DOUBLE_EQ(BoundsX(u"highRangeBounds"), 100.0);
    // Dragging moves them on every pointer move; the press lands on the thumb through the bounds.
    Move(100, 10);
    Press(100, 10);
    Move(150, 10);
    EXPECT_DOUBLE_EQ(BoundsX(u"highRangeBounds"), 150.0);
    Move(20, 10);
    EXPECT_DOUBLE_EQ(BoundsX(u"highRangeBounds"), 20.0);
    Release(20, 10);
    EXPECT_NEAR(pan->GetValue(), 15.0 / 190.0, 1e-9);

    RCPtr<LCenteredSlider> vertical(main->FindChild(u"vertical"));
    vertical->SetValue(1.0);
    EXPECT_DOUBLE_EQ(vertical->FindChild(u"highRangeBounds")->GetRect().y, 95.0);
    EXPECT_DOUBLE_EQ(vertical->FindChild(u"highRangeBounds")->GetRect().x, 0.0);
}

TEST_F(CenteredSliderTest, WithoutAThumbTheSliderStillTakesValues)
{
    RCPtr<LCenteredSlider> bare(main->FindChild(u"bare"));
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->GetThumb());
    bare->SetValue(0.25);
    EXPECT_DOUBLE_EQ(bare->GetValue(), 0.25);
}

} // namespace
} // namespace KX::Test
