// The editor when its X server goes: at a logout (most desktops end the X server and send its clients
// no signal), a crash of the server, a dropped remote connection. The editor (with the simulated
// keyboard, so that its keyboard commands work) runs on an X server of its own, which is killed under it
// idle, with a dialog open, with the file chooser open, and shortly after a SIGTERM, with and without a
// window manager. Each time the editor ends, with status 1 and a line in its log (0 once the SIGTERM has
// come), leaves no zenity behind and no half-written file, and the next start with the same folders
// opens its window.
#include "EditorEnvironment.h"
#include "EnvironmentGuard.h"
#include "Eventually.h"
#include "TempFolder.h"
#include "X11Session.h"

#include "KXFramework/Platform/Folders/ProfileStore.h"
#include "KXFramework/Platform/Folders/WindowPlacement.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace KX::Test {
namespace {

constexpr auto kBound = std::chrono::seconds(30);
// Far above the second the editor may take; only a hang passes it.
constexpr auto kEndBound = std::chrono::seconds(10);
constexpr const char* kMainTitle = "Velmora Kivo 61 Preset Editor";

// Xvfb on a display number of its own, which it chooses and tells once it takes connections.
class PrivateXServer {
public:
    explicit PrivateXServer(const std::string& log)
    {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return;
        // The writing end stays open across the exec, as -displayfd wants.
        const int writer = ::fcntl(ready[1], F_DUPFD, 10);
        ::close(ready[1]);
        m_process = X11Session::Launch(
            "Xvfb",
            {"-displayfd", std::to_string(writer), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"},
            log);
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
    ~PrivateXServer() { Kill(SIGKILL); }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

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

private:
    pid_t m_process = 0;
    std::string m_display;
};

class EditorXServerLossX11Test : public ::testing::Test {
protected:
    void SetUp() override { IsolateX11EditorEnvironment(m_environment, m_home, m_state, KX_TEST_FONTS_CONF); }
    void TearDown() override
    {
        for (pid_t child : m_children)
            ::kill(child, SIGKILL);
        X11Session::Kill(m_editor);
        X11Session::Kill(m_windowManager);
    }

    std::string Log() const { return TempFolder::ReadFile(m_home / "editor.log"); }

    // Runs xdotool on the current display; true when it ended well.
    bool Xdo(const std::vector<std::string>& arguments)
    {
        pid_t child = X11Session::Launch("xdotool", arguments, m_home / "xdotool.log");
        const int status = X11Session::WaitForExit(child, kBound);
        X11Session::Kill(child);
        return status == 0;
    }

    // The editor started on the current display, its main window shown and painted (its menu bar takes
    // more colours than a blank window has) and the keyboard plugged in; the main window, or 0.
    Window StartEditor(const X11Session& x)
    {
        ::unlink((m_state + "/plugged").c_str());
        m_editor = X11Session::Launch(KIVO_E2E_EDITOR, {"-DEBUG_CONSOLE"}, m_home / "editor.log");
        Window main = 0;
        const bool painted = Eventually(
            [&] {
                main = x.FindShown(kMainTitle, [&](pid_t pid) { return pid == m_editor; });
                const X11Session::Picture bar = main ? x.Grab(main, 0, 0, 120, 20) : nullptr;
                std::set<unsigned long> colours;
                for (int y = 0; bar && y < bar->height; ++y)
                    for (int i = 0; i < bar->width; ++i)
                        colours.insert(XGetPixel(bar.get(), i, y));
                return colours.size() > 4;
            },
            kBound);
        const bool plugged = Eventually([&] { return TempFolder::ReadFile(m_state + "/plugged") == "1\n"; }, kBound);
        return painted && plugged ? main : 0;
    }

    // Keys typed to the window as a person types them; then the window of that title, the editor's or
    // (child) one of its child processes', once it shows. False when it does not come.
    bool Open(const X11Session& x, Window main, const std::string& keys, const std::string& title, bool child)
    {
        if (!Xdo({"windowfocus", "--sync", std::to_string(main)}) || !Xdo({"key", "--delay", "50", keys}))
            return false;
        const auto owner = [&](pid_t pid) { return child ? X11Session::ParentOf(pid) == m_editor : pid == m_editor; };
        return Eventually([&] { return x.FindShown(title, owner) != 0; }, kBound);
    }

    TempFolder m_home;
    const std::string m_state = m_home / "state";
    EnvironmentGuard m_environment;
    pid_t m_editor = 0;
    pid_t m_windowManager = 0;
    std::vector<pid_t> m_children;
};

TEST_F(EditorXServerLossX11Test, TheEditorEndsWhenItsXServerGoesWhateverIsOpen)
{
    enum class Opened { Nothing, Dialog, Chooser };
    struct Round {
        const char* name;
        Opened open;
        int sigtermBeforeMs; // -1: no SIGTERM
        bool windowManager;
        int serverSignal;
    };
    const Round rounds[] = {
        {"idle", Opened::Nothing, -1, false, SIGKILL},
        {"idle under openbox", Opened::Nothing, -1, true, SIGTERM},
        {"Get open", Opened::Dialog, -1, false, SIGTERM},
        {"Get open under openbox", Opened::Dialog, -1, true, SIGKILL},
        {"the chooser open", Opened::Chooser, -1, false, SIGKILL},
        {"the chooser open under openbox", Opened::Chooser, -1, true, SIGTERM},
        {"SIGTERM at once", Opened::Nothing, 0, false, SIGTERM},
        {"SIGTERM 20 ms before", Opened::Nothing, 20, true, SIGKILL},
        {"SIGTERM 50 ms before, Get open", Opened::Dialog, 50, false, SIGKILL},
        {"SIGTERM 100 ms before, the chooser open", Opened::Chooser, 100, true, SIGTERM},
    };
    // Each round's start is the next start after the loss before it: the lock and the socket file of a
    // lost editor do not keep it from opening its window.
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.name);
        PrivateXServer server(m_home / "xvfb.log");
        ASSERT_FALSE(server.Display().empty()) << TempFolder::ReadFile(m_home / "xvfb.log");
        EnvironmentGuard display;
        display.Set("DISPLAY", server.Display());
        {
            // The test's own connection goes before the server does.
            X11Session x;
            ASSERT_NE(x.Get(), nullptr);
            if (round.windowManager) {
                m_windowManager = X11Session::Launch("openbox", {"--sm-disable"}, m_home / "openbox.log");
                ASSERT_TRUE(Eventually(
                    [&] { return XGetSelectionOwner(x.Get(), XInternAtom(x.Get(), "WM_S0", False)) != 0; }, kBound))
                    << TempFolder::ReadFile(m_home / "openbox.log");
            }
            const Window main = StartEditor(x);
            ASSERT_NE(main, 0u) << "the editor's window did not open\n" << Log();
            if (round.open == Opened::Dialog) {
                ASSERT_TRUE(Open(x, main, "ctrl+shift+r", "Get Preset From Device", false)) << Log();
            } else if (round.open == Opened::Chooser) {
                ASSERT_TRUE(Open(x, main, "ctrl+o", "Select Preset File", true)) << Log();
            }
            m_children = X11Session::ChildrenOf(m_editor);
        }
        if (round.sigtermBeforeMs >= 0) {
            ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(round.sigtermBeforeMs));
        }
        const auto lost = std::chrono::steady_clock::now();
        server.Kill(round.serverSignal);

        const int status = X11Session::WaitForExit(m_editor, kEndBound);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - lost);
        if (round.sigtermBeforeMs >= 0) {
            EXPECT_EQ(status, 0) << "after " << took.count() << " ms\n" << Log();
        } else {
            EXPECT_EQ(status, 1) << "after " << took.count() << " ms\n" << Log();
            EXPECT_NE(Log().find("the X server has gone"), std::string::npos) << Log();
        }
        X11Session::Kill(m_editor);
        for (const pid_t child : m_children) {
            EXPECT_TRUE(Eventually([&] { return ::kill(child, 0) != 0 && errno == ESRCH; }, kEndBound))
                << "a child of the editor outlived it";
        }
        m_children.clear();
        if (const auto kept = Platform::ReadProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP")) {
            EXPECT_TRUE(Platform::ParseWindowPlacement(*kept)) << "the main window's place is not whole";
        }
        if (m_windowManager > 0) {
            ::kill(m_windowManager, SIGKILL);
            X11Session::WaitForExit(m_windowManager, kBound);
        }
        if (HasFatalFailure())
            return;
    }

    SCOPED_TRACE("the start after the last loss");
    PrivateXServer server(m_home / "xvfb.log");
    EnvironmentGuard display;
    display.Set("DISPLAY", server.Display());
    X11Session x;
    ASSERT_NE(StartEditor(x), 0u) << "the editor's window did not open\n" << Log();
    ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
    EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0) << Log();
}

} // namespace
} // namespace KX::Test
