#include "KXFramework/Controls/PopupMenu.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"

#include "ControlsFixture.h"
#include "MenuStateAnswerer.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300"><Skin Name="m" LookList="menu"/></SubControl>
   <SubControl Class="Framework.PopupMenu" Name="contextMenu" ClipToParent="False" Z_Order="4" XSizeAbs="120" YSizeAbs="60">
    <Skin Name="p" LookList="menu"/>
    <SubControl Class="Framework.MenuItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
     <Skin Name="t" LookList="row"/>
     <SubControl Class="Framework.Label" Name="hotKeyLabel" XPositionAbs="80" XSizeAbs="40" YSizeAbs="14"/>
    </SubControl>
   </SubControl>
   <SubControl Class="Framework.PopupMenu" Name="tallMenu" ClipToParent="False" Z_Order="4" XSizeAbs="300" YSizeAbs="60">
    <Skin Name="p" LookList="menu"/>
    <SubControl Class="Framework.MenuItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="20">
     <Skin Name="t" LookList="row"/>
     <SubControl Class="Framework.Label" Name="hotKeyLabel" XPositionAbs="200" XSizeAbs="60" YSizeAbs="20"/>
    </SubControl>
   </SubControl>)";

constexpr uint32_t kDown = KeyCode::Press(VirtualKey::kDown), kEnter = KeyCode::Press(VirtualKey::kEnter),
                   kEscape = KeyCode::Press(VirtualKey::kEscape);

RCPtr<LMenuDescriptor> MenuOf(std::initializer_list<std::pair<const char16_t*, const char16_t*>> entries)
{
    Array<Pair<String, String>> pairs;
    for (const auto& [key, text] : entries)
        pairs.AddItem(Pair<String, String>(key, text));
    return LMenuDescriptor::CreateFromStringMap(pairs, String());
}

class PopupMenuTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        const std::string looks = SkinLooks()
                                      .Row("row", "row", std::vector<std::string>(14, "grey"))
                                      .List("menu", {"row0", "row0", "row0"})
                                      .Text();
        Load(SkinDocument(looks, kControls), strings);
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
    }
    void TearDown() override
    {
        if (owner)
            owner->UnregisterForAllNotifications();
        owner = nullptr;
        popup = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }
    // The skin's context menu under the main control, owned by a recorder unless another owner is
    // given, asking the updater given when there is one.
    void Open(const RCPtr<LMenuDescriptor>& menu, const RCPtr<LMenuItemUpdater>& updater = nullptr,
              RCPtr<LNotificationReceiver> receiver = nullptr)
    {
        RCPtr<LControl> created;
        services.registry->CreateControl(created, services.factory->FindControlDescriptor(u"contextMenu"), main);
        popup = RCPtr<LPopupMenu>(created);
        ASSERT_TRUE(popup);
        owner = RCPtr<Recorder>(new Recorder("owner"));
        if (!receiver)
            receiver = RCPtr<LNotificationReceiver>(owner);
        ASSERT_EQ(popup->SetOwner(receiver), S_OK);
        EXPECT_EQ(popup->SetOwner(receiver), E_FAIL);
        if (updater)
            popup->SetMenuItemUpdater(updater);
        ASSERT_EQ(popup->SetMenuDescriptorChecked(menu), S_OK);
        static_cast<void>(popup->ShowAtCursor()); // a popup that cannot open leaves the window as it was
    }
    void PopupKey(uint32_t key) { popup->OnKeyInput(RCPtr<LKeyParam>(new LKeyParam({key, 0, 0}))); }
    void ShowAgain()
    {
        popup->SetVisible(false);
        popup->SetVisible(true);
    }
    bool RowEnabled(int32_t index) const
    {
        const int32_t row = popup->GetItemControlIndexOfEntry(index);
        return row >= 0 && popup->GetItemControl(row)->IsEnabled(false);
    }
    std::u16string ItemText(int32_t index) const
    {
        String text;
        popup->GetItemText(text, index);
        return std::u16string(text.GetString(), text.GetLength());
    }

    std::string strings = StringDocument("");
    RCPtr<LControl> main;
    RCPtr<LPopupMenu> popup;
    RCPtr<Recorder> owner;
};

TEST_F(PopupMenuTest, ChosenCommandReachesTheOwnerOnce)
{
    input.Place(30, 40);
    Open(MenuOf({{u"00.NID_MENU_FILE_SEND_PRESET_TO_DEVICE", u"Send Preset| Send this preset to the controller."},
                 {u"01.-", u"-"},
                 {u"02.NID_MENU_FILE_EXIT_REQ", u"Exit"}}));
    ASSERT_TRUE(popup->IsVisible(false));
    EXPECT_EQ(popup->GetRect().x, 30.0);
    EXPECT_EQ(popup->GetRect().y, 40.0);
    ASSERT_EQ(popup->GetItemCount(), 3);
    EXPECT_FALSE(popup->IsItemSelectable(1));
    EXPECT_EQ(popup->GetContentHeight(), 2 * popup->GetItemHeight() + 14);

    PopupKey(kDown);
    PopupKey(kDown); // skips the separator
    EXPECT_EQ(popup->GetCurrentIndex(), 2);
    PopupKey(kEnter);
    EXPECT_EQ(owner->received, 1);
    EXPECT_EQ(owner->lastID, String(u"NID_MENU_FILE_EXIT_REQ"));
    EXPECT_TRUE(popup->IsDismissing());
    Idle();
    EXPECT_FALSE(main->FindChild(u"contextMenu"));
}

TEST_F(PopupMenuTest, ClickOnARowActivatesIt)
{
    input.Place(10, 10);
    Open(MenuOf({{u"00.NID_EDIT_CUT_REQ", u"Cut"}, {u"01.NID_EDIT_COPY_REQ", u"Copy"}}));
    Move(20, 10 + 14 + 5);
    Press(20, 10 + 14 + 5);
    Release(20, 10 + 14 + 5);
    EXPECT_EQ(owner->received, 1);
    EXPECT_EQ(owner->lastID, String(u"NID_EDIT_COPY_REQ"));
}

TEST_F(PopupMenuTest, OpensInsideTheWindowAndEscapeCloses)
{
    input.Place(390, 290);
    Open(MenuOf({{u"00.NID_A", u"A"}}));
    EXPECT_EQ(popup->GetRect().x, 400.0 - 120.0);
    EXPECT_EQ(popup->GetRect().y, 300.0 - popup->GetRect().height);
    PopupKey(kEscape);
    EXPECT_EQ(owner->received, 0);
    Idle();
    EXPECT_FALSE(main->FindChild(u"contextMenu"));
}

TEST_F(PopupMenuTest, BadMenusAreRefusedOrCut)
{
    // A gap in the item numbers drops every later entry.
    RCPtr<LMenuDescriptor> gap = MenuOf({{u"00.NID_A", u"A"}, {u"01.NID_B", u"B"}, {u"03.NID_D", u"D"}});
    Open(gap ? gap : MenuOf({{u"00.NID_A", u"A"}}));
    EXPECT_LE(popup->GetItemCount(), 2);
    EXPECT_EQ(popup->SetMenuDescriptorChecked(nullptr), E_INVALIDARG);
    EXPECT_EQ(popup->SetOwner(nullptr), E_INVALIDARG);
}

TEST_F(PopupMenuTest, SubmenuOpensAfterTheHoverDelayAndItsCommandReachesTheOwnerOnce)
{
    input.Place(10, 10);
    Open(MenuOf({{u"00.NID_A", u"A|Does A"}, {u"01.SUB.", u"More"}, {u"SUB.00.NID_X", u"X"}, {u"SUB.01.NID_Y", u"Y"}}));
    Move(20, 10 + 5);
    EXPECT_NE(std::find(services.statusTexts.begin(), services.statusTexts.end(), u"Does A"),
              services.statusTexts.end());

    Move(20, 10 + 14 + 5);
    ASSERT_EQ(popup->GetCurrentIndex(), 1);
    IdleAfter(250);
    EXPECT_FALSE(popup->GetSubmenu());
    IdleAfter(1);
    RCPtr<LPopupMenu> submenu = popup->GetSubmenu();
    ASSERT_TRUE(submenu);
    EXPECT_TRUE(submenu->IsVisible(false));
    EXPECT_EQ(submenu->GetItemCount(), 2);
    // Right of the row, top at the row's top.
    EXPECT_EQ(submenu->GetRect().x, 120.0);
    EXPECT_EQ(submenu->GetRect().y, 14.0);

    // Back onto a leaf: the submenu closes only after the delay.
    Move(20, 10 + 5);
    IdleAfter(100);
    EXPECT_TRUE(popup->GetSubmenu());
    IdleAfter(151);
    EXPECT_FALSE(popup->GetSubmenu());

    // Right opens it at once; its leaf's command reaches the popup's owner once.
    Move(20, 10 + 14 + 5);
    popup->OnKeyInput(RCPtr<LKeyParam>(new LKeyParam({KeyCode::Press(VirtualKey::kRight), 0, 0})));
    submenu = popup->GetSubmenu();
    ASSERT_TRUE(submenu);
    EXPECT_EQ(submenu->GetCurrentIndex(), 0);
    submenu->OnKeyInput(RCPtr<LKeyParam>(new LKeyParam({kDown, 0, 0})));
    submenu->OnKeyInput(RCPtr<LKeyParam>(new LKeyParam({kEnter, 0, 0})));
    EXPECT_EQ(owner->received, 1);
    EXPECT_EQ(owner->lastID, String(u"NID_Y"));
    EXPECT_TRUE(popup->IsDismissing());
}

TEST_F(PopupMenuTest, AHeldButtonGoesOnIntoTheSubmenuAndBack)
{
    input.Place(10, 10);
    Open(MenuOf({{u"00.NID_A", u"A"}, {u"01.SUB.", u"More"}, {u"SUB.00.NID_X", u"X"}, {u"SUB.01.NID_Y", u"Y"}}));
    // The button held over the popup, as a title hands it over.
    auto moveTo = [&](int32_t x, int32_t y) { root->DispatchMouseMove({x, y}, 0, 0); };
    moveTo(20, 10 + 14 + 5);
    input.Place(20, 10 + 14 + 5, kLeftButton);
    ASSERT_EQ(popup->BeginDrag(kLeftButton, 10, 19), S_OK);
    moveTo(21, 10 + 14 + 5);
    ASSERT_EQ(popup->GetCurrentIndex(), 1);
    PopupKey(KeyCode::Press(VirtualKey::kRight)); // Right opens the submenu at once
    RCPtr<LPopupMenu> submenu = popup->GetSubmenu();
    ASSERT_TRUE(submenu);
    // Submenu rows: x from 130, y from 24.
    moveTo(140, 24 + 5);
    EXPECT_EQ(root->GetCaptureControl(), RCPtr<LControl>(submenu));
    moveTo(140, 24 + 14 + 5);
    EXPECT_EQ(submenu->GetCurrentIndex(), 1);
    // Back into the parent, then on into the submenu again.
    moveTo(20, 10 + 14 + 5);
    EXPECT_EQ(root->GetCaptureControl(), RCPtr<LControl>(popup));
    EXPECT_EQ(popup->GetSubmenu(), submenu);
    moveTo(140, 24 + 14 + 5);
    ASSERT_EQ(root->GetCaptureControl(), RCPtr<LControl>(submenu));
    root->DispatchMouseButton(LRootWindow::kRelease, kLeftButton, 0, {140, 24 + 14 + 5}, 0);
    EXPECT_EQ(owner->received, 1);
    EXPECT_EQ(owner->lastID, String(u"NID_Y"));
}

TEST_F(PopupMenuTest, TheWidestItemWidensThePopupButNeverBelowItsSkinWidth)
{
    // Opened away from the left edge too: the width is the popup's own, not a far edge.
    for (const int32_t x : {0, 40}) {
        SCOPED_TRACE(testing::Message() << "opened at x " << x);
        input.Place(x, 0);
        Open(MenuOf({{u"00.NID_A", u"A"}}));
        EXPECT_EQ(popup->GetRect().width, 120.0);
        const int32_t shortWidth = popup->GetItemPreferredWidth(0);
        ASSERT_EQ(popup->SetMenuDescriptorChecked(
                      MenuOf({{u"00.NID_A", u"A"}, {u"01.NID_B", u"A label wider than the skin's width"}})),
                  S_OK);
        Idle();
        const int32_t longWidth = popup->GetItemPreferredWidth(1);
        EXPECT_GT(longWidth, shortWidth);
        EXPECT_GT(longWidth, 120);
        EXPECT_EQ(popup->GetRect().x, double(x));
        EXPECT_GE(popup->GetRect().width, double(longWidth));
        EXPECT_EQ(popup->GetItemPreferredWidth(2), 0);
        static_cast<void>(popup->Dismiss()); // a popup already closed stays closed
        Idle();
    }
}

// A skin change gives the popup new rows: the separator, the width and the selection follow them.
TEST_F(PopupMenuTest, ANewSkinBuildsTheRowsAgain)
{
    input.Place(10, 10);
    Open(MenuOf({{u"00.NID_A", u"A"}, {u"01.-", u"-"}, {u"02.NID_B", u"B"}}));
    PopupKey(kDown);
    ASSERT_EQ(popup->GetCurrentIndex(), 0);
    ASSERT_EQ(popup->GetContentHeight(), 2 * 14 + 14);

    ASSERT_EQ(popup->ApplyDescriptor(services.factory->FindControlDescriptor(u"tallMenu")), S_OK);
    Idle();
    EXPECT_EQ(popup->GetItemHeight(), 20);
    EXPECT_EQ(popup->GetContentHeight(), 2 * 20 + 20);
    EXPECT_EQ(popup->GetCurrentIndex(), -1);
    EXPECT_EQ(popup->GetSelectedCount(), 0);
    // Short labels: the new skin's width stays the least.
    EXPECT_EQ(popup->GetRect().width, 300.0);
    String text;
    popup->GetItemText(text, 2);
    EXPECT_EQ(text, String(u"B"));
}

TEST_F(PopupMenuTest, TheCoreOpensTheSkinsContextMenu)
{
    input.Place(50, 60);
    ASSERT_EQ(main->ShowContextMenu(MenuOf({{u"00.NID_A", u"A"}})), S_OK);
    RCPtr<LPopupMenu> shown(main->FindChild(u"contextMenu"));
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->IsVisible(false));
    EXPECT_EQ(shown->GetRect().x, 50.0);
    EXPECT_EQ(shown->GetItemCount(), 1);
}

TEST_F(PopupMenuTest, ItemStatesAreAskedAnewAtEveryShowing)
{
    RCPtr<MenuStateAnswerer> view(new MenuStateAnswerer(nullptr, u"view"));
    Open(MenuOf({{u"00.NID_A", u"A"}, {u"01.NID_B", u"B"}, {u"02.-", u"-"}, {u"03.NID_C", u"C"}}),
         view->GetMenuItemUpdater());
    // The leaves from the last to the first; the separator is not asked.
    EXPECT_EQ(view->asked, (std::vector<std::u16string>{u"NID_C", u"NID_B", u"NID_A"}));

    const struct {
        std::map<std::u16string, MenuItemState> answers;
        bool enabledA;
        bool checkedB;
        const char16_t* labelB;
    } showings[] = {
        {{{u"NID_B", {1, 1, u"Bee"}}}, true, true, u"Bee"},
        {{{u"NID_A", {0, 0, u"A"}}, {u"NID_B", {1, 0, u"Bee"}}}, false, false, u"Bee"},
        // A target that stops answering leaves the states of the last showing.
        {{}, false, false, u"Bee"},
        {{{u"NID_A", {1, 0, u"A"}}, {u"NID_B", {1, 0, u"B"}}}, true, false, u"B"},
    };
    for (const auto& showing : showings) {
        view->answers = showing.answers;
        ShowAgain();
        SCOPED_TRACE(testing::Message() << "showing with " << showing.answers.size() << " answers");
        EXPECT_EQ(RowEnabled(0), showing.enabledA);
        EXPECT_EQ(popup->IsItemSelectable(0), showing.enabledA);
        EXPECT_EQ(popup->IsItemChecked(1), showing.checkedB);
        EXPECT_EQ(ItemText(1), showing.labelB);
        EXPECT_TRUE(RowEnabled(3));
    }
    EXPECT_EQ(popup->GetCurrentIndex(), -1);
}

TEST_F(PopupMenuTest, ApplyItemStateTakesOnlyWhatTheItemCanShow)
{
    Open(MenuOf({{u"00.NID_A", u"A"}, {u"01.-", u"-"}, {u"02.SUB.", u"More"}, {u"SUB.00.NID_X", u"X"}}));
    ASSERT_EQ(popup->GetItemCount(), 3);
    const int32_t separatorWidth = popup->GetItemPreferredWidth(1);
    const struct {
        int32_t index;
        MenuItemState state;
        KXRESULT result;
        uint8_t enabled, checked;
        const char16_t* label; // null: as before
    } cases[] = {
        {-1, {0, 1, u"Minus"}, E_INVALIDARG, 0, 0, nullptr},
        {3, {0, 1, u"Past"}, E_INVALIDARG, 0, 0, nullptr},
        {0, {1, 0, u"A"}, S_FALSE, 1, 0, u"A"},
        {0, {0, 1, u"A longer label"}, S_OK, 0, 1, u"A longer label"},
        // A separator shows no text and is never enabled or checked.
        {1, {0, 1, u"A label far wider than any row of this menu"}, S_FALSE, 1, 0, nullptr},
        // An item with sub-items is never checked.
        {2, {0, 1, u"Less"}, S_OK, 0, 0, u"Less"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "index " << c.index);
        const bool valid = c.index >= 0 && c.index < popup->GetItemCount();
        const RCPtr<LMenuItemDescriptor> item =
            valid ? popup->GetMenuDescriptor()->GetItems().GetAt(unsigned(c.index)) : nullptr;
        const String before = item ? item->label : String();
        EXPECT_EQ(popup->ApplyItemState(c.index, c.state), c.result);
        if (!item)
            continue;
        EXPECT_EQ(item->enabled, c.enabled);
        EXPECT_EQ(item->checked, c.checked);
        EXPECT_EQ(item->label, c.label ? String(c.label) : before);
        if (c.label) {
            EXPECT_EQ(ItemText(c.index), c.label);
        }
    }
    EXPECT_FALSE(popup->IsItemSelectable(0));
    EXPECT_FALSE(RowEnabled(0));
    EXPECT_EQ(popup->GetItemPreferredWidth(1), separatorWidth);
}

TEST_F(PopupMenuTest, AnUpdaterWhoseControlIsGoneAsksNobody)
{
    RCPtr<MenuStateAnswerer> view(new MenuStateAnswerer(nullptr, u"view"));
    view->answers[u"NID_A"] = {0, 0, u"A"};
    const RCPtr<LMenuItemUpdater> updater = view->GetMenuItemUpdater();
    EXPECT_EQ(view->GetMenuItemUpdater(), updater);
    Open(MenuOf({{u"00.NID_A", u"A"}, {u"01.NID_B", u"B"}}), updater);
    EXPECT_FALSE(RowEnabled(0));
    view = nullptr; // the popup still holds the updater
    EXPECT_FALSE(updater->GetTarget());
    ShowAgain();
    EXPECT_FALSE(RowEnabled(0));
    EXPECT_TRUE(RowEnabled(1));
}

TEST_F(PopupMenuTest, ASubmenuAsksItsParentsUpdater)
{
    RCPtr<MenuStateAnswerer> view(new MenuStateAnswerer(nullptr, u"view"));
    view->answers[u"NID_Y"] = {0, 0, u"Y"};
    view->answers[u"NID_X"] = {1, 1, u"X"};
    Open(MenuOf({{u"00.NID_A", u"A"}, {u"01.SUB.", u"More"}, {u"SUB.00.NID_X", u"X"}, {u"SUB.01.NID_Y", u"Y"}}),
         view->GetMenuItemUpdater());
    popup->SelectItems(1, 1, true);
    PopupKey(KeyCode::Press(VirtualKey::kRight));
    RCPtr<LPopupMenu> submenu = popup->GetSubmenu();
    ASSERT_TRUE(submenu);
    EXPECT_TRUE(submenu->IsItemChecked(0));
    EXPECT_FALSE(submenu->IsItemSelectable(1));
}

TEST_F(PopupMenuTest, AContextMenuAsksTheControlThatOpenedIt)
{
    RCPtr<MenuStateAnswerer> view(new MenuStateAnswerer(main, u"view"));
    ASSERT_TRUE(
        Succeeded(main->AddChild(RCPtr<LControl>(view), DescriptorFor(u"view", AbsoluteLayout(0, 0, 200, 200)))));
    view->answers[u"NID_B"] = {0, 0, u"B"};
    ASSERT_EQ(view->ShowContextMenu(MenuOf({{u"00.NID_A", u"A"}, {u"01.NID_B", u"B"}})), S_OK);
    popup = RCPtr<LPopupMenu>(view->FindChild(u"contextMenu"));
    ASSERT_TRUE(popup);
    EXPECT_EQ(view->asked, (std::vector<std::u16string>{u"NID_B", u"NID_A"}));
    EXPECT_TRUE(RowEnabled(0));
    EXPECT_FALSE(RowEnabled(1));
}

// The main control binds keys for the window ("GHK"), its child "view" for itself ("LHK"); the
// application's table is the fixture's.
class PopupMenuHotKeyTest : public PopupMenuTest {
protected:
    PopupMenuHotKeyTest()
    {
        strings = StringDocument(R"(
 <StringTable ID="PresetEditor|mainControl">
  <String ID="GHK.NID_ALL"><Locale LCID="0x0009">Ctrl+VKEY_2</Locale></String>
  <String ID="GHK.NID_ROOT"><Locale LCID="0x0009">Ctrl+VKEY_R</Locale></String>
 </StringTable>
 <StringTable ID="Test.Panel|view">
  <String ID="LHK.NID_ALL"><Locale LCID="0x0009">Ctrl+VKEY_1</Locale></String>
 </StringTable>)");
    }
    void SetUp() override
    {
        PopupMenuTest::SetUp();
        global = RCPtr<Recorder>(new Recorder("global"));
        services.hotKeys = LGlobalHotKeyManager::Create(RCPtr<LNotificationReceiver>(global));
        KeyBindingMap& keys = services.hotKeys->GetKeyBindingMap();
        ASSERT_EQ(keys.Bind(KeyCode(String(u"Ctrl+VKEY_3")), u"NID_ALL"), S_OK);
        ASSERT_EQ(keys.Bind(KeyCode(String(u"Ctrl+VKEY_G")), u"NID_ROOT"), S_OK);
        ASSERT_EQ(keys.Bind(KeyCode(String(u"VKEY_F5")), u"NID_GLOBAL"), S_OK);
        ASSERT_EQ(keys.Bind(KeyCode(String(u"VKEY_F6")), u"NID_OWN"), S_OK);
        view = RCPtr<LControl>(new LControl(main, u"view"));
        ASSERT_TRUE(Succeeded(main->AddChild(view, DescriptorFor(u"view", AbsoluteLayout(0, 0, 200, 200)))));
        ASSERT_EQ(view->Initialize(), S_OK);
    }
    void TearDown() override
    {
        services.hotKeys = nullptr;
        global = nullptr;
        view = nullptr;
        PopupMenuTest::TearDown();
    }

    RCPtr<Recorder> global;
    RCPtr<LControl> view;
};

TEST_F(PopupMenuHotKeyTest, AnItemShowsTheKeyOfTheNearestTableThatBindsItsCommand)
{
    const char16_t* const names[] = {u"NID_ALL", u"NID_ROOT", u"NID_GLOBAL", u"NID_NONE", u"NID_OWN"};
    RCPtr<LMenuDescriptor> menu(new LMenuDescriptor);
    for (const char16_t* name : names)
        ASSERT_EQ(menu->InsertItem(menu->GetItems().GetCount(), name, name, true, false), S_OK);
    menu->GetItems().GetAt(4)->hotKeyText = u"Own";

    enum Route { kContextMenu, kWindowOwner, kOtherOwner };
    const struct {
        Route route;
        const char16_t* texts[5];
    } routes[] = {
        // The opening control's own keys, then its window's, then the application's.
        {kContextMenu, {u"Ctrl+1", u"Ctrl+R", u"F5", u"", u"Own"}},
        {kWindowOwner, {u"Ctrl+2", u"Ctrl+R", u"F5", u"", u"Own"}},
        {kOtherOwner, {u"Ctrl+3", u"Ctrl+G", u"F5", u"", u"Own"}},
    };
    for (const auto& r : routes) {
        SCOPED_TRACE(testing::Message() << "route " << int(r.route));
        if (r.route == kContextMenu) {
            ASSERT_EQ(view->ShowContextMenu(menu), S_OK);
            popup = RCPtr<LPopupMenu>(view->FindChild(u"contextMenu"));
            ASSERT_TRUE(popup);
        } else {
            Open(menu, nullptr, r.route == kWindowOwner ? root->GetPostingReceiver() : nullptr);
        }
        for (int32_t i = 0; i < 5; ++i) {
            EXPECT_EQ(popup->GetMenuDescriptor()->GetItems().GetAt(unsigned(i))->hotKeyText, r.texts[i]) << i;
            const int32_t row = popup->GetItemControlIndexOfEntry(i);
            if (row >= 0) {
                EXPECT_EQ(popup->GetItemControl(row)->FindChild(u"hotKeyLabel")->GetText(), r.texts[i]) << i;
            }
        }
        static_cast<void>(popup->Dismiss()); // a popup already closed stays closed
        Idle();
    }
    EXPECT_EQ(menu->GetItems().GetAt(0)->hotKeyText, String()) << "the caller's menu keeps its texts";
}

} // namespace
} // namespace KX::Test
