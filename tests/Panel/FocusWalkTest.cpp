// Tab and Shift+Tab in the running editor, pressed as the desktop delivers them: the focus goes round
// the fields a person sees in reading order and back, every field shows that it has it, and a number
// box that Tab enters takes the digits typed as its new value, which reaches the preset however the
// focus leaves. Where the focus goes when what held it goes: after a click on a tile, a field hidden
// under it, and a menu closed with Escape or by choosing an item.
#include "KXFramework/ControlBase/Look.h"
#include "KXFramework/Controls/TextBox.h"
#include "Panel/UI/DeviceView.h"
#include "Panel/UI/DriverCommon/ChildLookup.h"
#include "Panel/UI/DriverCommon/MainControl.h"
#include "Panel/UI/DriverCommon/PresetManager.h"
#include "Panel/UI/KivoSeriesCommon/GlobalSettingsDlg.h"
#include "Panel/UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg.h"

#include "EditorRun.h"
#include "FakeZenity.h"
#include "SdlEvents.h"

#include <algorithm>
#include <filesystem>
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

RCPtr<LControl> Descend(RCPtr<LControl> from, const std::vector<const char16_t*>& path)
{
    for (const char16_t* name : path)
        from = from ? from->FindChild(name) : nullptr;
    return from;
}

// The first text box inside a labelled field (a CC or note selector holds its number box deeper).
RCPtr<LControl> BoxOf(const RCPtr<LControl>& field)
{
    if (!field || field->GetName() == String(u"textBox"))
        return field;
    for (unsigned i = 0; i < field->GetChildren().GetCount(); ++i)
        if (RCPtr<LControl> box = BoxOf(field->GetChildren().GetAt(i, LControl::kInsertionOrder)))
            return box;
    return nullptr;
}

// The ways a person moves the focus out of a field: the Tab keys (round the end of the window too),
// a click on the picture, the window losing the focus.
enum class Leave { kTab, kShiftTab, kCtrlTab, kCtrlShiftTab, kTile, kWindow };

// Clicks the box, selects its text as a person does (End, Shift+Home), types over it and leaves.
void TypeAndLeave(uint32_t window, const RCPtr<LControl>& box, const char* typed, Leave leave,
                  const RCPtr<LControl>& tile = nullptr)
{
    PushClick(window, box);
    PushKeyPress(window, SDLK_END, SDL_SCANCODE_END);
    PushKeyPress(window, SDLK_HOME, SDL_SCANCODE_HOME, KMOD_LSHIFT);
    PushText(window, typed);
    const uint16_t ctrl = leave == Leave::kCtrlTab || leave == Leave::kCtrlShiftTab ? KMOD_LCTRL : 0;
    const uint16_t shift = leave == Leave::kShiftTab || leave == Leave::kCtrlShiftTab ? KMOD_LSHIFT : 0;
    if (leave == Leave::kTile) {
        PushClick(window, tile);
    } else if (leave == Leave::kWindow) {
        PushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST);
        PushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
    } else {
        PushKeyPress(window, SDLK_TAB, SDL_SCANCODE_TAB, uint16_t(ctrl | shift));
    }
}

void RunQueued()
{
    while (OSWindow::RunOnce(0)) {
    }
}

class FocusWalkTest : public EditorRun {
protected:
    FakeZenity zenity;
    TempFolder files;
};

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
                enum Act { kClick, kClickPicture, kButtonClickOnly, kTab, kEscape, kChooseSave };
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
                    {"File from MAX", kClick, file, u"popupMenu", kNotTyped},
                    {"Save Preset chosen", kChooseSave, nullptr, u"max", kNotTyped},
                };
                const std::string saved = files / "chosen.Kivo61PresetEditor";
                zenity.Answer(saved + "\n", 0);
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
                    else if (step.act == kEscape)
                        PushKeyPress(id, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
                    for (int down = 0; step.act == kChooseSave && down < 4; ++down)
                        PushKeyPress(id, SDLK_DOWN, SDL_SCANCODE_DOWN);
                    if (step.act == kChooseSave)
                        PushKeyPress(id, SDLK_RETURN, SDL_SCANCODE_RETURN);
                    RunQueued();
                    Deliver();
                    const RCPtr<LControl>& focus = root->GetFocusControl();
                    EXPECT_EQ(focus ? FieldOf(focus.Get()) : u"", step.focus);
                    if (step.act == kChooseSave) {
                        EXPECT_TRUE(std::filesystem::exists(saved)) << "the item was not chosen";
                    }
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

// However the focus leaves a number box, what the box shows is what the preset holds, what a save
// writes and what Send Settings sends: the first and the last box of every edit panel and of the
// global settings dialog, with the text typed over the box's own.
TEST_F(FocusWalkTest, AValueTypedIntoABoxReachesThePresetHoweverTheFocusLeavesIt)
{
    using Path = std::vector<const char16_t*>;
    const auto under = [](Path path, std::initializer_list<const char16_t*> more) {
        path.insert(path.end(), more);
        return path;
    };
    // The panels' pages, the tiles and the boxes' fields.
    const Path kMoveablePage{u"moveableTypePanel", u"tabControl", u"pageHolder", u"ccAbsolutePage"};
    const Path kButtonPage{u"viewTabControl", u"pageHolder", u"midiPage", u"tabControl", u"pageHolder"};
    const Path kSustainPage{u"buttonTypePanel", u"tabControl", u"pageHolder", u"ccAbsolutePage"};
    const Path kWheelPage{u"moveableTypePanel", u"tabControl", u"pageHolder", u"otherPage", u"minMaxSelectors"};
    const Path kFader{u"faders", u"faderBank1", u"fader1"}, kEncoder{u"encoders", u"encoderBank1", u"encoder1"},
        kButton{u"buttons", u"buttonBank1", u"button1"}, kPad{u"pads", u"pad1"}, kZone{u"keybedZones", u"zone1"},
        kWheel{u"wheels", u"pitchWheel"}, kVolume{u"pedals", u"volumePedal"}, kSustain{u"pedals", u"sustainPedal"},
        kXAxis{u"xyPad", u"xAxis"};
    const Path kCc = under(kMoveablePage, {u"cc"}), kMax = under(kMoveablePage, {u"minMaxSelectors", u"max"}),
               kButtonCc = under(kButtonPage, {u"ccAbsolutePage", u"cc"}),
               kButtonUp = under(kButtonPage, {u"ccAbsolutePage", u"pressedReleasedSelectors", u"released"}),
               kXyMax = under(kButtonPage, {u"ccAbsolutePage", u"minMaxSelectors", u"max"});
    const struct {
        const char* what;
        Path tile;             // under the device view
        const char16_t* panel; // under the device view
        Path field;            // under the panel, to the box's labelled field
        int32_t param;
        unsigned offset;
        int bias = 0; // the byte for a typed value; the transpose box runs from -12
    } boxes[] = {
        {"fader 1 CC", kFader, u"faderEditPanel", kCc, 61, 2},
        {"fader 1 MAX", kFader, u"faderEditPanel", kMax, 61, 5},
        {"encoder 1 CC", kEncoder, u"knobEditPanel", kCc, 97, 2},
        {"encoder 1 MAX", kEncoder, u"knobEditPanel", kMax, 97, 5},
        {"button 1 CC", kButton, u"buttonEditPanel", kButtonCc, 25, 6},
        {"button 1 UP", kButton, u"buttonEditPanel", kButtonUp, 25, 8},
        {"pad 1 NOTE", kPad, u"padEditPanel", under(kButtonPage, {u"notePage", u"note"}), 9, 7},
        {"zone 1 PROGRAM", kZone, u"zoneEditPanel", {u"program"}, 1, 2},
        {"zone 1 TRANSPOSE", kZone, u"zoneEditPanel", {u"transpose"}, 1, 8, 12},
        {"pitch wheel MIN", kWheel, u"wheelEditPanel", under(kWheelPage, {u"min"}), 5, 3},
        {"pitch wheel MAX", kWheel, u"wheelEditPanel", under(kWheelPage, {u"max"}), 5, 4},
        {"volume pedal CC", kVolume, u"volumePedalEditPanel", kCc, 7, 2},
        {"volume pedal MAX", kVolume, u"volumePedalEditPanel", kMax, 7, 5},
        {"sustain pedal CC", kSustain, u"sustainEditPage", under(kSustainPage, {u"cc"}), 8, 2},
        {"sustain pedal UP", kSustain, u"sustainEditPage",
         under(kSustainPage, {u"pressedReleasedSelectors", u"released"}), 8, 4},
        {"XY pad X CC", kXAxis, u"xyPadEditPanel", kButtonCc, 129, 2},
        {"XY pad X MAX", kXAxis, u"xyPadEditPanel", kXyMax, 129, 5},
    };
    const std::vector<std::string> kWide{"90", "74", "3", "127", "45", "68"};
    const std::vector<std::string> kTranspose{"9", "-7", "3", "12", "-12", "5"};
    const Leave kLeaves[] = {Leave::kTab,          Leave::kShiftTab, Leave::kCtrlTab,
                             Leave::kCtrlShiftTab, Leave::kTile,     Leave::kWindow};
    const std::string path = files / "typed.Kivo61PresetEditor";
    zenity.Answer(path + "\n", 0);
    const auto textOf = [](const RCPtr<LControl>& box) { return std::string(box->GetText().ToNarrow().GetData()); };
    EXPECT_EQ(
        RunInEditor(
            [&](LApplication& application, OSWindow& main) {
                const uint32_t id = main.GetWindowHandle()->Id();
                RCPtr<LMainControl> content(dynamic_cast<LMainControl*>(main.GetRootWindow()->GetContent().Get()));
                ASSERT_TRUE(content && content->GetDeviceView());
                const RCPtr<LControl> view = content->FindChild(u"viewDevice");
                RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
                const auto byteOf = [&](int32_t param, unsigned offset) {
                    Variant value;
                    EXPECT_EQ(engine->GetParamValue(LRootModuleEngine::kFirstParamID + param, value), S_OK);
                    unsigned size = 0;
                    const unsigned char* data = value.GetData(&size);
                    return offset < size ? int(data[offset]) : -1;
                };
                PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                for (const auto& b : boxes) {
                    const RCPtr<LControl> tile = Descend(view, b.tile)->FindChild(u"button");
                    const RCPtr<LControl> box = BoxOf(Descend(view->FindChild(b.panel), b.field));
                    ASSERT_TRUE(tile && box) << b.what;
                    PushClick(id, tile);
                    RunQueued();
                    Deliver();
                    const std::vector<std::string>& typed = b.bias ? kTranspose : kWide;
                    for (size_t k = 0; k < std::size(kLeaves); ++k) {
                        SCOPED_TRACE(std::string(b.what) + ", way " + std::to_string(k));
                        TypeAndLeave(id, box, typed[k].c_str(), kLeaves[k], tile);
                        RunQueued();
                        Deliver();
                        EXPECT_EQ(textOf(box), typed[k]);
                        EXPECT_EQ(byteOf(b.param, b.offset), std::stoi(typed[k]) + b.bias);
                    }
                }
                ASSERT_EQ(content->GetDeviceView()->SavePresetToFile(), S_OK);
                const std::string file = TempFolder::ReadFile(path);
                Array<ParamValue> saved;
                ASSERT_EQ(LPresetManager::ReadPresetFile(reinterpret_cast<const uint8_t*>(file.data()), file.size(), 1,
                                                         saved),
                          0);
                for (const auto& b : boxes) {
                    unsigned size = 0;
                    const unsigned char* data = saved.GetAt(unsigned(b.param)).value.GetData(&size);
                    ASSERT_GT(size, b.offset) << b.what;
                    EXPECT_EQ(int(data[b.offset]), std::stoi((b.bias ? kTranspose : kWide).back()) + b.bias)
                        << b.what << ", in the file";
                }

                // The dialog keeps the focus: Tab round its end wraps inside it.
                const struct {
                    const char16_t* field;
                    const char16_t* setting;
                    std::vector<std::string> typed;
                    int bias;
                } settings[] = {
                    {u"keyOctave", u"KEY_OCTAVE", {"2", "-3", "1", "3"}, 5},
                    {u"lsb", u"GLOBAL_BANK_LSB", {"90", "74", "3", "127"}, 0},
                };
                // The user acts once the dialog's window is there.
                std::function<void(uint32_t)> act;
                RCPtr<Recorder> user(new Recorder("user"));
                user->react = [&](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
                    const std::vector<RCPtr<LRootWindow>> roots = application.GetRootWindows();
                    if (roots.size() > 1 && act)
                        std::exchange(act, nullptr)(roots.back()->GetOSServices()->GetWindowHandle()->Id());
                };
                user->RegisterForNotification(RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()),
                                              u"NID_IDLE", 0);
                for (const auto& s : settings) {
                    int index = 0;
                    while (index < SimulatedKivo61::kGlobals &&
                           LMidiManager::GetGlobalParameterName(index) != s.setting)
                        ++index;
                    for (size_t k = 0; k < s.typed.size(); ++k) {
                        SCOPED_TRACE(String(s.field).ToNarrow().GetData() + std::string(", way ") + std::to_string(k));
                        const RCPtr<LControl> dialog =
                            CreateDialog<LControl>(application, LGlobalSettingsDlg::kSkinName);
                        ASSERT_TRUE(dialog);
                        act = [&](uint32_t window) {
                            PushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
                            TypeAndLeave(window, BoxOf(dialog->FindChild(s.field)), s.typed[k].c_str(), kLeaves[k]);
                            PushClick(window, dialog->FindChild(u"sendGlobalSettingsButton"));
                            PushKeyPress(window, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
                        };
                        EXPECT_EQ(application.RunModalDialog(dialog, 1), LDialog::kCancelResult);
                        ASSERT_TRUE(midi->WaitIdle());
                        EXPECT_EQ(kivo->Global(index), std::stoi(s.typed[k]) + s.bias);
                    }
                }
                user->UnregisterForAllNotifications();
            },
            BodyAt::Idle),
        0);
}

} // namespace
} // namespace KX::Test
