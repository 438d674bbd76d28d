#include "KXFramework/Controls/Label.h"
#include "KXFramework/Controls/StatusBar.h"
#include "KXFramework/Controls/ToolTip.h"

#include "ControlsFixture.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

const char kLooks[] = R"(
 <Looks>
  <Look Name="text">
   <TextProperties TextLeftRel="0" TextLeftAbs="0" TextRightRel="1" TextRightAbs="0" TextHAlign="0"
                   TextTopRel="0" TextTopAbs="0" TextBottomRel="1" TextBottomAbs="0" TextVAlign="0"
                   TextForegroundPart="black"/>
  </Look>
 </Looks>
 <LookLists>
  <LookList Name="text" NumLooks="1"><Look Name="text" Index="0"/></LookList>
 </LookLists>)";

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.Label" Name="wide" XSizeAbs="200" YSizeAbs="16"><Skin Name="w" LookList="text"/></SubControl>
    <SubControl Class="Framework.Label" Name="narrow" YPositionAbs="20" XSizeAbs="30" YSizeAbs="16"><Skin Name="n" LookList="text"/></SubControl>
    <SubControl Class="Framework.StatusBar" Name="status" YPositionAbs="280" XSizeAbs="400" YSizeAbs="20">
     <SubControl Class="Framework.Label" Name="label1" XSizeAbs="400" YSizeAbs="20"><Skin Name="l" LookList="text"/></SubControl>
    </SubControl>
   </SubControl>
   <SubControl Class="Framework.ToolTip" Name="toolTip" ClipToParent="False" XSizeAbs="80" YSizeAbs="16" Z_Order="5"/>)";

const char kStrings[] = R"(
 <StringTable ID="Test.Panel|wide">
  <String ID="LABEL"><Locale LCID="0x0009">Short</Locale></String>
  <String ID="TOOLTIP"><Locale LCID="0x0009">The configured tip</Locale></String>
 </StringTable>
 <StringTable ID="Test.Panel|narrow">
  <String ID="LABEL"><Locale LCID="0x0009">A label much wider than thirty pixels</Locale></String>
  <String ID="TOOLTIP"><Locale LCID="0x0009">Not shown</Locale></String>
 </StringTable>
 <StringTable ID="Framework.StatusBar|label1">
  <String ID="LABEL"><Locale LCID="0x0009">Ready</Locale></String>
 </StringTable>)";

class LabelToolTipTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(kLooks, kControls), StringDocument(kStrings));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        services.milliseconds = 10000;
    }
    void TearDown() override
    {
        main = nullptr;
        ControlsFixture::TearDown();
    }

    RCPtr<LToolTip> Tip(const char16_t* owner)
    {
        return RCPtr<LToolTip>(main->FindChild(owner)->FindChild(u"toolTip"));
    }
    bool TipVisible(const char16_t* owner)
    {
        RCPtr<LToolTip> tip = Tip(owner);
        return tip && tip->IsVisible(true);
    }

    RCPtr<LControl> main;
};

TEST_F(LabelToolTipTest, ALabelOffersItsFullTextOnlyWhenItIsCut)
{
    const RCPtr<LControl>& wide = main->FindChild(u"wide");
    const RCPtr<LControl>& narrow = main->FindChild(u"narrow");
    ASSERT_TRUE(dynamic_cast<LLabel*>(wide.Get()) && narrow);
    EXPECT_TRUE(wide->IsNotFocusable());
    EXPECT_EQ(wide->GetToolTipText(), String(u"The configured tip"));
    EXPECT_EQ(narrow->GetToolTipText(), String(u"A label much wider than thirty pixels"));
}

TEST_F(LabelToolTipTest, ATipAppearsAfterItsDelayAndHidesItselfLater)
{
    const RCPtr<LControl>& wide = main->FindChild(u"wide");
    input.Place(50, 5);
    wide->ShowToolTip(true);
    ASSERT_TRUE(Tip(u"wide"));
    EXPECT_EQ(Tip(u"wide")->GetText(), String(u"The configured tip"));
    EXPECT_FALSE(TipVisible(u"wide"));
    IdleAfter(500);
    EXPECT_FALSE(TipVisible(u"wide"));
    IdleAfter(1);
    ASSERT_TRUE(TipVisible(u"wide"));
    // 20 pixels below the pointer, in the owner's coordinates.
    EXPECT_EQ(Tip(u"wide")->GetRect().x, 50.0);
    EXPECT_EQ(Tip(u"wide")->GetRect().y, 25.0);
    IdleAfter(5000);
    EXPECT_TRUE(TipVisible(u"wide"));
    IdleAfter(1);
    EXPECT_FALSE(TipVisible(u"wide"));
    IdleAfter(1);
    EXPECT_FALSE(wide->FindChild(u"toolTip"));
}

TEST_F(LabelToolTipTest, LeavingBeforeTheDelayShowsNothingAndAFollowingTipShowsAtOnce)
{
    const RCPtr<LControl>& wide = main->FindChild(u"wide");
    const RCPtr<LControl>& narrow = main->FindChild(u"narrow");
    wide->ShowToolTip(true);
    IdleAfter(300);
    wide->ShowToolTip(false);
    IdleAfter(300);
    EXPECT_FALSE(wide->FindChild(u"toolTip"));

    wide->ShowToolTip(true);
    IdleAfter(501);
    ASSERT_TRUE(TipVisible(u"wide"));
    wide->ShowToolTip(false);
    IdleAfter(49);
    narrow->ShowToolTip(true);
    EXPECT_TRUE(TipVisible(u"narrow"));
}

TEST_F(LabelToolTipTest, NearTheBottomRightCornerTheTipStaysInsideTheWindow)
{
    input.Place(395, 295);
    main->FindChild(u"wide")->ShowToolTip(true);
    IdleAfter(501);
    RCPtr<LToolTip> tip = Tip(u"wide");
    ASSERT_TRUE(tip && tip->IsVisible(true));
    EXPECT_EQ(tip->GetRect().x + tip->GetRect().width, 400.0);
    EXPECT_EQ(tip->GetRect().y + tip->GetRect().height, 300.0);
}

TEST_F(LabelToolTipTest, TheStatusBarShowsPostedTextsOnItsIdleTick)
{
    auto* bar = dynamic_cast<LStatusBar*>(main->FindChild(u"status").Get());
    ASSERT_TRUE(bar && bar->GetLabel());
    EXPECT_EQ(bar->GetDefaultText(), String(u"Ready"));
    EXPECT_TRUE(bar->IsNotFocusable());

    EXPECT_EQ(bar->SetStatusText(u"first"), S_OK);
    EXPECT_EQ(bar->SetStatusText(u"second"), S_OK);
    EXPECT_EQ(bar->GetLabel()->GetText(), String(u"Ready"));
    Idle();
    EXPECT_EQ(bar->GetLabel()->GetText(), String(u"second"));

    static_cast<void>(bar->SetStatusText(u"posted"));         // the test checks the text shown
    static_cast<void>(bar->SetStatusTextImmediately(u"now")); // the test checks the text shown
    EXPECT_EQ(bar->GetLabel()->GetText(), String(u"now"));
    Idle();
    EXPECT_EQ(bar->GetLabel()->GetText(), String(u"now"));
}

} // namespace
} // namespace KX::Test
