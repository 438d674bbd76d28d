#include "InputFixture.h"

namespace KX::Test {
namespace {

std::string Probe(const char* name, int x, int tabStop, const std::string& inner = "")
{
    return "<SubControl Class=\"Test.Input\" Name=\"" + std::string(name) + "\" XPositionAbs=\"" + std::to_string(x) +
           "\" YPositionAbs=\"10\" XSizeAbs=\"20\" YSizeAbs=\"20\" TabStop=\"" + std::to_string(tabStop) + "\">" +
           "<Skin Name=\"" + name + "\" LookList=\"solid\"/>" + inner + "</SubControl>";
}

const std::string kWantsTab = "<CreateParamList><CreateParam ID=\"WANTS_TAB\">true</CreateParam></CreateParamList>";

// Two panels of tab stops (the second listed first in the skin, ordered by TabStop), a label
// that is no tab stop, and a control that keeps Tab for itself.
const std::string kTree = R"(<SubControl Class="Test.Input" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
 <Skin Name="m" LookList="solid"/>
 <SubControl Class="Test.Input" Name="form" XPositionAbs="10" YPositionAbs="10" XSizeAbs="200" YSizeAbs="100" TabStop="1">
  <Skin Name="f" LookList="solid"/>)" +
                          Probe("second", 40, 2) + Probe("first", 10, 1) + Probe("label", 70, -1) + R"(
 </SubControl>
 <SubControl Class="Test.Input" Name="tools" XPositionAbs="10" YPositionAbs="150" XSizeAbs="200" YSizeAbs="100" TabStop="2">
  <Skin Name="t" LookList="solid"/>)" +
                          Probe("tool", 10, 1) + Probe("editor", 40, 2, kWantsTab) + R"(
 </SubControl>
</SubControl>)";

class FocusAndKeys : public InputFixture {
protected:
    void SetUp() override { Load(kTree); }
};

TEST_F(FocusAndKeys, FocusGoesDownToLeavesAndMarksTheBranch)
{
    InputProbe& form = Get(u"form");
    EXPECT_EQ(form.SetFocus(true), S_OK);
    EXPECT_EQ(FocusName(), "first");
    EXPECT_TRUE(form.ContainsFocus());
    EXPECT_FALSE(form.HasFocus());
    EXPECT_TRUE(Get(u"mainControl").ContainsFocus());
    EXPECT_EQ(form.SetFocus(false), S_OK);
    EXPECT_EQ(FocusName(), "first"); // the focused child keeps it
    Get(u"tools").SetFocus(false);
    EXPECT_EQ(FocusName(), "editor");
    EXPECT_FALSE(form.ContainsFocus());
    EXPECT_FALSE(Get(u"first").HasFocus());
    EXPECT_TRUE(Get(u"tools").ContainsFocus());
}

TEST_F(FocusAndKeys, TabAndShiftTabWalkTheTabOrderAcrossPanelsAndWrap)
{
    Get(u"first").SetFocus(true);
    std::vector<std::string> visited;
    for (int i = 0; i < 4; ++i) {
        Key(VirtualKey::kTab);
        visited.push_back(FocusName());
    }
    // editor keeps Tab: the focus stays there.
    EXPECT_EQ(visited, (std::vector<std::string>{"second", "tool", "editor", "editor"}));
    EXPECT_EQ(log.back(), "editor:key");
    Get(u"tool").SetFocus(true);
    visited.clear();
    for (int i = 0; i < 3; ++i) {
        Key(VirtualKey::kTab, KeyCode::kShiftKey);
        visited.push_back(FocusName());
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"second", "first", "editor"}));
}

TEST_F(FocusAndKeys, APressOnANonFocusableControlFocusesUpward)
{
    Press(85, 25); // the label
    Release(85, 25);
    EXPECT_EQ(FocusName(), "first");
    // Under a not-focusable ancestor nothing takes the focus by a press.
    Get(u"tools").SetNotFocusable(true);
    Press(25, 165);
    Release(25, 165);
    EXPECT_EQ(FocusName(), "first");
}

TEST_F(FocusAndKeys, SetNotFocusableFlipsTheTabStopSignAndMovesTheFocus)
{
    InputProbe& first = Get(u"first");
    RCPtr<LLayoutDescriptor> layout = first.GetLayoutDescriptor();
    first.SetFocus(true);
    first.SetNotFocusable(true);
    EXPECT_EQ(layout->tabStop, -1);
    EXPECT_EQ(FocusName(), "second");
    first.SetNotFocusable(false);
    EXPECT_EQ(layout->tabStop, 1);
    Get(u"label").SetNotFocusable(false);
    EXPECT_EQ(Get(u"label").GetLayoutDescriptor()->tabStop, 1);
}

TEST_F(FocusAndKeys, HidingOrDisablingTheFocusHandsItOnAndARefusalKeepsIt)
{
    Get(u"second").SetFocus(true);
    Get(u"second").SetVisible(false);
    EXPECT_EQ(FocusName(), "first"); // the next field of its panel, round it
    // A panel that goes as a whole takes its fields along: the other panel's field is no successor,
    // and Tab goes on from where the focus was.
    Get(u"form").SetEnabled(false);
    EXPECT_EQ(FocusName(), "");
    EXPECT_FALSE(Get(u"form").ContainsFocus());
    Key(VirtualKey::kTab);
    EXPECT_EQ(FocusName(), "tool");
    Get(u"tool").holdsFocus = true;
    EXPECT_EQ(Get(u"editor").SetFocus(true), E_FAIL);
    EXPECT_EQ(FocusName(), "tool");
}

TEST_F(FocusAndKeys, AControlShrunkToNothingPassesTheFocus)
{
    InputProbe& second = Get(u"second");
    second.SetFocus(true);
    static_cast<void>(second.EditPlacement(0, [](PositionSpec&, SizeSpec& size) { size.absolute = 0.0; }));
    EXPECT_EQ(FocusName(), "first");
}

TEST_F(FocusAndKeys, KeysGoToLocalHotKeysThenOnKeyThenSiblingsThenTheTables)
{
    services.hotKeys = LGlobalHotKeyManager::Create(root->GetPostingReceiver());
    static_cast<void>(services.hotKeys->GetKeyBindingMap().Bind(
        KeyCode(String(u"Ctrl+VKEY_A")), u"NID_APP_KEY")); // a key bound twice keeps its last command
    static_cast<void>(root->GetHotKeyManager()->GetKeyBindingMap().Bind(
        KeyCode(String(u"VKEY_F2")), u"NID_WINDOW_KEY")); // a key bound twice keeps its last command
    std::vector<std::string> posted;
    RCPtr<Recorder> recorder(new Recorder("posted"));
    recorder->react = [&](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
        posted.push_back(n->GetName().ToNarrow().GetData());
    };
    RCPtr<LNotificationDistributor> rootDistributor(root.Get());
    for (const char16_t* name : {u"NID_APP_KEY", u"NID_WINDOW_KEY"})
        recorder->RegisterForNotification(rootDistributor, name, 0);

    Get(u"first").SetFocus(true);
    Key(VirtualKey::kF1 + 1);    // F2: the window's table
    Key('A', KeyCode::kCtrlKey); // the application's table
    Idle();
    EXPECT_EQ(posted, (std::vector<std::string>{"NID_WINDOW_KEY", "NID_APP_KEY"}));
    EXPECT_EQ(log, (std::vector<std::string>{"first:key", "first:key"}));

    // A key OnKey takes goes no further.
    posted.clear();
    Get(u"first").takesKeys = true;
    Key(VirtualKey::kF1 + 1);
    Idle();
    EXPECT_TRUE(posted.empty());
    recorder->UnregisterForAllNotifications();
}

TEST_F(FocusAndKeys, LocalHotKeysTakeTheirOwnKeysAndTheirSiblings)
{
    // Made again with a hot key on every probe: the sibling keys need the subscription at creation.
    root->BreakCycles();
    InputProbe::hotKey = KeyCode(String(u"VKEY_F5"));
    Load(kTree);
    std::vector<std::string> heard;
    RCPtr<Recorder> recorder(new Recorder("hot"));
    recorder->react = [&](const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&) {
        heard.push_back(dynamic_cast<LControl*>(sender.Get())->GetName().ToNarrow().GetData());
    };
    for (const char16_t* name : {u"first", u"second"})
        recorder->RegisterForNotification(RCPtr<LNotificationDistributor>(&Get(name)), u"NID_PROBE_HOT_KEY", 0);
    Get(u"first").SetFocus(true);
    Key(VirtualKey::kF1 + 4); // F5: the focus control's own hot key
    EXPECT_EQ(heard, (std::vector<std::string>{"first"}));
    EXPECT_TRUE(log.empty()); // OnKey never saw it

    // A sibling's hot key: only second has one now.
    InputProbe::hotKey = KeyCode();
    recorder->UnregisterForAllNotifications();
    recorder->RegisterForNotification(RCPtr<LNotificationDistributor>(&Get(u"second")), u"NID_PROBE_HOT_KEY", 0);
    heard.clear();
    Get(u"first").GetNotificationHandler()->RemoveNotification(nullptr, u"NID_SIBLING_KEY");
    Key(VirtualKey::kF1 + 4);
    EXPECT_EQ(heard, (std::vector<std::string>{"second"}));
    EXPECT_EQ(log, (std::vector<std::string>{"first:key"}));
    recorder->UnregisterForAllNotifications();
}

TEST_F(FocusAndKeys, AFocusedControlRemovedFromTheTreeLeavesNoFocusBehind)
{
    Get(u"editor").SetFocus(true);
    RCPtr<LControl> tools(&Get(u"tools"));
    static_cast<void>(Get(u"mainControl").RemoveChild(tools)); // the child is known to be ours
    EXPECT_FALSE(tools->ContainsFocus());
    Idle();
    EXPECT_TRUE(FocusName() == "first" || FocusName().empty());
    Key(VirtualKey::kTab);
    tools = nullptr;
}

} // namespace
} // namespace KX::Test
