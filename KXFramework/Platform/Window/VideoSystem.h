#pragma once
// The desktop's video and input system (SDL) for the process. Start before any window, on the thread
// that runs the UI: it stays the only thread that may use windows, the pump and cursors.
#include "KXFramework/Platform/Window/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace KX::Platform {

class VideoSystem {
public:
    // Counted: the first call sets the desktop-friendly behaviour and starts video, later ones only
    // count. False, with LastError, when video cannot start: without SDL_VIDEODRIVER, when no desktop
    // (X11, Wayland) can be reached; LastError then names the display tried and why. A display that
    // takes the connection and does not answer within 10 s ends the process with status 1 and a line
    // naming it (TerminationWatch). While video runs, a termination signal wakes the pump's wait at
    // once.
    static bool Start();
    // The last of as many calls as succeeded Starts ends video; from then on no end after a termination
    // signal is timed (TerminationWatch::StopTiming). Stop threads that wake the pump and unhook them
    // first: wakes after this are dropped.
    static void Stop();
    static bool IsStarted();
    // "x11", "wayland", "dummy", "offscreen"...; empty when not started.
    static std::string DriverName();
    static std::string LastError();
    // Numbers each time video starts; 0 while stopped. What SDL made in one session dies with it.
    static uint64_t Session();
    // The usable part of the first display (without panels and docks); nothing when video is not
    // running or the display cannot tell.
    static std::optional<RectI> PrimaryWorkArea();

    // Any thread: the process is ending on request (the quit message). Should its X server go before it
    // has ended, it ends with status 0, as after a termination signal, rather than 1.
    static void NoteEndRequested();

    // Used by the pump; any thread. Pushes the wake event; false when video is not running or the queue
    // refused it.
    static bool PushWakeEvent();
    static uint32_t WakeEventType();
};

} // namespace KX::Platform
