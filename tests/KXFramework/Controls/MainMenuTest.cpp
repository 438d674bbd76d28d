#include "KXFramework/Controls/MainMenu.h"
#include "KXFramework/Controls/ComboMenu.h"
#include "KXFramework/Controls/PopupMenu.h"

#include "ControlsFixture.h"
#include "MenuStateAnswerer.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace KX::Test {
namespace {

// A menu bar whose titles are `titleWidth` wide over menus `menuWidth` wide, every part in the row
// looks.
std::string MenuBar(const char* name, int titleWidth, int menuWidth)
{
    return std::string(R"(<SubControl Class="Framework.MainMenu" Name=")") + name + R"(" XSizeAbs="400" YSizeAbs="18">
 <SubControl Class="Framework.ComboMenu" Name="templateMenu" XSizeAbs=")" +
           std::to_string(titleWidth) + R"(" YSizeAbs="18">
  <Skin Name="t" LookList="row"/>
  <SubControl Class="Framework.PopupMenu" Name="popupMenu" ClipToParent="False" Z_Order="4" YPositionRel="1" XSizeAbs=")" +
           std::to_string(menuWidth) + R"(" YSizeAbs="60">
   <Skin Name="p" LookList="row"/>
   <SubControl Class="Framework.MenuItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
    <Skin Name="r" LookList="row"/>
   </SubControl>
  </SubControl>
 </SubControl>
</SubControl>)";
}

// The bar in use, and a second one with wider titles and menus to apply to it.
std::string Controls()
{
    return R"(<SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">)" +
           MenuBar("mainMenu", 40, 100) + "</SubControl>" + MenuBar("otherMenu", 60, 120);
}

// Menu 0 has a gap after its second item: the item after the gap is dropped.
const char kStrings[] = R"(
 <StringTable ID="Test.Panel|mainMenu">
  <String ID="MENU_LABEL.00"><Locale LCID="0x0009">File</Locale></String>
  <String ID="MENU_LABEL.01"><Locale LCID="0x0009">Help</Locale></String>
  <String ID="CONTEXT_MENU0.00.NID_MENU_FILE_SEND_PRESET_TO_DEVICE"><Locale LCID="0x0009">Send Preset| Send this preset.</Locale></String>
  <String ID="CONTEXT_MENU0.01.NID_MENU_FILE_EXIT_REQ"><Locale LCID="0x0009">Exit</Locale></String>
  <String ID="CONTEXT_MENU0.03.NID_MENU_FILE_LOST"><Locale LCID="0x0009">Lost</Locale></String>
  <String ID="CONTEXT_MENU1.00.NID_MENU_HELP_ABOUT_REQ"><Locale LCID="0x0009">About</Locale></String>
 </StringTable>
 <StringTable ID="PresetEditor|mainControl">
  <String ID="GHK.NID_MENU_FILE_EXIT_REQ"><Locale LCID="0x0009">Alt+VKEY_F4</Locale></String>
 </StringTable>)";

class MainMenuTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("row"), Controls()), StringDocument(kStrings));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        bar = RCPtr<LMainMenu>(main->FindChild(u"mainMenu"));
        ASSERT_TRUE(bar);
    }
    void TearDown() override
    {
        if (commands)
            commands->UnregisterForAllNotifications();
        commands = nullptr;
        bar = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }

    RCPtr<LControl> main;
    RCPtr<LMainMenu> bar;
    RCPtr<Recorder> commands;
};

// The titles "File" (x 0-40) and "Help" (x 40-80) over their menus, rows 14 high from y 18; input
// goes through the root window as the window delivers it.
class MenuDragTest : public MainMenuTest {
protected:
    void SetUp() override
    {
        MainMenuTest::SetUp();
        commands = RCPtr<Recorder>(new Recorder("commands"));
        for (const char16_t* name :
             {u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE", u"NID_MENU_FILE_EXIT_REQ", u"NID_MENU_HELP_ABOUT_REQ"})
            commands->RegisterForNotification(RCPtr<LNotificationDistributor>(root), name, 0);
        file = bar->GetMenuAt(0);
        help = bar->GetMenuAt(1);
        ASSERT_TRUE(file && help);
    }
    void TearDown() override
    {
        file = help = nullptr;
        MainMenuTest::TearDown();
    }
    void PointerAt(int32_t x, int32_t y) { root->DispatchMouseMove({x, y}, 0, 0); }
    void LeftButton(int action, int32_t x, int32_t y) { root->DispatchMouseButton(action, kLeftButton, 0, {x, y}, 0); }
    // Presses on a title and drags along the points given.
    void PressAndDrag(int32_t x, int32_t y, std::initializer_list<PointT<int32_t>> path)
    {
        PointerAt(x, y);
        LeftButton(LRootWindow::kPress, x, y);
        for (const PointT<int32_t>& p : path)
            PointerAt(p.x, p.y);
    }

    RCPtr<LComboMenu> file, help;
};

TEST_F(MenuDragTest, ARowFollowsTheHeldButtonAndTheReleaseChoosesIt)
{
    PressAndDrag(10, 9, {{10, 12}, {10, 25}});
    ASSERT_TRUE(file->IsDropDownShown());
    EXPECT_EQ(file->GetPopup()->GetCurrentIndex(), 0);
    PointerAt(10, 39);
    EXPECT_EQ(file->GetPopup()->GetCurrentIndex(), 1);
    LeftButton(LRootWindow::kRelease, 10, 39);
    Idle();
    Idle();
    EXPECT_EQ(commands->received, 1);
    EXPECT_EQ(commands->lastID, String(u"NID_MENU_FILE_EXIT_REQ"));
    EXPECT_FALSE(file->IsDropDownShown());
    EXPECT_FALSE(root->GetCaptureControl());
}

TEST_F(MenuDragTest, DraggingOntoTheNextTitleOpensItsMenuAndTheRowFollowsThere)
{
    PressAndDrag(10, 9, {{10, 25}, {10, 12}, {50, 9}});
    EXPECT_FALSE(file->IsDropDownShown());
    ASSERT_TRUE(help->IsDropDownShown());
    EXPECT_EQ(root->GetCaptureControl(), RCPtr<LControl>(help->GetPopup()));
    PointerAt(50, 25);
    EXPECT_EQ(help->GetPopup()->GetCurrentIndex(), 0);
    // Back over the first title: its menu opens again and takes the button.
    PointerAt(10, 9);
    EXPECT_FALSE(help->IsDropDownShown());
    ASSERT_TRUE(file->IsDropDownShown());
    PointerAt(50, 9);
    PointerAt(50, 25);
    LeftButton(LRootWindow::kRelease, 50, 25);
    Idle();
    Idle();
    EXPECT_EQ(commands->received, 1);
    EXPECT_EQ(commands->lastID, String(u"NID_MENU_HELP_ABOUT_REQ"));
    EXPECT_FALSE(help->IsDropDownShown());
}

TEST_F(MenuDragTest, AReleaseAwayFromTheMenusChoosesNothing)
{
    struct Case {
        const char* what;
        PointT<int32_t> release;
    };
    const Case cases[] = {
        {"outside every menu", {300, 200}},
        {"outside the window", {-20, 500}},
        {"on the bar beside the titles", {200, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PressAndDrag(10, 9, {{10, 25}, c.release});
        LeftButton(LRootWindow::kRelease, c.release.x, c.release.y);
        Idle();
        Idle();
        EXPECT_EQ(commands->received, 0);
        EXPECT_FALSE(file->IsDropDownShown());
        EXPECT_FALSE(help->IsDropDownShown());
        EXPECT_FALSE(root->GetCaptureControl());
    }
}

TEST_F(MenuDragTest, AMenuClosedUnderTheButtonChoosesNothingOnRelease)
{
    PressAndDrag(10, 9, {{10, 25}, {10, 39}});
    // The focus goes elsewhere while the button is held: the menu closes with the row current.
    ASSERT_EQ(file->ShowDropDown(false), S_OK);
    LeftButton(LRootWindow::kRelease, 10, 39);
    Idle();
    Idle();
    EXPECT_EQ(commands->received, 0);
}

// Without a window manager the window asks for the focus on a press and hears that it has it after
// the press (after a file chooser, say): the menu that the press opened stays open. Closed at the
// end, so that nothing holds the menus.
TEST_F(MenuDragTest, AMenuOpenedByTheClickThatActivatedTheWindowStaysOpenWhenTheFocusIsReportedLater)
{
    PointerAt(10, 9);
    LeftButton(LRootWindow::kPress, 10, 9);
    LeftButton(LRootWindow::kRelease, 10, 9);
    ASSERT_TRUE(file->IsDropDownShown());
    root->OnWindowFocusGained();
    EXPECT_TRUE(file->IsDropDownShown());
    EXPECT_EQ(file->ShowDropDown(false), S_OK);
    Idle();
}

TEST_F(MenuDragTest, ASkinChangeKeepsTheTitlesTheirTextsAndMenus)
{
    ASSERT_EQ(file->ShowDropDown(true), S_OK);
    ASSERT_EQ(bar->ApplyDescriptor(services.factory->FindControlDescriptor(u"otherMenu")), S_OK);
    Idle();
    ASSERT_EQ(bar->GetMenuCount(), 2u);
    RCPtr<LComboMenu> newFile = bar->GetMenuAt(0);
    RCPtr<LComboMenu> newHelp = bar->GetMenuAt(1);
    EXPECT_NE(newFile, file);
    EXPECT_FALSE(file->GetParent());
    EXPECT_EQ(newFile->GetName(), String(u"File"));
    EXPECT_EQ(newFile->GetText(), String(u"File"));
    EXPECT_EQ(newHelp->GetName(), String(u"Help"));
    EXPECT_EQ(newHelp->GetText(), String(u"Help"));
    // Made from the new skin's template, the second right of the first.
    EXPECT_EQ(newFile->GetRect().width, 60.0);
    EXPECT_EQ(newHelp->GetRect().x, 60.0);
    EXPECT_EQ(newFile->GetPopup()->GetItemCount(), 2);
    EXPECT_EQ(newHelp->GetPopup()->GetItemCount(), 1);
    EXPECT_FALSE(newFile->IsDropDownShown());
    EXPECT_EQ(bar->IndexOfMenu(u"Help"), 1);

    // The commands of the new menus still reach the root window.
    PressAndDrag(70, 9, {{70, 25}});
    LeftButton(LRootWindow::kRelease, 70, 25);
    Idle();
    Idle();
    EXPECT_EQ(commands->received, 1);
    EXPECT_EQ(commands->lastID, String(u"NID_MENU_HELP_ABOUT_REQ"));
}

TEST_F(MainMenuTest, TitlesComeFromTheStringTable)
{
    ASSERT_EQ(bar->GetMenuCount(), 2u);
    EXPECT_FALSE(bar->FindChild(u"templateMenu"));
    RCPtr<LComboMenu> file = bar->GetMenuAt(0);
    RCPtr<LComboMenu> help = bar->GetMenuAt(1);
    EXPECT_EQ(file->GetName(), String(u"File"));
    EXPECT_EQ(file->GetText(), String(u"File"));
    EXPECT_EQ(help->GetName(), String(u"Help"));
    EXPECT_EQ(help->GetRect().x, 40.0); // right of the first title
    EXPECT_EQ(file->GetPopup()->GetItemCount(), 2);
    EXPECT_EQ(help->GetPopup()->GetItemCount(), 1);
    EXPECT_EQ(bar->IndexOfMenu(u"Help"), 1);
    EXPECT_EQ(bar->GetMenuName(5), String());
    EXPECT_EQ(bar->AddMenu(u"File"), E_INVALIDARG);
    // The window loads its hot keys after the bar is placed in it: an opened menu shows them.
    ASSERT_EQ(file->ShowDropDown(true), S_OK);
    EXPECT_EQ(file->GetPopup()->GetMenuDescriptor()->GetItems().GetAt(1)->hotKeyText, String(u"Alt+F4"));
    EXPECT_EQ(file->GetPopup()->GetMenuDescriptor()->GetItems().GetAt(0)->hotKeyText, String());
}

TEST_F(MainMenuTest, InsertedTitleShiftsTheOthers)
{
    RCPtr<LMenuDescriptor> edit(new LMenuDescriptor);
    static_cast<void>(edit->InsertItem(0, u"Cut", u"NID_EDIT_CUT_REQ", true, false)); // an index past the end appends
    EXPECT_EQ(bar->InsertMenuBefore(u"Help", u"Edit", u"Edit", edit), 1);
    ASSERT_EQ(bar->GetMenuCount(), 3u);
    EXPECT_EQ(bar->GetMenuAt(1)->GetName(), String(u"Edit"));
    EXPECT_EQ(bar->GetMenuAt(1)->GetPopup()->GetItemCount(), 1);
    EXPECT_EQ(bar->GetMenuAt(2)->GetName(), String(u"Help"));
    EXPECT_EQ(bar->GetMenuAt(2)->GetText(), String(u"Help"));
    EXPECT_EQ(bar->InsertMenuBefore(u"Nowhere", u"X", u"X", edit), E_INVALIDARG);
    EXPECT_EQ(bar->InsertMenu(9, u"X", u"X", edit), E_INVALIDARG);
}

TEST_F(MainMenuTest, ACommandReachesTheRootWindowOnce)
{
    commands = RCPtr<Recorder>(new Recorder("commands"));
    commands->RegisterForNotification(RCPtr<LNotificationDistributor>(root), u"NID_MENU_FILE_EXIT_REQ", 0);
    Move(10, 9);
    Press(10, 9);
    Release(10, 9);
    RCPtr<LComboMenu> file = bar->GetMenuAt(0);
    ASSERT_TRUE(file->IsDropDownShown());
    Move(10, 18 + 14 + 5);
    Press(10, 18 + 14 + 5);
    Release(10, 18 + 14 + 5);
    Idle();
    Idle();
    EXPECT_EQ(commands->received, 1);
    EXPECT_FALSE(file->IsDropDownShown());
}

TEST_F(MainMenuTest, EveryTitleAsksTheUpdaterThatTheBarsUserGave)
{
    MenuItemState state{1, 0, u"Exit"};
    const String exit(u"NID_MENU_FILE_EXIT_REQ");
    EXPECT_EQ(bar->HandleEditRequest(nullptr, 0, exit, state), S_FALSE) << "no updater: nothing done";

    RCPtr<MenuStateAnswerer> view(new MenuStateAnswerer(nullptr, u"viewDevice"));
    EXPECT_FALSE(bar->SetMenuItemUpdater(view->GetMenuItemUpdater()));
    EXPECT_TRUE(bar->SetMenuItemUpdater(view->GetMenuItemUpdater()));
    view->answers[u"NID_MENU_FILE_EXIT_REQ"] = {0, 0, u"Exit"};
    view->answers[u"NID_MENU_HELP_ABOUT_REQ"] = {1, 1, u"About"};
    view->answers[u"NID_EDIT_CUT_REQ"] = {0, 0, u"Cut"};
    RCPtr<LMenuDescriptor> edit(new LMenuDescriptor);
    ASSERT_EQ(edit->InsertItem(0, u"Cut", u"NID_EDIT_CUT_REQ", true, false), S_OK);
    ASSERT_EQ(bar->InsertMenuBefore(u"Help", u"Edit", u"Edit", edit), 1);

    // Each title's menu, the one inserted later too, asks when it opens.
    const struct {
        unsigned title;
        int32_t item;
        bool selectable;
        bool checked;
    } rows[] = {{0, 0, true, false}, {0, 1, false, false}, {1, 0, false, false}, {2, 0, true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "title " << row.title << " item " << row.item);
        RCPtr<LComboMenu> title = bar->GetMenuAt(row.title);
        ASSERT_EQ(title->ShowDropDown(true), S_OK);
        EXPECT_EQ(title->GetPopup()->IsItemSelectable(row.item), row.selectable);
        EXPECT_EQ(title->GetPopup()->IsItemChecked(row.item), row.checked);
        static_cast<void>(title->ShowDropDown(false)); // a closed menu stays closed
    }
    EXPECT_EQ(bar->HandleEditRequest(nullptr, 0, exit, state), S_OK);
    EXPECT_EQ(state.enabled, 0);

    view = nullptr;
    EXPECT_EQ(bar->HandleEditRequest(nullptr, 0, exit, state), E_FAIL) << "the updater's control is gone";
    // An updater that leads back to the bar is not asked forever.
    EXPECT_FALSE(bar->SetMenuItemUpdater(bar->GetMenuItemUpdater()));
    EXPECT_EQ(bar->HandleEditRequest(nullptr, 0, exit, state), S_FALSE);
}

} // namespace
} // namespace KX::Test
