#pragma once
// An X display number of the test's own, where no X server runs. It is held as X servers hold theirs,
// by its lock file (/tmp/.X<n>-lock, made exclusively, with the holder's process number), and by its
// abstract socket name (@/tmp/.X11-unix/X<n>), which the test binds: no X server and no other test run
// on the machine takes the number meanwhile. A client that connects there is refused; after Listen(),
// its connection is taken and never answered, as by an X server that hangs.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace KX::Test {

class HeldDisplay {
public:
    HeldDisplay()
    {
        for (int number = kFirstNumber; number < kFirstNumber + kNumbers && m_name.empty(); ++number)
            Take(number);
    }
    ~HeldDisplay()
    {
        if (m_socket >= 0)
            ::close(m_socket);
        if (!m_lock.empty())
            ::unlink(m_lock.c_str());
    }
    HeldDisplay(const HeldDisplay&) = delete;
    HeldDisplay& operator=(const HeldDisplay&) = delete;

    // ":<n>"; empty when every number of the range is taken.
    const std::string& Name() const { return m_name; }

    // Connections are taken from now on, and answered never.
    bool Listen() { return m_socket >= 0 && ::listen(m_socket, 4) == 0; }

    // A connection that came within the bound, for the caller to close; -1 when none came.
    int Accept(std::chrono::milliseconds bound)
    {
        pollfd entry{m_socket, POLLIN, 0};
        return ::poll(&entry, 1, int(bound.count())) == 1 ? ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC) : -1;
    }

private:
    // Above the numbers that xvfb-run and servers started with -displayfd try first.
    static constexpr int kFirstNumber = 190;
    static constexpr int kNumbers = 100;

    void Take(int number)
    {
        const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        const int fd = ::open(lock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0444);
        if (fd < 0)
            return;
        char pid[16];
        const int length = std::snprintf(pid, sizeof pid, "%10d\n", int(::getpid()));
        const bool written = ::write(fd, pid, size_t(length)) == length;
        ::close(fd);
        // A server started without a lock holds its abstract name all the same; one in another network
        // namespace shows only its socket file.
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + 1, path.data(), path.size()); // abstract: a 0 first
        const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (written && socket >= 0 && ::access(path.c_str(), F_OK) != 0 &&
            ::bind(socket, reinterpret_cast<const sockaddr*>(&address),
                   socklen_t(offsetof(sockaddr_un, sun_path) + 1 + path.size())) == 0) {
            m_lock = lock;
            m_socket = socket;
            m_name = ":" + std::to_string(number);
            return;
        }
        if (socket >= 0)
            ::close(socket);
        ::unlink(lock.c_str());
    }

    std::string m_lock;
    int m_socket = -1;
    std::string m_name;
};

} // namespace KX::Test
