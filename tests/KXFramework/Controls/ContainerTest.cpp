#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/Controls/Dialog.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/TabControl.h"
#include "KXFramework/Notification/GlobalHotKeyManager.h"
#include "KXFramework/Notification/KeyCode.h"

#include "DocumentResources.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {
namespace {

// A tab control whose buttons were added in another order than their tab stops, a dialog with
// standard buttons (and one that only looks like one), and nested panels with tab stops.
const char kControls[] = R"(   <SubControl Class="Test.Tabs" Name="tabs" XSizeAbs="300" YSizeAbs="200">
    <Skin Name="t" LookList="grey"/>
    <SubControl Class="Test.Plain" Name="buttonHolder" XSizeAbs="300" YSizeAbs="20">
     <Skin Name="b" LookList="grey"/>
     <SubControl Class="Test.Plain" Name="first" TabStop="2" XPositionAbs="0" XSizeAbs="50" YSizeAbs="20"><Skin Name="b1" LookList="grey"/></SubControl>
     <SubControl Class="Test.Plain" Name="second" TabStop="1" XPositionAbs="50" XSizeAbs="50" YSizeAbs="20"><Skin Name="b2" LookList="grey"/></SubControl>
     <SubControl Class="Test.Plain" Name="third" TabStop="3" XPositionAbs="100" XSizeAbs="50" YSizeAbs="20"><Skin Name="b3" LookList="grey"/></SubControl>
    </SubControl>
    <SubControl Class="Test.Plain" Name="pageHolder" YPositionAbs="20" XSizeAbs="300" YSizeAbs="180">
     <SubControl Class="Test.Plain" Name="page1" XSizeAbs="300" YSizeAbs="180"/>
     <SubControl Class="Test.Plain" Name="page2" XSizeAbs="300" YSizeAbs="180"/>
     <SubControl Class="Test.Plain" Name="page3" XSizeAbs="300" YSizeAbs="180"/>
    </SubControl>
   </SubControl>
   <SubControl Class="Test.Dialog" Name="dialog" XSizeAbs="200" YSizeAbs="100">
    <Skin Name="d" LookList="grey"/>
    <SubControl Class="Test.Plain" Name="buttonOK" XPositionAbs="0" XSizeAbs="50" YSizeAbs="20"><Skin Name="o" LookList="grey"/></SubControl>
    <SubControl Class="Test.Plain" Name="buttonCancel" XPositionAbs="50" XSizeAbs="50" YSizeAbs="20"><Skin Name="c" LookList="grey"/></SubControl>
    <SubControl Class="Test.Plain" Name="buttonno" XPositionAbs="100" XSizeAbs="50" YSizeAbs="20"><Skin Name="n" LookList="grey"/></SubControl>
   </SubControl>
   <SubControl Class="Test.Panel" Name="outer" XSizeAbs="300" YSizeAbs="200">
    <SubControl Class="Test.Plain" Name="a" TabStop="1" XSizeAbs="10" YSizeAbs="10"/>
    <SubControl Class="Test.Panel" Name="inner" TabStop="2" XSizeAbs="100" YSizeAbs="100">
     <SubControl Class="Test.Plain" Name="x" TabStop="1" XSizeAbs="10" YSizeAbs="10"/>
     <SubControl Class="Test.Plain" Name="y" TabStop="2" XSizeAbs="10" YSizeAbs="10"/>
    </SubControl>
    <SubControl Class="Test.Plain" Name="b" TabStop="3" XSizeAbs="10" YSizeAbs="10"/>
   </SubControl>
   <SubControl Class="Test.Panel" Name="form" XSizeAbs="300" YSizeAbs="200">
    <SubControl Class="Test.Plain" Name="right" XPositionAbs="100" XSizeAbs="50" YSizeAbs="20"/>
    <SubControl Class="Test.Plain" Name="left" YPositionAbs="4" XSizeAbs="50" YSizeAbs="20"/>
    <SubControl Class="Test.Panel" Name="empty" YPositionAbs="30" XSizeAbs="50" YSizeAbs="20"/>
    <SubControl Class="Test.Panel" Name="page" YPositionAbs="60" XSizeAbs="50" YSizeAbs="20">
     <SubControl Class="Test.Plain" Name="onPage" XSizeAbs="50" YSizeAbs="20"/>
    </SubControl>
    <SubControl Class="Test.Plain" Name="off" YPositionAbs="90" XSizeAbs="50" YSizeAbs="20"/>
    <SubControl Class="Test.Plain" Name="label" TabStop="-1" YPositionAbs="120" XSizeAbs="50" YSizeAbs="20"/>
    <SubControl Class="Test.Plain" Name="below" YPositionAbs="150" XSizeAbs="50" YSizeAbs="20"/>
   </SubControl>)";

const std::string kSkin =
    SkinFile(SolidParts({{"grey", 0xFF808080}}) + SkinLooks().Solid("grey").Text(), R"(Name="s")", kControls);

class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        documents.Set(u"APP_SKINS", kSkin);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.Plain", &CreateControlOf<LControl>)); // a name registered twice keeps its function
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.Panel", &CreateControlOf<LPanel>)); // a name registered twice keeps its function
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.Tabs", &CreateControlOf<LTabControl>)); // a name registered twice keeps its function
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.Dialog", &CreateControlOf<LDialog>)); // a name registered twice keeps its function
        window.focused = true;
        root = LRootWindow::Create(renderer, &window);
    }
    void TearDown() override { root->BreakCycles(); }

    template <class T>
    RCPtr<T> Content(const char16_t* name)
    {
        EXPECT_EQ(root->SetContentByName(name), S_OK);
        return RCPtr<T>(dynamic_cast<T*>(root->GetContent().Get()));
    }

    // Press and release over a point: a left click.
    void Click(const PointT<int32_t>& p)
    {
        root->SetPointerState({.position = p});
        root->DispatchMouseButton(LRootWindow::kPress, kLeftButton, 0, p, 0);
        root->DispatchMouseButton(LRootWindow::kRelease, kLeftButton, 0, p, 0);
    }

    // Names of the notifications sent and the name of each payload control ("-" for none).
    void Listen(const RCPtr<LControl>& sender, std::initializer_list<const char16_t*> names)
    {
        listener = RCPtr<Recorder>(new Recorder("listener"));
        listener->react = [this](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
            auto* payload = dynamic_cast<LControl*>(n->GetPayload().Get());
            heard.push_back(std::u16string(n->GetName().GetString()) + u" " +
                            (payload ? payload->GetName().GetString() : u"-"));
        };
        for (const char16_t* name : names)
            listener->RegisterForNotification(RCPtr<LNotificationDistributor>(sender), name, 0);
    }

    DocumentResources documents;
    FakeFrameworkServices services;
    FakeWindow window;
    RCPtr<RecordingRenderer> renderer{new RecordingRenderer};
    RCPtr<LRootWindow> root;
    RCPtr<Recorder> listener;
    std::vector<std::u16string> heard;
};

std::vector<std::u16string> VisiblePages(LTabControl& tabs)
{
    std::vector<std::u16string> names;
    for (int32_t i = 0; i < 3; ++i) {
        if (RCPtr<LControl> page = tabs.GetPage(i); page && page->IsVisible(false))
            names.emplace_back(page->GetName().GetString());
    }
    return names;
}

TEST_F(ContainerTest, ATabControlShowsOnlyItsSelectedPage)
{
    RCPtr<LTabControl> tabs = Content<LTabControl>(u"tabs");
    ASSERT_TRUE(tabs);
    // The lowest tab stop is selected first, though it was added second.
    EXPECT_EQ(tabs->GetSelectedName(), String(u"second"));
    EXPECT_EQ(VisiblePages(*tabs), (std::vector<std::u16string>{u"page2"}));

    Listen(tabs, {u"NID_TAB_BECOMING_UNSELECTED", u"NID_TAB_SELECTED", u"NID_TAB_BUTTON_CLICKED"});
    EXPECT_EQ(tabs->SelectTab(u"third"), S_OK);
    EXPECT_EQ(VisiblePages(*tabs), (std::vector<std::u16string>{u"page3"}));
    EXPECT_EQ(heard, (std::vector<std::u16string>{u"NID_TAB_BECOMING_UNSELECTED page2", u"NID_TAB_SELECTED page3"}));

    // Selecting it again announces no unselection.
    heard.clear();
    tabs->SelectTab(u"third");
    EXPECT_EQ(heard, (std::vector<std::u16string>{u"NID_TAB_SELECTED page3"}));

    // An unknown name hides every page and selects nothing.
    heard.clear();
    tabs->SelectTab(u"missing");
    EXPECT_TRUE(VisiblePages(*tabs).empty());
    EXPECT_EQ(tabs->GetSelectedIndex(), -1);
    EXPECT_EQ(heard, (std::vector<std::u16string>{u"NID_TAB_BECOMING_UNSELECTED page3", u"NID_TAB_SELECTED -"}));
    EXPECT_FALSE(tabs->GetPage(3));
    EXPECT_EQ(tabs->SelectTabByIndex(3), E_FAIL);
}

TEST_F(ContainerTest, ClickingATabButtonSelectsItsPage)
{
    RCPtr<LTabControl> tabs = Content<LTabControl>(u"tabs");
    Listen(tabs, {u"NID_TAB_BUTTON_CLICKED", u"NID_TAB_SELECTED"});
    Click({10, 10});
    EXPECT_EQ(heard, (std::vector<std::u16string>{u"NID_TAB_BUTTON_CLICKED first", u"NID_TAB_SELECTED page1"}));
    EXPECT_EQ(VisiblePages(*tabs), (std::vector<std::u16string>{u"page1"}));
}

TEST_F(ContainerTest, TheCancelButtonClosesADialogWithTwo)
{
    RCPtr<LDialog> dialog = Content<LDialog>(u"dialog");
    ASSERT_TRUE(dialog);
    Listen(dialog, {u"NID_DIALOG_CLOSING", u"NID_DIALOG_CLOSED"});
    Click({60, 10});
    EXPECT_EQ(dialog->GetResult(), 2);
    EXPECT_EQ(heard, (std::vector<std::u16string>{u"NID_DIALOG_CLOSING -", u"NID_DIALOG_CLOSED -"}));
    root->ProcessEvents(false);
    EXPECT_EQ(window.endModalResults, (std::vector<int32_t>{2}));

    // Names match exactly: "buttonno" is no standard button.
    Click({110, 10});
    root->ProcessEvents(false);
    EXPECT_EQ(window.endModalResults, (std::vector<int32_t>{2}));

    // The window's own close box closes a dialog content with 2 too.
    root->OnCloseRequest();
    root->ProcessEvents(false);
    EXPECT_EQ(window.endModalResults, (std::vector<int32_t>{2, 2}));
}

TEST_F(ContainerTest, AVetoKeepsTheDialogOpen)
{
    RCPtr<LDialog> dialog = Content<LDialog>(u"dialog");
    Listen(dialog, {u"NID_DIALOG_CLOSING", u"NID_DIALOG_CLOSED"});
    listener->react = [this](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
        heard.emplace_back(n->GetName().GetString());
        if (auto* args = dynamic_cast<LCancelArgs*>(n->GetPayload().Get()))
            args->cancel = true;
    };
    dialog->Close(6);
    root->ProcessEvents(false);
    EXPECT_EQ(dialog->GetResult(), 6);
    EXPECT_EQ(heard, (std::vector<std::u16string>{u"NID_DIALOG_CLOSING"}));
    EXPECT_TRUE(window.endModalResults.empty());
    EXPECT_EQ(dialog->DoModal(), E_FAIL);
}

TEST_F(ContainerTest, TabLeavesANestedPanelForTheNextStopOutside)
{
    RCPtr<LPanel> outer = Content<LPanel>(u"outer");
    ASSERT_TRUE(outer);
    RCPtr<LControl> inner = outer->FindChild(u"inner");
    const RCPtr<LControl>& y = inner->FindChild(u"y");
    const RCPtr<LControl>& x = inner->FindChild(u"x");
    ASSERT_EQ(y->SetFocus(true), S_OK);

    struct Case {
        const char* what;
        RCPtr<LControl> from;
        uint32_t shift;
        const char16_t* want;
    };
    const Case cases[] = {
        {"Tab on the inner panel's last stop", y, 0, u"b"},
        {"Shift+Tab on its first stop", x, KeyCode::kShiftKey, u"a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.from->SetFocus(true), S_OK);
        RCPtr<LKeyParam> key(new LKeyParam({KeyCode::Press(VirtualKey::kTab, c.shift), 0, 0}));
        key->receivers.AddItem(c.from);
        inner->MoveFocus(key);
        ASSERT_TRUE(root->GetFocusControl());
        EXPECT_EQ(root->GetFocusControl()->GetName(), String(c.want));
    }

    // Cycling inside the panel keeps the focus there, and Tab counts as consumed.
    auto* innerPanel = dynamic_cast<LPanel*>(inner.Get());
    innerPanel->SetCycleTabFocus(true);
    ASSERT_EQ(y->SetFocus(true), S_OK);
    RCPtr<LKeyParam> tab(new LKeyParam({KeyCode::Press(VirtualKey::kTab), 0, 0}));
    EXPECT_EQ(innerPanel->OnKey(tab), S_OK);
    tab->receivers.AddItem(y);
    innerPanel->MoveFocus(tab);
    EXPECT_EQ(root->GetFocusControl()->GetName(), String(u"x"));
    RCPtr<LKeyParam> ctrlTab(new LKeyParam({KeyCode::Press(VirtualKey::kTab, KeyCode::kCtrlKey), 0, 0}));
    EXPECT_EQ(innerPanel->OnKey(ctrlTab), S_FALSE);
}

TEST_F(ContainerTest, TabWalksTheShownFieldsInReadingOrderAndWraps)
{
    // Listed right before left, a hidden page, a disabled field, a label, and a panel with nothing
    // to focus in it: Tab stops only on the three fields a person sees and can use.
    RCPtr<LPanel> form = Content<LPanel>(u"form");
    ASSERT_TRUE(form);
    form->FindChild(u"page")->SetVisible(false);
    form->FindChild(u"off")->SetEnabled(false);
    ASSERT_EQ(form->FindChild(u"left")->SetFocus(true), S_OK);
    struct Case {
        uint32_t shift;
        std::vector<std::u16string> want;
    };
    for (const Case& c :
         {Case{0, {u"right", u"below", u"left"}}, Case{KeyCode::kShiftKey, {u"below", u"right", u"left"}}}) {
        std::vector<std::u16string> visited;
        for (size_t i = 0; i < c.want.size(); ++i) {
            root->DispatchKey(RCPtr<LKeyParam>(new LKeyParam({KeyCode::Press(VirtualKey::kTab, c.shift), 0, 0})));
            const RCPtr<LControl>& focus = root->GetFocusControl();
            visited.emplace_back(focus ? focus->GetName().GetString() : u"-");
        }
        EXPECT_EQ(visited, c.want);
    }
}

TEST_F(ContainerTest, AParentlessPanelHandsUnhandledKeysToTheApplication)
{
    RCPtr<LPanel> outer = Content<LPanel>(u"outer");
    const RCPtr<LControl>& a = outer->FindChild(u"a");
    RCPtr<LKeyParam> key(new LKeyParam({KeyCode::Press('A'), 0, 0}));
    EXPECT_EQ(a->HandleKey(key), S_FALSE);

    RCPtr<Recorder> receiver(new Recorder("app"));
    services.hotKeys = LGlobalHotKeyManager::Create(receiver);
    static_cast<void>(services.hotKeys->GetKeyBindingMap().Bind(
        KeyCode(String(u"VKEY_A")), u"NID_TEST_KEY")); // a key bound twice keeps its last command
    EXPECT_EQ(a->HandleKey(key), S_OK);
    EXPECT_EQ(receiver->received, 1);
}

} // namespace
} // namespace KX::Test
