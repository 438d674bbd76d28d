#include "KXFramework/Controls/PopupMenu.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"

#include "ControlsFixture.h"
#include "FourteenLooks.h"
#include "NotificationDoubles.h"

#include <gtest/gtest.h>

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
