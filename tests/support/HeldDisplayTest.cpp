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

// A number free a moment ago, held again by hold(name). Another process can take the number meanwhile:
// hold then fails with EEXIST or EADDRINUSE, and the next free number is tried. What a round leaves is
// free for the taking by design, so the numbers tried are those no other process is likely to try first:
// the top half of the range (the other tests take theirs from its bottom), from a place this process's
// id decides (a copy of this test in a parallel run starts elsewhere). Empty when none could be held.
template <class Hold>
std::string HeldAgain(Hold hold)
{
    constexpr int kHalf = HeldDisplay::kNumbers / 2;
    for (int tried = 0; tried < kHalf; ++tried) {
        const int number = HeldDisplay::kFirstNumber + kHalf + (::getpid() + tried) % kHalf;
        if (HeldDisplay(number).Name().empty())
            continue;
        const std::string name = ":" + std::to_string(number);
        if (hold(name))
            return name;
        if (errno != EEXIST && errno != EADDRINUSE)
            return "";
    }
    return "";
}

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
        Holding holding;
        const std::string taken = HeldAgain([&](const std::string& name) {
            switch (round.holder) {
            case Holder::LockFile:
            case Holder::LockBeingWritten:
                // A live process that is not this one, or none yet.
                if (!WriteLock(LockOf(name),
                               round.holder == Holder::LockFile ? std::to_string(::getppid()) + "\n" : ""))
                    return false;
                holding.file = LockOf(name);
                return true;
            case Holder::AbstractName: {
                const std::string path = SocketFileOf(name);
                const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
                sockaddr_un address{};
                address.sun_family = AF_UNIX;
                std::memcpy(address.sun_path + 1, path.data(), path.size());
                if (::bind(socket, reinterpret_cast<const sockaddr*>(&address),
                           socklen_t(offsetof(sockaddr_un, sun_path) + 1 + path.size())) != 0) {
                    const int error = errno;
                    ::close(socket);
                    errno = error;
                    return false;
                }
                holding.socket = socket;
                return true;
            }
            case Holder::SocketFile:
                holding.socket = ListenAtSocketFile(SocketFileOf(name));
                if (holding.socket < 0)
                    return false;
                holding.file = SocketFileOf(name);
                return true;
            case Holder::AnotherHeldDisplay:
                holding.held = std::make_unique<HeldDisplay>(NumberOf(name));
                errno = EADDRINUSE;
                return !holding.held->Name().empty();
            }
            return false;
        });
        ASSERT_FALSE(taken.empty()) << "no display number to hold: " << std::strerror(errno);

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
        // Left as the round's holder left it.
        Holding left;
        const std::string taken = HeldAgain([&](const std::string& name) {
            if (round.lock) {
                // A process that has ended and been reaped.
                const pid_t gone = ::fork();
                if (gone == 0)
                    ::_exit(0);
                ::waitpid(gone, nullptr, 0);
                if (!WriteLock(LockOf(name), std::to_string(gone) + "\n"))
                    return false;
            }
            if (round.socketFile) {
                const int socket = ListenAtSocketFile(SocketFileOf(name));
                if (socket < 0) {
                    const int error = errno;
                    if (round.lock)
                        ::unlink(LockOf(name).c_str());
                    errno = error;
                    return false;
                }
                ::close(socket);
                left.file = SocketFileOf(name);
            }
            return true;
        });
        ASSERT_FALSE(taken.empty()) << "no display number to leave: " << std::strerror(errno);

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
