#pragma once
// An X display number of the test's own, where no X server runs. It is held as X servers hold theirs,
// by its abstract socket name (@/tmp/.X11-unix/X<n>), which the test binds, and by its lock file
// (/tmp/.X<n>-lock, with the holder's process number): no X server and no other test run on the machine
// takes the number meanwhile. What a holder that has gone left is taken over, as X servers take it over:
// a lock file naming no process (a test run that was killed) and a socket file nobody listens at (a
// server killed with SIGKILL). A client that connects there is refused; after Listen(), its connection
// is taken and never answered, as by an X server that hangs.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace KX::Test {

class HeldDisplay {
public:
    // Above the numbers that xvfb-run and servers started with -displayfd try first.
    static constexpr int kFirstNumber = 190;
    static constexpr int kNumbers = 100;

    // The first free number of a range no X server chooses by itself.
    HeldDisplay()
    {
        for (int number = kFirstNumber; number < kFirstNumber + kNumbers && m_name.empty(); ++number)
            Take(number);
    }
    // That number, once no X server holds it any more (one of the test's own that it ended).
    explicit HeldDisplay(int number) { Take(number); }
    ~HeldDisplay()
    {
        if (m_socket >= 0)
            ::close(m_socket);
        if (!m_lock.empty())
            ::unlink(m_lock.c_str());
    }
    HeldDisplay(const HeldDisplay&) = delete;
    HeldDisplay& operator=(const HeldDisplay&) = delete;

    // ":<n>"; empty when the number could not be taken (every number of the range).
    const std::string& Name() const { return m_name; }

    // Connections are taken from now on, and answered never.
    bool Listen() { return m_socket >= 0 && ::listen(m_socket, 4) == 0; }

    // A connection that came within the bound, for the caller to close; -1 when none came.
    int Accept(std::chrono::milliseconds bound)
    {
        pollfd entry{m_socket, POLLIN, 0};
        return ::poll(&entry, 1, int(bound.count())) == 1 ? ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC) : -1;
    }

    // The process the number's lock file names; 0 when it names none (no lock, or one being written).
    static pid_t LockHolder(int number)
    {
        std::ifstream lock(LockFile(number));
        long holder = 0;
        return lock >> holder && holder > 0 ? pid_t(holder) : 0;
    }

private:
    // The abstract name first: the kernel gives it to one process alone, so that no other HeldDisplay and
    // no X server of this machine is taking the number while its files are looked at.
    void Take(int number)
    {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_un abstract = Address(path, true);
        if (socket < 0 || ::bind(socket, reinterpret_cast<const sockaddr*>(&abstract), Length(path, true)) != 0) {
            if (socket >= 0)
                ::close(socket);
            return;
        }
        // A server started without an abstract name, or in another network namespace, shows only its
        // socket file.
        if (SocketFileHolds(path) || !TakeLock(number)) {
            ::close(socket);
            return;
        }
        m_lock = LockFile(number);
        m_socket = socket;
        m_name = ":" + std::to_string(number);
    }

    static std::string LockFile(int number) { return "/tmp/.X" + std::to_string(number) + "-lock"; }

    // Made exclusively, with this process's number as X servers write theirs. One whose holder no longer
    // runs is taken over; one that names none yet is held.
    static bool TakeLock(int number)
    {
        const std::string lock = LockFile(number);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const int fd = ::open(lock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0444);
            if (fd >= 0) {
                char pid[16];
                const int length = std::snprintf(pid, sizeof pid, "%10d\n", int(::getpid()));
                const bool written = ::write(fd, pid, size_t(length)) == length;
                ::close(fd);
                if (!written)
                    ::unlink(lock.c_str());
                return written;
            }
            const pid_t holder = errno == EEXIST ? LockHolder(number) : 0;
            const bool gone = holder > 0 && ::kill(holder, 0) != 0 && errno == ESRCH;
            if (!gone || ::unlink(lock.c_str()) != 0)
                return false;
        }
        return false;
    }

    // Anything but a socket nobody listens at, or no file at all.
    static bool SocketFileHolds(const std::string& path)
    {
        struct stat file {};
        if (::lstat(path.c_str(), &file) != 0)
            return errno != ENOENT;
        if (!S_ISSOCK(file.st_mode))
            return true;
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const sockaddr_un address = Address(path, false);
        const bool refused = probe >= 0 &&
                             ::connect(probe, reinterpret_cast<const sockaddr*>(&address), Length(path, false)) != 0 &&
                             errno == ECONNREFUSED;
        if (probe >= 0)
            ::close(probe);
        return !refused;
    }

    // The path as a socket file's address, or as the abstract name (a 0 first).
    static sockaddr_un Address(const std::string& path, bool abstract)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + (abstract ? 1 : 0), path.data(), path.size());
        return address;
    }
    static socklen_t Length(const std::string& path, bool abstract)
    {
        return socklen_t(offsetof(sockaddr_un, sun_path) + (abstract ? 1 : 0) + path.size());
    }

    std::string m_lock;
    int m_socket = -1;
    std::string m_name;
};

} // namespace KX::Test
