#include "VideoFixture.h"

#include "SdlEvents.h"
#include "TempFolder.h"

#include "KXFramework/Platform/Process/TerminationWatch.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/KeyMap.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace KX::Test {
namespace {

using Platform::EventPump;
using Platform::HostWindow;
using Platform::InputRecord;
using Platform::RecordKind;
using Platform::WindowParams;

class EventPumpTest : public VideoFixture {
protected:
    void SetUp() override
    {
        VideoFixture::SetUp();
        m_window = HostWindow::Create(WindowParams{});
        m_other = HostWindow::Create(WindowParams{});
        ASSERT_TRUE(m_window && m_other);
        // Creating windows queues events of their own.
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override
    {
        m_window.reset();
        m_other.reset();
        VideoFixture::TearDown();
    }

    uint32_t Id() const { return m_window->Id(); }

    // Every record that is ready now.
    std::vector<InputRecord> Drain()
    {
        std::vector<InputRecord> records;
        InputRecord record;
        while (m_pump.Next(record, 0))
            records.push_back(record);
        return records;
    }

    std::vector<RecordKind> DrainKinds()
    {
        std::vector<RecordKind> kinds;
        for (const InputRecord& record : Drain())
            kinds.push_back(record.kind);
        return kinds;
    }

    std::unique_ptr<HostWindow> m_window;
    std::unique_ptr<HostWindow> m_other;
    uint64_t m_now = 1000;
    EventPump m_pump{[this] { return m_now; }};
};

TEST_F(EventPumpTest, KeysBecomeVirtualKeysWithSidedModifierFlags)
{
    struct Case {
        const char* what;
        SDL_Keycode sym;
        SDL_Scancode scancode;
        uint16_t mod;
        bool down, repeat;
        uint32_t virtualKey, flags;
    };
    const Case cases[] = {
        {"letter", SDLK_a, SDL_SCANCODE_A, KMOD_NONE, true, false, 0x41, 0},
        {"Ctrl+C on a Russian layout", 0x441, SDL_SCANCODE_C, KMOD_LCTRL, true, false, 0x43, 0x03},
        {"Greek letter", 0x3B1, SDL_SCANCODE_A, KMOD_NONE, true, false, 0x41, 0},
        {"digit", SDLK_7, SDL_SCANCODE_7, KMOD_RSHIFT, true, false, 0x37, 0x28},
        {"repeat", SDLK_DELETE, SDL_SCANCODE_DELETE, KMOD_NONE, true, true, 0x2E, 0},
        {"key up", SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, KMOD_NONE, false, false, 0x1B, 0},
        {"F4 with left Alt", SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT, true, false, 0x73, 0xC0},
        {"F12", SDLK_F12, SDL_SCANCODE_F12, KMOD_NONE, true, false, 0x7B, 0},
        {"F13", SDLK_F13, SDL_SCANCODE_F13, KMOD_NONE, true, false, 0x7C, 0},
        {"F24", SDLK_F24, SDL_SCANCODE_F24, KMOD_NONE, true, false, 0x87, 0},
        {"right Ctrl itself", SDLK_RCTRL, SDL_SCANCODE_RCTRL, KMOD_RCTRL, true, false, 0x11, 0x05},
        {"right Win", SDLK_RGUI, SDL_SCANCODE_RGUI, KMOD_RGUI, true, false, 0x5C, 0xA00},
        {"keypad", SDLK_KP_5, SDL_SCANCODE_KP_5, KMOD_NONE, true, false, 0x65, 0},
        {"keypad Enter", SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, KMOD_NONE, true, false, 0x0D, 0},
        {"punctuation", SDLK_SLASH, SDL_SCANCODE_SLASH, KMOD_NONE, true, false, 0xBF, 0},
        {"unknown under Ctrl+Alt", SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP, KMOD_LCTRL | KMOD_RALT, true, false, 0, 0x143},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PushKey(Id(), c.down, c.sym, c.scancode, c.mod, c.repeat);
        const auto records = Drain();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].kind, RecordKind::Key);
        EXPECT_EQ(records[0].window, Id());
        EXPECT_EQ(records[0].virtualKey, c.virtualKey);
        EXPECT_EQ(records[0].keyFlags, c.flags);
        EXPECT_EQ(records[0].down, c.down);
        EXPECT_EQ(records[0].repeat, c.repeat);
        EXPECT_EQ(m_pump.State().keyFlags, c.flags);
    }
    // Without Ctrl and Alt a key with no virtual key is nobody's business.
    PushKey(Id(), true, SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP, KMOD_LCTRL);
    EXPECT_TRUE(Drain().empty());
}

TEST_F(EventPumpTest, TextBecomesUtf16UnitsExceptUnderCtrlLeftAltOrWin)
{
    struct Case {
        const char* what;
        uint16_t held;
        std::u16string expected;
    };
    const Case cases[] = {
        {"plain", KMOD_NONE, u"aé😀"},
        {"Shift", KMOD_LSHIFT, u"aé😀"},
        {"Ctrl", KMOD_LCTRL, u""},
        {"left Alt", KMOD_LALT, u""},
        {"Win", KMOD_LGUI, u""},
        {"AltGr as Ctrl + right Alt", KMOD_LCTRL | KMOD_RALT, u"aé😀"},
        {"AltGr as mode switch", KMOD_MODE, u"aé😀"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PushKey(Id(), true, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, c.held);
        Drain();
        PushText(Id(), "a\xC3\xA9\xF0\x9F\x98\x80");
        std::u16string units;
        for (const InputRecord& record : Drain()) {
            EXPECT_EQ(record.kind, RecordKind::Text);
            units += record.unit;
        }
        EXPECT_EQ(units, c.expected);
    }
    PushKey(Id(), false, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_NONE);
    Drain();
    PushText(Id(), "\xFF"
                   "b");
    const auto records = Drain();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].unit, u'\xFFFD');
    EXPECT_EQ(records[1].unit, u'b');
}

TEST_F(EventPumpTest, ButtonsAreTrackedDoubleClicksCountedAndExtraButtonsIgnored)
{
    PushButton(Id(), true, 10, 20, SDL_BUTTON_RIGHT);
    PushButton(Id(), true, 10, 20, SDL_BUTTON_X1);
    PushButton(Id(), true, 11, 21, SDL_BUTTON_LEFT, 2);
    auto records = Drain();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].button, 4);
    EXPECT_EQ(records[0].clicks, 1);
    EXPECT_EQ(records[1].button, 1);
    EXPECT_EQ(records[1].clicks, 2);
    EXPECT_EQ(m_pump.State().buttons, 5u);
    EXPECT_EQ(m_pump.State().x, 11);
    EXPECT_EQ(m_pump.State().focusWindow, Id()) << "a click focuses before the desktop says so";

    PushButton(Id(), false, 12, 22, SDL_BUTTON_RIGHT);
    Drain();
    EXPECT_EQ(m_pump.State().buttons, 1u);

    // The release may never come once focus has gone.
    PushKey(Id(), true, SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_LCTRL);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_FOCUS_LOST);
    Drain();
    EXPECT_EQ(m_pump.State().buttons, 0u);
    EXPECT_EQ(m_pump.State().keyFlags, 0u);
    EXPECT_EQ(m_pump.State().focusWindow, 0u);
}

TEST_F(EventPumpTest, WheelIsCountedInHundredTwentiethsWithRemaindersCarried)
{
    struct Step {
        float x, y;
        bool flipped;
        int wheelX, wheelY; // 0, 0: no record
    };
    const Step steps[] = {
        {0, 1, false, 0, 120},    {0, -3, false, 0, -360},  {0.5f, 0, false, 60, 0},       {0, 1, true, 0, -120},
        {0, 0.004f, false, 0, 0}, {0, 0.004f, false, 0, 1}, {0, 1e30f, false, 0, 1000000},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.y);
        PushWheel(Id(), step.x, step.y, step.flipped, 7, 9);
        const auto records = Drain();
        if (step.wheelX == 0 && step.wheelY == 0) {
            EXPECT_TRUE(records.empty());
            continue;
        }
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].wheelX, step.wheelX);
        EXPECT_EQ(records[0].wheelY, step.wheelY);
        EXPECT_EQ(records[0].x, 7);
        EXPECT_EQ(records[0].y, 9);
    }
}

TEST_F(EventPumpTest, WindowEventsBecomeRecordsWithSizesClamped)
{
    PushWindowEvent(Id(), SDL_WINDOWEVENT_SIZE_CHANGED, 0, 0);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_RESIZED, 40000, 40000);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_SIZE_CHANGED, 40000, -5);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_MOVED, -20, 30);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_EXPOSED);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_CLOSE);
    const auto records = Drain();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].kind, RecordKind::Resized);
    EXPECT_EQ(records[0].width, 0);
    EXPECT_EQ(records[1].width, Platform::kMaxClientSide);
    EXPECT_EQ(records[1].height, 0);
    EXPECT_EQ(records[2].kind, RecordKind::Moved);
    EXPECT_EQ(records[2].x, -20);
    EXPECT_EQ(records[3].kind, RecordKind::Exposed);
    EXPECT_EQ(records[4].kind, RecordKind::CloseRequested);
}

TEST_F(EventPumpTest, EventsOfAClosedWindowAreDropped)
{
    const uint32_t closed = m_other->Id();
    PushMotion(closed, 1, 1);
    PushKey(closed, true, SDLK_a, SDL_SCANCODE_A, KMOD_NONE);
    PushWindowEvent(closed, SDL_WINDOWEVENT_CLOSE);
    PushMotion(4242, 1, 1);
    m_other.reset();
    PushMotion(closed, 2, 2);
    PushMotion(Id(), 3, 3);
    const auto records = Drain();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].window, Id());
}

TEST_F(EventPumpTest, MotionAfterALeaveIsNotTheUsersUntilTheWindowIsEnteredAgain)
{
    PushWindowEvent(Id(), SDL_WINDOWEVENT_LEAVE);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_ENTER);
    PushMotion(Id(), 5, 5);
    // The echo of a release outside: leave, enter, a motion clamped to the corner, leave.
    PushWindowEvent(Id(), SDL_WINDOWEVENT_LEAVE);
    PushMotion(Id(), 639, 479);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_ENTER);
    PushMotion(Id(), 6, 6);
    EXPECT_EQ(DrainKinds(),
              (std::vector{RecordKind::Leave, RecordKind::Motion, RecordKind::Leave, RecordKind::Motion}));
    EXPECT_EQ(m_pump.State().x, 6);

    // A drag that leaves keeps its motions.
    PushButton(Id(), true, 6, 6);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_LEAVE);
    Drain();
    PushMotion(Id(), 900, 900);
    EXPECT_EQ(DrainKinds(), (std::vector{RecordKind::Motion}));
}

TEST_F(EventPumpTest, ModalLoopTakesInputOfOtherWindowsButNotTheQuit)
{
    m_pump.BeginModal(m_other->Id());
    PushKey(Id(), true, SDLK_a, SDL_SCANCODE_A, KMOD_NONE);
    PushButton(Id(), true, 1, 1);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_CLOSE);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_EXPOSED);
    PushWindowEvent(Id(), SDL_WINDOWEVENT_SIZE_CHANGED, 10, 10);
    PushKey(m_other->Id(), true, SDLK_b, SDL_SCANCODE_B, KMOD_NONE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    PushSdlEvent(quit);
    EXPECT_EQ(DrainKinds(), (std::vector{RecordKind::Exposed, RecordKind::Resized, RecordKind::Key, RecordKind::Quit}));
    EXPECT_EQ(m_pump.State().buttons, 0u);

    // A child-process wait inside the dialog: no window takes input, the quit still comes.
    m_pump.BeginModal(0);
    PushKey(m_other->Id(), true, SDLK_b, SDL_SCANCODE_B, KMOD_NONE);
    PushSdlEvent(quit);
    EXPECT_EQ(DrainKinds(), (std::vector{RecordKind::Quit}));
    m_pump.EndModal();
    m_pump.EndModal();
    EXPECT_TRUE(Drain().empty());
}

TEST_F(EventPumpTest, OneTickPerPeriodWhileATimerRuns)
{
    m_pump.StartTimer(Id());
    m_pump.StartTimer(m_other->Id());
    EXPECT_TRUE(Drain().empty());
    m_now += 32;
    EXPECT_TRUE(Drain().empty());
    m_now += 1;
    EXPECT_EQ(DrainKinds(), (std::vector{RecordKind::Tick}));
    // A pump that was busy for long gets one tick, not the ones it missed.
    m_now += 1000;
    EXPECT_EQ(DrainKinds(), (std::vector{RecordKind::Tick}));
    m_now += 33;
    PushMotion(Id(), 1, 1);
    EXPECT_EQ(DrainKinds(), (std::vector{RecordKind::Motion, RecordKind::Tick})) << "input first";

    m_pump.StopTimer(Id());
    m_now += 33;
    EXPECT_EQ(DrainKinds(), (std::vector{RecordKind::Tick}));
    m_pump.StopTimer(m_other->Id());
    m_now += 330;
    EXPECT_TRUE(Drain().empty());
}

class WakeTest : public VideoFixture {
protected:
    EventPump m_pump;
};

TEST_F(WakeTest, WakesFromOtherThreadsJoinIntoOnePendingWake)
{
    std::vector<std::thread> posters;
    for (int i = 0; i < 4; ++i)
        posters.emplace_back([] {
            for (int n = 0; n < 1000; ++n)
                EventPump::Wake();
        });
    for (auto& poster : posters)
        poster.join();
    InputRecord record;
    ASSERT_TRUE(m_pump.Next(record, 0));
    EXPECT_EQ(record.kind, RecordKind::Wake);
    EXPECT_FALSE(m_pump.Next(record, 0));

    // A waiting pump returns as soon as another thread wakes it.
    std::atomic<bool> waiting = false;
    std::thread poster([&] {
        while (!waiting)
            std::this_thread::yield();
        EventPump::Wake();
    });
    waiting = true;
    ASSERT_TRUE(m_pump.Next(record, 60000));
    EXPECT_EQ(record.kind, RecordKind::Wake);
    poster.join();
}

TEST(WakeWithoutVideo, IsDroppedAndDoesNotBlockLaterWakes)
{
    EventPump::Wake();
    EventPump::Wake();
    EnvironmentGuard environment;
    environment.Set("SDL_VIDEODRIVER", "dummy");
    ASSERT_TRUE(Platform::VideoSystem::Start());
    EventPump pump;
    EventPump::Wake();
    InputRecord record;
    EXPECT_TRUE(pump.Next(record, 0));
    EXPECT_EQ(record.kind, RecordKind::Wake);
    Platform::VideoSystem::Stop();
}

// The desktop's logout is the pump's quit record, given out once, in a process of its own; the watch
// wakes the pump's wait for it. Once video has ended, nothing can hold the end in the display, and the
// rest of it is not timed, whether the signal came before or comes after.
TEST(TerminationDeathTest, ASignalIsOneQuitRecordAndTheEndIsUntimedOnceVideoHasEnded)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool afterVideo : {false, true}) {
        SCOPED_TRACE(afterVideo ? "a signal once video has ended" : "a signal while video runs");
        EXPECT_EXIT(
            {
                Platform::TerminationWatch::Start();
                ::setenv("SDL_VIDEODRIVER", "dummy", 1);
                if (!Platform::VideoSystem::Start())
                    ::_exit(2);
                int quits = 0;
                int wakes = 0;
                {
                    EventPump pump;
                    if (afterVideo)
                        Platform::VideoSystem::Stop();
                    std::raise(SIGTERM);
                    InputRecord record;
                    // The watch's wake comes as the pump's wake record, at once; the bound is far above.
                    for (int turn = 0; !afterVideo && turn < 100 && wakes == 0; ++turn) {
                        if (pump.Next(record, 100)) {
                            quits += record.kind == RecordKind::Quit;
                            wakes += record.kind == RecordKind::Wake;
                        }
                    }
                }
                if (!afterVideo)
                    Platform::VideoSystem::Stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(2500));
                ::_exit(afterVideo || (quits == 1 && wakes == 1) ? 7 : 3);
            },
            ::testing::ExitedWithCode(7), "");
    }
}

// Without SDL_VIDEODRIVER, video starts only on a desktop driver, named to SDL over the user's choice;
// a start that fails for want of a desktop leaves the next start the driver the user names.
TEST(VideoSystem, AStartWithoutADesktopLeavesTheNextStartTheDriverTheUserNames)
{
    EnvironmentGuard environment;
    environment.Clear("SDL_VIDEODRIVER");
    environment.Clear("DISPLAY");
    environment.Clear("WAYLAND_DISPLAY");
    // Nor Wayland's default display, which SDL looks for in the runtime folder.
    const TempFolder runtime;
    environment.Set("XDG_RUNTIME_DIR", runtime.Path());
    ASSERT_FALSE(Platform::VideoSystem::Start());
    environment.Set("SDL_VIDEODRIVER", "dummy");
    ASSERT_TRUE(Platform::VideoSystem::Start()) << Platform::VideoSystem::LastError();
    EXPECT_EQ(Platform::VideoSystem::DriverName(), "dummy");
    Platform::VideoSystem::Stop();
}

TEST_F(WakeTest, VideoStartsWithDesktopBehaviourAndTextInputOff)
{
    EXPECT_STREQ(SDL_GetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER), "1");
    EXPECT_STREQ(SDL_GetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR), "0");
    EXPECT_STREQ(SDL_GetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE), "0");
    EXPECT_STREQ(SDL_GetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS), "4");
    EXPECT_FALSE(SDL_IsTextInputActive());
    EventPump::StartTextInput({10, 10, 1, 16});
    EXPECT_TRUE(SDL_IsTextInputActive());
    m_pump.StopTextInput();
    EXPECT_FALSE(SDL_IsTextInputActive());
}

} // namespace
} // namespace KX::Test
