// The display numbers the X11 tests hold (HeldDisplay.h): none that an X server, or another test run
// on the machine, holds in any of the ways they hold one.
#include "HeldDisplay.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

namespace KX::Test {
namespace {

// Where the number's X files live; made as X servers make it where none has run yet.
constexpr const char* kSocketFolder = "/tmp/.X11-unix";

int NumberOf(const std::string& name)
{
    return std::stoi(name.substr(1));
}
std::string LockOf(const std::string& name)
{
    return "/tmp/.X" + name.substr(1) + "-lock";
}
std::string SocketFileOf(const std::string& name)
{
    return std::string(kSocketFolder) + "/X" + name.substr(1);
}

// A lock file made as X servers and HeldDisplay make it; it names the holder, or nobody yet when the
// text is empty.
bool WriteLock(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0444);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    ::close(fd);
    return written;
}

// A socket made at the number's socket file, listening; -1 when it could not be made.
int ListenAtSocketFile(const std::string& path)
{
    if (::mkdir(kSocketFolder, 01777) == 0)
        ::chmod(kSocketFolder, 01777);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(socket, 4) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

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
    enum class Holder { LockFile, LockBeingWritten, AbstractName, SocketFile, AnotherHeldDisplay };
    const struct Round {
        const char* name;
        Holder holder;
    } rounds[] = {
        {"its lock file, as every X server and the other test runs hold it", Holder::LockFile},
        {"its lock file, still being written", Holder::LockBeingWritten},
        {"its abstract socket name, as a server started without a lock holds it", Holder::AbstractName},
        {"its socket file, as a server without an abstract name or in another network namespace shows it",
         Holder::SocketFile},
        {"another HeldDisplay of this process", Holder::AnotherHeldDisplay},
    };
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.name);
        // A number free a moment ago, held again in the round's way.
        Holding holding;
        holding.held = std::make_unique<HeldDisplay>();
        const std::string taken = holding.held->Name();
        ASSERT_FALSE(taken.empty()) << "no free display number";
        const std::string path = SocketFileOf(taken);
        if (round.holder != Holder::AnotherHeldDisplay)
            holding.held.reset();
        switch (round.holder) {
        case Holder::LockFile:
        case Holder::LockBeingWritten: {
            // A live process that is not this one, or none yet.
            holding.file = LockOf(taken);
            ASSERT_TRUE(
                WriteLock(holding.file, round.holder == Holder::LockFile ? std::to_string(::getppid()) + "\n" : ""))
                << holding.file << ": " << std::strerror(errno);
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
        case Holder::SocketFile:
            holding.socket = ListenAtSocketFile(path);
            ASSERT_GE(holding.socket, 0) << path << ": " << std::strerror(errno);
            holding.file = path;
            break;
        case Holder::AnotherHeldDisplay:
            break;
        }

        const HeldDisplay next;
        EXPECT_FALSE(next.Name().empty()) << "no free display number";
        EXPECT_NE(next.Name(), taken);
        EXPECT_EQ(HeldDisplay(NumberOf(taken)).Name(), "") << "the number asked for by name";
    }
}

// A test run that was killed leaves its lock file, and an X server killed with SIGKILL its socket file:
// the number is not lost for good, as it is not to X servers.
TEST(HeldDisplay, TakesOverWhatAHolderThatHasGoneLeft)
{
    const struct Round {
        const char* name;
        bool lock;
        bool socketFile;
    } rounds[] = {
        {"the lock file of a test run that was killed", true, false},
        {"the socket file of a server killed with SIGKILL", false, true},
        {"both, as a server started with a number and killed with SIGKILL leaves them", true, true},
    };
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.name);
        // A number free a moment ago, left as the round's holder left it.
        const std::string taken = HeldDisplay().Name();
        ASSERT_FALSE(taken.empty()) << "no free display number";
        Holding left;
        if (round.lock) {
            // A process that has ended and been reaped.
            const pid_t gone = ::fork();
            if (gone == 0)
                ::_exit(0);
            ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
            ASSERT_TRUE(WriteLock(LockOf(taken), std::to_string(gone) + "\n")) << std::strerror(errno);
        }
        if (round.socketFile) {
            const int socket = ListenAtSocketFile(SocketFileOf(taken));
            ASSERT_GE(socket, 0) << std::strerror(errno);
            ::close(socket);
            left.file = SocketFileOf(taken);
        }

        const HeldDisplay held(NumberOf(taken));
        EXPECT_EQ(held.Name(), taken);
        EXPECT_EQ(HeldDisplay::LockHolder(NumberOf(taken)), ::getpid());
    }
}

// xvfb-run looks at a number's lock file alone, and an X server given a number takes it over when the
// process it names has gone.
TEST(HeldDisplay, ItsLockFileNamesTheLiveHolderAsXServersReadIt)
{
    const HeldDisplay held;
    ASSERT_FALSE(held.Name().empty()) << "no free display number";
    EXPECT_EQ(HeldDisplay::LockHolder(NumberOf(held.Name())), ::getpid());
}

} // namespace
} // namespace KX::Test
