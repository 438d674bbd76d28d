#pragma once
// A window manager (openbox) on the test's X server while the object lives, for the tests of what a
// desktop shows in front: without one nothing keeps a dialog above its parent. It runs in the
// environment of its start (HOME and the XDG folders of the test); once it has gone, the server and its
// root are as before for the tests that follow.
#include "Eventually.h"
#include "TempFolder.h"
#include "X11Session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace KX::Test {

class X11WindowManager {
public:
    // A missing openbox fails the test that asked for it (tools/setup installs it).
    X11WindowManager(const X11Session& x, const std::string& log)
        : m_x(x),
          m_log(log),
          m_rootProperties(RootProperties())
    {
        m_process = X11Session::Launch("openbox", {"--sm-disable"}, m_log);
        int status = -1;
        EXPECT_TRUE(Eventually(
            [&] {
                if (m_process > 0 && waitpid(m_process, &status, WNOHANG) == m_process)
                    m_process = 0;
                return m_process <= 0 || Managing();
            },
            std::chrono::seconds(30)));
        EXPECT_TRUE(m_process > 0 && Managing())
            << "openbox did not start (exit status " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1)
            << "; tools/setup installs it): " << TempFolder::ReadFile(m_log);
        if (Running()) {
            EXPECT_TRUE(FramesNewWindows()) << "openbox frames no window: " << TempFolder::ReadFile(m_log);
        }
    }
    ~X11WindowManager()
    {
        if (m_process <= 0)
            return;
        kill(m_process, SIGTERM);
        if (X11Session::WaitForExit(m_process, std::chrono::seconds(30)) < 0)
            X11Session::Kill(m_process);
        EXPECT_TRUE(Eventually([&] { return !Managing(); }, std::chrono::seconds(30)))
            << "the window manager did not let go of the display";
        // What it announced on the root (its check window, the active window, the desktops) goes too.
        for (const Atom property : RootProperties())
            if (std::find(m_rootProperties.begin(), m_rootProperties.end(), property) == m_rootProperties.end())
                XDeleteProperty(m_x.Get(), m_x.Root(), property);
        XSync(m_x.Get(), False);
    }
    X11WindowManager(const X11WindowManager&) = delete;
    X11WindowManager& operator=(const X11WindowManager&) = delete;

    bool Running() const { return m_process > 0 && Managing(); }

private:
    std::vector<Atom> RootProperties() const
    {
        int count = 0;
        Atom* atoms = XListProperties(m_x.Get(), m_x.Root(), &count);
        std::vector<Atom> properties(atoms, atoms + (atoms ? count : 0));
        if (atoms)
            XFree(atoms);
        return properties;
    }

    // openbox owns the selection before it takes the windows that map: one that maps meanwhile is never
    // shown. It does take them once it has framed a window of the test's own, mapped anew until it has.
    bool FramesNewWindows() const
    {
        Display* display = m_x.Get();
        const Window probe = XCreateSimpleWindow(display, m_x.Root(), 0, 0, 1, 1, 0, 0, 0);
        bool framed = false;
        for (int attempt = 0; attempt < 100 && !framed; ++attempt) {
            XMapWindow(display, probe);
            XSync(display, False);
            framed = Eventually([&] { return m_x.TopLevelOf(probe) != probe; }, std::chrono::milliseconds(300));
        }
        XDestroyWindow(display, probe);
        XSync(display, False);
        return framed;
    }

    // A window manager owns the selection WM_S<screen> while it manages the screen.
    bool Managing() const
    {
        Display* display = m_x.Get();
        const std::string selection = "WM_S" + std::to_string(DefaultScreen(display));
        return XGetSelectionOwner(display, XInternAtom(display, selection.c_str(), False)) != 0;
    }

    const X11Session& m_x;
    std::string m_log;
    std::vector<Atom> m_rootProperties;
    pid_t m_process = 0;
};

} // namespace KX::Test
