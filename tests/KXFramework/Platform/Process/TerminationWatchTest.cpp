// The watch over the end, each case in a process of its own: after a termination signal (SIGHUP too) a
// UI thread that sleeps in a call for a second ends the process with 0 and says what held it, while one
// that goes on working (an orderly end writing its files) or waits for the disk is never cut; a bounded
// call held past its bound ends the process with 1 and its line, one asleep within its bound goes on. A
// second SIGTERM or SIGINT ends the process at once with 0; a SIGHUP is never the second. Whatever the
// process inherited, SIGTERM is handled and the three are unblocked; an ignored SIGINT or SIGHUP stays so.
#include "KXFramework/Platform/Process/TerminationWatch.h"
#include "KXFramework/Platform/Process/ThreadState.h"

#include "Eventually.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace KX::Test {
namespace {

using namespace std::chrono_literals;
using Platform::TerminationWatch;

// How a case ends when the watch leaves it alone.
constexpr int kLeftAlone = 7;
constexpr const char* kHeld = "ended 1 s after a termination signal: the user interface was held";

// Each case starts with the termination signals at their default and nothing blocked, however the test
// was started (a script's background job ignores SIGINT), unless it sets what a launcher left.
void AsLaunched(const std::function<void()>& launcher)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (launcher)
        launcher();
}

void BlockTermination()
{
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&blocked, signal);
    ::sigprocmask(SIG_BLOCK, &blocked, nullptr);
}

std::vector<pid_t> Threads()
{
    std::vector<pid_t> threads;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        threads.push_back(pid_t(std::stoi(entry.path().filename().string())));
    return threads;
}

// The watch's thread asleep in its wait, so that a signal has to wake it: one raised before its first
// look would be seen without a wake.
void UntilTheWatchSleeps(const std::vector<pid_t>& before)
{
    Eventually([&] {
        for (const pid_t thread : Threads()) {
            Platform::ThreadState state;
            if (std::find(before.begin(), before.end(), thread) == before.end() &&
                Platform::ReadThreadState(::getpid(), thread, state) && state.Asleep())
                return true;
        }
        return false;
    });
}

void Sleep(std::chrono::milliseconds time)
{
    std::this_thread::sleep_for(time);
}

// The UI thread working without a pause, as a long orderly end does on a busy machine.
void Work(std::chrono::milliseconds time)
{
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
    }
}

// The UI thread in the disk's wait with no processor progress, as an orderly end writing to a slow
// disk: a vfork parent waits so for its child, which only sleeps.
void DiskWait(std::chrono::milliseconds time)
{
    if (::vfork() == 0) {
        const timespec sleep{time_t(time.count() / 1000), long(time.count() % 1000) * 1000000};
        ::syscall(SYS_nanosleep, &sleep, nullptr);
        ::_exit(0);
    }
}

TEST(TerminationWatchDeathTest, EndsAHeldProcessAndLeavesAWorkingOneAlone)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* name;
        std::function<void()> run; // on the UI thread, after the watch has started
        int status;
        const char* line;
        std::function<void()> launcher = nullptr; // what the process inherits, before the watch starts
    } cases[] = {
        {"held by its display after a signal",
         [] {
             TerminationWatch::SetHolder("display \":9\"");
             std::raise(SIGTERM);
             Sleep(30s);
         },
         0, "ended 1 s after a termination signal: its display \":9\" did not answer"},
        {"held by nothing named after a signal",
         [] {
             std::raise(SIGTERM);
             Sleep(30s);
         },
         0, "ended 1 s after a termination signal: the user interface was held in a call that did not return"},
        {"held by its display after a SIGHUP",
         [] {
             TerminationWatch::SetHolder("display \":9\"");
             std::raise(SIGHUP);
             Sleep(30s);
         },
         0, "ended 1 s after a termination signal: its display \":9\" did not answer"},
        {"a signal during a bounded call that is held",
         [] {
             const TerminationWatch::BoundedCall opening(10s, "never said");
             std::raise(SIGINT);
             Sleep(30s);
         },
         0, kHeld},
        {"a bounded call held past its bound",
         [] {
             const TerminationWatch::BoundedCall opening(300ms, "cannot open display \":9\": it did not answer");
             Sleep(30s);
         },
         1, "cannot open display \":9\": it did not answer"},
        {"working for 2.5 s after a signal",
         [] {
             std::raise(SIGTERM);
             Work(2500ms);
         },
         kLeftAlone, ""},
        {"turns of 30 ms for 2.5 s after a signal",
         [] {
             std::raise(SIGTERM);
             for (int turn = 0; turn < 80; ++turn) {
                 Work(1ms);
                 Sleep(30ms);
             }
         },
         kLeftAlone, ""},
        {"in the disk's wait for 2.5 s after a signal",
         [] {
             std::raise(SIGTERM);
             DiskWait(2500ms);
         },
         kLeftAlone, ""},
        {"a second SIGTERM while working",
         [] {
             std::raise(SIGTERM);
             std::raise(SIGTERM);
             Work(2500ms);
         },
         0, ""},
        {"a SIGINT after a SIGHUP while working",
         [] {
             std::raise(SIGHUP);
             std::raise(SIGINT);
             Work(2500ms);
         },
         0, ""},
        {"a SIGHUP after a SIGTERM while working",
         [] {
             std::raise(SIGTERM);
             std::raise(SIGHUP);
             Work(2500ms);
         },
         kLeftAlone, ""},
        {"asleep once its end is no longer timed",
         [] {
             std::raise(SIGTERM);
             TerminationWatch::StopTiming();
             Sleep(2500ms);
         },
         kLeftAlone, ""},
        {"asleep for 2.5 s within a bounded call's bound",
         [] {
             const TerminationWatch::BoundedCall opening(20s, "never said");
             Sleep(2500ms);
         },
         kLeftAlone, ""},
        {"a bounded call that returned in time",
         [] {
             {
                 const TerminationWatch::BoundedCall opening(1s, "never said");
             }
             Sleep(2500ms);
         },
         kLeftAlone, ""},
        {"SIGTERM ignored at the start",
         [] {
             std::raise(SIGTERM);
             Sleep(30s);
         },
         0, kHeld, [] { std::signal(SIGTERM, SIG_IGN); }},
        {"SIGINT ignored at the start",
         [] {
             std::raise(SIGINT);
             Sleep(2500ms);
         },
         kLeftAlone, "", [] { std::signal(SIGINT, SIG_IGN); }},
        {"SIGHUP ignored at the start, as under nohup",
         [] {
             std::raise(SIGHUP);
             Sleep(2500ms);
         },
         kLeftAlone, "", [] { std::signal(SIGHUP, SIG_IGN); }},
        {"the three blocked at the start, a SIGTERM",
         [] {
             std::raise(SIGTERM);
             Sleep(30s);
         },
         0, kHeld, BlockTermination},
        {"the three blocked at the start, a SIGINT after a SIGHUP",
         [] {
             std::raise(SIGHUP);
             std::raise(SIGINT);
             Work(2500ms);
         },
         0, "", BlockTermination},
        {"the three blocked at the start, a SIGTERM pending since", [] { Sleep(30s); }, 0, kHeld,
         [] {
             BlockTermination();
             std::raise(SIGTERM);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(
            {
                AsLaunched(c.launcher);
                const std::vector<pid_t> before = Threads();
                TerminationWatch::Start();
                UntilTheWatchSleeps(before);
                c.run();
                ::_exit(kLeftAlone);
            },
            ::testing::ExitedWithCode(c.status), c.line);
    }
}

} // namespace
} // namespace KX::Test
