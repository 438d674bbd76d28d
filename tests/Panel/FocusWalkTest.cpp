// Tab and Shift+Tab in the running editor, pressed as the desktop delivers them: the focus goes round
// the fields a person sees in reading order and back, every field shows that it has it, and a number
// box that Tab enters takes the digits typed as its new value. Where the focus goes when what held it
// goes: after a click on a tile, a field hidden under it, and a menu closed with Escape.
#include "KXFramework/ControlBase/Look.h"
#include "KXFramework/Controls/TextBox.h"
#include "Panel/UI/DriverCommon/ChildLookup.h"
#include "Panel/UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg.h"

#include "EditorRun.h"
#include "SdlEvents.h"

#include <algorithm>
#include <initializer_list>
#include <map>

namespace KX::Test {
namespace {

// The field a focus holder belongs to: the labelled field around an inner box, else the holder.
std::u16string FieldOf(const LControl* c)
{
    static const std::u16string kInner[] = {u"comboBox",   u"textBox",      u"numericUpDown",
                                            u"ccSelector", u"noteSelector", u"button"};
    while (c->GetParent() && std::count(std::begin(kInner), std::end(kInner), c->GetName().GetString()))
        c = c->GetParent().Get();
    return c->GetName().GetString();
}

// What a control shows at its top left corner, where a focus frame runs.
uint32_t Corner(const LControl& c)
{
    for (unsigned i = 0; i < c.GetLookCount(); ++i) {
        if (c.GetLookWeight(i) > 0.0f && (c.GetColorAtPoint({0.0, 0.0}, int(i)) >> 24) != 0)
            return c.GetColorAtPoint({0.0, 0.0}, int(i));
    }
    return 0;
}

// The fields of a tree that take the focus, and those that look the same once they lose it.
struct FocusLog {
    explicit FocusLog(const RCPtr<LControl>& tree)
    {
        recorder->react = [this](const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&) {
            const auto* c = dynamic_cast<LControl*>(sender.Get());
            if (c && c->HasFocus()) {
                fields.push_back(FieldOf(c));
                focusedCorner[c] = Corner(*c);
            } else if (c && focusedCorner.count(c) && focusedCorner[c] == Corner(*c)) {
                unmarked.push_back(FieldOf(c));
            }
        };
        Watch(tree);
    }
    ~FocusLog() { recorder->UnregisterForAllNotifications(); }
    void Watch(const RCPtr<LControl>& c)
    {
        recorder->RegisterForNotification(RCPtr<LNotificationDistributor>(c), u"NID_HAS_FOCUS_CONDITION_CHANGE", 0);
        for (unsigned i = 0; i < c->GetChildren().GetCount(); ++i)
            Watch(c->GetChildren().GetAt(i, LControl::kInsertionOrder));
    }

    RCPtr<Recorder> recorder{new Recorder("focus")};
    std::map<const LControl*, uint32_t> focusedCorner;
    std::vector<std::u16string> fields;
    std::vector<std::u16string> unmarked;
};

void PushTab(uint32_t window, bool shift = false)
{
    PushKey(window, true, SDLK_TAB, SDL_SCANCODE_TAB, shift ? KMOD_LSHIFT : 0);
}

// A click of the left button as the desktop sends it: at (x, y) in the control, by default its middle.
void PushClick(uint32_t window, const RCPtr<LControl>& control, int x = -1, int y = -1)
{
    ASSERT_TRUE(control);
    const PointT<double> at = control->GetPositionInRoot();
    x = int(at.x + (x < 0 ? control->GetRect().width / 2 : x));
    y = int(at.y + (y < 0 ? control->GetRect().height / 2 : y));
    PushMotion(window, x, y);
    PushButton(window, true, x, y);
    PushButton(window, false, x, y);
}

void RunQueued()
{
    while (OSWindow::RunOnce(0)) {
    }
}

class FocusWalkTest : public EditorRun {};

TEST_F(FocusWalkTest, TabAndShiftTabCircleTheShownFieldsInReadingOrder)
{
    struct Walk {
        std::initializer_list<const char16_t*> tile; // below the device view; none for the Get dialog
        std::vector<std::u16string> stops;           // from the one the window focuses first
    };
    const Walk walks[] = {
        {{u"faders", u"faderBank1", u"fader1"},
         {u"presetNameEditPanel", u"ccAbsolutePage", u"ccRelativePage", u"nrpnRpnPage", u"otherPage", u"midiChannel",
          u"cc", u"min", u"max"}},
        // In note mode, under two rows of tabs.
        {{u"pads", u"pad1"},
         {u"presetNameEditPanel", u"midiPage", u"colorPage", u"ccAbsolutePage", u"ccCyclePage", u"ccIncDecPage",
          u"mmcPage", u"notePage", u"nrpnRpnPage", u"programCyclePage", u"programIncDecPage", u"programPage",
          u"otherPage", u"midiChannel", u"note", u"latching"}},
        // Switched on, on a grid of fields.
        {{u"keybedZones", u"zone1"},
         {u"presetNameEditPanel", u"zoneEnabledToggleButton", u"midiChannel", u"program", u"msb", u"lsb", u"startNote",
          u"endNote", u"octave", u"transpose"}},
        {{}, {u"presetSlot", u"getButton", u"buttonClose"}},
    };
    EXPECT_EQ(RunInEditor(
                  [&](LApplication& application, OSWindow& main) {
                      const RCPtr<LControl> view = main.GetRootWindow()->GetContent()->FindChild(u"viewDevice");
                      const uint32_t mainId = main.GetWindowHandle()->Id();
                      for (const Walk& walk : walks) {
                          SCOPED_TRACE(String(walk.stops[1].c_str()).ToNarrow().GetData());
                          RCPtr<LControl> dialog;
                          if (walk.tile.size() == 0)
                              dialog = CreateDialog<LControl>(application, LGetPresetFromMidiDeviceDlg::kSkinName);
                          else
                              Click(FindChildAt(view, walk.tile)->FindChild(u"button"));
                          Deliver();
                          // The window lets go of the focus and takes it back, then Tab goes once round
                          // and Shift+Tab once back. A dialog's window is one of the next ones made.
                          main.GetRootWindow()->GetContent()->OnFocusLost();
                          FocusLog log(dialog ? dialog : view);
                          for (uint32_t id = dialog ? mainId + 1 : mainId; id <= (dialog ? mainId + 8 : mainId); ++id) {
                              PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                              for (size_t i = 0; i < 2 * walk.stops.size(); ++i)
                                  PushTab(id, i >= walk.stops.size());
                              if (dialog)
                                  PushKey(id, true, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0);
                          }
                          if (dialog) {
                              EXPECT_EQ(application.RunModalDialog(dialog, 1), LDialog::kCancelResult);
                          }
                          RunQueued();
                          std::vector<std::u16string> want = walk.stops;
                          want.push_back(walk.stops.front());
                          want.insert(want.end(), walk.stops.rbegin(), walk.stops.rend());
                          EXPECT_EQ(log.fields, want);
                          EXPECT_EQ(log.unmarked, std::vector<std::u16string>{});
                      }
                  },
                  BodyAt::Idle),
              0);
}

TEST_F(FocusWalkTest, DigitsTypedIntoAFullNumberBoxThatTabEnteredReplaceItsValue)
{
    EXPECT_EQ(
        RunInEditor(
            [&](LApplication&, OSWindow& main) {
                const RCPtr<LControl> view = main.GetRootWindow()->GetContent()->FindChild(u"viewDevice");
                Click(FindChildAt(view, {u"faders", u"faderBank1", u"fader1", u"button"}));
                Deliver();
                const RCPtr<LControl> page = FindChildAt(
                    view, {u"faderEditPanel", u"moveableTypePanel", u"tabControl", u"pageHolder", u"ccAbsolutePage"});
                const RCPtr<LControl> cc = FindChildAt(page, {u"cc", u"ccSelector", u"numericUpDown", u"textBox"});
                ASSERT_TRUE(cc);
                EXPECT_EQ(std::string(cc->GetText().ToNarrow().GetData()), "118");
                ASSERT_EQ(FindChildAt(page, {u"midiChannel", u"comboBox"})->SetFocus(true), S_OK);
                const uint32_t id = main.GetWindowHandle()->Id();
                PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                PushTab(id);
                RunQueued();
                // The digits stay readable under the selection.
                const RCPtr<LLook>& selection = cc->GetCurrentLook(LTextBox::kSelection);
                EXPECT_GT(cc->GetLookWeight(LTextBox::kSelection), 0.0f);
                EXPECT_TRUE(selection && selection->GetFontText());
                PushText(id, "5");
                PushTab(id);
                RunQueued();
                EXPECT_EQ(std::string(cc->GetText().ToNarrow().GetData()), "5");
            },
            BodyAt::Idle),
        0);
}

// Where the focus goes when what held it goes: a tile click takes it from every field, a field hidden
// under it hands it to none of another group, and a menu closed with Escape gives it back; typing
// then changes the focused field only, and Tab goes on from where the focus was.
TEST_F(FocusWalkTest, TheFocusAfterATileClickAHiddenFieldAndAClosedMenu)
{
    EXPECT_EQ(
        RunInEditor(
            [&](LApplication&, OSWindow& main) {
                const uint32_t id = main.GetWindowHandle()->Id();
                const RCPtr<LRootWindow> root = main.GetRootWindow();
                const RCPtr<LControl> view = root->GetContent()->FindChild(u"viewDevice");
                const RCPtr<LControl> name = FindChildAt(view, {u"presetNameEditPanel", u"textBox"});
                const RCPtr<LControl> file = FindChildAt(root->GetContent(), {u"mainMenu", u"File"});
                const RCPtr<LControl> fader = FindChildAt(view, {u"faders", u"faderBank1", u"fader1", u"button"});
                const RCPtr<LControl> button = FindChildAt(view, {u"buttons", u"buttonBank1", u"button1", u"button"});
                const RCPtr<LControl> max =
                    FindChildAt(view, {u"faderEditPanel", u"moveableTypePanel", u"tabControl", u"pageHolder",
                                       u"ccAbsolutePage", u"minMaxSelectors", u"max", u"numericUpDown", u"textBox"});
                enum Act { kClick, kClickPicture, kButtonClickOnly, kTab, kEscape };
                enum Typed { kNotTyped, kNameKept, kNameChanged };
                const struct {
                    const char* what;
                    Act act;
                    RCPtr<LControl> target;
                    const char16_t* focus; // the field after the step; empty for none
                    Typed typed;           // "5" typed after the step
                } steps[] = {
                    // From the name, which has the focus at start.
                    {"fader 1", kClick, fader, u"", kNameKept},
                    {"the picture between its tiles", kClickPicture, view, u"", kNameKept},
                    {"Tab into fader 1's edit panel", kTab, nullptr, u"ccAbsolutePage", kNotTyped},
                    {"MAX", kClick, max, u"max", kNotTyped},
                    {"button 1", kClick, button, u"", kNameKept},
                    {"Tab into button 1's edit panel", kTab, nullptr, u"midiPage", kNotTyped},
                    // Without the press, which would take the focus first: the edit panel goes under it.
                    {"fader 1's click alone", kButtonClickOnly, fader, u"", kNameKept},
                    {"the name", kClick, name, u"presetNameEditPanel", kNotTyped},
                    {"File from the name", kClick, file, u"popupMenu", kNotTyped},
                    {"Escape back to the name", kEscape, nullptr, u"presetNameEditPanel", kNameChanged},
                    {"File again", kClick, file, u"popupMenu", kNotTyped},
                    {"File, which closes it", kClick, file, u"presetNameEditPanel", kNotTyped},
                    {"fader 1 before the menu", kClick, fader, u"", kNotTyped},
                    {"File from no field", kClick, file, u"popupMenu", kNotTyped},
                    {"Escape back to no field", kEscape, nullptr, u"", kNameKept},
                    {"Tab from fader 1", kTab, nullptr, u"ccAbsolutePage", kNotTyped},
                    {"File from a tab", kClick, file, u"popupMenu", kNotTyped},
                    {"MAX, which closes the menu", kClick, max, u"max", kNotTyped},
                };
                PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                RunQueued();
                const uint32_t framed = Corner(*name);
                for (const auto& step : steps) {
                    SCOPED_TRACE(step.what);
                    if (step.act == kClick)
                        PushClick(id, step.target);
                    else if (step.act == kClickPicture)
                        PushClick(id, step.target, 200, 200); // right of the wheels, left of the encoders
                    else if (step.act == kButtonClickOnly)
                        Click(step.target);
                    else if (step.act == kTab)
                        PushTab(id);
                    else
                        PushKeyPress(id, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
                    RunQueued();
                    Deliver();
                    const RCPtr<LControl>& focus = root->GetFocusControl();
                    EXPECT_EQ(focus ? FieldOf(focus.Get()) : u"", step.focus);
                    if (focus == name) {
                        EXPECT_EQ(Corner(*name), framed) << "the name shows no focus frame";
                    }
                    if (step.typed != kNotTyped) {
                        const std::string before = name->GetText().ToNarrow().GetData();
                        PushText(id, "5");
                        RunQueued();
                        EXPECT_EQ(name->GetText().ToNarrow().GetData(),
                                  step.typed == kNameKept ? before : before + "5");
                    }
                }
            },
            BodyAt::Idle),
        0);
}

} // namespace
} // namespace KX::Test
