// The editor where the desktop refuses it, run as a program on X servers of the test's own.
//
// Its X server goes (a logout that ends the server without a signal, a crash of the server, a dropped
// remote connection) or stalls (stopped, as a remote link that hangs), or another client destroys its
// main window, under the editor with the simulated keyboard, idle, with a dialog open, with the file
// chooser open, with and without a window manager: the editor ends, with status 1 and a line in its log
// (0 once a SIGTERM has come), leaves no zenity behind and no half-written file, and the next start with
// the same folders opens its window.
//
// The editor itself starts without a desktop (no display, a wrong one, one that wants authority, a
// server that ends during the start): it ends at once with status 1 and a line saying why, and leaves
// the single-instance lock and the settings for the next start. Under a file-size limit smaller than a
// preset, a save fails with its box and the editor lives on.
//
// How it ends: a closed terminal (SIGHUP) ends it in order, a second SIGTERM or SIGINT at once, a
// SIGTERM in its first moments by its handler, and a termination signal closes the start-up error box.
#include "EditorEnvironment.h"
#include "EnvironmentGuard.h"
#include "Eventually.h"
#include "HeldDisplay.h"
#include "PrivateXServer.h"
#include "SignalDispositions.h"
#include "StalledStream.h"
#include "TempFolder.h"
#include "X11Session.h"

#include "KXFramework/Platform/Folders/ProfileStore.h"
#include "KXFramework/Platform/Folders/WindowPlacement.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace KX::Test {
namespace {

constexpr auto kBound = std::chrono::seconds(30);
// Far above the second the editor may take; only a hang passes it.
constexpr auto kEndBound = std::chrono::seconds(10);
constexpr const char* kMainTitle = "Velmora Kivo 61 Preset Editor";

// Every file below the folder with its bytes.
std::map<std::string, std::string> FilesBelow(const std::string& folder)
{
    std::map<std::string, std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file())
            files[entry.path().string()] = TempFolder::ReadFile(entry.path().string());
    return files;
}

// The debug log's lines as they come over UDP, one datagram each, to a port of the test's own.
class UdpLog {
public:
    UdpLog() : m_socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~UdpLog() { ::close(m_socket); }
    UdpLog(const UdpLog&) = delete;
    UdpLog& operator=(const UdpLog&) = delete;

    // The program's option that sends its log here.
    std::string Option() const { return "-DEBUG_CONSOLE:" + std::to_string(m_port) + ":127.0.0.1"; }
    // Every line that came so far.
    const std::string& Text()
    {
        char line[65536];
        for (ssize_t n; (n = ::recv(m_socket, line, sizeof line, 0)) >= 0;)
            m_text.append(line, size_t(n)) += '\n';
        return m_text;
    }

private:
    int m_socket;
    int m_port = 0;
    std::string m_text;
};

// The lines of the text that hold `part`.
std::vector<std::string> LinesWith(const std::string& text, const std::string& part)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find(part) != std::string::npos)
            lines.push_back(line);
    return lines;
}

// Every core kept busy while it lives, so that the start meets a machine that is slow to answer.
class BusyLoops {
public:
    BusyLoops()
    {
        for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i)
            m_loops.emplace_back([this] {
                while (!m_stop)
                    std::atomic_signal_fence(std::memory_order_seq_cst);
            });
    }
    ~BusyLoops()
    {
        m_stop = true;
        for (std::thread& loop : m_loops)
            loop.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_loops;
};

class EditorAtTheDesktopsEdgeX11Test : public ::testing::Test {
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

    // What the editor keeps: its settings and its place.
    std::map<std::string, std::string> KeptFiles() const
    {
        std::map<std::string, std::string> files;
        for (const char* folder : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            files.merge(FilesBelow(m_home / folder));
        return files;
    }

    // Runs xdotool on the current display; true when it ended well.
    bool Xdo(const std::vector<std::string>& arguments)
    {
        pid_t child = X11Session::Launch("xdotool", arguments, m_home / "xdotool.log");
        const int status = X11Session::WaitForExit(child, kBound);
        X11Session::Kill(child);
        return status == 0;
    }

    // The editor's main window on the current display once it is shown and painted; 0 when it does not
    // come.
    Window WaitShown(const X11Session& x) { return x.WaitPainted(kMainTitle, m_editor, kBound); }

    // The editor with the simulated keyboard started on the current display, its main window shown and
    // the keyboard plugged in; the main window, or 0.
    Window StartEditor(const X11Session& x)
    {
        ::unlink((m_state + "/plugged").c_str());
        m_editor = X11Session::Launch(KIVO_E2E_EDITOR, {"-DEBUG_CONSOLE"}, m_home / "editor.log");
        const Window main = WaitShown(x);
        const bool plugged = Eventually([&] { return TempFolder::ReadFile(m_state + "/plugged") == "1\n"; }, kBound);
        return plugged ? main : 0;
    }

    // The program itself started, as a user starts it, with its debug log on standard error or where
    // logOption sends it.
    void StartProgram(const std::vector<std::string>& prefix = {}, const std::string& logOption = "-DEBUG_CONSOLE")
    {
        std::vector<std::string> command = prefix;
        command.insert(command.end(), {KIVO_EDITOR, logOption});
        m_editor = X11Session::Launch(command[0], {command.begin() + 1, command.end()}, m_home / "editor.log");
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

    // zenity in the editor's place, after `prologue`: the chooser answers `chosen` and counts its calls in
    // state/chooser, a box is kept in state/box.
    void UseZenityStandIn(const std::string& chosen, const std::string& prologue = "")
    {
        const std::string zenity = m_home / "zenity";
        TempFolder::WriteFile(zenity, "#!/bin/sh\n" + prologue + "case \" $* \" in\n*' --file-selection '*) echo >> '" +
                                          m_state + "/chooser'; echo '" + chosen +
                                          "' ;;\n*) printf '%s\\n' \"$@\" > '" + m_state + "/box' ;;\nesac\n");
        ::chmod(zenity.c_str(), 0700);
        m_environment.Set("KX_ZENITY", zenity);
    }

    // Ctrl+S typed to the main window as a person types it, until the editor asks for the file: a chord
    // is typed again where the editor never took it. True once the chooser was asked.
    bool Save(Window main)
    {
        const std::string asked = m_state + "/chooser";
        const size_t before = TempFolder::ReadFile(asked).size();
        for (int chord = 0; chord < 3; ++chord) {
            if (!Xdo({"windowfocus", "--sync", std::to_string(main)}) || !Xdo({"key", "--delay", "50", "ctrl+s"}))
                return false;
            if (Eventually([&] { return TempFolder::ReadFile(asked).size() > before; }, kBound / 3))
                return true;
        }
        return false;
    }

    TempFolder m_home;
    const std::string m_state = m_home / "state";
    EnvironmentGuard m_environment;
    pid_t m_editor = 0;
    pid_t m_windowManager = 0;
    std::vector<pid_t> m_children;
};

TEST_F(EditorAtTheDesktopsEdgeX11Test, TheEditorEndsWhenItsXServerGoesOrStallsWhateverIsOpen)
{
    enum class Opened { Nothing, Dialog, Chooser };
    struct Round {
        const char* name;
        Opened open;
        int sigtermBeforeMs; // -1: no SIGTERM
        bool windowManager;
        int serverSignal; // SIGSTOP: the server stalls, then the SIGTERM comes; 0: it stays, and another
                          // client destroys the main window
    };
    const Round rounds[] = {
        {"idle", Opened::Nothing, -1, false, SIGKILL},
        {"idle under openbox", Opened::Nothing, -1, true, SIGTERM},
        {"Get open", Opened::Dialog, -1, false, SIGTERM},
        {"Get open under openbox", Opened::Dialog, -1, true, SIGKILL},
        {"the chooser open", Opened::Chooser, -1, false, SIGKILL},
        {"the chooser open under openbox", Opened::Chooser, -1, true, SIGTERM},
        {"the main window destroyed", Opened::Nothing, -1, false, 0},
        {"the main window destroyed, Get open under openbox", Opened::Dialog, -1, true, 0},
        {"SIGTERM at once", Opened::Nothing, 0, false, SIGTERM},
        {"SIGTERM 20 ms before", Opened::Nothing, 20, true, SIGKILL},
        {"SIGTERM 50 ms before, Get open", Opened::Dialog, 50, false, SIGKILL},
        {"SIGTERM 100 ms before, the chooser open", Opened::Chooser, 100, true, SIGTERM},
        {"SIGTERM with the server stopped", Opened::Nothing, -1, false, SIGSTOP},
        {"SIGTERM with the server stopped, Get open", Opened::Dialog, -1, true, SIGSTOP},
        {"SIGTERM with the server stopped, the chooser open", Opened::Chooser, -1, false, SIGSTOP},
    };
    // Each round's start is the next start after the loss before it: the lock and the socket file of a
    // lost editor do not keep it from opening its window.
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.name);
        PrivateXServer server(m_home / "xvfb.log");
        ASSERT_FALSE(server.Display().empty()) << TempFolder::ReadFile(m_home / "xvfb.log");
        EnvironmentGuard display;
        display.Set("DISPLAY", server.Display());
        Window main = 0;
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
            main = StartEditor(x);
            ASSERT_NE(main, 0u) << "the editor's window did not open\n" << Log();
            if (round.open == Opened::Dialog) {
                ASSERT_TRUE(Open(x, main, "ctrl+shift+r", "Get Preset From Device", false)) << Log();
            } else if (round.open == Opened::Chooser) {
                ASSERT_TRUE(Open(x, main, "ctrl+o", "Select Preset File", true)) << Log();
            }
            m_children = X11Session::ChildrenOf(m_editor);
        }
        const bool stall = round.serverSignal == SIGSTOP;
        if (round.sigtermBeforeMs >= 0) {
            ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(round.sigtermBeforeMs));
        }
        const auto lost = std::chrono::steady_clock::now();
        if (stall) {
            // The editor is held in its first call to the server, which never answers while stopped.
            server.Stop();
            ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
        } else if (round.serverSignal != 0) {
            server.Kill(round.serverSignal);
        } else {
            // As tools that close windows hard do.
            X11Session x;
            XDestroyWindow(x.Get(), main);
            XSync(x.Get(), False);
        }

        const int status = X11Session::WaitForExit(m_editor, kEndBound);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - lost);
        server.Resume();
        if (stall) {
            EXPECT_EQ(status, 0) << "after " << took.count() << " ms\n" << Log();
            // The second after the signal and the watch's sampling: about 3 s on a machine without busy loops.
            EXPECT_LE(took, std::chrono::seconds(3)) << Log();
            EXPECT_EQ(LinesWith(Log(), ": ended 1 s after a termination signal: its display \"" + server.Display() +
                                           "\" did not answer")
                          .size(),
                      1u)
                << Log();
        } else if (round.sigtermBeforeMs >= 0) {
            EXPECT_EQ(status, 0) << "after " << took.count() << " ms\n" << Log();
        } else if (round.serverSignal == 0) {
            // Not through Xlib's default, whose exit() aborts in the static destructors.
            EXPECT_EQ(status, 1) << "after " << took.count() << " ms\n" << Log();
            const std::vector<std::string> said = LinesWith(Log(), ": X error ");
            ASSERT_EQ(said.size(), 1u) << Log();
            EXPECT_TRUE(
                std::regex_search(said[0], std::regex(": X error Bad(Window|Drawable) \\(.+\\) on request [^ ]+ "
                                                      "for resource 0x[0-9a-f]+; ending with status 1$")))
                << said[0];
            EXPECT_EQ(Log().find("X Error of failed request"), std::string::npos) << Log();
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

// Started without a desktop, the program would run on unseen, holding the single-instance lock that
// sends every later start to it. It ends at once (within 3 s; 10 s with every core kept busy) with
// status 1 and one line naming the display and why, on standard error and in its debug log, leaves the
// settings as they were, and the next start with the same folders opens its window.
TEST_F(EditorAtTheDesktopsEdgeX11Test, WithoutADesktopItEndsSaysWhyAndTheNextStartOpensItsWindow)
{
    enum class Display { Unset, Empty, NoServer, NoAuthority, ServerEnds };
    struct Round {
        const char* name;
        Display display;
        int serverEndsAfterMs;
        bool busy;
        bool udpLog; // the debug log over UDP, where the line goes as well
    };
    const Round rounds[] = {
        {"DISPLAY unset", Display::Unset, 0, false, true},
        {"DISPLAY empty", Display::Empty, 0, true, false},
        {"no server at the display", Display::NoServer, 0, false, false},
        {"no server at the display, busy", Display::NoServer, 0, true, true},
        {"a server that wants authority", Display::NoAuthority, 0, false, false},
        {"the server ends at the start", Display::ServerEnds, 0, false, false},
        {"the server ends 10 ms into the start", Display::ServerEnds, 10, true, false},
        {"the server ends 20 ms into the start", Display::ServerEnds, 20, false, true},
        {"the server ends 30 ms into the start", Display::ServerEnds, 30, true, false},
        {"the server ends 45 ms into the start", Display::ServerEnds, 45, false, false},
        {"the server ends 60 ms into the start", Display::ServerEnds, 60, true, false},
    };
    // Time enough for a loaded machine to start it; kEndBound with every core kept busy.
    constexpr auto kAtOnce = std::chrono::seconds(3);
    // SDL chooses its driver, as for a user.
    m_environment.Clear("SDL_VIDEODRIVER");
    m_environment.Clear("WAYLAND_DISPLAY");
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.name);
        std::optional<PrivateXServer> server;
        std::optional<HeldDisplay> held;
        EnvironmentGuard display;
        std::string named;
        switch (round.display) {
        case Display::Unset:
            display.Clear("DISPLAY");
            break;
        case Display::Empty:
            display.Set("DISPLAY", "");
            break;
        case Display::NoServer:
            named = held.emplace().Name();
            ASSERT_FALSE(named.empty()) << "no free display number";
            break;
        case Display::NoAuthority:
            PrivateXServer::WriteCookieFile(m_home / "cookies");
            display.Set("XAUTHORITY", m_home / "no-cookies");
            server.emplace(m_home / "xvfb.log", std::vector<std::string>{"-auth", m_home / "cookies"});
            named = server->Display();
            break;
        case Display::ServerEnds:
            server.emplace(m_home / "xvfb.log");
            named = server->Display();
            break;
        }
        if (!named.empty())
            display.Set("DISPLAY", named);
        const std::map<std::string, std::string> kept = KeptFiles();
        std::optional<UdpLog> udp;
        if (round.udpLog)
            udp.emplace();
        {
            std::optional<BusyLoops> busy;
            if (round.busy)
                busy.emplace();
            const auto started = std::chrono::steady_clock::now();
            StartProgram({}, udp ? udp->Option() : "-DEBUG_CONSOLE");
            if (round.display == Display::ServerEnds) {
                std::this_thread::sleep_for(std::chrono::milliseconds(round.serverEndsAfterMs));
                server->Kill(SIGKILL);
            }
            EXPECT_EQ(X11Session::WaitForExit(m_editor, kEndBound), 1) << Log();
            const auto took = std::chrono::steady_clock::now() - started;
            EXPECT_LE(took, round.busy ? kEndBound : kAtOnce)
                << "ended after " << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
        }
        X11Session::Kill(m_editor);
        const std::vector<std::string> said = LinesWith(Log(), "kivo61-preset-editor: ");
        ASSERT_EQ(said.size(), 1u) << Log();
        if (udp) {
            // The same line, without the time standard error gives it.
            const std::vector<std::string> sent = LinesWith(udp->Text(), "kivo61-preset-editor: ");
            ASSERT_EQ(sent.size(), 1u) << udp->Text();
            EXPECT_TRUE(said[0].ends_with(sent[0])) << said[0] << "\n" << sent[0];
        }
        if (named.empty()) {
            EXPECT_NE(said[0].find("cannot open display: DISPLAY is not set"), std::string::npos) << said[0];
        } else if (round.display == Display::ServerEnds) {
            // Before SDL reached the server, or after it.
            EXPECT_TRUE(said[0].find("cannot open display \"" + named + "\": ") != std::string::npos ||
                        said[0].find("display \"" + named + "\": the X server has gone") != std::string::npos)
                << said[0];
        } else {
            const char* why = round.display == Display::NoServer ? "no X server answers there"
                                                                 : "the X server there refused this program";
            EXPECT_NE(said[0].find("cannot open display \"" + named + "\": " + why), std::string::npos) << said[0];
        }
        EXPECT_EQ(KeptFiles(), kept) << "a start without a desktop changed a file";

        PrivateXServer working(m_home / "xvfb.log");
        display.Set("DISPLAY", working.Display());
        display.Clear("XAUTHORITY");
        X11Session x;
        ASSERT_NE(x.Get(), nullptr);
        StartProgram();
        EXPECT_NE(WaitShown(x), 0u) << "the next start opened no window\n" << Log();
        ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
        EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0) << Log();
        if (HasFailure())
            return;
    }
}

// Under a file-size limit (ulimit -f) smaller than a preset, a save fails as on a full disk: its box,
// the cause in the log, the old file as it was and no temporary file, and the editor lives on. Under
// one smaller than its settings too, the settings it writes fail to the log alone. The editor ignores
// the write signals, and a zenity it starts has them at their default.
TEST_F(EditorAtTheDesktopsEdgeX11Test, ASaveBeyondTheFileSizeLimitFailsAndTheEditorLivesOn)
{
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    const X11Session& x = desktop.X();

    const std::string presets = m_home / "presets";
    std::filesystem::create_directory(presets);
    const std::string target = presets + "/Mine.Kivo61PresetEditor";
    TempFolder::WriteFile(target, "the preset saved before");
    // zenity in the editor's place: the chooser answers the target, a box is kept; it lifts the limit
    // for itself (only the editor's soft limit is set).
    UseZenityStandIn(target, "ulimit -f unlimited\ncat /proc/$$/status > '" + m_state + "/zenity-status'\n");

    const struct {
        int limit;
        bool settingsFail;
    } rounds[] = {{1024, false}, {32, true}}; // a preset takes more than 1024 bytes, a settings file less
    for (const auto& round : rounds) {
        SCOPED_TRACE("limit " + std::to_string(round.limit));
        ::unlink((m_state + "/box").c_str());
        // The log on standard error would meet the limit too: it goes over UDP.
        UdpLog log;
        StartProgram({"prlimit", "--fsize=" + std::to_string(round.limit) + ":"}, log.Option());
        const Window main = WaitShown(x);
        ASSERT_NE(main, 0u) << "the editor's window did not open\n" << log.Text();
        EXPECT_EQ(IgnoredWriteSignals(TempFolder::ReadFile("/proc/" + std::to_string(m_editor) + "/status")),
                  "PIPE XFSZ");

        ASSERT_TRUE(Save(main));
        ASSERT_TRUE(Eventually([&] { return !TempFolder::ReadFile(m_state + "/box").empty(); }, kBound)) << log.Text();
        EXPECT_NE(TempFolder::ReadFile(m_state + "/box").find("The preset file could not be saved."), std::string::npos)
            << TempFolder::ReadFile(m_state + "/box");
        EXPECT_EQ(IgnoredWriteSignals(TempFolder::ReadFile(m_state + "/zenity-status")), "");
        EXPECT_EQ(FilesBelow(presets), (std::map<std::string, std::string>{{target, "the preset saved before"}}));
        EXPECT_EQ(LinesWith(log.Text(), "Preset file: cannot save " + target + ": File too large").size(), 1u)
            << log.Text();

        // It lives on, and ends as ever.
        int raw = 0;
        EXPECT_EQ(::waitpid(m_editor, &raw, WNOHANG), 0) << "the editor ended with the save";
        ASSERT_NE(WaitShown(x), 0u) << log.Text();
        ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
        EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0) << log.Text();
        EXPECT_EQ(!LinesWith(log.Text(), "Settings: cannot write").empty(), round.settingsFail) << log.Text();
    }
}

// Started with standard input, output and error closed (as some launchers and services do), the lock
// file, the hand-over socket and the X connection would take their numbers, and the log on standard
// error would write into them. The closed ones are opened on /dev/null: the editor opens its window,
// saves, ends with 0 on a SIGTERM, and no file it keeps holds a line of its log.
TEST_F(EditorAtTheDesktopsEdgeX11Test, WithItsStandardStreamsClosedItWorksAndKeepsNoLogText)
{
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    const X11Session& x = desktop.X();
    const std::string target = m_home / "Saved.Kivo61PresetEditor";
    UseZenityStandIn(target);
    // The log's time prefix, and what the sound library writes to standard error on its own.
    const std::regex logText("[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} |ALSA lib");

    const struct {
        const char* name;
        const char* closing;
        std::vector<int> closed;
    } rounds[] = {{"all three closed", "exec 0<&- 1>&- 2>&- \"$@\"", {0, 1, 2}},
                  {"standard error closed", "exec 2>&- \"$@\"", {2}}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        ::unlink(target.c_str());
        StartProgram({"sh", "-c", round.closing, "sh"});
        const Window main = WaitShown(x);
        ASSERT_NE(main, 0u) << "the editor's window did not open";
        for (const int stream : round.closed) {
            std::error_code error;
            EXPECT_EQ(std::filesystem::read_symlink(
                          "/proc/" + std::to_string(m_editor) + "/fd/" + std::to_string(stream), error),
                      "/dev/null")
                << "descriptor " << stream;
        }
        ASSERT_TRUE(Save(main));
        ASSERT_TRUE(Eventually([&] { return TempFolder::ReadFile(target).size() > 1024; }, kBound));
        ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
        EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0);

        std::map<std::string, std::string> kept = KeptFiles();
        kept.merge(FilesBelow(m_home / "XDG_RUNTIME_DIR"));
        kept[target] = TempFolder::ReadFile(target);
        for (const auto& [path, bytes] : kept)
            EXPECT_FALSE(std::regex_search(bytes, logText)) << path << " holds log text:\n" << bytes;
    }
}

// A SIGTERM at any moment of the start, from the first one of its main routine, ends the editor with
// status 0, however far the start has come; the next start opens its window.
TEST_F(EditorAtTheDesktopsEdgeX11Test, ASigtermAtAnyMomentOfTheStartEndsItWithZero)
{
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    const X11Session& x = desktop.X();

    // Its main routine has begun: the write signals are ignored, once its termination signals are noted.
    const auto begun = [&] {
        return IgnoredWriteSignals(TempFolder::ReadFile("/proc/" + std::to_string(m_editor) + "/status")) ==
               "PIPE XFSZ";
    };
    const struct {
        int afterMs;
        bool busy;
    } rounds[] = {{0, false}, {5, true}, {15, false}, {30, true}, {60, false}, {100, true}, {160, false}, {250, true}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(std::to_string(round.afterMs) + " ms" + (round.busy ? ", busy" : ""));
        std::optional<BusyLoops> busy;
        if (round.busy)
            busy.emplace();
        StartProgram();
        ASSERT_TRUE(Eventually(begun, kBound)) << Log();
        std::this_thread::sleep_for(std::chrono::milliseconds(round.afterMs));
        ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
        EXPECT_EQ(X11Session::WaitForExit(m_editor, kEndBound), 0) << Log();
        X11Session::Kill(m_editor);
    }
    StartProgram();
    EXPECT_NE(WaitShown(x), 0u) << "the next start opened no window\n" << Log();
    ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
    EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0) << Log();
}

// A run on a driver that shows nothing (named by the user: tests do) takes no part in the single
// instance: a start on the desktop beside it, with the same folders, opens its own window, and the run
// writes no window place over the one that editor leaves. SDL takes dummy only as the whole list,
// offscreen wherever it comes, also after a desktop driver whose display does not answer: the driver SDL
// took decides. A run on "dummy,x11" shows its window on X11 and is the first instance, to which the
// start beside it hands over.
TEST_F(EditorAtTheDesktopsEdgeX11Test, ARunThatShowsNothingLeavesAStartOnTheDesktopItsWindow)
{
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    const X11Session& x = desktop.X();
    HeldDisplay noServer;
    ASSERT_FALSE(noServer.Name().empty()) << "no free display number";
    const std::string desktopDisplay = desktop.Server().Display();
    const struct {
        const char* drivers;
        std::string display; // the run's; empty: unset
        bool showsNothing;
    } rounds[] = {
        {"dummy", desktopDisplay, true},          {"offscreen", desktopDisplay, true},
        {"offscreen,x11", desktopDisplay, true},  {"x11,offscreen", "", true},
        {"x11,offscreen", noServer.Name(), true}, {"wayland,offscreen", desktopDisplay, true}, // no compositor answers
        {"dummy,x11", desktopDisplay, false}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(std::string(round.drivers) + " on \"" + round.display + "\"");
        ::unlink((m_state + "/plugged").c_str());
        pid_t first = 0;
        {
            EnvironmentGuard named;
            named.Set("SDL_VIDEODRIVER", round.drivers);
            named.Set("WAYLAND_DISPLAY", "no-compositor");
            if (round.display.empty())
                named.Clear("DISPLAY");
            else
                named.Set("DISPLAY", round.display);
            first = X11Session::Launch(KIVO_E2E_EDITOR, {"-DEBUG_CONSOLE"}, m_home / "first.log");
        }
        m_children.push_back(first);
        // Its keyboard comes once its start is through, the single instance's step and video included.
        ASSERT_TRUE(Eventually([&] { return TempFolder::ReadFile(m_state + "/plugged") == "1\n"; }, kBound))
            << TempFolder::ReadFile(m_home / "first.log");
        if (!round.showsNothing) {
            ASSERT_NE(x.WaitPainted(kMainTitle, first, kBound), 0u) << "no window on the desktop\n"
                                                                    << TempFolder::ReadFile(m_home / "first.log");
        }
        StartProgram();
        if (round.showsNothing) {
            EXPECT_NE(WaitShown(x), 0u) << "the start on the desktop opened no window\n" << Log();
            ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
        }
        // Handed over where the first shows on the desktop.
        EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0) << Log();
        X11Session::Kill(m_editor);
        // A place of the user's, where no window of a run without a window manager comes.
        Platform::WindowPlacementRecord place;
        place.left = 123;
        place.top = 45;
        place.right = place.left + 1200;
        place.bottom = place.top + 772;
        const std::vector<uint8_t> left = Platform::SerializeWindowPlacement(place);
        ASSERT_TRUE(Platform::WriteProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP", left));
        // It ends too; its status is not looked at: under the leak checker, the offscreen driver's GL library,
        // unloaded by then, is reported.
        ASSERT_EQ(::kill(first, SIGTERM), 0);
        EXPECT_GE(X11Session::WaitForExit(first, kBound), 0) << TempFolder::ReadFile(m_home / "first.log");
        X11Session::Kill(first);
        m_children.clear();
        if (round.showsNothing) {
            EXPECT_EQ(Platform::ReadProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP"), left)
                << "the run that showed nothing wrote its window's place";
        }
    }
}

// A standard error nobody reads (a full pipe: `2>&1 | less` before it scrolls; a terminal paused with
// Ctrl+S) would hold the editor in its first log line, without its window and with the single-instance
// lock, and each forced end in its last line. The window opens; a SIGTERM ends the editor with 0, at
// once and with its X server stopped (after the watch's second); a start its display holds ends with 1
// at its 10 s bound.
TEST_F(EditorAtTheDesktopsEdgeX11Test, AStandardErrorNobodyReadsHoldsNeitherTheStartNorTheEnd)
{
    enum class End { Sigterm, SigtermWithTheServerStopped, DisplayHolds };
    const struct {
        const char* name;
        StalledStream::Kind stream;
        End end;
    } rounds[] = {
        {"a full pipe, SIGTERM", StalledStream::Kind::FullPipe, End::Sigterm},
        {"a full pipe, SIGTERM with the server stopped", StalledStream::Kind::FullPipe,
         End::SigtermWithTheServerStopped},
        {"a full pipe, a display that holds the start", StalledStream::Kind::FullPipe, End::DisplayHolds},
        {"a paused terminal, SIGTERM", StalledStream::Kind::PausedTerminal, End::Sigterm},
        {"a paused terminal, SIGTERM with the server stopped", StalledStream::Kind::PausedTerminal,
         End::SigtermWithTheServerStopped},
        {"a paused terminal, a display that holds the start", StalledStream::Kind::PausedTerminal, End::DisplayHolds},
    };
    // A second beyond the watch's second and its sampling, and a few for a loaded machine.
    constexpr auto kAtOnce = std::chrono::seconds(5);
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        StalledStream stalled(round.stream);
        ASSERT_TRUE(stalled.Stalled());
        const std::vector<std::string> toTheStream{"sh", "-c", "exec \"$@\" 2>" + stalled.Path(), "sh"};
        if (round.end == End::DisplayHolds) {
            HeldDisplay silentServer;
            ASSERT_FALSE(silentServer.Name().empty()) << "no free display number";
            ASSERT_TRUE(silentServer.Listen());
            EnvironmentGuard display;
            display.Set("DISPLAY", silentServer.Name());
            StartProgram(toTheStream);
            const int held = silentServer.Accept(kBound);
            ASSERT_GE(held, 0) << "the editor never asked for its display";
            const auto taken = std::chrono::steady_clock::now();
            const int status = X11Session::WaitForExit(m_editor, kBound);
            const auto took = std::chrono::steady_clock::now() - taken;
            ::close(held);
            EXPECT_EQ(status, 1);
            EXPECT_GE(took, std::chrono::seconds(9));
            EXPECT_LE(took, std::chrono::seconds(15));
        } else {
            PrivateXServer server(m_home / "xvfb.log");
            ASSERT_FALSE(server.Display().empty()) << TempFolder::ReadFile(m_home / "xvfb.log");
            EnvironmentGuard display;
            display.Set("DISPLAY", server.Display());
            {
                // The test's own connection goes before the server stops.
                X11Session x;
                ASSERT_NE(x.Get(), nullptr);
                StartProgram(toTheStream);
                ASSERT_NE(WaitShown(x), 0u) << "the editor's window did not open";
            }
            if (round.end == End::SigtermWithTheServerStopped)
                server.Stop();
            const auto signalled = std::chrono::steady_clock::now();
            ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
            const int status = X11Session::WaitForExit(m_editor, kBound);
            const auto took = std::chrono::steady_clock::now() - signalled;
            server.Resume();
            EXPECT_EQ(status, 0);
            EXPECT_LE(took, kAtOnce);
        }
        X11Session::Kill(m_editor);
    }
}

// A reader of standard error that lets the pipe fill before it takes a page (a slow program) gets every
// line of a burst: one for each of 2,000 hand-over records the editor refuses, eight a turn. The pipe holds
// one page, which the burst fills every few turns.
TEST_F(EditorAtTheDesktopsEdgeX11Test, AStandardErrorReadSlowlyGetsEveryLineOfABurst)
{
    constexpr int kRecords = 2000;
    const std::string refused = "Single instance: a hand-over record was refused\n";
    const auto count = [&](const std::string& text) {
        int lines = 0;
        for (size_t at = text.find(refused); at != std::string::npos; at = text.find(refused, at + 1))
            ++lines;
        return lines;
    };
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    const X11Session& x = desktop.X();
    StalledStream slow(StalledStream::Kind::FullPipe);
    ASSERT_TRUE(slow.Stalled());
    slow.Resume();
    ASSERT_EQ(::fcntl(slow.Writer(), F_SETPIPE_SZ, PIPE_BUF), PIPE_BUF);
    StartProgram({"sh", "-c", "exec \"$@\" 2>" + slow.Path(), "sh"});
    ASSERT_NE(WaitShown(x), 0u) << "the editor's window did not open";
    // Started once the program is, which a fork while it reads could hold; a page less two lines is full.
    std::string text;
    std::thread reader([&] {
        text = slow.ReadSlowly(PIPE_BUF - 2 * 64, [&](const std::string& read) { return count(read) >= kRecords; });
    });
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = m_home / "XDG_RUNTIME_DIR/Velmora_Kivo 61 Preset EditorPrevent.sock";
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    int handedOver = 0;
    for (bool sent = true; sent && handedOver < kRecords; handedOver += sent ? 1 : 0) {
        // A full backlog holds the connection until the editor has served the ones before it.
        const int peer = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const timeval bound{10, 0};
        const uint32_t badHeader[2] = {0, 0};
        sent = ::setsockopt(peer, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound) == 0 &&
               ::connect(peer, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
               ::send(peer, badHeader, sizeof badHeader, MSG_NOSIGNAL) == ssize_t(sizeof badHeader);
        ::close(peer);
    }
    reader.join();
    ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
    EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0);
    EXPECT_EQ(handedOver, kRecords);
    EXPECT_EQ(count(text), kRecords);
    EXPECT_EQ(text.find("standard error did not take"), std::string::npos) << "lines were lost";
}

// The terminal it was started from closes (SIGHUP): the editor ends as after a SIGTERM, in order, with
// status 0 and the main window's place written. Started under nohup, which has it ignore SIGHUP, it goes
// on as before: it still saves, and a SIGTERM ends it. Started by a launcher that left the termination
// signals blocked, or SIGTERM ignored, a SIGTERM or a SIGINT ends it in order all the same.
TEST_F(EditorAtTheDesktopsEdgeX11Test, AClosedTerminalEndsItInOrderUnlessItIsIgnored)
{
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    const X11Session& x = desktop.X();
    const std::string target = m_home / "Saved.Kivo61PresetEditor";
    UseZenityStandIn(target);
    const struct {
        const char* name;
        std::vector<std::string> launcher; // env's options or nohup, after the signals' defaults
        int signal;
        bool ends;
    } rounds[] = {
        {"SIGHUP", {}, SIGHUP, true},
        {"SIGHUP under nohup", {"nohup"}, SIGHUP, false},
        {"SIGTERM, started with the three blocked", {"--block-signal=TERM,INT,HUP"}, SIGTERM, true},
        {"SIGINT, started with the three blocked", {"--block-signal=TERM,INT,HUP"}, SIGINT, true},
        {"SIGTERM, started with it ignored", {"--ignore-signal=TERM"}, SIGTERM, true},
    };
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        ::unlink(target.c_str());
        // Whatever this test was started with (a script's background job ignores SIGINT), the editor
        // starts with what the round gives it.
        std::vector<std::string> prefix{"env", "--default-signal=TERM,INT,HUP"};
        prefix.insert(prefix.end(), round.launcher.begin(), round.launcher.end());
        StartProgram(prefix);
        const Window main = WaitShown(x);
        ASSERT_NE(main, 0u) << "the editor's window did not open\n" << Log();
        // Not a place: only the end writes a whole one over it.
        ASSERT_TRUE(Platform::WriteProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP", {1, 2, 3}));
        ASSERT_EQ(::kill(m_editor, round.signal), 0);
        if (!round.ends) {
            ASSERT_TRUE(Save(main)) << Log();
            EXPECT_TRUE(Eventually([&] { return TempFolder::ReadFile(target).size() > 1024; }, kBound))
                << Log() << TempFolder::ReadFile(m_state + "/box");
            ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
        }
        EXPECT_EQ(X11Session::WaitForExit(m_editor, kEndBound), 0) << Log();
        X11Session::Kill(m_editor);
        const auto kept = Platform::ReadProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP");
        EXPECT_TRUE(kept && Platform::ParseWindowPlacement(*kept)) << "the main window's place was not written";
    }
}

// A second SIGTERM or SIGINT ends the editor at once with status 0 while its orderly end is held, here
// working for a minute (the simulated keyboard's editor holds it so), which the watch never cuts: the
// hold is not through, and no line of a timed end. A SIGHUP is never the second: the end goes on.
TEST_F(EditorAtTheDesktopsEdgeX11Test, ASecondSignalEndsAHeldEndAtOnce)
{
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    const X11Session& x = desktop.X();
    const struct {
        int first;
        int second;
        int holdSeconds;
        bool atOnce;
    } rounds[] = {{SIGTERM, SIGTERM, 60, true},
                  {SIGINT, SIGINT, 60, true},
                  {SIGHUP, SIGINT, 60, true},
                  {SIGTERM, SIGHUP, 5, false}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(std::string(sigabbrev_np(round.first)) + ", then " + sigabbrev_np(round.second));
        for (const char* name : {"/ending", "/held"})
            ::unlink((m_state + name).c_str());
        EnvironmentGuard holding;
        holding.Set("KIVO_E2E_HOLD_END", std::to_string(round.holdSeconds));
        // A SIGINT ignored at the start stays ignored, as for a job a shell runs in the background: the
        // editor starts with it at its default, whatever this test was started with.
        struct sigaction byDefault {};
        byDefault.sa_handler = SIG_DFL;
        struct sigaction saved {};
        ::sigaction(SIGINT, &byDefault, &saved);
        const Window main = StartEditor(x);
        ::sigaction(SIGINT, &saved, nullptr);
        ASSERT_NE(main, 0u) << "the editor's window did not open\n" << Log();
        ASSERT_EQ(::kill(m_editor, round.first), 0);
        ASSERT_TRUE(Eventually([&] { return !TempFolder::ReadFile(m_state + "/ending").empty(); }, kBound)) << Log();
        ASSERT_EQ(::kill(m_editor, round.second), 0);
        EXPECT_EQ(X11Session::WaitForExit(m_editor, round.atOnce ? kEndBound : kBound), 0) << Log();
        X11Session::Kill(m_editor);
        EXPECT_EQ(TempFolder::ReadFile(m_state + "/held").empty(), round.atOnce);
        EXPECT_EQ(LinesWith(Log(), "after a termination signal").size(), 0u) << Log();
    }
}

// An editor whose end takes long (a slow disk, a starved machine; here held working 8 s) has stopped
// answering and still holds the single-instance lock: a start meanwhile waits for it, past any bound
// for a holder that may not listen, and opens its window once that end is through. The start after it
// hands over to it: one editor.
TEST_F(EditorAtTheDesktopsEdgeX11Test, AStartDuringASlowEndWaitsForItAndStaysTheOnlyEditor)
{
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    const X11Session& x = desktop.X();
    m_environment.Set("KIVO_E2E_HOLD_END", "8");
    ASSERT_NE(StartEditor(x), 0u) << "the editor's window did not open\n" << Log();
    const pid_t ending = m_editor;
    m_children.push_back(ending);
    ASSERT_EQ(::kill(ending, SIGTERM), 0);
    ASSERT_TRUE(Eventually([&] { return !TempFolder::ReadFile(m_state + "/ending").empty(); }, kBound)) << Log();

    StartProgram({}, "-DEBUG_CONSOLE");
    EXPECT_NE(WaitShown(x), 0u) << "the start opened no window\n" << Log();
    int raw = 0;
    EXPECT_EQ(::waitpid(ending, &raw, WNOHANG), ending) << "the start opened its window beside the ending editor";
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << raw;
    EXPECT_FALSE(TempFolder::ReadFile(m_state + "/held").empty());

    pid_t later = X11Session::Launch(KIVO_EDITOR, {}, m_home / "later.log");
    m_children.push_back(later);
    EXPECT_EQ(X11Session::WaitForExit(later, kBound), 0) << TempFolder::ReadFile(m_home / "later.log");
    EXPECT_EQ(x.Find(kMainTitle, [](pid_t) { return true; }).size(), 1u);
    ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
    EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0) << Log();
}

// A SIGTERM at the very first moments of the main routine, as the watch's thread starts or as the
// standard streams are seen to (strace delivers it on the first such system call), ends the editor with
// status 0 by its handler, never by the signal itself.
TEST_F(EditorAtTheDesktopsEdgeX11Test, ASigtermAsItsMainRoutineBeginsEndsItWithZero)
{
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    pid_t strace = X11Session::Launch("strace", {"-qq", "-o", "/dev/null", "true"}, m_home / "strace.log");
    ASSERT_EQ(X11Session::WaitForExit(strace, kBound), 0)
        << "strace must be installed (tools/setup) and allowed to trace\n"
        << TempFolder::ReadFile(m_home / "strace.log");
    // The leak checker of a sanitizer build cannot run under a tracer.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    m_environment.Set("ASAN_OPTIONS", std::string(sanitizer ? sanitizer : "") + ":detect_leaks=0");
    const struct {
        const char* name;
        const char* call;
    } rounds[] = {{"as the watch's thread starts", "clone3"}, {"as the standard streams are seen to", "fcntl"}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        StartProgram({"strace", "-f", "-qq", "-o", "/dev/null", "-e", std::string("trace=") + round.call, "-e",
                      std::string("inject=") + round.call + ":signal=TERM:when=1"});
        EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0) << Log();
        X11Session::Kill(m_editor);
    }
}

// Its X server stalls after SDL has taken X11 from a driver list, past a desktop driver whose display
// does not answer (no Wayland compositor): the line of the end the watch cuts after a SIGTERM names the
// X display SDL took, not the one tried first.
TEST_F(EditorAtTheDesktopsEdgeX11Test, AHeldEndNamesTheDisplaySdlTookFromItsDriverList)
{
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    m_environment.Set("SDL_VIDEODRIVER", "wayland,x11");
    m_environment.Set("WAYLAND_DISPLAY", "no-compositor");
    StartProgram();
    ASSERT_NE(WaitShown(desktop.X()), 0u) << "the editor's window did not open\n" << Log();
    desktop.Server().Stop();
    ASSERT_EQ(::kill(m_editor, SIGTERM), 0);
    EXPECT_EQ(X11Session::WaitForExit(m_editor, kEndBound), 0) << Log();
    desktop.Server().Resume();
    EXPECT_EQ(LinesWith(Log(), ": ended 1 s after a termination signal: its display \"" + desktop.Server().Display() +
                                   "\" did not answer")
                  .size(),
              1u)
        << Log();
}

// A termination signal closes the start-up error box (here a zenity stand-in that waits) and ends the
// start in order with status 0, whether the start failed before the application object was made (its
// string tables broken) or before its main window (a skin without the main control).
TEST_F(EditorAtTheDesktopsEdgeX11Test, ASignalClosesTheStartupErrorBoxAndEndsTheStart)
{
    PrivateDesktop desktop(m_home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(m_home / "xvfb.log");
    const std::filesystem::path built = std::filesystem::path(KIVO_SKINS_XML).parent_path();
    const std::string zenity = m_home / "zenity";
    TempFolder::WriteFile(zenity, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + m_state + "/box'\nexec sleep 600\n");
    ::chmod(zenity.c_str(), 0700);
    m_environment.Set("KX_ZENITY", zenity);
    const struct {
        const char* name;
        std::map<std::string, std::string> written; // over the built resources
        int signal;
    } rounds[] = {
        {"string tables broken", {{"StringTables.xml", "<broken"}}, SIGTERM},
        {"no main control",
         {{"Skins.xml", "<Velmora_Skin_Definitions Version=\"1\"><Skin Name=\"Skin1\"/></Velmora_Skin_Definitions>"}},
         SIGTERM},
        {"no main control, SIGHUP",
         {{"Skins.xml", "<Velmora_Skin_Definitions Version=\"1\"><Skin Name=\"Skin1\"/></Velmora_Skin_Definitions>"}},
         SIGHUP},
    };
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        const std::string resources = m_home / "resources";
        std::filesystem::remove_all(resources);
        std::filesystem::create_directory(resources);
        for (const char* name : {"Skins.xml", "StringTables.xml", "FrameworkStrings.xml"})
            std::filesystem::copy_file(built / name, resources + "/" + name);
        for (const auto& [name, text] : round.written)
            TempFolder::WriteFile(resources + "/" + name, text);
        ::unlink((m_state + "/box").c_str());
        EnvironmentGuard failing;
        failing.Set("KX_RESOURCE_DIR", resources);
        StartProgram();
        ASSERT_TRUE(Eventually(
            [&] { return TempFolder::ReadFile(m_state + "/box").find("--error\n") != std::string::npos; }, kBound))
            << "no start-up error box\n"
            << Log();
        const std::vector<pid_t> box = X11Session::ChildrenOf(m_editor);
        ASSERT_EQ(::kill(m_editor, round.signal), 0);
        EXPECT_EQ(X11Session::WaitForExit(m_editor, kEndBound), 0) << Log();
        X11Session::Kill(m_editor);
        EXPECT_EQ(LinesWith(Log(), "after a termination signal").size(), 0u) << Log();
        for (const pid_t child : box) {
            EXPECT_TRUE(Eventually([&] { return ::kill(child, 0) != 0 && errno == ESRCH; }, kEndBound))
                << "the box outlived the editor";
        }
    }
}

} // namespace
} // namespace KX::Test
