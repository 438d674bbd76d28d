// Real windows on an X server (Xvfb in CI). Screenshots go to KX_SCREENSHOT_DIR when it is set.
#include "EnvironmentGuard.h"
#include "Eventually.h"
#include "GlDriver.h"

#include "KXFramework/Platform/Window/Cursor.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/KeyMap.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

// Last: Xlib's macros (None, Bool, Status) clash with names in the headers above.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace KX::Test {
namespace {

using Platform::EventPump;
using Platform::Framebuffer;
using Platform::HostWindow;
using Platform::InputRecord;
using Platform::Placement;
using Platform::RecordKind;
using Platform::RectI;
using Platform::ShowCommand;
using Platform::WindowParams;

class X11WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X server (tools/test runs these under xvfb-run)";
        m_environment.Set("SDL_VIDEODRIVER", "x11");
        m_environment.Set("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        m_display = ServerConnection();
        ASSERT_NE(m_display, nullptr);
        ASSERT_TRUE(Platform::VideoSystem::Start()) << Platform::VideoSystem::LastError();
        m_started = true;
    }
    void TearDown() override
    {
        if (m_started)
            Platform::VideoSystem::Stop();
    }

    // One connection for the whole process, never closed: an X server resets when its last client
    // leaves and refuses connections while it does, so a case that closed every connection could
    // make the next one fail to start video.
    static Display* ServerConnection()
    {
        static Display* const display = XOpenDisplay(nullptr);
        return display;
    }

    std::unique_ptr<HostWindow> Open(RectI area)
    {
        WindowParams params;
        params.title = u"Window layer test";
        params.x = area.x;
        params.y = area.y;
        params.width = area.width;
        params.height = area.height;
        params.visible = true;
        return HostWindow::Create(params);
    }

    // Hands out whatever has arrived; returns the kinds seen for the window.
    std::vector<RecordKind> Pump(uint32_t window, uint32_t waitMs = 20)
    {
        std::vector<RecordKind> kinds;
        InputRecord record;
        while (m_pump.Next(record, waitMs)) {
            if (record.window == window)
                kinds.push_back(record.kind);
        }
        return kinds;
    }

    static void Paint(const Framebuffer& fb, RectI r, uint32_t xrgb)
    {
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x)
                reinterpret_cast<uint32_t*>(fb.pixels + y * fb.stride)[x] = xrgb;
    }

    // What the X server shows at a screen point.
    uint32_t ScreenPixel(int x, int y)
    {
        XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return 0xFFFFFFFF;
        const uint32_t pixel = uint32_t(XGetPixel(image, 0, 0)) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }

    // Saves the screen's area as BMP for a person to look at.
    void Screenshot(const char* name, RectI area)
    {
        const char* folder = std::getenv("KX_SCREENSHOT_DIR");
        if (!folder)
            return;
        XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), area.x, area.y, unsigned(area.width),
                                  unsigned(area.height), AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, area.width, area.height, 32, SDL_PIXELFORMAT_XRGB8888);
        for (int y = 0; y < area.height; ++y)
            for (int x = 0; x < area.width; ++x)
                static_cast<uint32_t*>(surface->pixels)[y * surface->pitch / 4 + x] = uint32_t(XGetPixel(image, x, y));
        XDestroyImage(image);
        SDL_SaveBMP(surface, (std::string(folder) + "/" + name + ".bmp").c_str());
        SDL_FreeSurface(surface);
    }

    static ::Window XWindowOf(const HostWindow& window)
    {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        EXPECT_TRUE(SDL_GetWindowWMInfo(SDL_GetWindowFromID(window.Id()), &info));
        return info.info.x11.window;
    }

    Display* m_display = nullptr;
    EventPump m_pump;

private:
    EnvironmentGuard m_environment;
    bool m_started = false;
};

TEST_F(X11WindowTest, PresentedRectanglesReachTheScreenAlsoAfterAResizeByTheProgram)
{
    // Shared-memory images, not SDL's GL renderer, carry the framebuffer to the X server.
    EXPECT_STREQ(SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION), "0");
    auto window = Open({100, 80, 240, 160});
    ASSERT_TRUE(window);
    Pump(window->Id());
    ASSERT_TRUE(Eventually([&] { return window->ClientArea() == RectI{100, 80, 240, 160}; }));

    Framebuffer fb = window->LockFramebuffer();
    ASSERT_NE(fb.pixels, nullptr);
    Paint(fb, {0, 0, 240, 160}, 0x00203040);
    Paint(fb, {40, 30, 100, 60}, 0x00E03020);
    const RectI all{0, 0, 240, 160};
    ASSERT_TRUE(window->PresentRects(&all, 1));
    XSync(m_display, False);
    EXPECT_TRUE(Eventually([&] { return ScreenPixel(100 + 40, 80 + 30) == 0xE03020; }));
    EXPECT_EQ(ScreenPixel(100 + 139, 80 + 89), 0xE03020u);
    EXPECT_EQ(ScreenPixel(100 + 140, 80 + 90), 0x203040u);
    Screenshot("window-present", {90, 70, 260, 180});

    // Only the rectangle presented changes on the screen.
    Paint(fb, {0, 0, 240, 160}, 0x0000FF00);
    const RectI corner{200, 120, 40, 40};
    ASSERT_TRUE(window->PresentRects(&corner, 1));
    XSync(m_display, False);
    EXPECT_TRUE(Eventually([&] { return ScreenPixel(100 + 239, 80 + 159) == 0x00FF00; }));
    EXPECT_EQ(ScreenPixel(100 + 40, 80 + 30), 0xE03020u);

    // A size change made by the program gives only SIZE_CHANGED; the framebuffer must be fetched again.
    window->SetClientArea({100, 80, 400, 300});
    std::vector<RecordKind> kinds;
    ASSERT_TRUE(Eventually([&] {
        for (RecordKind kind : Pump(window->Id(), 5))
            kinds.push_back(kind);
        return window->ClientArea().width == 400;
    }));
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), RecordKind::Resized), kinds.end());
    EXPECT_FALSE(window->PresentRects(&all, 1)) << "the old framebuffer is stale";
    fb = window->LockFramebuffer();
    ASSERT_EQ(fb.width, 400);
    Paint(fb, {0, 0, 400, 300}, 0x000000FF);
    const RectI grown{0, 0, 400, 300};
    ASSERT_TRUE(window->PresentRects(&grown, 1));
    XSync(m_display, False);
    EXPECT_TRUE(Eventually([&] { return ScreenPixel(100 + 399, 80 + 299) == 0x0000FF; }));
    Screenshot("window-resized", {90, 70, 420, 320});
}

TEST_F(X11WindowTest, PlacementSavedByOneWindowIsRestoredByTheNextWithoutCreeping)
{
    Placement saved;
    {
        auto first = Open({50, 60, 300, 200});
        ASSERT_TRUE(first);
        first->SetPlacement({{210, 130, 320, 240}, false});
        Pump(first->Id());
        ASSERT_TRUE(Eventually([&] { return first->ClientArea() == RectI{210, 130, 320, 240}; }));
        saved = first->GetPlacement();
    }
    EXPECT_EQ(saved, (Placement{{210, 130, 320, 240}, false}));

    WindowParams params;
    auto second = HostWindow::Create(params);
    ASSERT_TRUE(second);
    second->SetPlacement(saved);
    second->Show(ShowCommand::Show);
    Pump(second->Id());
    EXPECT_TRUE(Eventually([&] { return second->ClientArea() == saved.normal; }))
        << second->ClientArea().x << "," << second->ClientArea().y;
    EXPECT_FALSE(second->WorkArea().IsEmpty());
}

TEST_F(X11WindowTest, AShownWindowIsExposedAndFocusedAndAGlWindowSwapsToTheScreen)
{
    WindowParams params;
    params.x = 300;
    params.y = 200;
    params.width = 120;
    params.height = 90;
    params.glCapable = true;
    auto window = HostWindow::Create(params);
    ASSERT_TRUE(window);
    ASSERT_TRUE(window->CreateGlContext());
    KeepGlDriverLoaded();
    window->Show(ShowCommand::Show);
    std::vector<RecordKind> kinds;
    // Without a window manager, the X server gives a mapped window the focus.
    EXPECT_TRUE(Eventually([&] {
        for (RecordKind kind : Pump(window->Id(), 5))
            kinds.push_back(kind);
        return std::count(kinds.begin(), kinds.end(), RecordKind::Exposed) > 0 &&
               std::count(kinds.begin(), kinds.end(), RecordKind::FocusGained) > 0;
    }));
    EXPECT_EQ(m_pump.State().focusWindow, window->Id());

    window->MakeGlCurrent();
    glViewport(0, 0, 120, 90);
    glClearColor(1.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    window->SwapGl();
    XSync(m_display, False);
    EXPECT_TRUE(Eventually([&] { return ScreenPixel(300 + 60, 200 + 45) == 0xFFFF00; }));
    Screenshot("window-gl", {290, 190, 140, 110});
}

// A click that gives the window the focus, as a click-to-focus desktop makes it, or that a busy
// program reads together with the focus, still reaches the window.
TEST_F(X11WindowTest, TheClickThatFocusesTheWindowIsDelivered)
{
    auto window = Open({400, 300, 120, 90});
    ASSERT_TRUE(window);
    std::vector<RecordKind> kinds;
    ASSERT_TRUE(Eventually([&] {
        for (RecordKind kind : Pump(window->Id(), 5))
            kinds.push_back(kind);
        return std::count(kinds.begin(), kinds.end(), RecordKind::FocusGained) > 0;
    }));
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(SDL_GetWindowFromID(window->Id()), &info));
    const ::Window xwindow = info.info.x11.window;

    XSetInputFocus(m_display, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(m_display, False);
    kinds.clear();
    ASSERT_TRUE(Eventually([&] {
        for (RecordKind kind : Pump(window->Id(), 5))
            kinds.push_back(kind);
        return std::count(kinds.begin(), kinds.end(), RecordKind::FocusLost) > 0;
    }));

    // All of it reaches the program before it reads any: the focus and the press come in one batch.
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), 460, 345, CurrentTime);
    XSync(m_display, False);
    XSetInputFocus(m_display, xwindow, RevertToPointerRoot, CurrentTime);
    XTestFakeButtonEvent(m_display, Button1, True, CurrentTime);
    XTestFakeButtonEvent(m_display, Button1, False, CurrentTime);
    XSync(m_display, False);
    kinds.clear();
    EXPECT_TRUE(Eventually([&] {
        for (RecordKind kind : Pump(window->Id(), 5))
            kinds.push_back(kind);
        return std::count(kinds.begin(), kinds.end(), RecordKind::ButtonUp) > 0;
    }));
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), RecordKind::FocusGained), 1);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), RecordKind::ButtonDown), 1);
    EXPECT_EQ(m_pump.State().buttons, 0u);
}

TEST_F(X11WindowTest, AWakeThatReachesTheServerAfterItsWindowIsGoneEndsNothing)
{
    // As SDL sends another thread's wake: from a connection other than the window's own, read by the
    // server after the UI thread destroyed the window. Xlib's default answer would end this process.
    auto window = Open({400, 300, 120, 90});
    ASSERT_TRUE(window);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(SDL_GetWindowFromID(window->Id()), &info));
    const ::Window xwindow = info.info.x11.window;
    window.reset();
    XSync(info.info.x11.display, False);

    XEvent wake{};
    wake.xclient.type = ClientMessage;
    wake.xclient.window = xwindow;
    wake.xclient.format = 8;
    XSendEvent(m_display, xwindow, False, NoEventMask, &wake);
    XSync(m_display, False);
    EXPECT_FALSE(Open({400, 300, 120, 90}) == nullptr); // still here, and windows still open
}

// Escape closes a dialog and Ctrl+Shift+S follows at once, faster than the program reads (a key macro, a
// busy machine): the keys the server sent the dialog before it went, and those it sends the window that
// gets the focus back, arrive with the modifiers they were typed with, and none stays held afterwards.
TEST_F(X11WindowTest, KeysTypedAheadIntoAClosingWindowKeepTheirModifiers)
{
    const struct {
        const char* name;
        // Keys sent before the focus moves back, to the closing window; the rest go to the other one.
        int toTheClosing;
    } cases[] = {{"all into the closing window", 6}, {"the focus moving back between the modifiers and S", 2}};
    const KeyCode ctrl = XKeysymToKeycode(m_display, XK_Control_L), shift = XKeysymToKeycode(m_display, XK_Shift_L),
                  s = XKeysymToKeycode(m_display, XK_s);
    const std::pair<KeyCode, bool> chord[] = {{ctrl, true}, {shift, true},  {s, true},
                                              {s, false},   {shift, false}, {ctrl, false}};
    // Below where the other tests open their windows: the pointer stays there afterwards.
    const RectI mainArea{700, 800, 200, 150};
    int markX = mainArea.x + 20;
    for (const auto& [name, toTheClosing] : cases) {
        SCOPED_TRACE(name);
        auto main = Open(mainArea);
        auto dialog = Open({950, 800, 200, 150});
        ASSERT_TRUE(main && dialog);
        const uint32_t mainId = main->Id();
        const auto focus = [&](const HostWindow& window) {
            XSetInputFocus(m_display, XWindowOf(window), RevertToPointerRoot, CurrentTime);
            XSync(m_display, False);
            return Eventually([&] {
                Pump(0, 5);
                return m_pump.State().focusWindow == window.Id();
            });
        };
        ASSERT_TRUE(focus(*main));
        m_pump.BeginModal(dialog->Id());
        ASSERT_TRUE(focus(*dialog));

        // Everything reaches the server before the program reads any of it.
        for (int i = 0; i < int(std::size(chord)); ++i) {
            if (i == toTheClosing)
                XSetInputFocus(m_display, XWindowOf(*main), RevertToPointerRoot, CurrentTime);
            XTestFakeKeyEvent(m_display, chord[i].first, chord[i].second, CurrentTime);
        }
        XSync(m_display, False);
        // As a modal loop ends: the focus goes back, then the window goes.
        m_pump.EndModal();
        main->TakeFocus();
        dialog.reset();

        // A move of the pointer over the main window comes after all of it.
        XTestFakeMotionEvent(m_display, DefaultScreen(m_display), markX, mainArea.y + 50, CurrentTime);
        XSync(m_display, False);
        std::vector<InputRecord> keys;
        ASSERT_TRUE(Eventually([&] {
            InputRecord record;
            while (m_pump.Next(record, 5)) {
                if (record.kind == RecordKind::Motion && record.window == mainId && record.x == markX - mainArea.x)
                    return true;
                if (record.kind == RecordKind::Key)
                    keys.push_back(record);
            }
            return false;
        })) << "the pointer's move never came";
        const auto typed = std::find_if(keys.begin(), keys.end(),
                                        [](const InputRecord& key) { return key.virtualKey == 'S' && key.down; });
        ASSERT_NE(typed, keys.end()) << "S was lost";
        EXPECT_EQ(typed->window, mainId);
        EXPECT_EQ(typed->keyFlags & (Platform::kKeyCtrl | Platform::kKeyShift),
                  Platform::kKeyCtrl | Platform::kKeyShift);
        EXPECT_EQ(m_pump.State().keyFlags, 0u) << "a modifier is still held";
        markX += 10;
    }
}

TEST_F(X11WindowTest, ImageCursorsAndSystemCursorsAreMade)
{
    auto window = Open({10, 10, 64, 64});
    ASSERT_TRUE(window);
    std::vector<uint8_t> pixels(16 * 16 * 4, 0x80);
    const auto drop = Platform::Cursor::FromImage(16, 16, 64, pixels.data(), 1, 1);
    ASSERT_TRUE(drop);
    Platform::SetCursor(*drop);
    EXPECT_NE(SDL_GetCursor(), SDL_GetDefaultCursor());
    Platform::SetCursor(Platform::Cursor::System(Platform::SystemCursor::IBeam));
    EXPECT_NE(SDL_GetCursor(), SDL_GetDefaultCursor());
    Platform::SetCursor(Platform::Cursor::System(Platform::SystemCursor::Arrow));
}

} // namespace
} // namespace KX::Test
