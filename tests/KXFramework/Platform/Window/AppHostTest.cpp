#include "KXFramework/Platform/Window/AppHost.h"

#include "KXFramework/Platform/Process/TerminationWatch.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace KX::Test {
namespace {

class QuietHost final : public Platform::AppHost {
    bool PumpMessage(uint32_t) override { return false; }
};

// The watched descriptor is served when it can be read, and after that at the end of every turn while
// its service has work left that the descriptor does not announce (connections taken from it whose
// records come in later), readable or not.
TEST(AppHost, ServesTheWatchedDescriptorWhenReadableAndWhileWorkIsLeft)
{
    QuietHost host;
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    int served = 0;
    bool workLeft = false;
    host.WatchDescriptor(ends[0], [&] {
        char drained[16];
        while (::read(ends[0], drained, sizeof(drained)) > 0) {
        }
        ++served;
        return workLeft;
    });
    const struct {
        const char* what;
        bool readable;
        bool workLeft; // the service's answer at this turn
        int served;    // the turns served so far
    } turns[] = {
        {"nothing to read", false, false, 0},    {"readable, work left", true, true, 1},
        {"work left", false, true, 2},           {"the work done", false, false, 3},
        {"nothing left", false, false, 3},       {"readable again", true, false, 4},
        {"nothing left again", false, false, 4},
    };
    for (const auto& turn : turns) {
        if (turn.readable) {
            ASSERT_EQ(::write(ends[1], "x", 1), 1);
        }
        workLeft = turn.workLeft;
        host.ServeDescriptor();
        EXPECT_EQ(served, turn.served) << turn.what;
    }
    ::close(ends[0]);
    ::close(ends[1]);
}

// Once the process is ending the descriptor is served no more, so that no start is answered by an editor
// on its way out, also once its loop has ended and the quit is cleared, and at a termination signal the
// loop has yet to see: the end's own call runs once instead.
TEST(AppHostDeathTest, TheWatchedDescriptorIsServedNoMoreOnceTheProcessEnds)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool signal : {false, true}) {
        EXPECT_EXIT(
            {
                QuietHost host;
                int served = 0;
                int ended = 0;
                host.WatchDescriptor(
                    STDIN_FILENO, [&] { return ++served > 0; }, [&] { ++ended; });
                if (signal) {
                    Platform::TerminationWatch::Start();
                    std::raise(SIGTERM);
                } else {
                    Platform::AppHost::PostQuitMessage(0);
                    host.RunMessageLoop();
                }
                host.ServeDescriptor();
                host.ServeDescriptor();
                ::_exit(served == 0 && ended == 1 && !host.IsQuitPosted() ? 7 : 3);
            },
            ::testing::ExitedWithCode(7), "")
            << (signal ? "a termination signal" : "the loop ended");
    }
}

} // namespace
} // namespace KX::Test
