#include "KXFramework/Controls/ComboMenu.h"
#include "KXFramework/Controls/PopupMenu.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {
namespace {

std::string Title(const char* name, int x, int popupWidth)
{
    return std::string(R"(
     <SubControl Class="Framework.ComboMenu" Name=")") +
           name + R"(" XPositionAbs=")" + std::to_string(x) + R"(" XSizeAbs="40" YSizeAbs="18">
      <Skin Name="t" LookList="row"/>
      <SubControl Class="Framework.PopupMenu" Name="popupMenu" ClipToParent="False" Z_Order="4" YPositionRel="1" XSizeAbs=")" +
           std::to_string(popupWidth) + R"(" YSizeAbs="60">
       <Skin Name="p" LookList="row"/>
       <SubControl Class="Framework.MenuItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
        <Skin Name="r" LookList="row"/>
       </SubControl>
      </SubControl>
     </SubControl>)";
}

std::string Controls()
{
    return R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Test.Panel" Name="menuBar" XSizeAbs="400" YSizeAbs="18">)" +
           Title("file", 0, 100) + Title("help", 360, 100) + Title("wide", 200, 500) + R"(
     <SubControl Class="Framework.ComboMenu" Name="bare" XPositionAbs="100" XSizeAbs="40" YSizeAbs="18"/>
    </SubControl>
   </SubControl>)";
}

const char kStrings[] = R"(
 <StringTable ID="Framework.ComboMenu|popupMenu">
  <String ID="00.NID_MENU_FILE_OPEN"><Locale LCID="0x0009">Open</Locale></String>
  <String ID="01.NID_MENU_FILE_EXIT_REQ"><Locale LCID="0x0009">Exit</Locale></String>
 </StringTable>)";

class ComboMenuTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("row"), Controls()), StringDocument(kStrings));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        bar = main->FindChild(u"menuBar");
        file = RCPtr<LComboMenu>(bar->FindChild(u"file"));
        help = RCPtr<LComboMenu>(bar->FindChild(u"help"));
        ASSERT_TRUE(file && help && file->GetPopup() && help->GetPopup());
    }
    void TearDown() override
    {
        if (owner)
            owner->UnregisterForAllNotifications();
        owner = nullptr;
        file = help = nullptr;
        bar = main = nullptr;
        ControlsFixture::TearDown();
    }

    RCPtr<LControl> main, bar;
    RCPtr<LComboMenu> file, help;
    RCPtr<Recorder> owner;
};

TEST_F(ComboMenuTest, PressOpensAndAChosenItemClosesOnce)
{
    owner = RCPtr<Recorder>(new Recorder("owner"));
    ASSERT_EQ(file->GetPopup()->SetOwner(RCPtr<LNotificationReceiver>(owner)), S_OK);
    EXPECT_EQ(file->GetPopup()->GetItemCount(), 2);
    Move(10, 9);
    Press(10, 9);
    Release(10, 9);
    ASSERT_TRUE(file->IsDropDownShown());
    EXPECT_EQ(file->GetPopup()->GetRect().y, 18.0);
    EXPECT_EQ(file->GetActiveLookIndex(), 2);
    Move(10, 18 + 14 + 5);
    Press(10, 18 + 14 + 5);
    Release(10, 18 + 14 + 5);
    EXPECT_EQ(owner->received, 1);
    EXPECT_EQ(owner->lastID, String(u"NID_MENU_FILE_EXIT_REQ"));
    EXPECT_FALSE(file->IsDropDownShown());
    // The popup is the title's: it stays for the next opening.
    EXPECT_TRUE(file->GetPopup());
}

TEST_F(ComboMenuTest, MovingOntoAnotherTitleHandsTheMenuOver)
{
    ASSERT_EQ(file->ShowDropDown(true), S_OK);
    ASSERT_TRUE(file->IsDropDownShown());
    Move(370, 9);
    EXPECT_FALSE(file->IsDropDownShown());
    EXPECT_TRUE(help->IsDropDownShown());
    // Kept inside the window: its right edge meets the window's.
    EXPECT_EQ(help->GetPopup()->GetPositionInRoot().x, 300.0);
}

TEST_F(ComboMenuTest, MovingOntoADisabledTitleLeavesTheOpenMenu)
{
    help->SetEnabled(false);
    ASSERT_EQ(file->ShowDropDown(true), S_OK);
    Move(370, 9);
    EXPECT_TRUE(file->IsDropDownShown());
    EXPECT_FALSE(help->IsDropDownShown());
    EXPECT_EQ(help->GetActiveLookIndex(), 3);
}

TEST_F(ComboMenuTest, WidePopupStartsAtTheLeftEdgeAndNoPopupIsInert)
{
    RCPtr<LComboMenu> wide(bar->FindChild(u"wide"));
    ASSERT_TRUE(wide);
    ASSERT_EQ(wide->ShowDropDown(true), S_OK);
    EXPECT_EQ(wide->GetPopup()->GetPositionInRoot().x, 0.0);

    RCPtr<LComboMenu> bare(bar->FindChild(u"bare"));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->Initialize(), E_FAIL);
    EXPECT_EQ(bare->ShowDropDown(true), E_FAIL);
    EXPECT_FALSE(bare->IsDropDownShown());
    Click(110, 9);
}

} // namespace
} // namespace KX::Test
