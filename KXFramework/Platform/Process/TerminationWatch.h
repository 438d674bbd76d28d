#pragma once
// The termination signals (SIGTERM at a logout, SIGHUP when the terminal it was started from closes,
// SIGINT) from the first moment of the process, and a watch over the thread that runs the UI for the
// calls that may never return: a display that takes the connection and never answers (a stopped X
// server, a stalled remote link) holds the UI thread inside Xlib for as long as it is silent, and with
// it the single-instance lock.
//
// After a termination signal the UI thread ends the process in order (the event pump turns the signal
// into its quit record, and the watch wakes the pump's wait); should it have made no progress for a
// second, asleep in a call that does not return, the watch ends the process with status 0 and a line
// saying what held it. An orderly end that is still working (writing a file, which is replaced by
// rename) is never cut: the UI thread is running or in the disk's wait then, not asleep. A second
// SIGTERM or SIGINT ends the process at once, with status 0.
#include <chrono>
#include <string>

namespace KX::Platform {

class TerminationWatch {
public:
    // Once per process, first in the main routine, on the thread that runs the UI; later calls do
    // nothing. Installs the handlers of SIGTERM, SIGINT and SIGHUP (SIGINT and SIGHUP only where they
    // are not ignored, as a script's background job leaves SIGINT and nohup SIGHUP), unblocks the three
    // on this thread and starts the watch's thread.
    static void Start();
    // Any thread: a termination signal has come since Start.
    static bool Requested();

    // Any thread: what wakes the UI thread's wait once a termination signal has come, called on the
    // watch's thread. It must never block: false when it cannot wake the wait now (the watch tries again
    // at its next look), true when it did or there is no wait to wake.
    using WakeHook = bool (*)();
    static void SetWakeHook(WakeHook wake);

    // UI thread: what a forced end names as having held it, "display \":9\""; empty for none.
    static void SetHolder(const std::string& what);
    // UI thread, past its last call that could hold the end (video has ended): no end after a
    // termination signal, under way or to come, is timed any more, so the rest of it (static
    // destructors, a leak check) runs whole.
    static void StopTiming();

    // Scoped, on the UI thread: a call that may never return. Should the UI thread still be inside it
    // after `bound`, asleep with no progress for a second, the process ends with status 1 and `line`.
    // One at a time: they do not nest, as the watch keeps a single due time and line (the inner one's
    // end would leave the outer call unbounded).
    class BoundedCall {
    public:
        BoundedCall(std::chrono::milliseconds bound, const std::string& line);
        ~BoundedCall();
        BoundedCall(const BoundedCall&) = delete;
        BoundedCall& operator=(const BoundedCall&) = delete;
    };
};

} // namespace KX::Platform
