#include "KXFramework/Platform/Window/VideoSystem.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Process/TerminationWatch.h"
#include "KXFramework/Platform/Window/DesktopReach.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <unistd.h>

// Last: Xlib's macros (None, Bool, Status) clash with names in the headers above.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/keysym.h>
// For the names of the extensions the connection uses, as Xlib's own error report gives them.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace KX::Platform {

namespace {

// Guards the start count against wakes pushed from other threads while video starts or ends.
std::mutex g_lock;
int g_starts = 0;
std::atomic<uint32_t> g_wakeType = 0;
std::string g_lastError;
uint64_t g_session = 0;
uint64_t g_sessions = 0;

void SetDesktopHints()
{
    // SDL's defaults suit games: let the screen blank, keep the compositor running, never turn the last
    // window's close into a quit, and count double clicks within 4 pixels as the desktop does.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // On X11, SDL drops a press it reads within 10 ms of reading the focus: the click that activates a
    // window, or any click read in one batch with the focus by a busy program. A desktop program acts on it.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, "4");
    // The termination signals are the process's own from its first moment (TerminationWatch); the pump
    // turns them into its quit record.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

// The quit message has come: the process is ending on request.
std::atomic<bool> g_endRequested{false};

// The display can no longer be used (`what`): the process ends at once, with 0 when the end was asked
// for before (a termination signal, the quit message), else 1. Xlib's default handlers end through
// exit(), whose static destructors talk to the connection again: Xlib aborts, SDL's shutdown spins on it
// or waits for a lock its caller holds. What the editor writes is replaced by rename, whole or not at
// all, and its child processes end with it.
[[noreturn]] void EndWithTheDisplay(Display* display, const std::string& what)
{
    static std::atomic_flag ending = ATOMIC_FLAG_INIT;
    if (ending.test_and_set()) {
        for (;;)
            ::pause(); // another thread found it first and ends the process
    }
    const int status = g_endRequested || TerminationWatch::Requested() ? 0 : 1;
    // There may be no window left to say it in.
    DebugLog::WriteConsoleLine(std::string(program_invocation_short_name) + ": display \"" + DisplayString(display) +
                               "\": " + what + "; ending with status " + std::to_string(status));
    ::_exit(status);
}

// Xlib calls this on the thread that finds the connection to the X server broken (the server ended at
// a logout, crashed, or a remote link dropped), and ends the process when it returns.
int EndWithTheXServer(Display* display)
{
    EndWithTheDisplay(display, "the X server has gone");
}

// The request an X error answers, as Xlib's own report names it: "X_GetProperty", or for an extension's
// "XInputExtension.55". A handler may make no request, so only what the connection knows is read.
std::string RequestName(Display* display, const XErrorEvent& error)
{
    std::string request = std::to_string(error.request_code);
    if (error.request_code >= 128) {
        for (const _XExtension* extension = display->ext_procs; extension; extension = extension->next) {
            if (extension->codes.major_opcode == error.request_code && extension->name)
                request = extension->name;
        }
        request += "." + std::to_string(error.minor_code);
    }
    char name[256] = "";
    XGetErrorDatabaseText(display, "XRequest", request.c_str(), request.c_str(), name, sizeof name);
    return name;
}

// Xlib calls this on the thread whose request failed. One error is expected: a wake pushed from another
// thread reaches the window SDL waits on through a connection of its own, unordered with the UI thread's
// requests, and the window may be gone when the server reads it; the UI thread is awake anyway. Any
// other means the display no longer holds what the editor works with (another client destroyed its
// window): it ends as when the server goes. SDL's handler is not chained to: it only restores the
// display modes SDL changed, and the editor changes none.
int EndAtAnUnexpectedXError(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow && error->request_code == X_SendEvent)
        return 0;
    char text[256] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    char resource[32];
    std::snprintf(resource, sizeof resource, "0x%lx", error->resourceid);
    EndWithTheDisplay(display, std::string("X error ") + text + " on request " + RequestName(display, *error) +
                                   " for resource " + resource);
}

// The modifier keys with a side of their own, as X names them and as SDL counts them.
struct ModifierKey {
    KeySym symbol;
    SDL_Scancode scancode;
    uint16_t bit;
};
constexpr ModifierKey kModifierKeys[] = {
    {XK_Shift_L, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT}, {XK_Shift_R, SDL_SCANCODE_RSHIFT, KMOD_RSHIFT},
    {XK_Control_L, SDL_SCANCODE_LCTRL, KMOD_LCTRL}, {XK_Control_R, SDL_SCANCODE_RCTRL, KMOD_RCTRL},
    {XK_Alt_L, SDL_SCANCODE_LALT, KMOD_LALT},       {XK_Alt_R, SDL_SCANCODE_RALT, KMOD_RALT},
};

// SDL's modifiers made to agree with the X state a key was typed under: one X holds keeps the side SDL
// knows, else gets the left one; one X does not hold is let go. Right Alt is AltGr on many layouts,
// under another mask: only left Alt follows Mod1.
uint16_t ModifiersUnder(unsigned int xState, uint16_t modifiers)
{
    constexpr struct {
        unsigned int mask;
        uint16_t sides;
        uint16_t letGo;
        uint16_t left;
    } kGroups[] = {{ShiftMask, KMOD_SHIFT, KMOD_SHIFT, KMOD_LSHIFT},
                   {ControlMask, KMOD_CTRL, KMOD_CTRL, KMOD_LCTRL},
                   {Mod1Mask, KMOD_ALT, KMOD_LALT, KMOD_LALT}};
    for (const auto& group : kGroups) {
        if (!(xState & group.mask))
            modifiers &= uint16_t(~group.letGo);
        else if (!(modifiers & group.sides))
            modifiers |= group.left;
    }
    return modifiers;
}

// SDL reads the whole keyboard again whenever a window of ours gains the focus or the pointer enters one,
// and gives what is held at that moment to every key it reads afterwards: keys of a burst typed faster
// than they are read (a key macro, a busy machine) lose modifiers let go by then, and SDL drops their
// releases. Each X key event says which modifiers were held when it was typed; SDL takes them from
// there before it turns the event into its own. Called by SDL for every event it queues, on the thread
// that queues it; X events are read on the UI thread only.
int FollowXModifiers(void*, SDL_Event* event)
{
    if (event->type != SDL_SYSWMEVENT)
        return 1;
    const SDL_SysWMmsg* message = event->syswm.msg;
    if (!message || message->subsystem != SDL_SYSWM_X11)
        return 0;
    XEvent x = message->msg.x11.event;
    if (x.type != KeyPress && x.type != KeyRelease)
        return 0;
    uint16_t modifiers = ModifiersUnder(x.xkey.state, uint16_t(SDL_GetModState()));
    if (x.type == KeyRelease) {
        const KeySym symbol = XLookupKeysym(&x.xkey, 0);
        const auto key = std::find_if(std::begin(kModifierKeys), std::end(kModifierKeys),
                                      [symbol](const ModifierKey& k) { return k.symbol == symbol; });
        if (key != std::end(kModifierKeys)) {
            modifiers &= uint16_t(~key->bit);
            // The release of a key SDL already let go: the pump hears of it all the same.
            if (!SDL_GetKeyboardState(nullptr)[key->scancode]) {
                SDL_Window* focus = SDL_GetKeyboardFocus();
                SDL_Event release{};
                release.type = SDL_KEYUP;
                release.key.windowID = focus ? SDL_GetWindowID(focus) : 0;
                release.key.keysym.scancode = key->scancode;
                release.key.keysym.sym = SDL_GetKeyFromScancode(key->scancode);
                release.key.keysym.mod = modifiers;
                SDL_PushEvent(&release);
            }
        }
    }
    SDL_SetModState(SDL_Keymod(modifiers));
    return 0; // the pump has no use for the X event itself
}

// The longest a display may take to answer the start.
constexpr std::chrono::milliseconds kOpenBound{10000};

// Under g_lock: the wake event pushed while video runs; false when it is not running or the queue
// refused the event.
bool PushWakeEventLocked()
{
    if (g_starts == 0 || g_wakeType == 0)
        return false;
    SDL_Event event{};
    event.type = g_wakeType;
    return SDL_PushEvent(&event) == 1;
}

// The watch's wake at a termination signal. It never waits for the lock, which the UI thread holds
// through the start, as long as a silent display holds it: the watch must stay free to end the
// process. Without video there is no wait to wake; a full queue wakes it anyway.
bool WakeAtTermination()
{
    std::unique_lock lock(g_lock, std::try_to_lock);
    if (!lock.owns_lock())
        return false;
    PushWakeEventLocked();
    return true;
}

} // namespace

bool VideoSystem::Start()
{
    TerminationWatch::SetWakeHook(&WakeAtTermination);
    std::lock_guard lock(g_lock);
    if (g_starts > 0) {
        ++g_starts;
        return true;
    }
    SetDesktopHints();
    XSetIOErrorHandler(EndWithTheXServer); // from the connection's first moment
    // Without a desktop the program would run on unseen, holding the single-instance lock: it ends.
    if (const char* named = std::getenv("SDL_VIDEODRIVER"); named == nullptr || *named == '\0') {
        const std::string desktops = DesktopVideoDrivers();
        if (desktops.empty()) {
            g_lastError = "SDL has no desktop video driver (X11, Wayland)";
            return false;
        }
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, desktops.c_str(), SDL_HINT_OVERRIDE);
    }
    // A display that takes the connection and never answers would hold the start, and the lock, for as
    // long as it is silent.
    const char* named = std::getenv("SDL_VIDEODRIVER");
    const std::string tried = DisplayTried(named ? named : "");
    bool started = false;
    {
        TerminationWatch::SetHolder(tried);
        const TerminationWatch::BoundedCall opening(
            kOpenBound, std::string(program_invocation_short_name) + ": cannot open " +
                            (tried.empty() ? "video" : tried) + ": it did not answer within " +
                            std::to_string(kOpenBound.count() / 1000) + " s");
        started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    SDL_ResetHint(SDL_HINT_VIDEODRIVER); // the user's choice counts again at the next start
    if (!started) {
        TerminationWatch::SetHolder("");
        g_lastError = WhyNoDesktop(SDL_GetError());
        return false;
    }
    TerminationWatch::SetHolder(DisplayTried(SDL_GetCurrentVideoDriver()));
    // An input method would otherwise take key presses from every control; text boxes turn it on.
    SDL_StopTextInput();
    // On X11, SDL would otherwise show window framebuffers through a GL renderer of its own: a context per
    // window, the whole window redrawn at every present, software GL threads where there is no GPU.
    // Shared-memory images show exactly the rectangles presented. Wayland has only the GL path.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        // In place of SDL's, which it installs when video starts.
        XSetErrorHandler(EndAtAnUnexpectedXError);
        SDL_SetEventFilter(FollowXModifiers, nullptr);
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    } else
        SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    if (g_wakeType == 0) {
        const Uint32 type = SDL_RegisterEvents(1);
        g_wakeType = type == Uint32(-1) ? 0 : type;
    }
    g_starts = 1;
    g_session = ++g_sessions;
    return true;
}

void VideoSystem::Stop()
{
    std::lock_guard lock(g_lock);
    if (g_starts == 0 || --g_starts > 0)
        return;
    g_session = 0;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
    TerminationWatch::SetHolder("");
    // Past the last call to the display, nothing can hold an end, under way or to come.
    TerminationWatch::StopTiming();
}

bool VideoSystem::IsStarted()
{
    std::lock_guard lock(g_lock);
    return g_starts > 0;
}

void VideoSystem::NoteEndRequested()
{
    g_endRequested = true;
}

std::string VideoSystem::DriverName()
{
    std::lock_guard lock(g_lock);
    const char* name = g_starts > 0 ? SDL_GetCurrentVideoDriver() : nullptr;
    return name ? name : "";
}

std::string VideoSystem::LastError()
{
    std::lock_guard lock(g_lock);
    return g_lastError;
}

std::optional<RectI> VideoSystem::PrimaryWorkArea()
{
    if (!IsStarted())
        return std::nullopt;
    SDL_Rect bounds;
    if (SDL_GetDisplayUsableBounds(0, &bounds) != 0 && SDL_GetDisplayBounds(0, &bounds) != 0)
        return std::nullopt;
    return RectI{bounds.x, bounds.y, bounds.w, bounds.h};
}

uint64_t VideoSystem::Session()
{
    std::lock_guard lock(g_lock);
    return g_session;
}

bool VideoSystem::PushWakeEvent()
{
    std::lock_guard lock(g_lock);
    return PushWakeEventLocked();
}

uint32_t VideoSystem::WakeEventType()
{
    return g_wakeType;
}

} // namespace KX::Platform
