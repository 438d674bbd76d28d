#pragma once
// An X server of a test's own (Xvfb), on a display number it chooses and tells once it takes
// connections: a test may kill it, stop it or make it ask for authority without touching the display
// the other tests use.
#include "EnvironmentGuard.h"
#include "X11Session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
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
        if (!number.empty())
            m_display = ":" + number;
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

    // SIGTERM is an orderly end (a logout), SIGKILL a crash.
    void Kill(int signal)
    {
        if (m_process <= 0)
            return;
        ::kill(m_process, signal);
        if (X11Session::WaitForExit(m_process, kBound) < 0)
            X11Session::Kill(m_process);
        m_process = 0;
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
