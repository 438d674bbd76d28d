// The editor's start-up run in this process through the framework's main routine, with the
// editor's own resources, on SDL's dummy driver, in fresh home folders: the main window it
// builds, the three ways out (File → Exit, Alt+F4, the close button), the start-up errors, and
// the editor's skin classes in the real main control.
#include "Panel/Application.h"
#include "KXFramework/Application/MFCFrameworkApp.h"
#include "KXFramework/Controls/MainMenu.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/TabControl.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Platform/Folders/ProfileStore.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "Panel/AboutDlg.h"
#include "Panel/UI/DeviceView.h"
#include "Panel/UI/DriverCommon/MainControl.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlViewPanel.h"
#include "Panel/UI/KivoSeriesCommon/GlobalSettingsDlg.h"
#include "Panel/UI/KivoSeriesCommon/MIDIChannelViewPanel.h"
#include "Panel/UI/KivoSeriesCommon/PadPanels.h"
#include "Panel/UI/KivoSeriesCommon/PedalPanels.h"
#include "Panel/UI/KivoSeriesCommon/WheelPanels.h"
#include "Panel/UI/KivoSeriesCommon/XYPadPanels.h"
#include "Panel/UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg.h"
#include "Panel/UI/PresetEditorCommon/SendPresetToMidiDeviceDlg.h"
// Buttons, encoders and faders.
#include "Panel/UI/KivoSeriesCommon/ButtonPanels.h"
#include "Panel/UI/KivoSeriesCommon/EncoderPanels.h"
#include "Panel/UI/KivoSeriesCommon/FaderPanels.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZoneEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZoneGroupPanel.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZonePanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlViewPanel.h"
// Keybed zones, XY pad, pads, preset name, pedals and wheels.
#include "Panel/UI/KivoSeriesCommon/NoteModeEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/PresetNamePanel.h"
#include "Panel/UI/PresetEditorCommon/MidiNoteSelector.h"
#include "Panel/UI/PresetEditorCommon/NumberBoxTextSelector.h"

#include "EditorEnvironment.h"
#include "EnvironmentGuard.h"
#include "Eventually.h"
#include "FakeMessageBox.h"
#include "NotificationDoubles.h"
#include "SdlEvents.h"
#include "TempFolder.h"
#include "TestFonts.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <functional>
#include <map>
#include <thread>
#include <typeindex>

namespace KX::Test {
namespace {

// The class each row of the editor's table gives its skin class name.
std::map<std::u16string, std::type_index> TableClasses()
{
    std::map<std::u16string, std::type_index> classes;
#define KIVO_SKIN_CLASS(Class, name) classes.emplace(name, std::type_index(typeid(Class)));
#include "Panel/SkinClassTable.h"
#undef KIVO_SKIN_CLASS
    return classes;
}

// Hands every request to the test's fake, which outlives the application.
class ForwardingBox final : public Platform::MessageBoxService {
public:
    explicit ForwardingBox(FakeMessageBox& fake) : m_fake(fake) {}
    int32_t Show(const Platform::MessageBoxRequest& request) override { return m_fake.Show(request); }

private:
    FakeMessageBox& m_fake;
};

// What the probe saw of the running editor.
struct MainWindowFacts {
    bool seen = false;
    RectT<int32_t> client;
    std::u16string contentName;
    std::u16string contentText;
    bool menuIsMainMenu = false;
    bool hasDeviceView = false;
    std::vector<std::u16string> wrongClasses;
    int tableControls = 0;
    std::u16string altF4;
    std::u16string ctrlO;
    // Dialogs by skin name: what an unknown name, a null control and a control that is no dialog
    // give, and the root windows after them.
    bool unknownNameGivesNull = false;
    int32_t nullDialogResult = 0;
    int32_t nonDialogResult = 0;
    size_t rootWindows = 0;
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseTestFonts();
        RegisterEmbeddedResources();
        IsolateEditorEnvironment(m_environment, m_home);
    }

    // The main routine with the editor's language fixed to English; answers its exit status.
    int RunEditor()
    {
        MFCFrameworkApp<LApplication> app([this] { return std::make_unique<ForwardingBox>(boxes); });
        char name[] = "kivo61-preset-editor";
        char* argv[] = {name, nullptr};
        return RunFrameworkMain(app, 1, argv, 0x0409);
    }

    // Runs the editor; once its main window shows its content, looks at it and runs `leave` on
    // the UI thread, which must end the program.
    int RunEditorAndLeave(const std::function<void(OSWindow&)>& leave)
    {
        RCPtr<Recorder> probe(new Recorder("probe"));
        RCPtr<LNotificationDistributor> center(GetDefaultNotificationCenter());
        int turns = 0;
        probe->react = [&](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
            RCPtr<LApplication> application = LApplication::GetApplication();
            OSWindow* main = application ? application->GetMainWindow() : nullptr;
            if (!main || !main->GetRootWindow()->GetContent()) {
                // Not there yet: look again at the next idle pass, but not for ever.
                RCPtr<LNotification> again = MakeNotification(u"NID_TEST_PROBE");
                if (++turns < 1000)
                    static_cast<void>(GetDefaultNotificationCenter()->PostNotification(again));
                return;
            }
            Look(*application, *main);
            leave(*main);
        };
        probe->RegisterForNotification(center, u"NID_TEST_PROBE", 0);
        static_cast<void>(GetDefaultNotificationCenter()->PostNotification(MakeNotification(u"NID_TEST_PROBE")));
        const int status = RunEditor();
        probe->UnregisterForAllNotifications();
        return status;
    }

    void Look(LApplication& application, OSWindow& main)
    {
        facts.seen = true;
        facts.client = main.GetClientArea();
        const RCPtr<LControl>& content = main.GetRootWindow()->GetContent();
        facts.contentName = content->GetName().GetString();
        facts.contentText = content->GetText().GetString();
        const RCPtr<LControl>& menu = content->FindChild(u"mainMenu");
        facts.menuIsMainMenu = menu && dynamic_cast<LMainMenu*>(menu.Get()) != nullptr;
        facts.hasDeviceView = bool(content->FindChild(u"viewDevice"));
        CheckClasses(content, TableClasses());
        KeyBindingMap& keys = application.GetGlobalHotKeyManager()->GetKeyBindingMap();
        const NotificationID altF4 = keys.FindNotificationID(KeyCode(String(u"Alt+VKEY_F4")));
        const NotificationID ctrlO = keys.FindNotificationID(KeyCode(String(u"Ctrl+VKEY_O")));
        facts.altF4 = altF4 ? altF4 : u"";
        facts.ctrlO = ctrlO ? ctrlO : u"";
        RCPtr<LControl> control;
        application.CreateControlByName(control, u"noSuchControl");
        facts.unknownNameGivesNull = !control;
        facts.nullDialogResult = application.RunModalDialog(nullptr, 1);
        application.CreateControlByName(control, u"mainControl");
        facts.nonDialogResult = application.RunModalDialog(control, 1);
        facts.rootWindows = application.GetRootWindows().size();
    }

    // Every control of a class the editor's table names is an object of that row's class.
    void CheckClasses(const RCPtr<LControl>& control, const std::map<std::u16string, std::type_index>& classes)
    {
        if (const RCPtr<LControlDescriptor>& descriptor = control->GetDescriptor()) {
            const auto row = classes.find(descriptor->GetClassName().GetString());
            if (row != classes.end()) {
                ++facts.tableControls;
                if (std::type_index(typeid(*control.Get())) != row->second)
                    facts.wrongClasses.push_back(descriptor->GetClassName().GetString());
            }
        }
        const LControl::ChildControlList& children = control->GetChildren();
        for (unsigned i = 0; i < children.GetCount(); ++i)
            CheckClasses(children.GetAt(i, LControl::kInsertionOrder), classes);
    }

    // A resource folder with the editor's documents, of which `broken` is replaced by `text`, or
    // left out when text is empty.
    std::string ResourceFolder(const std::string& broken, const std::string& text)
    {
        const std::string folder = m_home / "resources";
        std::filesystem::create_directory(folder);
        for (const char* name : {"Skins.xml", "StringTables.xml", "FrameworkStrings.xml"}) {
            if (name == broken) {
                if (!text.empty())
                    TempFolder::WriteFile(folder + "/" + name, text);
            } else {
                std::filesystem::copy_file(std::string(KIVO_RESOURCE_FOLDER) + "/" + name, folder + "/" + name);
            }
        }
        return folder;
    }

    void TearDown() override { SetResourceTable(nullptr, 0); }

    FakeMessageBox boxes;
    MainWindowFacts facts;
    TempFolder m_home;
    EnvironmentGuard m_environment;
};

struct WayOut {
    const char* name;
    std::function<void(OSWindow&)> leave;
};

class ApplicationExitTest : public ApplicationTest, public ::testing::WithParamInterface<WayOut> {};

TEST_P(ApplicationExitTest, TheMainWindowShowsTheMainControlAndTheWayOutEndsWithStatusZero)
{
    EXPECT_EQ(RunEditorAndLeave(GetParam().leave), 0);

    ASSERT_TRUE(facts.seen);
    EXPECT_EQ(facts.client.width, 1200);
    EXPECT_EQ(facts.client.height, 772);
    EXPECT_EQ(facts.contentName, u"mainControl");
    EXPECT_EQ(facts.contentText, u"Velmora Kivo 61 Preset Editor");
    EXPECT_TRUE(facts.menuIsMainMenu);
    EXPECT_TRUE(facts.hasDeviceView);
    EXPECT_GT(facts.tableControls, 0);
    EXPECT_EQ(facts.wrongClasses, std::vector<std::u16string>());
    EXPECT_EQ(facts.altF4, u"NID_APP_EXIT_REQ");
    EXPECT_EQ(facts.ctrlO, u"NID_MENU_FILE_LOAD_PRESET_FROM_FILE");
    EXPECT_TRUE(boxes.requests.empty());
    EXPECT_TRUE(facts.unknownNameGivesNull);
    EXPECT_EQ(facts.nullDialogResult, E_FAIL);
    EXPECT_EQ(facts.nonDialogResult, E_FAIL);
    EXPECT_EQ(facts.rootWindows, 1u);
    // The skin index went to the user settings file, opened in the configuration folder.
    EXPECT_NE(TempFolder::ReadFile(m_home / "XDG_CONFIG_HOME/Velmora/Kivo 61 Preset Editor/UserSettings.ini")
                  .find("CurrentSkinIndex=0"),
              std::string::npos);
    // A window nobody saw (SDL's dummy driver) keeps no place: it would write over the user's editor's.
    EXPECT_FALSE(Platform::ReadProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP"));
}

INSTANTIATE_TEST_SUITE_P(WaysOut, ApplicationExitTest,
                         ::testing::Values(
                             // The main menu sends its item's notification to the root window's distributor.
                             WayOut{"MenuFileExit",
                                    [](OSWindow& main) {
                                        static_cast<void>(main.GetRootWindow()->SendNotification(MakeNotification(
                                            u"NID_MENU_FILE_EXIT_REQ"))); // the test checks the exit it causes
                                    }},
                             WayOut{"AltF4",
                                    [](OSWindow& main) {
                                        const uint32_t id = main.GetWindowHandle()->Id();
                                        PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                                        PushKey(id, true, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
                                        PushKey(id, true, SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT);
                                    }},
                             WayOut{"CloseButton",
                                    [](OSWindow& main) {
                                        PushWindowEvent(main.GetWindowHandle()->Id(), SDL_WINDOWEVENT_CLOSE);
                                    }}),
                         [](const ::testing::TestParamInfo<WayOut>& info) { return std::string(info.param.name); });

// A notification posted from another thread wakes the UI thread's loop at once: its pump hands out a
// wake record, where otherwise only the window's tick would end the wait. The hook goes with video.
TEST_F(ApplicationTest, ANotificationPostedFromAnotherThreadWakesTheLoop)
{
    bool woken = false;
    EXPECT_EQ(RunEditorAndLeave([&](OSWindow& main) {
                  Platform::EventPump& pump = OSWindow::GetEventPump();
                  Platform::InputRecord record;
                  while (pump.Next(record, 0)) {
                  } // what was pending, an earlier wake included
                  std::thread([] {
                      static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
                          MakeNotification(u"NID_TEST_POSTED"))); // nobody listens: only the wake counts
                  }).join();
                  woken =
                      Eventually([&] { return pump.Next(record, 100) && record.kind == Platform::RecordKind::Wake; });
                  static_cast<void>(main.GetRootWindow()->SendNotification(
                      MakeNotification(u"NID_MENU_FILE_EXIT_REQ"))); // the status says whether it left
              }),
              0);
    EXPECT_TRUE(woken);
    EXPECT_FALSE(NotificationPostedHookSlot().Get());
}

// The engine announces an empty device list and the list cannot be read: the hardware box, then one
// exit request, which ends the program.
TEST_F(ApplicationTest, AnUnreadableDeviceListShowsTheHardwareBoxAndThenAsksOnceToLeave)
{
    RCPtr<Recorder> exits(new Recorder("exits")), check(new Recorder("check"));
    int exitsWhenChecked = -1;
    check->react = [&](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
        exitsWhenChecked = exits->received;
        if (exitsWhenChecked == 0) // ends the run that would otherwise go on
            static_cast<void>(LApplication::GetApplication()->GetMainWindow()->GetRootWindow()->SendNotification(
                MakeNotification(u"NID_MENU_FILE_EXIT_REQ")));
    };
    const RCPtr<LNotificationDistributor> center(GetDefaultNotificationCenter());
    exits->RegisterForNotification(center, u"NID_APP_EXIT_REQ", 0);
    check->RegisterForNotification(center, u"NID_TEST_CHECK", 0);
    EXPECT_EQ(RunEditorAndLeave([&](OSWindow& main) {
                  RCPtr<LMainControl> control(main.GetRootWindow()->GetContent());
                  ASSERT_TRUE(control);
                  // An engine that neither polls nor has a port cannot read the list.
                  const RCPtr<LRootModuleEngine> running = LRootModuleEngine::GetRootModuleEngine();
                  const RCPtr<LRootModuleEngine> bare = LRootModuleEngine::Create();
                  LRootModuleEngine::SetRootModuleEngine(bare);
                  EXPECT_EQ(control->ApplyParamValue(ParamDescriptor(-2), Variant()), S_OK);
                  LRootModuleEngine::SetRootModuleEngine(running);
                  static_cast<void>(bare->BreakCycles());
                  static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
                      MakeNotification(u"NID_TEST_CHECK"))); // delivered after the exit request
              }),
              0);
    exits->UnregisterForAllNotifications();
    check->UnregisterForAllNotifications();
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].caption, u"Hardware Configuration Error");
    EXPECT_EQ(boxes.requests[0].text.rfind(u"The list of connected devices could not be read.", 0), 0u);
    EXPECT_EQ(boxes.requests[0].flags, Platform::MessageBoxFlags::kIconError);
    EXPECT_EQ(exitsWhenChecked, 1);
    EXPECT_EQ(exits->received, 1);
}

struct BrokenDocument {
    const char* name;
    const char* file;
    const char* text; // empty: the file is missing
};

class ApplicationStartupErrorTest : public ApplicationTest, public ::testing::WithParamInterface<BrokenDocument> {};

TEST_P(ApplicationStartupErrorTest, ShowsTheStartupErrorAndEndsWithStatusOne)
{
    m_environment.Set("KX_RESOURCE_DIR", ResourceFolder(GetParam().file, GetParam().text));

    EXPECT_EQ(RunEditor(), 1);

    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, u"The application encountered problems during startup and will now close.");
    EXPECT_EQ(boxes.requests[0].caption, u"Error");
    EXPECT_EQ(boxes.requests[0].flags, Platform::MessageBoxFlags::kIconError);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, ApplicationStartupErrorTest,
    ::testing::Values(BrokenDocument{"MalformedSkin", "Skins.xml", "<Velmora_Skin_Definitions><Skin"},
                      BrokenDocument{"MissingApplicationStrings", "StringTables.xml", ""},
                      // Read, but without the main control: the run phase fails.
                      BrokenDocument{"SkinWithoutMainControl", "Skins.xml",
                                     "<Velmora_Skin_Definitions Version=\"1\"><Skin Name=\"Skin1\"/>"
                                     "</Velmora_Skin_Definitions>"}),
    [](const ::testing::TestParamInfo<BrokenDocument>& info) { return std::string(info.param.name); });

// The program itself: its status and the line it leaves where no box can be shown.
TEST_F(ApplicationTest, TheProgramEndsWithStatusOneAndSaysWhyWhenTheSkinIsMalformed)
{
    const std::string folder = ResourceFolder("Skins.xml", "<Velmora_Skin_Definitions><Skin");
    const std::string errors = m_home / "stderr.txt";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("KX_RESOURCE_DIR", folder.c_str(), 1);
        setenv("FONTCONFIG_FILE", KX_TEST_FONTS_CONF, 1);
        if (!std::freopen(errors.c_str(), "w", stderr))
            _exit(126);
        execl(KIVO_EDITOR, KIVO_EDITOR, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    const bool ended = Eventually([&] { return waitpid(child, &status, WNOHANG) == child; }, std::chrono::seconds(60));
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    ASSERT_TRUE(ended);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(TempFolder::ReadFile(errors).find("The application encountered problems during startup"),
              std::string::npos)
        << TempFolder::ReadFile(errors);
}

} // namespace
} // namespace KX::Test
