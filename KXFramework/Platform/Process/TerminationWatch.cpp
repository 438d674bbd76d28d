#include "KXFramework/Platform/Process/TerminationWatch.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Process/ThreadState.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <semaphore.h>
#include <thread>
#include <unistd.h>

namespace KX::Platform {

namespace {

// A UI thread asleep this long without running after a termination signal is held: the process ends.
constexpr int64_t kHeldMs = 1000;
constexpr int64_t kSampleMs = 100;

// Monotonic milliseconds; safe in a signal handler.
int64_t NowMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::atomic<bool> g_started{false};
// When the first termination signal came; 0 before.
std::atomic<int64_t> g_signalledAtMs{0};
static_assert(std::atomic<int64_t>::is_always_lock_free, "set from a signal handler");
std::atomic<bool> g_timed{true};
// When the bounded call under way is due; 0 without one.
std::atomic<int64_t> g_boundDueMs{0};
std::atomic<TerminationWatch::WakeHook> g_wakeHook{nullptr};
// Posted when there is something to watch, and at each termination signal: the watch's thread waits on
// it.
sem_t g_wake;

pid_t g_uiThreadId = 0;
clockid_t g_uiClock{};
bool g_haveUiClock = false;

// The UI thread sets them around its calls and holds the lock for the copy alone.
std::mutex g_textLock;
std::string g_holder;
std::string g_boundLine;

std::string Text(const std::string& text)
{
    std::lock_guard lock(g_textLock);
    return text;
}

void NoteTermination(int signal)
{
    const int savedErrno = errno;
    int64_t none = 0;
    const bool first = g_signalledAtMs.compare_exchange_strong(none, std::max<int64_t>(NowMs(), 1));
    // Asked again, the process ends at once; every file is replaced by rename, so none is left half
    // written. A SIGHUP is never the second: one closed terminal can send it twice (the kernel to the
    // foreground group, then the shell to its jobs), and systemd sends it right after the SIGTERM at a
    // logout; neither may cut the orderly end.
    if (!first && signal != SIGHUP)
        ::_exit(0);
    ::sem_post(&g_wake);
    errno = savedErrno;
}

// The UI thread's processor time in ns; -1 when it cannot be read.
int64_t UiProcessorTime()
{
    timespec time{};
    if (!g_haveUiClock || ::clock_gettime(g_uiClock, &time) != 0)
        return -1;
    return int64_t(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// Whether the UI thread sleeps in a wait (for a reply, a lock, a child), rather than running, waiting
// for its turn on a busy machine, or waiting for the disk. Unknown counts as asleep.
bool UiAsleep()
{
    ThreadState state;
    return !ReadThreadState(::getpid(), g_uiThreadId, state) || state.Asleep();
}

[[noreturn]] void EndNow(int status, const std::string& line)
{
    DebugLog::WriteLastLine(line);
    ::_exit(status);
}

// Until a post, or until the monotonic time untilMs.
void WaitForPost(int64_t untilMs)
{
    const timespec until{time_t(untilMs / 1000), long(untilMs % 1000) * 1000000};
    while (::sem_clockwait(&g_wake, CLOCK_MONOTONIC, &until) != 0 && errno == EINTR) {
    }
}

void Watch()
{
    int64_t progressMs = 0;
    int64_t processorTime = -1;
    bool woken = false;
    for (;;) {
        const int64_t signalled = g_signalledAtMs;
        // The UI thread's wait for input ends at once, not at its next tick or time-out.
        if (signalled != 0 && !woken) {
            const TerminationWatch::WakeHook wake = g_wakeHook;
            woken = wake == nullptr || wake();
        }
        const bool timed = signalled != 0 && g_timed;
        const int64_t due = g_boundDueMs;
        if (!timed && due == 0 && (signalled == 0 || woken)) {
            while (::sem_wait(&g_wake) != 0 && errno == EINTR) {
            }
            progressMs = 0;
            continue;
        }
        WaitForPost(NowMs() + kSampleMs);
        const int64_t now = NowMs();
        const int64_t time = UiProcessorTime();
        if (progressMs == 0 || time != processorTime) {
            progressMs = now;
            processorTime = time;
        }
        if (now - progressMs < kHeldMs || !UiAsleep())
            continue;
        if (timed && now - signalled >= kHeldMs) {
            const std::string holder = Text(g_holder);
            EndNow(0, std::string(program_invocation_short_name) + ": ended " + std::to_string(kHeldMs / 1000) +
                          " s after a termination signal: " +
                          (holder.empty() ? "the user interface was held in a call that did not return"
                                          : "its " + holder + " did not answer"));
        }
        if (due != 0 && now >= due)
            EndNow(1, Text(g_boundLine));
    }
}

} // namespace

void TerminationWatch::Start()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_uiThreadId = ::gettid();
        g_haveUiClock = ::pthread_getcpuclockid(::pthread_self(), &g_uiClock) == 0;
        ::sem_init(&g_wake, 0, 0);
        // The handlers first: a signal that comes while the watch's thread starts is noted all the same.
        sigset_t termination;
        sigemptyset(&termination);
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            sigaddset(&termination, signal);
            struct sigaction current {};
            // Ignored, as SIGINT for a program started in the background by a shell and SIGHUP under
            // nohup: it stays so. No launcher ignores SIGTERM on purpose, and the desktop's logout relies
            // on it: it is handled whatever came.
            if (::sigaction(signal, nullptr, &current) != 0 ||
                (signal != SIGTERM && !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN))
                continue;
            struct sigaction ours {};
            ours.sa_handler = NoteTermination;
            sigemptyset(&ours.sa_mask);
            ours.sa_flags = SA_RESTART;
            ::sigaction(signal, &ours, nullptr);
        }
        // A launcher that forks from a thread with signals blocked passes its mask on, and they would never
        // come. Unblocked once their handlers are in place, so that one already pending is noted too; the
        // threads started from here on take this mask.
        ::pthread_sigmask(SIG_UNBLOCK, &termination, nullptr);
        // The signals go to the threads that run the program, never to the watch.
        sigset_t all;
        sigset_t previous;
        sigfillset(&all);
        ::pthread_sigmask(SIG_SETMASK, &all, &previous);
        try {
            std::thread(Watch).detach();
        } catch (const std::system_error& e) {
            DebugLog::WriteLine(std::string("Termination: no watch over the end: ") + e.what());
        }
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        g_started = true;
    });
}

bool TerminationWatch::Requested()
{
    return g_signalledAtMs != 0;
}

void TerminationWatch::SetWakeHook(WakeHook wake)
{
    g_wakeHook = wake;
}

void TerminationWatch::SetHolder(const std::string& what)
{
    std::lock_guard lock(g_textLock);
    g_holder = what;
}

void TerminationWatch::StopTiming()
{
    g_timed = false;
}

TerminationWatch::BoundedCall::BoundedCall(std::chrono::milliseconds bound, const std::string& line)
{
    if (!g_started)
        return;
    {
        std::lock_guard lock(g_textLock);
        g_boundLine = line;
    }
    g_boundDueMs = NowMs() + bound.count();
    ::sem_post(&g_wake);
}

TerminationWatch::BoundedCall::~BoundedCall()
{
    g_boundDueMs = 0;
}

} // namespace KX::Platform
