#pragma once
// A standard error whose reader does not read, for a program or for the test's own log: a pipe filled to
// the brim (`2>&1 | less` before it scrolls), a terminal whose output is stopped (Ctrl+S), or a socket
// filled likewise (a log service that stalls). The test holds the reading end and lets it read again, at
// once or at a reader's slow pace.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace KX::Test {

class StalledStream {
public:
    enum class Kind { FullPipe, PausedTerminal, FullSocket };

    explicit StalledStream(Kind kind) : m_kind(kind)
    {
        if (kind != Kind::PausedTerminal) {
            int ends[2];
            if ((kind == Kind::FullPipe ? ::pipe2(ends, O_CLOEXEC)
                                        : ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends)) != 0)
                return;
            m_reader = ends[0];
            m_writer = ends[1];
            // Filled through an end whose O_NONBLOCK a writer given it would share: cleared again after.
            ::fcntl(m_writer, F_SETFL, O_NONBLOCK);
            const std::string page(PIPE_BUF, '#');
            while (::write(m_writer, page.data(), page.size()) > 0)
                m_held += page.size();
            ::fcntl(m_writer, F_SETFL, 0);
        } else {
            m_reader = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
            char name[64];
            if (m_reader < 0 || ::grantpt(m_reader) != 0 || ::unlockpt(m_reader) != 0 ||
                ::ptsname_r(m_reader, name, sizeof name) != 0)
                return;
            m_name = name;
            m_writer = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
            termios raw{};
            if (m_writer < 0 || ::tcgetattr(m_writer, &raw) != 0)
                return;
            ::cfmakeraw(&raw); // the bytes as written, no carriage return added
            if (::tcsetattr(m_writer, TCSANOW, &raw) != 0 || ::tcflow(m_writer, TCOOFF) != 0)
                return;
        }
        m_stalled = m_held > 0 || kind == Kind::PausedTerminal;
        ::fcntl(m_reader, F_SETFL, O_NONBLOCK);
    }
    ~StalledStream()
    {
        for (const int fd : {m_reader, m_writer})
            if (fd >= 0)
                ::close(fd);
    }
    StalledStream(const StalledStream&) = delete;
    StalledStream& operator=(const StalledStream&) = delete;

    // Whether it was made, full or paused.
    bool Stalled() const { return m_stalled; }
    // The writing end: a descriptor of the test's own, closed on exec.
    int Writer() const { return m_writer; }
    // The writing end, of a pipe or a terminal, as a path that another process opens.
    std::string Path() const
    {
        return m_kind == Kind::FullPipe ? "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(m_writer)
                                        : m_name;
    }

    // Reads one page of the pipe's filling: room for a page, and no more.
    void MakeRoomForOnePage()
    {
        if (m_kind == Kind::FullPipe && m_held >= PIPE_BUF)
            m_held -= Read(PIPE_BUF, "").size();
    }
    // The reader reads again, from after what filled the pipe.
    void Resume()
    {
        if (m_kind == Kind::PausedTerminal)
            ::tcflow(m_writer, TCOON);
        else
            Read(m_held, "");
        m_held = 0;
    }

    // Reads what waits now, and drops it.
    void Discard() const
    {
        char buffer[PIPE_BUF];
        while (::read(m_reader, buffer, sizeof buffer) > 0) {
        }
    }
    // What the reader gets through `end`; less when no more comes within a generous bound.
    std::string ReadThrough(const std::string& end) const { return Read(std::string::npos, end); }
    // What a reader that takes its time gets until `enough` holds for it: each millisecond it takes up to
    // a page of what waits, once `fill` bytes wait (a reader that lets the stream fill, as a slow program
    // does) or what waits has not changed for a while; less when nothing comes for a generous while.
    std::string ReadSlowly(int fill, const std::function<bool(const std::string&)>& enough) const
    {
        using namespace std::chrono;
        std::string text;
        int waiting = 0;
        auto changed = steady_clock::now();
        for (auto due = changed + seconds(10); !enough(text) && steady_clock::now() < due;) {
            std::this_thread::sleep_for(milliseconds(1));
            const int was = waiting;
            if (::ioctl(m_reader, FIONREAD, &waiting) != 0)
                break;
            const auto now = steady_clock::now();
            if (waiting != was)
                changed = now;
            if (waiting == 0 || (waiting < fill && now - changed < milliseconds(200)))
                continue;
            char buffer[PIPE_BUF];
            const ssize_t n = ::read(m_reader, buffer, sizeof buffer);
            if (n > 0) {
                text.append(buffer, size_t(n));
                due = now + seconds(10);
            }
        }
        return text;
    }

private:
    // What the reader gets until it has `bytes`, or `end` when one is given.
    std::string Read(size_t bytes, const std::string& end) const
    {
        std::string text;
        const auto due = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (text.size() < bytes && (end.empty() || !text.ends_with(end)) && std::chrono::steady_clock::now() < due) {
            pollfd entry{m_reader, POLLIN, 0};
            char buffer[PIPE_BUF];
            if (::poll(&entry, 1, 100) != 1)
                continue;
            const ssize_t n = ::read(m_reader, buffer, std::min(sizeof buffer, bytes - text.size()));
            if (n > 0)
                text.append(buffer, size_t(n));
        }
        return text;
    }

    Kind m_kind;
    int m_reader = -1;
    int m_writer = -1;
    std::string m_name;
    // The pipe's filling left to read.
    size_t m_held = 0;
    bool m_stalled = false;
};

} // namespace KX::Test
