#include "KXFramework/Controls/Label.h"
#include "KXFramework/Controls/LevelMeter.h"
#include "KXFramework/Controls/ProgressBar.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {
namespace {

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.LevelMeter" Name="meter" XSizeAbs="100" YSizeAbs="10">
     <SubControl Class="Test.Panel" Name="activeOverlay" XSizeAbs="100" YSizeAbs="10"/>
     <SubControl Class="Test.Panel" Name="peakLo" XSizeAbs="2" YSizeAbs="10"/>
     <SubControl Class="Test.Panel" Name="peakHi" XPositionAbs="90" XSizeAbs="2" YSizeAbs="10"/>
     <SubControl Class="Framework.Button" Name="clipButton" XPositionAbs="92" XSizeAbs="8" YSizeAbs="10"><Skin Name="c" LookList="button"/></SubControl>
    </SubControl>
    <SubControl Class="Framework.LevelMeter" Name="vmeter" YPositionAbs="20" XSizeAbs="10" YSizeAbs="100">
     <SubControl Class="Test.Panel" Name="activeOverlay" XSizeAbs="10" YSizeAbs="100"/>
     <SubControl Class="Test.Panel" Name="peakLo" XSizeAbs="10" YSizeAbs="2"/>
    </SubControl>
    <SubControl Class="Framework.ProgressBar" Name="bar" XPositionAbs="100" YPositionAbs="150" XSizeAbs="200" YSizeAbs="20">
     <SubControl Class="Test.Panel" Name="activeOverlay" XSizeAbs="200" YSizeAbs="20"/>
     <SubControl Class="Framework.Label" Name="percentCompleteLabel" XSizeAbs="40" YSizeAbs="20"/>
     <SubControl Class="Framework.Label" Name="timeRemainingLabel" XPositionAbs="40" XSizeAbs="160" YSizeAbs="20"/>
    </SubControl>
   </SubControl>)";

// The unit words of the framework table.
const char kFrameworkStrings[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_StringTable_Definitions>
 <StringTable ID="Framework">
  <String ID="HOURS_SINGULAR"><Locale LCID="0x0009">Hour</Locale></String>
  <String ID="HOURS_PLURAL"><Locale LCID="0x0009">Hours</Locale></String>
  <String ID="MINUTES_SINGULAR"><Locale LCID="0x0009">Minute</Locale></String>
  <String ID="MINUTES_PLURAL"><Locale LCID="0x0009">Minutes</Locale></String>
  <String ID="SECONDS_SINGULAR"><Locale LCID="0x0009">Second</Locale></String>
  <String ID="SECONDS_PLURAL"><Locale LCID="0x0009">Seconds</Locale></String>
  <String ID="REMAINING"><Locale LCID="0x0009">Remaining</Locale></String>
 </StringTable>
</Velmora_StringTable_Definitions>
)";

class MetersTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        documents.Set(u"FRAMEWORK_STRINGS", kFrameworkStrings);
        Load(SkinDocument(FourteenLooks("button"), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        meter = RCPtr<LLevelMeter>(main->FindChild(u"meter"));
        vmeter = RCPtr<LLevelMeter>(main->FindChild(u"vmeter"));
        bar = RCPtr<LProgressBar>(main->FindChild(u"bar"));
        ASSERT_TRUE(meter && vmeter && bar);
    }
    void TearDown() override
    {
        if (recorder)
            recorder->UnregisterForAllNotifications();
        recorder = nullptr;
        meter = vmeter = nullptr;
        bar = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }
    const LControl& Child(const RCPtr<LControl>& parent, const char16_t* name) { return *parent->FindChild(name); }
    std::string LabelText(const char16_t* name) { return bar->FindChild(name)->GetText().ToNarrow().GetData(); }

    RCPtr<LControl> main;
    RCPtr<LLevelMeter> meter, vmeter;
    RCPtr<LProgressBar> bar;
    RCPtr<Recorder> recorder;
};

TEST_F(MetersTest, TheBarAndPeakMarkerFollowTheLevels)
{
    EXPECT_FALSE(meter->IsVertical());
    EXPECT_TRUE(vmeter->IsVertical());
    const LControl& overlay = Child(meter, u"activeOverlay");
    const LControl& peak = Child(meter, u"peakLo");
    EXPECT_FALSE(overlay.IsVisible(false));
    // Both show the meter's tool tip.
    EXPECT_TRUE(overlay.UsesParentToolTip());
    EXPECT_TRUE(peak.UsesParentToolTip());
    struct Case {
        double level, peak;
        bool overlayShown;
        double width;
        bool peakShown;
        double peakX;
    };
    const Case cases[] = {
        {0.5, 0.5, true, 50.0, true, 45.0},
        {0.004, 0.0, false, 0.0, false, 0.0}, // under one pixel: hidden
        {1.0, 1.0, true, 100.0, true, 90.0},
        {0.255, 0.01, true, 26.0, true, 1.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(meter->SetLevels(c.level, c.peak), S_OK);
        EXPECT_EQ(overlay.IsVisible(false), c.overlayShown) << c.level;
        if (c.overlayShown) {
            EXPECT_DOUBLE_EQ(overlay.GetRect().width, c.width) << c.level;
        }
        EXPECT_EQ(peak.IsVisible(false), c.peakShown) << c.peak;
        if (c.peakShown) {
            EXPECT_DOUBLE_EQ(peak.GetRect().x, c.peakX) << c.peak;
        }
    }
    // A plain value shows the level without a peak.
    meter->SetValue(0.75);
    EXPECT_DOUBLE_EQ(overlay.GetRect().width, 75.0);
    EXPECT_FALSE(peak.IsVisible(false));
    // Vertical: the overlay covers what is not lit; a peak marker without "peakHi" shows nothing.
    vmeter->SetLevels(0.25, 0.9);
    EXPECT_DOUBLE_EQ(Child(vmeter, u"activeOverlay").GetRect().height, 75.0);
    EXPECT_FALSE(Child(vmeter, u"peakLo").IsVisible(false));
}

TEST_F(MetersTest, TheClipLightShowsACountChangeAndLatchesUntilClicked)
{
    recorder = RCPtr<Recorder>(new Recorder("r"));
    recorder->RegisterForNotification(RCPtr<LNotificationDistributor>(meter), u"NID_CLIPLIGHT_UNLATCHED", 0);
    meter->UpdateMeter(0.5, 0.0, 1);
    EXPECT_TRUE(meter->IsClipLit());
    EXPECT_EQ(meter->GetClipCount(), 1);
    meter->UpdateMeter(0.5, 0.0, 1);
    EXPECT_FALSE(meter->IsClipLit());

    EXPECT_EQ(meter->EnableClipLatch(true), S_OK);
    meter->UpdateMeter(0.5, 0.0, 2);
    meter->UpdateMeter(0.4, 0.0, 2);
    meter->SetValue(0.3);
    EXPECT_TRUE(meter->IsClipLit());
    Click(96, 5);
    EXPECT_FALSE(meter->IsClipLit());
    EXPECT_EQ(recorder->received, 1);
    // A click on a dark light sends nothing.
    Click(96, 5);
    EXPECT_EQ(recorder->received, 1);
    // Latch off: the next unchanged count puts the light out, and clicks are not followed.
    meter->UpdateMeter(0.5, 0.0, 3);
    EXPECT_EQ(meter->EnableClipLatch(false), S_OK);
    EXPECT_FALSE(meter->IsClipLit());
    meter->UpdateMeter(0.5, 0.0, 4);
    Click(96, 5);
    EXPECT_EQ(recorder->received, 1);
    EXPECT_EQ(vmeter->EnableClipLatch(true), E_FAIL);
    EXPECT_FALSE(vmeter->IsClipLit());
}

TEST_F(MetersTest, TheProgressBarShowsThePercentage)
{
    const LControl& overlay = Child(bar, u"activeOverlay");
    EXPECT_DOUBLE_EQ(bar->NormalizedToValue(1.0), 100.0);
    EXPECT_EQ(LabelText(u"percentCompleteLabel"), "0");
    EXPECT_FALSE(overlay.IsVisible(false));
    EXPECT_FALSE(Child(bar, u"timeRemainingLabel").IsVisible(false));
    bar->SetValue(0.426);
    EXPECT_EQ(LabelText(u"percentCompleteLabel"), "43");
    EXPECT_DOUBLE_EQ(overlay.GetRect().width, 85.0);
    EXPECT_TRUE(overlay.IsVisible(false));
}

TEST_F(MetersTest, TheRemainingTimeIsWordedInUnits)
{
    const struct {
        int32_t seconds;
        const char* text;
    } cases[] = {
        {3725, "1 Hour 2 Minutes 5 Seconds Remaining"},
        {3600, "1 Hour 0 Minutes 0 Seconds Remaining"},
        {7322, "2 Hours 2 Minutes 2 Seconds Remaining"},
        {61, "1 Minute 1 Second Remaining"},
        {45, "45 Seconds Remaining"},
        {1, "1 Second Remaining"},
        {0, "0 Seconds Remaining"},
    };
    for (const auto& c : cases) {
        bar->UpdateTimeRemaining(c.seconds);
        EXPECT_EQ(LabelText(u"timeRemainingLabel"), c.text) << c.seconds;
    }
    EXPECT_TRUE(Child(bar, u"timeRemainingLabel").IsVisible(false));
}

TEST_F(MetersTest, TheEstimateUsesTheAverageRateAndNeedsProgress)
{
    services.milliseconds = 10000;
    bar->SetTimeEstimation(true);
    EXPECT_TRUE(bar->IsEstimating());
    // No time has passed: no estimate.
    bar->SetValue(0.1);
    EXPECT_FALSE(Child(bar, u"timeRemainingLabel").IsVisible(false));
    // 20 % in 4 s: 16 s for the other 80 %.
    services.milliseconds = 14000;
    bar->SetValue(0.2);
    EXPECT_EQ(LabelText(u"timeRemainingLabel"), "16 Seconds Remaining");
    // Going back gives no estimate (and no division by a rate of 0 or below).
    services.milliseconds = 16000;
    bar->SetValue(0.0);
    EXPECT_EQ(LabelText(u"timeRemainingLabel"), "16 Seconds Remaining");
    services.milliseconds = 20000;
    bar->SetValue(1.0);
    EXPECT_EQ(LabelText(u"timeRemainingLabel"), "0 Seconds Remaining");
    EXPECT_FALSE(bar->IsEstimating());
}

} // namespace
} // namespace KX::Test
