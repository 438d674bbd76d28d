// The X servers of the tests' own (PrivateXServer.h): the number of one a test has ended stays the test's
// while the round that ended it goes on, whatever other test runs on the machine start meanwhile.
#include "PrivateXServer.h"
#include "HeldDisplay.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace KX::Test {
namespace {

// An Xvfb started with -displayfd takes the lowest number it can bind at once, the one a server has
// just left: not while the PrivateXServer that ended it lives. Then the number is let go.
TEST(PrivateXServer, TheNumberOfAServerItEndedIsHeldUntilItGoes)
{
    TempFolder folder;
    for (const int signal : {SIGKILL, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal));
        int number = -1;
        {
            PrivateXServer server(folder / "xvfb.log");
            ASSERT_FALSE(server.Display().empty()) << TempFolder::ReadFile(folder / "xvfb.log");
            number = std::stoi(server.Display().substr(1));
            server.Kill(signal);
            EXPECT_EQ(HeldDisplay::LockHolder(number), ::getpid());

            const PrivateXServer next(folder / "next-xvfb.log");
            ASSERT_FALSE(next.Display().empty()) << TempFolder::ReadFile(folder / "next-xvfb.log");
            EXPECT_NE(next.Display(), server.Display());
        }
        EXPECT_NE(HeldDisplay::LockHolder(number), ::getpid()) << "still held";
    }
}

} // namespace
} // namespace KX::Test
