// The application's file dialog under SDL's dummy driver, and its message box under X11, with the
// zenity stand-in: while the dialog's child process runs, the application's window repaints, takes
// no input and is sent no NID_IDLE.
#include "KXFramework/Application/FrameworkApp.h"
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/Controls/FileDialog.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Platform/Dialogs/FileChooser.h"
#include "KXFramework/Platform/Window/AppHost.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include "AppWindow.h"
#include "DocumentResources.h"
#include "EnvironmentGuard.h"
#include "FakeClipboard.h"
#include "FakeMessageBox.h"
#include "FakeZenity.h"
#include "NotificationDoubles.h"
#include "SdlEvents.h"
#include "UiDoubles.h"
#include "WindowSkin.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

class WaitingApp : public LFrameworkApp {
public:
    WaitingApp(const RCPtr<LControlFactory>& factory, std::unique_ptr<Platform::MessageBoxService> boxes)
        : LFrameworkApp(factory, nullptr, u"PresetEditor", std::move(boxes), std::make_unique<FakeClipboard>())
    {
    }
    int32_t RunModalDialog(const RCPtr<LControl>&, int32_t) override { return E_FAIL; }
    using LFrameworkApp::GetDefaultFont;
    KXRESULT GetDefaultFont(String& face, float& size, int32_t& style) override
    {
        face = u"DejaVu Sans";
        size = 9.0f;
        style = 0;
        return S_OK;
    }
    bool OnIdle(bool sendIdle) override
    {
        idleSentWhileWaiting += waiting && sendIdle ? 1 : 0;
        return LFrameworkApp::OnIdle(sendIdle);
    }
    bool RunWhileWaiting() override
    {
        waiting = true;
        const bool goOn = LFrameworkApp::RunWhileWaiting();
        waiting = false;
        ++turns;
        if (afterTurn)
            afterTurn();
        return goOn;
    }

    bool waiting = false;
    int turns = 0;
    int idleSentWhileWaiting = 0;
    std::function<void()> afterTurn;
};

class FrameworkAppDialogWaitTest : public ::testing::Test {
protected:
    // On X11 the application shows the desktop's message boxes, which zenity (the stand-in) shows.
    explicit FrameworkAppDialogWaitTest(std::string driver = "dummy") : m_driver(std::move(driver)) {}

    void SetUp() override
    {
        if (m_driver == "x11" && !std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X display";
        environment.Set("SDL_VIDEODRIVER", m_driver);
        environment.Set("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        ASSERT_TRUE(Platform::VideoSystem::Start()) << Platform::VideoSystem::LastError();
        started = true;
        documents.Set(u"APP_SKINS", kWindowSkin);
        RCPtr<LControlFactory> factory(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(factory->LoadSkin(u"::APP_SKINS"), S_OK);
        std::unique_ptr<Platform::MessageBoxService> boxes = LFrameworkApp::CreateDesktopMessageBoxes();
        if (m_driver == "dummy") {
            auto fake = std::make_unique<FakeMessageBox>();
            messageBoxes = fake.get();
            boxes = std::move(fake);
        }
        app = RCPtr<WaitingApp>(new WaitingApp(factory, std::move(boxes)));
        ASSERT_EQ(app->RunApplicationStartup(), S_OK);
        static_cast<void>(app->GetControlClassRegistry()->RegisterControlCreateFunction(
            u"Test.WindowProbe", &CreateControlOf<WindowProbe>)); // a name registered twice keeps its function
        window = OpenMainControlWindow();
        ASSERT_NE(window, nullptr);
        Turn();
    }
    void TearDown() override
    {
        if (started)
            CloseAppAndVideo(window, app);
    }

    uint32_t Id() const { return window->GetWindowHandle()->Id(); }
    WindowProbe& Hot() const
    {
        return dynamic_cast<WindowProbe&>(*window->GetRootWindow()->GetContent()->FindChild(u"hot"));
    }
    static void Turn()
    {
        OSWindow::RunOnce(0);
        OSWindow::RunOnce(0);
    }
    uint32_t Pixel(int x, int y) const
    {
        SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(Id()));
        const auto* row = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch;
        return *reinterpret_cast<const uint32_t*>(row + x * 4) & 0xFFFFFF;
    }
    void Click()
    {
        PushMotion(Id(), 30, 30);
        PushButton(Id(), true, 30, 30);
        PushButton(Id(), false, 30, 30);
    }
    // The stand-in prints `output` once `done` holds after a turn of the wait, or cancels after ten
    // seconds (never failing, which would let SDL's box wait for a user).
    void ZenityAnswersOnce(const std::string& output, std::function<bool()> done)
    {
        const std::string go = zenity.Folder() / "go";
        zenity.Behave("i=0; while [ ! -e '" + go + "' ] && [ $i -lt 500 ]; do sleep 0.02; i=$((i+1)); done\n" +
                      "[ -e '" + go + "' ] || exit 1\nprintf '" + output + "'");
        app->afterTurn = [go, done = std::move(done)] {
            if (done())
                TempFolder::WriteFile(go, "");
        };
    }
    // The picture is lost and has to be painted again, and the user clicks, while a dialog is
    // open; the stand-in answers once the picture is back.
    void LoseThePictureAndClickWhileZenityRuns(const std::string& output)
    {
        SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(Id()));
        SDL_FillRect(surface, nullptr, 0x123456);
        ASSERT_EQ(window->InvalidateAll(), S_OK);
        Click();
        ZenityAnswersOnce(output, [this] { return Pixel(150, 150) == 0x808080u; });
    }
    void ExpectNoInputOrIdleDuringTheWait()
    {
        app->afterTurn = nullptr;
        EXPECT_GE(app->turns, 1);
        EXPECT_EQ(app->idleSentWhileWaiting, 0);
        EXPECT_FALSE(app->IsIdleSuspended());
        Turn();
        EXPECT_TRUE(Hot().log.empty());
    }

    EnvironmentGuard environment;
    DocumentResources documents;
    FakeZenity zenity;
    FakeMessageBox* messageBoxes = nullptr;
    RCPtr<WaitingApp> app;
    OSWindow* window = nullptr;
    bool started = false;

private:
    std::string m_driver;
};

TEST_F(FrameworkAppDialogWaitTest, TheWindowRepaintsButTakesNoInputWhileTheFileDialogIsOpen)
{
    // Outside a wait a click reaches the control.
    Click();
    Turn();
    EXPECT_EQ(Hot().log, (std::vector<std::string>{"enter", "down 1"}));
    Hot().log.clear();
    ASSERT_EQ(Pixel(150, 150), 0x808080u);

    const std::string chosen = zenity.Folder() / "chosen.txt";
    TempFolder::WriteFile(chosen, "");
    LoseThePictureAndClickWhileZenityRuns(chosen);
    LFileDialog dialog(u"/", app->GetFileChooser(), app->GetMessageBoxes());
    ASSERT_EQ(dialog.ShowOpen(u"Text|*.txt", u"*.txt", u"Open", false), S_OK);
    EXPECT_EQ(dialog.GetPath(), String(chosen.c_str()));
    ExpectNoInputOrIdleDuringTheWait();
    EXPECT_TRUE(messageBoxes->requests.empty());
}

// A box tells of what was just done: what was posted before it opens (a transfer's values) reaches
// the window and is painted first, also when the box opens inside a delivery, as it does in a dialog
// that a hot key opened.
TEST_F(FrameworkAppDialogWaitTest, AMessageBoxOpensOverWhatWasPostedBeforeIt)
{
    const RCPtr<LNotificationDistributor> centre(GetDefaultNotificationCenter());
    RCPtr<Recorder> change(new Recorder("change")), command(new Recorder("command"));
    change->RegisterForNotification(centre, u"NID_TEST_CHANGE", 0);
    command->RegisterForNotification(centre, u"NID_TEST_COMMAND", 0);
    change->react = [&](auto&, auto&) { EXPECT_EQ(window->InvalidateAll(), S_OK); };
    command->react = [&](auto&, auto&) {
        static_cast<void>(GetDefaultNotificationCenter()->PostNotification(MakeNotification(u"NID_TEST_CHANGE")));
        EXPECT_EQ(app->ShowMessageBox(u"Done", u"Transfer", 0), 1);
    };
    messageBoxes->whileShown = [&] {
        EXPECT_EQ(change->received, 1);
        EXPECT_EQ(Pixel(150, 150), 0x808080u);
    };
    for (const bool fromDelivery : {false, true}) {
        SCOPED_TRACE(fromDelivery ? "opened inside a delivery" : "opened from input");
        change->received = 0;
        SDL_FillRect(SDL_GetWindowSurface(SDL_GetWindowFromID(Id())), nullptr, 0x123456);
        if (fromDelivery) {
            static_cast<void>(GetDefaultNotificationCenter()->PostNotification(MakeNotification(u"NID_TEST_COMMAND")));
            GetDefaultNotificationCenter()->ProcessNotifications(false);
        } else {
            command->react(centre, MakeNotification(u"NID_TEST_COMMAND"));
        }
        EXPECT_EQ(change->received, 1);
    }
    EXPECT_EQ(messageBoxes->requests.size(), 2u);
    change->UnregisterForAllNotifications();
    command->UnregisterForAllNotifications();
}

// What is posted while the chooser is open (a transfer's values, an exit request) is delivered before
// it returns: the stand-in answers only once it has arrived.
TEST_F(FrameworkAppDialogWaitTest, ANotificationPostedWhileTheFileChooserIsOpenArrivesBeforeItReturns)
{
    RCPtr<Recorder> change(new Recorder("change"));
    change->RegisterForNotification(RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()), u"NID_TEST_CHANGE",
                                    0);
    const std::string chosen = zenity.Folder() / "chosen.txt";
    TempFolder::WriteFile(chosen, "");
    ZenityAnswersOnce(chosen, [&] {
        // Posted after the wait's first turn, so that only a later turn can deliver it.
        if (app->turns == 1)
            static_cast<void>(GetDefaultNotificationCenter()->PostNotification(MakeNotification(u"NID_TEST_CHANGE")));
        return change->received > 0;
    });
    LFileDialog dialog(u"/", app->GetFileChooser(), app->GetMessageBoxes());
    ASSERT_EQ(dialog.ShowOpen(u"Text|*.txt", u"*.txt", u"Open", false), S_OK) << "nothing arrived while it waited";
    EXPECT_EQ(dialog.GetPath(), String(chosen.c_str()));
    EXPECT_EQ(change->received, 1);
    change->UnregisterForAllNotifications();
}

// A quit while the chooser is open (the desktop's logout) closes it unanswered: the program goes on
// ending without a file, and without one more box.
TEST_F(FrameworkAppDialogWaitTest, AQuitWhileTheFileChooserIsOpenClosesItWithoutABox)
{
    struct Host final : Platform::AppHost {
        bool PumpMessage(uint32_t) override { return false; }
    } host;
    zenity.Behave("exec sleep 60");
    app->afterTurn = [] { Platform::AppHost::PostQuitMessage(0); };
    Platform::FileChooserRequest request;
    request.title = u"Open";
    EXPECT_EQ(app->GetFileChooser().Run(request).kind, Platform::FileChooserResult::Kind::Cancelled);
    EXPECT_TRUE(messageBoxes->requests.empty()) << "a box during the shutdown";
}

class FrameworkAppDesktopBoxWaitTest : public FrameworkAppDialogWaitTest {
protected:
    FrameworkAppDesktopBoxWaitTest() : FrameworkAppDialogWaitTest("x11") {}
};

TEST_F(FrameworkAppDesktopBoxWaitTest, TheWindowRepaintsButTakesNoInputWhileAMessageBoxIsOpenOverIt)
{
    LoseThePictureAndClickWhileZenityRuns("");
    EXPECT_EQ(app->ShowMessageBox(u"Overwrite?", u"Save", 0x4), 6);
    ExpectNoInputOrIdleDuringTheWait();
    // The box was attached to the window, modal over it.
    const std::vector<std::string> arguments = zenity.Arguments();
    EXPECT_NE(std::find(arguments.begin(), arguments.end(), "--modal"), arguments.end());
    EXPECT_NE(std::find_if(arguments.begin(), arguments.end(),
                           [](const std::string& a) { return a.rfind("--attach=", 0) == 0; }),
              arguments.end());
}

} // namespace
} // namespace KX::Test
