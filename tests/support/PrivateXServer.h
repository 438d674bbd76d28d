#pragma once
// An X server of a test's own (Xvfb), on a display number it chooses and tells once it takes
// connections: a test may kill it, stop it or make it ask for authority without touching the display
// the other tests use. A server it ends keeps its number held until the object goes.
#include "EnvironmentGuard.h"
#include "HeldDisplay.h"
#include "X11Session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace KX::Test {

class PrivateXServer {
public:
    // extra: more of Xvfb's options ("-auth", file: only clients with a cookie of that file get in).
    explicit PrivateXServer(const std::string& log, const std::vector<std::string>& extra = {})
    {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return;
        // The writing end stays open across the exec, as -displayfd wants.
        const int writer = ::fcntl(ready[1], F_DUPFD, 10);
        ::close(ready[1]);
        std::vector<std::string> arguments{
            "-displayfd", std::to_string(writer), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        m_process = X11Session::Launch("Xvfb", arguments, log);
        ::close(writer);
        std::string number;
        const auto end = std::chrono::steady_clock::now() + kBound;
        while (std::chrono::steady_clock::now() < end) {
            pollfd entry{ready[0], POLLIN, 0};
            char c = 0;
            if (::poll(&entry, 1, 100) == 1 && ::read(ready[0], &c, 1) == 1) {
                if (c == '\n')
                    break;
                number += c;
            } else if (entry.revents & POLLHUP) {
                break;
            }
        }
        ::close(ready[0]);
        if (!number.empty()) {
            m_display = ":" + number;
            m_number = std::stoi(number);
        }
    }
    ~PrivateXServer()
    {
        Resume();
        Kill(SIGKILL);
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // Writes a cookie file with one cookie for any display: a server started with it ("-auth", path)
    // lets in only the clients that have it.
    static void WriteCookieFile(const std::string& path)
    {
        std::string entry = "\xFF\xFF"; // any family and address
        for (const std::string& field :
             {std::string(), std::string(), std::string("MIT-MAGIC-COOKIE-1"), std::string(16, 'Z')}) {
            entry += char(field.size() >> 8);
            entry += char(field.size() & 0xFF);
            entry += field;
        }
        std::ofstream(path, std::ios::binary | std::ios::trunc) << entry;
    }

    // Empty when the server did not start.
    const std::string& Display() const { return m_display; }

    // SIGTERM is an orderly end (a logout), SIGKILL a crash. The number is held from the moment the server
    // has gone: a server started meanwhile with -displayfd, by another test run, would take the lowest free
    // number at once, this one, and a client still to connect to the display, the program under test,
    // would reach that server and run on it.
    void Kill(int signal)
    {
        if (m_process <= 0)
            return;
        // Woken as it ends (the descriptor becomes readable), before anyone else could take its number.
        const int ended = int(::syscall(SYS_pidfd_open, m_process, 0)); // glibc 2.36 declares it for C alone
        ::kill(m_process, signal);
        if (ended >= 0) {
            pollfd entry{ended, POLLIN, 0};
            ::poll(&entry, 1, int(std::chrono::milliseconds(kBound).count()));
            ::close(ended);
        } else {
            X11Session::WaitForExit(m_process, kBound);
        }
        X11Session::Kill(m_process); // reaps it, or ends it where it outlived the bound
        if (m_number >= 0)
            m_held.emplace(m_number);
    }

    // Stopped, it keeps its connections and answers nothing, as a stalled remote link does.
    void Stop()
    {
        if (m_process > 0 && ::kill(m_process, SIGSTOP) == 0)
            m_stopped = true;
    }
    void Resume()
    {
        if (m_stopped && m_process > 0)
            ::kill(m_process, SIGCONT);
        m_stopped = false;
    }

private:
    static constexpr auto kBound = std::chrono::seconds(30);

    pid_t m_process = 0;
    bool m_stopped = false;
    std::string m_display;
    int m_number = -1;
    std::optional<HeldDisplay> m_held;
};

// A private X server named in DISPLAY for as long as it lives, and the test's own connection to it.
class PrivateDesktop {
public:
    explicit PrivateDesktop(const std::string& log) : m_server(log), m_named(m_server.Display()) {}

    // Whether the server started and took the test's connection.
    bool Up() const { return !m_server.Display().empty() && m_x.Get() != nullptr; }
    PrivateXServer& Server() { return m_server; }
    const X11Session& X() const { return m_x; }

private:
    struct Named {
        explicit Named(const std::string& display)
        {
            if (!display.empty())
                guard.Set("DISPLAY", display);
        }
        EnvironmentGuard guard;
    };

    PrivateXServer m_server;
    Named m_named;
    X11Session m_x;
};

} // namespace KX::Test
