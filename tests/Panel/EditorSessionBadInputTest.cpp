// Bad input during a session in the running editor: the keyboard unplugged and plugged in again,
// files that are no presets chosen in the open dialog, and the editor asked to close while a
// transfer runs. Each time the editor says what happened, keeps the user's edit and goes on working.
#include "Panel/UI/DeviceView.h"
#include "Panel/UI/DriverCommon/MainControl.h"
#include "Panel/UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg.h"
#include "Panel/UI/PresetEditorCommon/SendPresetToMidiDeviceDlg.h"

#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Platform/Window/AppHost.h"

#include "EditorRun.h"
#include "Eventually.h"
#include "FakeZenity.h"
#include "SdlEvents.h"
#include "TempFolder.h"

#include <atomic>
#include <deque>
#include <random>

namespace KX::Test {
namespace {

using Request = SimulatedKivo61::Request;
using std::chrono::seconds;

const std::u16string kGetMidiText = u"The Preset has failed to get from the device. Verify the device is connected to "
                                    u"your computer via the USB cable.";
const std::u16string kSendMidiText =
    u"Error connecting to device. Verify your Kivo Keyboard is plugged into the USB port and try again.";
const char16_t* const kDeviceCommands[] = {u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE",
                                           u"NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE",
                                           u"NID_MENU_FILE_GLOBALSETTINGS_REQ"};

class EditorSessionBadInputTest : public EditorRun {
protected:
    void SetUp() override
    {
        EditorRun::SetUp();
        m_stepper = RCPtr<Recorder>(new Recorder("steps"));
        m_stepper->react = [this](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
            if (m_steps.empty())
                return;
            const std::function<void()> step = std::move(m_steps.front());
            m_steps.pop_front();
            step();
        };
        m_stepper->RegisterForNotification(RCPtr<LNotificationDistributor>(StepCentre()), u"NID_TEST_STEP", 0);
    }
    void TearDown() override
    {
        m_steps.clear();
        StepCentre()->ProcessNotifications(false); // steps left behind by a loop that ended
        m_stepper->UnregisterForAllNotifications();
        EditorRun::TearDown();
    }

    // Runs `step` at a later idle pass of whichever loop runs then, a modal dialog's included.
    void Later(std::function<void()> step)
    {
        m_steps.push_back(std::move(step));
        static_cast<void>(StepCentre()->PostNotification(MakeNotification(u"NID_TEST_STEP")));
    }

    // A menu command as the main window's menu sends it.
    static void Menu(OSWindow& main, const char16_t* command)
    {
        static_cast<void>(main.GetRootWindow()->SendNotification(MakeNotification(command))); // seen by its effects
    }

    // The user's edit: the first value of the preset changed as its panel reports it.
    static void Edit(OSWindow& main, uint8_t byte)
    {
        RCPtr<LMainControl> control(dynamic_cast<LMainControl*>(main.GetRootWindow()->GetContent().Get()));
        ASSERT_TRUE(control);
        const RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
        Variant value;
        ASSERT_EQ(engine->GetParamValue(engine->GetFirstParamID(), value), S_OK);
        unsigned size = 0;
        const unsigned char* data = value.GetData(&size);
        Bytes bytes(data, data + size);
        bytes.at(0) = byte;
        value.SetBlob(bytes.data(), size);
        ASSERT_EQ(control->ReportParamValueChange(ParamDescriptor(engine->GetFirstParamID()), value), S_OK);
        Deliver();
    }

    // Whether the menu offers the device commands, as the main menu asks the view.
    static std::vector<bool> DeviceCommandsEnabled(OSWindow& main)
    {
        RCPtr<LControl> view = main.GetRootWindow()->GetContent()->FindChild(u"viewDevice");
        std::vector<bool> enabled;
        for (const char16_t* command : kDeviceCommands) {
            MenuItemState state;
            static_cast<void>(dynamic_cast<LDeviceView&>(*view).HandleEditRequest(nullptr, 0, command, state));
            enabled.push_back(state.enabled != 0);
        }
        return enabled;
    }

    // The presence polling's reports delivered until the menu offers the device commands or not.
    static bool MenuFollows(OSWindow& main, bool connected)
    {
        return Eventually(
            [&] {
                Deliver();
                return DeviceCommandsEnabled(main) == std::vector<bool>(3, connected);
            },
            seconds(30));
    }

    // Picks the slot in a transfer dialog's list and presses its action button.
    static void PressFor(LDialog& dialog, int32_t slot)
    {
        RCPtr<LComboBox> list(dynamic_cast<LComboBox*>(dialog.FindChild(u"presetSlot")->FindChild(u"comboBox").Get()));
        ASSERT_TRUE(list);
        static_cast<void>(list->SetSelectedIndex(slot)); // checked by the transfer's outcome
        RCPtr<LControl> button = dialog.FindChild(u"getButton");
        Click(button ? button : dialog.FindChild(u"send"));
    }

    // A fetch and a send that work: the slot's preset in the model, then the model in the other slot.
    void FetchAndSend(LApplication& application, int from, int to)
    {
        RCPtr<LDialog> get =
            CreateDialog<LGetPresetFromMidiDeviceDlg>(application, LGetPresetFromMidiDeviceDlg::kSkinName);
        RCPtr<LDialog> send =
            CreateDialog<LSendPresetToMidiDeviceDlg>(application, LSendPresetToMidiDeviceDlg::kSkinName);
        ASSERT_TRUE(get && send);
        PressFor(*get, from);
        EXPECT_EQ(TakeBoxes(),
                  (std::vector<Box>{{u"Retrieve Sucessful", u"The preset has been sucessfully retreived.", 0}}));
        EXPECT_EQ(Model(), kivo->Slot(from));
        PressFor(*send, to);
        EXPECT_EQ(TakeBoxes(),
                  (std::vector<Box>{{u"Send Sucess", u"The preset has been sucessfully sent to the device", 0}}));
        ASSERT_TRUE(midi->WaitIdle());
        EXPECT_EQ(kivo->Slot(to), Model());
    }

    // The dialog in the window opened last.
    static RCPtr<LDialog> TopDialog(LApplication& application)
    {
        const std::vector<RCPtr<LRootWindow>> roots = application.GetRootWindows();
        return RCPtr<LDialog>(roots.empty() ? nullptr : dynamic_cast<LDialog*>(roots.back()->GetContent().Get()));
    }

    // A step that looks again at the next idle pass.
    std::function<void()> watch;

private:
    static RCPtr<LNotificationCenter> StepCentre()
    {
        RCPtr<LNotificationCenter> centre = LNotificationCenterManager::GetInstance()->FindCenter(u"editor-steps");
        return centre ? centre : LNotificationCenter::Create(u"editor-steps");
    }

    std::deque<std::function<void()>> m_steps;
    RCPtr<Recorder> m_stepper;
};

// Unplugged while idle, during a fetch and during a send: the menu greys the device commands, a
// transfer tried meanwhile ends in its error box, the edited preset stays, and once the keyboard is
// back a fetch and a send work without a restart.
TEST_F(EditorSessionBadInputTest, TheKeyboardUnpluggedAndPluggedInAgain)
{
    const struct {
        const char* when;
        bool idle;
        bool send;
        std::function<void()> arrange; // unplugs now (the editor notices before the press), or once
                                       // the transfer reaches the keyboard
        std::u16string caption, text;
    } cases[] = {
        {"idle, then a fetch", true, false, [this] { midi->Unplug(kivo->Device()); }, u"Retrieve Preset Error",
         kGetMidiText},
        {"idle, then a send", true, true, [this] { midi->Unplug(kivo->Device()); }, u"Send Preset Error",
         kSendMidiText},
        {"during a fetch", false, false,
         [this] { kivo->OnRequest(Request::PresetDump, [this] { midi->Unplug(kivo->Device()); }); },
         u"Retrieve Preset Error", kGetMidiText},
        {"during a send", false, true,
         [this] { kivo->OnRequest(Request::Identity, [this] { midi->Unplug(kivo->Device()); }); }, u"Send Preset Error",
         kSendMidiText},
    };
    EXPECT_EQ(RunInEditor(
                  [&](LApplication& application, OSWindow& main) {
                      ASSERT_TRUE(MenuFollows(main, true));
                      uint8_t mark = 0x50;
                      for (const auto& c : cases) {
                          SCOPED_TRACE(c.when);
                          Edit(main, ++mark);
                          const Bytes edited = Model();
                          const std::vector<Bytes> slots = {kivo->Slot(2), kivo->Slot(7)};
                          c.arrange();
                          if (c.idle) {
                              ASSERT_TRUE(MenuFollows(main, false)); // the hot keys still open the dialogs
                          }
                          RCPtr<LDialog> dialog = c.send ? RCPtr<LDialog>(CreateDialog<LSendPresetToMidiDeviceDlg>(
                                                               application, LSendPresetToMidiDeviceDlg::kSkinName))
                                                         : RCPtr<LDialog>(CreateDialog<LGetPresetFromMidiDeviceDlg>(
                                                               application, LGetPresetFromMidiDeviceDlg::kSkinName));
                          ASSERT_TRUE(dialog);
                          PressFor(*dialog, c.send ? 7 : 2);
                          EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{c.caption, c.text, 0}}));
                          EXPECT_TRUE(MenuFollows(main, false));
                          ASSERT_TRUE(midi->WaitIdle());
                          EXPECT_EQ(Model(), edited);
                          EXPECT_EQ((std::vector<Bytes>{kivo->Slot(2), kivo->Slot(7)}), slots);

                          kivo->OnRequest(Request::PresetDump, {});
                          kivo->OnRequest(Request::Identity, {});
                          midi->Replug(kivo->Device());
                          ASSERT_TRUE(MenuFollows(main, true));
                          FetchAndSend(application, 4, 9);
                      }
                  },
                  BodyAt::Idle),
              0);
}

// Files that are no presets, chosen in the open dialog of File → Load Preset: one box each under
// "Preset File Load", the edited preset untouched; a preset saved from the session still loads.
TEST_F(EditorSessionBadInputTest, AFileThatIsNoPresetIsRefusedWithABoxAndTheEditStays)
{
    // A file's first word is its format version: text reads as a format to come.
    const std::u16string incompatible = u"Preset file is not compatible with this vesion of the preset editor";
    const std::u16string newer = u"Preset file is not compatible with this version of the editor";
    FakeZenity zenity;
    TempFolder folder;
    const std::string saved = folder.Path() + "/saved.Kivo61PresetEditor";
    const std::string random = folder.Path() + "/random.Kivo61PresetEditor";
    {
        std::mt19937 generator(61);
        std::string bytes(4u << 20, '\0');
        for (char& byte : bytes)
            byte = char(generator());
        TempFolder::WriteFile(random, bytes);
    }
    TempFolder::WriteFile(folder.Path() + "/notes.txt", "Kivo 61 patch notes\nfader 1: volume\n");
    TempFolder::WriteFile(folder.Path() + "/empty.Kivo61PresetEditor", "");
    EXPECT_EQ(RunInEditor(
                  [&](LApplication&, OSWindow& main) {
                      Edit(main, 0x41);
                      const Bytes kept = Model();
                      zenity.Answer(saved + "\n", 0);
                      Menu(main, u"NID_MENU_FILE_SAVE_PRESET_TO_FILE");
                      ASSERT_TRUE(TakeBoxes().empty());
                      const std::string whole = TempFolder::ReadFile(saved);
                      ASSERT_GT(whole.size(), 100u);
                      TempFolder::WriteFile(folder.Path() + "/cut.Kivo61PresetEditor",
                                            whole.substr(0, whole.size() / 2));

                      Edit(main, 0x42);
                      const Bytes edited = Model();
                      const std::pair<const char*, std::u16string> cases[] = {
                          {"notes.txt", newer},
                          {"empty.Kivo61PresetEditor", incompatible},
                          {"cut.Kivo61PresetEditor", incompatible},
                          {"random.Kivo61PresetEditor", incompatible},
                      };
                      for (const auto& [name, text] : cases) {
                          SCOPED_TRACE(name);
                          zenity.Answer(folder.Path() + "/" + name + "\n", 0);
                          Menu(main, u"NID_MENU_FILE_LOAD_PRESET_FROM_FILE");
                          EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{u"Preset File Load", text, 0x10}}));
                          EXPECT_EQ(Model(), edited);
                      }

                      zenity.Answer(saved + "\n", 0);
                      Menu(main, u"NID_MENU_FILE_LOAD_PRESET_FROM_FILE");
                      EXPECT_TRUE(TakeBoxes().empty());
                      EXPECT_EQ(Model(), kept);
                  },
                  BodyAt::Idle),
              0);
}

// How the editor is asked to close while a transfer runs in its dialog (the keyboard slow, the request
// made once the transfer reached it).
struct Closing {
    const char* what;
    bool send;
    // What the desktop or the user does meanwhile, on the keyboard's thread.
    void (*ask)(OSWindow& main, uint32_t dialog);
    bool exits; // the editor ends, else it goes on with the dialog open or closed
    bool dialogCloses;
};

class EditorClosingDuringTransferTest : public EditorSessionBadInputTest,
                                        public ::testing::WithParamInterface<Closing> {};

// The transfer always finishes whole, with its box, since it runs on the UI thread; what was asked
// meanwhile is done afterwards. An exit ends the dialog first and then the editor, with status 0,
// never the main window under a running dialog. The edit is kept in the model until then (closing
// asks nothing: the editor has no unsaved-changes prompt).
TEST_P(EditorClosingDuringTransferTest, TheTransferEndsWholeAndTheRequestIsDoneAfterwards)
{
    const Closing& c = GetParam();
    const int slot = 6;
    const Request request = c.send ? Request::Identity : Request::PresetDump;
    kivo->SetBehaviour(request, {.ignoreFirst = 2}); // slow: it answers the third try
    std::atomic<OSWindow*> mainWindow{nullptr};
    std::atomic<uint32_t> dialogId{0};
    std::atomic<bool> asked{false};
    kivo->OnRequest(request, [&] {
        if (!asked.exchange(true))
            c.ask(*mainWindow, dialogId);
    });
    EXPECT_EQ(RunInEditor(
                  [&](LApplication& application, OSWindow& main) {
                      mainWindow = &main;
                      Edit(main, 0x43);
                      const Bytes edited = Model();
                      const auto start = std::chrono::steady_clock::now();
                      bool dialogOpen = false;
                      Later([&] {
                          RCPtr<LDialog> dialog = TopDialog(application);
                          ASSERT_TRUE(dialog);
                          dialogId = application.GetRootWindows().back()->GetOSServices()->GetWindowHandle()->Id();
                          PressFor(*dialog, slot);
                          EXPECT_TRUE(asked);
                          EXPECT_EQ(TakeBoxes().size(), 1u);
                          ASSERT_TRUE(midi->WaitIdle());
                          EXPECT_EQ(c.send ? kivo->Slot(slot) : Model(), c.send ? edited : kivo->Slot(slot));
                          // The request is done by the dialog's loop; the user closes a dialog left open.
                          Later(watch = [&] {
                              const RCPtr<LDialog> open = TopDialog(application);
                              if (!open)
                                  return;
                              if (application.GetMainWindow() != &main ||
                                  std::chrono::steady_clock::now() - start > seconds(30)) {
                                  ADD_FAILURE() << (application.GetMainWindow() == &main
                                                        ? "the dialog is still open"
                                                        : "the main window closed under the dialog");
                                  return Click(open->FindChild(u"buttonClose"));
                              }
                              if (!c.exits && !c.dialogCloses) {
                                  dialogOpen = true;
                                  return Click(open->FindChild(u"buttonClose"));
                              }
                              Later(watch);
                          });
                      });
                      Menu(main,
                           c.send ? u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE" : u"NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE");
                      EXPECT_EQ(dialogOpen, !c.exits && !c.dialogCloses);
                      EXPECT_EQ(Platform::AppHost::GetCurrent()->IsQuitPosted(), c.exits);
                      ASSERT_EQ(application.GetMainWindow(), &main);
                      EXPECT_EQ(application.GetRootWindows().size(), 1u);
                      if (!c.exits)
                          FetchAndSend(application, 8, 10); // still working
                  },
                  BodyAt::Idle),
              0);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, EditorClosingDuringTransferTest,
    ::testing::Values(
        // The main window takes no input while a dialog runs.
        Closing{"MainWindowCloseButtonDuringSend", true,
                [](OSWindow& main, uint32_t) { PushWindowEvent(main.GetWindowHandle()->Id(), SDL_WINDOWEVENT_CLOSE); },
                false, false},
        // Alt+F4 as the desktop hands it on: a close request for the focused window, the dialog.
        Closing{"DialogCloseRequestDuringFetch", false,
                [](OSWindow&, uint32_t dialog) { PushWindowEvent(dialog, SDL_WINDOWEVENT_CLOSE); }, false, true},
        Closing{"FileExitDuringFetch", false,
                [](OSWindow& main, uint32_t) {
                    static_cast<void>(main.GetRootWindow()->PostNotification(
                        MakeNotification(u"NID_MENU_FILE_EXIT_REQ"))); // posting refuses only once shut down
                },
                true, true},
        Closing{"ExitRequestDuringSend", true,
                [](OSWindow&, uint32_t) {
                    static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
                        MakeNotification(u"NID_APP_EXIT_REQ"))); // posting refuses only once shut down
                },
                true, true}),
    [](const ::testing::TestParamInfo<Closing>& info) { return std::string(info.param.what); });

uint32_t TopWindowId(LApplication& application)
{
    return application.GetRootWindows().back()->GetOSServices()->GetWindowHandle()->Id();
}

// Turns of the editor's loop from the test's body, until `done` holds or 60 s have passed.
bool TurnUntil(const std::function<bool()>& done)
{
    return Eventually(
        [&] {
            OSWindow::RunOnce(Platform::EventPump::kTickMs);
            return done();
        },
        seconds(60));
}

// Turns enough for whatever was queued to be done.
void Settle()
{
    for (int turn = 0; turn < 10; ++turn)
        OSWindow::RunOnce(Platform::EventPump::kTickMs);
}

// Ctrl+Shift+R, the keyboard unplugged, opens the Get dialog inside the hot key's delivery. Plugged in
// meanwhile, the keyboard is heard in the dialog, so GET works without opening it again; the main
// window's hot keys pressed in the dialog do nothing, then or once it has closed.
TEST_F(EditorSessionBadInputTest, TheGetDialogOfTheHotKeyHearsTheKeyboardAndTakesNoMainWindowCommand)
{
    FakeZenity zenity; // Ctrl+O and Ctrl+S would show its file chooser
    EXPECT_EQ(RunInEditor(
                  [&](LApplication& application, OSWindow& main) {
                      midi->Unplug(kivo->Device());
                      ASSERT_TRUE(MenuFollows(main, false));
                      const uint32_t mainId = main.GetWindowHandle()->Id();
                      const auto start = std::chrono::steady_clock::now();
                      RCPtr<LDialog> get;
                      bool pressed = false, settled = false, ended = false;
                      int opened = 0; // dialogs a key opened besides the Get dialog
                      Later(watch = [&] {
                          const RCPtr<LDialog> open = TopDialog(application);
                          if (open && !get) {
                              get = open;
                              midi->Replug(kivo->Device());
                          } else if (open && open != get) {
                              ++opened;
                              Click(open->FindChild(u"buttonClose"));
                          } else if (open && !pressed) {
                              const bool heard = DeviceCommandsEnabled(main) == std::vector<bool>(3, true);
                              if (heard || std::chrono::steady_clock::now() - start > seconds(30)) {
                                  pressed = true;
                                  EXPECT_TRUE(heard) << "the keyboard plugged in is not heard in the dialog";
                                  PressFor(*open, 3);
                                  EXPECT_EQ(TakeBoxes(),
                                            (std::vector<Box>{{u"Retrieve Sucessful",
                                                               u"The preset has been sucessfully retreived.", 0}}));
                                  EXPECT_EQ(Model(), kivo->Slot(3));
                                  const uint32_t id = TopWindowId(application);
                                  PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                                  PushKeyPress(id, SDLK_o, SDL_SCANCODE_O, KMOD_LCTRL);
                                  PushKeyPress(id, SDLK_s, SDL_SCANCODE_S, KMOD_LCTRL);
                                  PushKeyPress(id, SDLK_r, SDL_SCANCODE_R, KMOD_LCTRL | KMOD_LSHIFT);
                                  PushKeyPress(id, SDLK_s, SDL_SCANCODE_S, KMOD_LCTRL | KMOD_LSHIFT);
                                  PushKeyPress(id, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0);
                              }
                          }
                          if (settled)
                              ended = true;
                          else
                              Later(watch);
                      });
                      PushWindowEvent(mainId, SDL_WINDOWEVENT_FOCUS_GAINED);
                      PushKeyPress(mainId, SDLK_r, SDL_SCANCODE_R, KMOD_LCTRL | KMOD_LSHIFT);
                      ASSERT_TRUE(TurnUntil([&] { return pressed && !TopDialog(application); }));
                      Settle(); // what the keys in the dialog left queued would be done now
                      settled = true;
                      ASSERT_TRUE(TurnUntil([&] { return ended; }));
                      EXPECT_EQ(opened, 0);
                      EXPECT_TRUE(zenity.Arguments().empty()) << "a file chooser was shown";
                      EXPECT_TRUE(TakeBoxes().empty());
                  },
                  BodyAt::Idle),
              0);
}

// Alt+F4 reaches the editor where no window manager takes it. Over a dialog, however it was opened, it
// closes the dialog as a window manager would and leaves no exit behind: the editor goes on.
TEST_F(EditorSessionBadInputTest, AltF4OverADialogClosesItAndLeavesTheEditorRunning)
{
    EXPECT_EQ(
        RunInEditor(
            [&](LApplication& application, OSWindow& main) {
                const uint32_t mainId = main.GetWindowHandle()->Id();
                const std::pair<const char*, std::function<void()>> openings[] = {
                    {"by its hot key", [&] { PushKeyPress(mainId, SDLK_r, SDL_SCANCODE_R, KMOD_LCTRL | KMOD_LSHIFT); }},
                    {"from the menu", [&] { Menu(main, u"NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE"); }},
                };
                for (const auto& [how, open] : openings) {
                    SCOPED_TRACE(how);
                    const auto start = std::chrono::steady_clock::now();
                    bool pressed = false, ended = false;
                    Later(watch = [&] {
                        const RCPtr<LDialog> dialog = TopDialog(application);
                        if (dialog && !pressed) {
                            pressed = true;
                            const uint32_t id = TopWindowId(application);
                            PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                            PushKeyPress(id, SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT);
                        } else if (dialog && std::chrono::steady_clock::now() - start > seconds(10)) {
                            ADD_FAILURE() << "Alt+F4 left the dialog open";
                            return Click(dialog->FindChild(u"buttonClose"));
                        }
                        if (!pressed || dialog)
                            Later(watch);
                        else
                            ended = true;
                    });
                    PushWindowEvent(mainId, SDL_WINDOWEVENT_FOCUS_GAINED);
                    open();
                    ASSERT_TRUE(TurnUntil([&] { return ended; }));
                    Settle(); // an exit left behind would be done now
                    ASSERT_FALSE(application.IsExitRequested());
                    ASSERT_FALSE(Platform::AppHost::GetCurrent()->IsQuitPosted());
                    ASSERT_EQ(application.GetMainWindow(), &main);
                }
            },
            BodyAt::Idle),
        0);
}

} // namespace
} // namespace KX::Test
