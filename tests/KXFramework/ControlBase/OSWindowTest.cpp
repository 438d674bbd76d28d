#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/Controls/Dialog.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/TabControl.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include "DocumentResources.h"
#include "EnvironmentGuard.h"
#include "NotificationDoubles.h"
#include "SdlEvents.h"
#include "UiDoubles.h"
#include "WindowSkin.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace KX::Test {
namespace {

using Platform::WindowParams;

// Windows built from the window skin on one of SDL's drivers, with pushed desktop events.
class OSWindowTest : public ::testing::Test {
protected:
    explicit OSWindowTest(std::string driver = "dummy") : m_driver(std::move(driver)) {}

    void SetUp() override
    {
        if (m_driver == "x11" && !std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X display";
        environment.Set("SDL_VIDEODRIVER", m_driver);
        environment.Set("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        ASSERT_TRUE(Platform::VideoSystem::Start()) << Platform::VideoSystem::LastError();
        m_started = true;
        documents.Set(u"APP_SKINS", kWindowSkin);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.WindowProbe", &CreateControlOf<WindowProbe>)); // a name registered twice keeps its function
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Framework.TabControl", &CreateControlOf<LTabControl>)); // a name registered twice keeps its function
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Framework.Dialog", &CreateControlOf<LDialog>)); // a name registered twice keeps its function
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Framework.Panel", &CreateControlOf<LPanel>)); // a name registered twice keeps its function
        main = Open(u"mainControl", 300, 200);
        ASSERT_NE(main, nullptr);
        Focus(main);
        Turn();
    }

    void TearDown() override
    {
        if (!m_started)
            return;
        for (OSWindow* w : {dialog, main}) {
            if (w && OSWindow::FromId(Id(w)) == w)
                w->EndModal(0);
        }
        OSWindow::RunOnce(0);
        Platform::VideoSystem::Stop();
    }

    OSWindow* Open(const char16_t* content, int width, int height)
    {
        WindowParams params;
        params.x = 100;
        params.y = 100;
        params.width = width;
        params.height = height;
        params.visible = true;
        OSWindow* w = OSWindow::Create(params, LRenderer::kGdi);
        if (w)
            static_cast<void>(w->GetRootWindow()->SetContentByName(content)); // the test checks the content it got
        // Making and showing windows queues events of their own.
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        return w;
    }

    static uint32_t Id(OSWindow* w) { return w->GetWindowHandle() ? w->GetWindowHandle()->Id() : 0; }
    static WindowProbe& Content(OSWindow* w) { return dynamic_cast<WindowProbe&>(*w->GetRootWindow()->GetContent()); }
    static WindowProbe& Hot(OSWindow* w) { return dynamic_cast<WindowProbe&>(*Content(w).FindChild(u"hot")); }

    // Handles what is queued, paints, and runs the idle passes; twice, so that what an idle pass
    // invalidated is painted too.
    static void Turn()
    {
        OSWindow::RunOnce(0);
        OSWindow::RunOnce(0);
    }

    static void Focus(OSWindow* w) { PushWindowEvent(Id(w), SDL_WINDOWEVENT_FOCUS_GAINED); }

    // 0xRRGGBB of the window's framebuffer.
    static uint32_t Pixel(OSWindow* w, int x, int y)
    {
        SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(Id(w)));
        const auto* row = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch;
        return *reinterpret_cast<const uint32_t*>(row + x * 4) & 0xFFFFFF;
    }
    static void FillFramebuffer(OSWindow* w, uint32_t colour)
    {
        SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(Id(w)));
        SDL_FillRect(surface, nullptr, colour);
    }

    EnvironmentGuard environment;
    DocumentResources documents;
    FakeFrameworkServices services;
    OSWindow* main = nullptr;
    OSWindow* dialog = nullptr;

private:
    std::string m_driver;
    bool m_started = false;
};

TEST_F(OSWindowTest, OnlyTheDirtyRectanglesReachTheWindow)
{
    EXPECT_EQ(Pixel(main, 150, 150), 0x808080u);
    EXPECT_EQ(Pixel(main, 30, 30), 0xFF0000u);

    // One pointer move over the small control and one idle pass change its look; only its
    // rectangle reaches the window.
    FillFramebuffer(main, 0x123456);
    PushMotion(Id(main), 30, 30);
    Turn();
    EXPECT_EQ(Hot(main).log, (std::vector<std::string>{"enter"}));
    EXPECT_EQ(Pixel(main, 30, 30), 0x00FF00u);
    EXPECT_EQ(Pixel(main, 79, 59), 0x00FF00u);
    EXPECT_EQ(Pixel(main, 150, 150), 0x123456u);
    EXPECT_EQ(Pixel(main, 80, 60), 0x123456u);

    // An expose shows the retained picture again, a redraw paints everything.
    FillFramebuffer(main, 0x123456);
    PushWindowEvent(Id(main), SDL_WINDOWEVENT_EXPOSED);
    Turn();
    EXPECT_EQ(Pixel(main, 150, 150), 0x123456u);
    EXPECT_EQ(main->Redraw(), S_OK);
    EXPECT_EQ(Pixel(main, 150, 150), 0x808080u);
    EXPECT_EQ(Pixel(main, 30, 30), 0x00FF00u);

    // Leaving the window ends the hover.
    PushWindowEvent(Id(main), SDL_WINDOWEVENT_LEAVE);
    Turn();
    EXPECT_EQ(Hot(main).log, (std::vector<std::string>{"enter", "leave"}));
    EXPECT_EQ(Pixel(main, 30, 30), 0xFF0000u);
}

TEST_F(OSWindowTest, WheelNotchesCollectInTheRemainderAndDispatchOncePerRecord)
{
    WindowProbe& content = Content(main);
    PushMotion(Id(main), 200, 150);
    PushWheel(Id(main), 0, 0.5f);
    Turn();
    EXPECT_EQ(content.log, (std::vector<std::string>{"enter"}));
    PushWheel(Id(main), 0, 0.5f);
    PushWheel(Id(main), 0, -2.0f);
    PushWheel(Id(main), 1.0f, 0);
    PushWheel(Id(main), 0, 1000.0f);
    Turn();
    EXPECT_EQ(content.log, (std::vector<std::string>{"enter", "wheel 1", "wheel 0", "hwheel 3", "wheel 1"}));
}

TEST_F(OSWindowTest, KeysBecomeKeyRecordsForTheFocusControl)
{
    WindowProbe& content = Content(main);
    main->GetRootWindow()->SetFocusControl(RCPtr<LControl>(&content));
    struct Case {
        const char* what;
        SDL_Keycode sym;
        SDL_Scancode scancode;
        uint16_t mod;
        bool down;
        KeyRecord want;
    };
    const Case cases[] = {
        {"Ctrl+C on a Russian layout",
         0x441,
         SDL_SCANCODE_C,
         KMOD_LCTRL,
         true,
         {KeyCode::Press('C', KeyCode::kCtrlKey), 0x03, 0}},
        {"F4 with left Alt",
         SDLK_F4,
         SDL_SCANCODE_F4,
         KMOD_LALT,
         true,
         {KeyCode::Press((VirtualKey::kF1 + 3), KeyCode::kAltKey), 0xC0, 0}},
        {"Escape released", SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, KMOD_NONE, false, {0x001B0000, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        content.keys.clear();
        SDL_Event event{};
        event.type = c.down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.windowID = Id(main);
        event.key.keysym.sym = c.sym;
        event.key.keysym.scancode = c.scancode;
        event.key.keysym.mod = c.mod;
        PushSdlEvent(event);
        Turn();
        ASSERT_EQ(content.keys.size(), 1u);
        EXPECT_EQ(content.keys[0].key, c.want.key);
        EXPECT_EQ(content.keys[0].modifiers, c.want.modifiers);
        EXPECT_EQ(content.keys[0].flags, c.want.flags);
    }
}

TEST_F(OSWindowTest, AModalDialogClosedFromItsOwnHandlerReturnsItsResult)
{
    dialog = Open(u"dialog", 160, 100);
    ASSERT_NE(dialog, nullptr);
    const uint32_t dialogId = Id(dialog);
    RCPtr<LRootWindow> dialogRoot = dialog->GetRootWindow();
    Content(dialog).onDown = [dialogRoot] { EXPECT_EQ(dialogRoot->RequestClose(2), S_OK); };
    Focus(dialog);
    // Input for the main window is dropped while the dialog runs.
    PushButton(Id(main), true, 150, 150);
    PushButton(dialogId, true, 10, 10);
    PushButton(dialogId, false, 10, 10);
    EXPECT_EQ(dialog->RunModal(), 2);
    EXPECT_EQ(OSWindow::FromId(dialogId), nullptr);
    EXPECT_TRUE(Content(main).log.empty());
    dialog = nullptr;

    // Records for the closed window are dropped.
    PushMotion(dialogId, 5, 5);
    PushButton(dialogId, true, 5, 5);
    PushWindowEvent(dialogId, SDL_WINDOWEVENT_CLOSE);
    Turn();
    EXPECT_EQ(services.roots.size(), 1u);
}

TEST_F(OSWindowTest, ATabControlShowsOnePageAndAModalDialogReturnsTwo)
{
    static_cast<void>(main->GetRootWindow()->SetContentByName(u"tabbed")); // the test checks the content it got
    Turn();
    auto& tabs = dynamic_cast<LTabControl&>(*main->GetRootWindow()->GetContent());
    EXPECT_EQ(tabs.GetSelectedName(), String(u"tabRed"));
    EXPECT_EQ(Pixel(main, 150, 100), 0xFF0000u);
    PushButton(Id(main), true, 60, 10);
    PushButton(Id(main), false, 60, 10);
    Turn();
    EXPECT_EQ(tabs.GetSelectedName(), String(u"tabBlue"));
    EXPECT_EQ(Pixel(main, 150, 100), 0x0000FFu);
    EXPECT_EQ(Pixel(main, 10, 10), 0xFF0000u);

    // The dialog runs in a second window through the application; its cancel button ends it.
    dialog = Open(u"modal", 160, 100);
    ASSERT_NE(dialog, nullptr);
    auto* content = dynamic_cast<LDialog*>(dialog->GetRootWindow()->GetContent().Get());
    ASSERT_NE(content, nullptr);
    OSWindow* window = dialog;
    services.runModalDialog = [window](const RCPtr<LControl>&) { return window->RunModal(); };
    Focus(dialog);
    PushButton(Id(dialog), true, 110, 80);
    PushButton(Id(dialog), false, 110, 80);
    const uint32_t dialogId = Id(dialog);
    EXPECT_EQ(content->DoModal(), 2);
    EXPECT_EQ(OSWindow::FromId(dialogId), nullptr);
    dialog = nullptr;
}

TEST_F(OSWindowTest, ClosingTheMainWindowAsksTheApplicationAndADialogClosesItself)
{
    RCPtr<LNotificationCenter> center = GetDefaultNotificationCenter();
    RCPtr<Recorder> client(new Recorder("exit"));
    client->RegisterForNotification(RCPtr<LNotificationDistributor>(center), u"NID_APP_EXIT_REQ", 0);
    PushWindowEvent(Id(main), SDL_WINDOWEVENT_CLOSE);
    Turn();
    LNotificationCenterManager::GetInstance()->ProcessNotifications(false);
    EXPECT_EQ(client->received, 1);
    EXPECT_NE(OSWindow::FromId(Id(main)), nullptr);
    client->UnregisterForAllNotifications();

    dialog = Open(u"dialog", 160, 100);
    const uint32_t dialogId = Id(dialog);
    PushWindowEvent(dialogId, SDL_WINDOWEVENT_CLOSE);
    Turn();
    EXPECT_EQ(OSWindow::FromId(dialogId), nullptr);
    dialog = nullptr;
}

TEST_F(OSWindowTest, ExtremeSizesKeepTheWindowUsable)
{
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{40000, 40000}, std::pair{120, 90}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        SDL_SetWindowSize(SDL_GetWindowFromID(Id(main)), std::max(width, 1), std::max(height, 1));
        PushWindowEvent(Id(main), SDL_WINDOWEVENT_SIZE_CHANGED, width, height);
        Turn();
        const RectT<int32_t> area = main->GetClientArea();
        EXPECT_GE(area.width, 1);
        EXPECT_LE(area.width, Platform::kMaxClientSide);
    }
    EXPECT_EQ(main->GetRootWindow()->GetContent()->GetRect(), (RectT<double>{0, 0, 120, 90}));
    EXPECT_EQ(Pixel(main, 119, 89), 0x808080u);
}

// The X11 backend under Xvfb: a real window that is shown, clicked, typed into and photographed.
class X11WindowTest : public OSWindowTest {
protected:
    X11WindowTest() : OSWindowTest("x11") {}

    // Turns the loop until the condition holds; generous, since the X server answers in its own time.
    template <class Condition>
    static bool Until(Condition condition)
    {
        for (int i = 0; i < 200 && !condition(); ++i)
            OSWindow::RunOnce(10);
        return condition();
    }

    // With KX_SCREENSHOT set, the window's picture goes to "<KX_SCREENSHOT>-<name>.bmp".
    static void Screenshot(OSWindow* w, const char* name)
    {
        if (const char* prefix = std::getenv("KX_SCREENSHOT")) {
            SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(Id(w)));
            const std::string path = std::string(prefix) + "-" + name + ".bmp";
            EXPECT_EQ(SDL_SaveBMP(surface, path.c_str()), 0) << SDL_GetError();
        }
    }
};

// A window on a desktop: one nobody saw keeps no place, which would go over the one the user left.
TEST_F(X11WindowTest, TheMainWindowLeavesItsPlacementInTheProfile)
{
    // Only the application's window writes it.
    dialog = Open(u"dialog", 160, 100);
    dialog->EndModal(0);
    dialog = nullptr;
    EXPECT_TRUE(services.profile.empty());

    main->SetWindowArea({40, 50, 320, 240});
    const uint32_t id = Id(main);
    main->EndModal(0);
    EXPECT_EQ(OSWindow::FromId(id), nullptr);
    const std::vector<uint8_t>& record = services.profile[u"Velmora_Test/WP"];
    ASSERT_EQ(record.size(), 44u);
    auto word = [&](int i) {
        return int32_t(record[i * 4] | record[i * 4 + 1] << 8 | record[i * 4 + 2] << 16 | record[i * 4 + 3] << 24);
    };
    EXPECT_EQ(word(0), 44);
    EXPECT_EQ(word(2), 1);
    EXPECT_EQ(word(9) - word(7), 320);
    EXPECT_EQ(word(10) - word(8), 240);
}

TEST_F(X11WindowTest, AWindowFromTheSkinShowsItsLooksAndTakesInput)
{
    ASSERT_TRUE(Until([this] { return Pixel(main, 150, 150) == 0x808080u; }));
    EXPECT_EQ(Pixel(main, 30, 30), 0xFF0000u);
    EXPECT_EQ(Pixel(main, 299, 199), 0x808080u);

    WindowProbe& content = Content(main);
    main->GetRootWindow()->SetFocusControl(RCPtr<LControl>(&content));
    PushButton(Id(main), true, 200, 150);
    PushButton(Id(main), false, 200, 150);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = Id(main);
    key.key.keysym.sym = SDLK_a;
    key.key.keysym.scancode = SDL_SCANCODE_A;
    PushSdlEvent(key);
    EXPECT_TRUE(Until([&] { return !content.keys.empty(); }));
    EXPECT_NE(std::find(content.log.begin(), content.log.end(), "down 1"), content.log.end());
    EXPECT_EQ(content.keys[0].key, KeyCode::Press('A'));

    // A size set by the program still presents.
    main->SetWindowArea({100, 100, 320, 240});
    ASSERT_TRUE(Until([this] { return main->GetClientArea().width == 320 && Pixel(main, 310, 230) == 0x808080u; }));

    // One pointer move and one idle pass change the look under the pointer.
    PushMotion(Id(main), 30, 30);
    EXPECT_TRUE(Until([this] { return Pixel(main, 30, 30) == 0x00FF00u; }));
    Screenshot(main, "main");

    // A tab control shows the page of the tab clicked, and only that one.
    static_cast<void>(main->GetRootWindow()->SetContentByName(u"tabbed")); // the test checks the content it got
    PushButton(Id(main), true, 60, 10);
    PushButton(Id(main), false, 60, 10);
    EXPECT_TRUE(Until([this] { return Pixel(main, 150, 100) == 0x0000FFu; }));
    EXPECT_EQ(Pixel(main, 10, 10), 0xFF0000u);
    Screenshot(main, "tabs");
}

} // namespace
} // namespace KX::Test
