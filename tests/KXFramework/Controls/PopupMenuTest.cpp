#include "KXFramework/Controls/PopupMenu.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"

#include "ControlsFixture.h"
#include "FourteenLooks.h"
#include "NotificationDoubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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
   </SubControl>)";

constexpr uint32_t kDown = 0x20280000, kEnter = 0x200D0000, kEscape = 0x201B0000;

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
        std::string looks = FourteenLooks("row");
        const size_t lists = looks.find(" <LookLists>");
        looks.insert(looks.find("  </LookList>", lists) + 14,
                     "  <LookList Name=\"menu\" NumLooks=\"3\"><Look Name=\"row0\" Index=\"0\"/><Look Name=\"row0\" "
                     "Index=\"1\"/>"
                     "<Look Name=\"row0\" Index=\"2\"/></LookList>\n");
        Load(SkinDocument(looks, kControls));
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
    // The skin's context menu under the main control, owned by a recorder.
    void Open(const RCPtr<LMenuDescriptor>& menu)
    {
        RCPtr<LControl> created;
        services.registry->CreateControl(created, services.factory->FindControlDescriptor(u"contextMenu"), main);
        popup = RCPtr<LPopupMenu>(created);
        ASSERT_TRUE(popup);
        owner = RCPtr<Recorder>(new Recorder("owner"));
        ASSERT_EQ(popup->SetOwner(RCPtr<LNotificationReceiver>(owner)), S_OK);
        EXPECT_EQ(popup->SetOwner(RCPtr<LNotificationReceiver>(owner)), E_FAIL);
        ASSERT_EQ(popup->SetMenuDescriptorChecked(menu), S_OK);
        static_cast<void>(popup->ShowAtCursor()); // a popup that cannot open leaves the window as it was
    }
    void PopupKey(uint32_t key) { popup->OnKeyInput(RCPtr<LKeyParam>(new LKeyParam({key, 0, 0}))); }

    RCPtr<LControl> main;
    RCPtr<LPopupMenu> popup;
    RCPtr<Recorder> owner;
};

TEST_F(PopupMenuTest, ChosenCommandReachesTheOwnerOnce)
{
    window.cursorPosition = {30, 40};
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
    window.cursorPosition = {10, 10};
    Open(MenuOf({{u"00.NID_EDIT_CUT_REQ", u"Cut"}, {u"01.NID_EDIT_COPY_REQ", u"Copy"}}));
    Move(20, 10 + 14 + 5);
    Press(20, 10 + 14 + 5);
    Release(20, 10 + 14 + 5);
    EXPECT_EQ(owner->received, 1);
    EXPECT_EQ(owner->lastID, String(u"NID_EDIT_COPY_REQ"));
}

TEST_F(PopupMenuTest, OpensInsideTheWindowAndEscapeCloses)
{
    window.cursorPosition = {390, 290};
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
    window.cursorPosition = {10, 10};
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
    popup->OnKeyInput(RCPtr<LKeyParam>(new LKeyParam({0x20270000, 0, 0})));
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
    window.cursorPosition = {10, 10};
    Open(MenuOf({{u"00.NID_A", u"A"}, {u"01.SUB.", u"More"}, {u"SUB.00.NID_X", u"X"}, {u"SUB.01.NID_Y", u"Y"}}));
    // The button held over the popup, as a title hands it over.
    auto moveTo = [&](int32_t x, int32_t y) {
        window.cursorPosition = {x, y};
        root->DispatchMouseMove({x, y}, 0, 0);
    };
    moveTo(20, 10 + 14 + 5);
    window.buttons = 1;
    ASSERT_EQ(popup->BeginDrag(1, 10, 19), S_OK);
    moveTo(21, 10 + 14 + 5);
    ASSERT_EQ(popup->GetCurrentIndex(), 1);
    PopupKey(0x20270000); // Right opens the submenu at once
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
    window.buttons = 0;
    root->DispatchMouseButton(LRootWindow::kRelease, 1, 0, {140, 24 + 14 + 5}, 0);
    EXPECT_EQ(owner->received, 1);
    EXPECT_EQ(owner->lastID, String(u"NID_Y"));
}

TEST_F(PopupMenuTest, TheWidestItemWidensThePopupButNeverBelowItsSkinWidth)
{
    Open(MenuOf({{u"00.NID_A", u"A"}}));
    EXPECT_EQ(popup->GetRect().width, 120.0);
    const int32_t shortWidth = popup->GetItemPreferredWidth(0);
    ASSERT_EQ(
        popup->SetMenuDescriptorChecked(MenuOf(
            {{u"00.NID_A", u"A"}, {u"01.NID_B", u"A label far wider than the skin's hundred and twenty pixels"}})),
        S_OK);
    Idle();
    const int32_t longWidth = popup->GetItemPreferredWidth(1);
    EXPECT_GT(longWidth, shortWidth);
    EXPECT_GT(longWidth, 120);
    EXPECT_GE(popup->GetRect().width, double(longWidth));
    EXPECT_EQ(popup->GetItemPreferredWidth(2), 0);
}

TEST_F(PopupMenuTest, TheCoreOpensTheSkinsContextMenu)
{
    window.cursorPosition = {50, 60};
    ASSERT_EQ(main->ShowContextMenu(MenuOf({{u"00.NID_A", u"A"}})), S_OK);
    RCPtr<LPopupMenu> shown(main->FindChild(u"contextMenu"));
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->IsVisible(false));
    EXPECT_EQ(shown->GetRect().x, 50.0);
    EXPECT_EQ(shown->GetItemCount(), 1);
}

} // namespace
} // namespace KX::Test
