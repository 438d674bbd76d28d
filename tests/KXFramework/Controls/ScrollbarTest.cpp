#include "KXFramework/Controls/Scrollbar.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

// A vertical bar 216 pixels high: arrows of 16 at both ends, a 184-pixel channel between.
const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.ScrollBar" Name="bar" XPositionAbs="100" XSizeAbs="16" YSizeAbs="216">
     <SubControl Class="Framework.Button" Name="dec" XSizeAbs="16" YSizeAbs="16"><Skin Name="d" LookList="part"/></SubControl>
     <SubControl Class="Framework.Button" Name="inc" YPositionAbs="200" XSizeAbs="16" YSizeAbs="16"><Skin Name="i" LookList="part"/></SubControl>
     <SubControl Class="Test.Panel" Name="channel" YPositionAbs="16" XSizeAbs="16" YSizeAbs="184">
      <Skin Name="ch" LookList="part"/>
      <SubControl Class="Framework.Button" Name="thumb" XSizeAbs="16" YSizeAbs="16"><Skin Name="th" LookList="part"/></SubControl>
     </SubControl>
    </SubControl>
    <SubControl Class="Framework.ScrollBar" Name="lonely" XPositionAbs="200" XSizeAbs="16" YSizeAbs="100"/>
   </SubControl>)";

constexpr uint32_t kPageDown = KeyCode::Press(VirtualKey::kPageDown);
constexpr uint32_t kRight = KeyCode::Press(VirtualKey::kRight);
constexpr uint32_t kEnd = KeyCode::Press(VirtualKey::kEnd);

class ScrollbarTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("part"), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        bar = RCPtr<LScrollbar>(main->FindChild(u"bar"));
        ASSERT_TRUE(bar && bar->GetThumb());
        services.milliseconds = 1000;
    }
    void TearDown() override
    {
        bar = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }

    double ThumbY() { return bar->GetThumb()->GetRect().y; }
    void SiblingKey(uint32_t key)
    {
        RCPtr<LSiblingKeyParam> param(new LSiblingKeyParam({key, 0, 0}, nullptr));
        bar->ReceiveNotification(RCPtr<LNotificationDistributor>(main),
                                 MakeNotification(u"NID_SIBLING_KEY", RCPtr<LRefCountedObject>(param)));
    }
    void AdvanceSeconds(double seconds)
    {
        services.milliseconds += uint32_t(seconds * 1000 + 0.5);
        Idle();
    }

    RCPtr<LControl> main;
    RCPtr<LScrollbar> bar;
};

TEST_F(ScrollbarTest, TheThumbFollowsTheValueAcrossTheTrack)
{
    EXPECT_TRUE(bar->IsVertical());
    EXPECT_EQ(bar->GetTrackLength(), 184.0);
    // 10% of 184 is 18.4: above the thumb's 16-pixel width, rounded.
    EXPECT_EQ(bar->GetThumbLength(), 18.0);
    EXPECT_EQ(ThumbY(), 0.0);
    bar->SetValue(1.0);
    EXPECT_EQ(ThumbY(), 166.0);
    bar->SetThumbProportion(0.05);
    bar->RelayoutThumb();
    EXPECT_EQ(bar->GetThumbLength(), 16.0);
    EXPECT_EQ(ThumbY(), 168.0);
    bar->SetValue(7.0);
    EXPECT_EQ(bar->GetValue(), 1.0);

    EXPECT_EQ(bar->SetRange(1, 100, 1), S_OK);
    EXPECT_EQ(bar->SetRange(0, 100, 1), E_INVALIDARG);
    EXPECT_NEAR(bar->NormalizedToValue(bar->GetValue()), 100.0, 1e-9);
}

TEST_F(ScrollbarTest, HoldingTheChannelPagesUntilTheThumbReachesThePointer)
{
    bar->SetLargeStep(0.2);
    Move(108, 16 + 150);
    Press(108, 16 + 150);
    EXPECT_NEAR(bar->GetValue(), 0.2, 1e-9);
    AdvanceSeconds(0.39);
    EXPECT_NEAR(bar->GetValue(), 0.2, 1e-9);
    AdvanceSeconds(0.011);
    EXPECT_NEAR(bar->GetValue(), 0.4, 1e-9);
    AdvanceSeconds(0.201);
    EXPECT_NEAR(bar->GetValue(), 0.6, 1e-9);
    AdvanceSeconds(0.201);
    EXPECT_NEAR(bar->GetValue(), 0.8, 1e-9);
    // The thumb now covers the pointer: paging stops.
    AdvanceSeconds(1.0);
    EXPECT_NEAR(bar->GetValue(), 0.8, 1e-9);
    Release(108, 16 + 150);
    EXPECT_EQ(bar->GetPagingDirection(), 0);
    EXPECT_EQ(bar->GetIdleSubscriptionCount(), 0);
}

TEST_F(ScrollbarTest, ArrowsStepAndTheDraggedThumbSetsTheValue)
{
    Click(108, 205);
    EXPECT_NEAR(bar->GetValue(), 0.02, 1e-9);
    Click(108, 5);
    EXPECT_NEAR(bar->GetValue(), 0.0, 1e-9);

    // Drag the thumb down by 83 pixels: half of the 166 it can travel.
    Move(108, 16 + 5);
    Press(108, 16 + 5);
    Move(108, 16 + 6);
    Move(108, 16 + 5 + 83);
    EXPECT_TRUE(bar->IsDraggingThumb());
    EXPECT_NEAR(bar->GetValue(), 0.5, 1e-9);
    // A value set by the program waits for the end of the drag.
    bar->SetValue(0.25);
    EXPECT_NEAR(bar->GetValue(), 0.5, 1e-9);
    Release(108, 16 + 5 + 83);
    EXPECT_NEAR(bar->GetValue(), 0.25, 1e-9);
}

TEST_F(ScrollbarTest, KeysOfSiblingsMoveTheBarByItsOrientation)
{
    SiblingKey(kPageDown);
    EXPECT_NEAR(bar->GetValue(), 0.2, 1e-9);
    SiblingKey(kRight);
    EXPECT_NEAR(bar->GetValue(), 0.2, 1e-9);
    SiblingKey(kEnd);
    EXPECT_EQ(bar->GetValue(), 1.0);
    EXPECT_EQ(bar->SetSiblingKeyMask(0x100), E_INVALIDARG);

    // A bar without its children is inert.
    RCPtr<LScrollbar> lonely(main->FindChild(u"lonely"));
    ASSERT_TRUE(lonely);
    EXPECT_FALSE(lonely->GetThumb());
    lonely->SetValue(0.5);
    lonely->RelayoutThumb();
    EXPECT_EQ(lonely->GetValue(), 0.5);
}

} // namespace
} // namespace KX::Test
