// The display numbers the X11 tests hold (HeldDisplay.h): none that an X server, or another test run
// on the machine, holds in any of the ways they hold one.
#include "HeldDisplay.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace KX::Test {
namespace {

// A display number held in the test's place: by a file, by a bound socket or by a HeldDisplay; let go
// with the object.
struct Holding {
    std::string file;
    int socket = -1;
    std::unique_ptr<HeldDisplay> held;

    Holding() = default;
    Holding(const Holding&) = delete;
    Holding& operator=(const Holding&) = delete;
    ~Holding()
    {
        if (socket >= 0)
            ::close(socket);
        if (!file.empty())
            ::unlink(file.c_str());
    }
};

TEST(HeldDisplay, TakesNoNumberThatAnXServerOrAnotherTestRunHolds)
{
    enum class Holder { LockFile, AbstractName, SocketFile, AnotherHeldDisplay };
    const struct Round {
        const char* name;
        Holder holder;
    } rounds[] = {
        {"its lock file, as every X server and the other test runs hold it", Holder::LockFile},
        {"its abstract socket name, as a server started without a lock holds it", Holder::AbstractName},
        {"its socket file, as a server in another network namespace shows it", Holder::SocketFile},
        {"another HeldDisplay of this process", Holder::AnotherHeldDisplay},
    };
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.name);
        // A number free a moment ago, held again in the round's way.
        Holding holding;
        holding.held = std::make_unique<HeldDisplay>();
        const std::string taken = holding.held->Name();
        ASSERT_FALSE(taken.empty()) << "no free display number";
        const std::string path = "/tmp/.X11-unix/X" + taken.substr(1);
        if (round.holder != Holder::AnotherHeldDisplay)
            holding.held.reset();
        switch (round.holder) {
        case Holder::LockFile: {
            const std::string lock = "/tmp/.X" + taken.substr(1) + "-lock";
            const int fd = ::open(lock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0444);
            ASSERT_GE(fd, 0) << lock << ": " << std::strerror(errno);
            ::close(fd);
            holding.file = lock;
            break;
        }
        case Holder::AbstractName: {
            holding.socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path + 1, path.data(), path.size());
            ASSERT_EQ(::bind(holding.socket, reinterpret_cast<const sockaddr*>(&address),
                             socklen_t(offsetof(sockaddr_un, sun_path) + 1 + path.size())),
                      0)
                << std::strerror(errno);
            break;
        }
        case Holder::SocketFile: {
            // Where no X server has run yet, the folder is made as X servers make it.
            if (::mkdir("/tmp/.X11-unix", 01777) == 0)
                ::chmod("/tmp/.X11-unix", 01777);
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            ASSERT_GE(fd, 0) << path << ": " << std::strerror(errno);
            ::close(fd);
            holding.file = path;
            break;
        }
        case Holder::AnotherHeldDisplay:
            break;
        }

        const HeldDisplay next;
        EXPECT_FALSE(next.Name().empty()) << "no free display number";
        EXPECT_NE(next.Name(), taken);
    }
}

// xvfb-run looks at a number's lock file alone, and an X server given a number takes it over when the
// process it names has gone.
TEST(HeldDisplay, ItsLockFileNamesTheLiveHolderAsXServersReadIt)
{
    const HeldDisplay held;
    ASSERT_FALSE(held.Name().empty()) << "no free display number";
    std::ifstream lock("/tmp/.X" + held.Name().substr(1) + "-lock");
    pid_t holder = 0;
    EXPECT_TRUE(lock >> holder);
    EXPECT_EQ(holder, ::getpid());
}

} // namespace
} // namespace KX::Test
