// The editor where zenity cannot run (KX_ZENITY names no program), on an X server of the test's own
// under openbox: its boxes come from the box program beside it. The load chooser fails, and the box that
// says so is the one the tests work with. The box ends with the editor however the editor ends and keeps
// nothing of it, so the next start opens its window; a second start while it is up hands over, and the
// box stays above the editor's window. The start-up error box holds no lock: a start meanwhile runs as a
// first.
#include "EditorEnvironment.h"
#include "EnvironmentGuard.h"
#include "Eventually.h"
#include "PrivateXServer.h"
#include "TempFolder.h"
#include "X11Session.h"
#include "X11WindowManager.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

constexpr auto kBound = std::chrono::seconds(30);
constexpr const char* kMainTitle = "Velmora Kivo 61 Preset Editor";
constexpr const char* kBoxTitle = "File Dialog Error";

class EditorWithoutZenityX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        IsolateX11EditorEnvironment(m_environment, m_home, m_state, KX_TEST_FONTS_CONF);
        m_environment.Set("KX_ZENITY", m_home / "no-zenity");
        ASSERT_FALSE(m_server.Display().empty()) << TempFolder::ReadFile(m_home / "xvfb.log");
        m_environment.Set("DISPLAY", m_server.Display());
        m_x = std::make_unique<X11Session>();
        ASSERT_NE(m_x->Get(), nullptr);
        m_windowManager = std::make_unique<X11WindowManager>(*m_x, m_home / "openbox.log");
        ASSERT_TRUE(m_windowManager->Running());
    }
    void TearDown() override
    {
        X11Session::Kill(m_editor);
        X11Session::Kill(m_second);
        for (pid_t process : ProcessesOnThisDisplay())
            ::kill(process, SIGKILL); // orphans of a failed round
        m_windowManager.reset();
        m_x.reset();
    }

    std::string Log() const { return TempFolder::ReadFile(m_home / "editor.log"); }

    pid_t Start(const std::string& log) { return X11Session::Launch(KIVO_EDITOR, {"-DEBUG_CONSOLE"}, log); }

    // The process's main window once it is shown and painted; 0 when it does not come, or the process
    // ends first.
    Window WaitShown(pid_t process) { return m_x->WaitPainted(kMainTitle, process, kBound); }

    bool Xdo(const std::vector<std::string>& arguments)
    {
        pid_t child = X11Session::Launch("xdotool", arguments, m_home / "xdotool.log");
        const int status = X11Session::WaitForExit(child, kBound);
        X11Session::Kill(child);
        return status == 0;
    }

    // The box that tells the load chooser could not start, opened with Ctrl+O; 0 when it does not show.
    Window OpenBox(Window main)
    {
        if (!Xdo({"windowfocus", "--sync", std::to_string(main)}) || !Xdo({"key", "--delay", "50", "ctrl+o"}))
            return 0;
        Window box = 0;
        Eventually([&] { return (box = FindBox()) != 0; }, kBound);
        return box;
    }
    Window FindBox() const
    {
        return m_x->FindShown(kBoxTitle, [](pid_t) { return true; }); // SDL's box names no process
    }

    // The processes of the editor and of the box program on this test's display: an editor, the box
    // program it started, and any copy of either made by fork.
    std::vector<pid_t> ProcessesOnThisDisplay() const
    {
        const std::filesystem::path editor(KIVO_EDITOR);
        const std::filesystem::path box = editor.parent_path() / std::string("kx-message-box");
        const std::string display = "DISPLAY=" + m_server.Display();
        std::vector<pid_t> found;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
            const std::filesystem::path program = std::filesystem::read_symlink(entry.path() / "exe", error);
            if (program != editor && program != box)
                continue;
            const std::string environment = TempFolder::ReadFile(entry.path() / "environ");
            if (environment.find('\0' + display + '\0') != std::string::npos ||
                environment.compare(0, display.size() + 1, display + '\0') == 0)
                found.push_back(pid_t(std::stoi(entry.path().filename().string())));
        }
        return found;
    }

    TempFolder m_home;
    const std::string m_state = m_home / "state";
    EnvironmentGuard m_environment;
    PrivateXServer m_server{m_home / "xvfb.log"};
    std::unique_ptr<X11Session> m_x;
    std::unique_ptr<X11WindowManager> m_windowManager;
    pid_t m_editor = 0;
    pid_t m_second = 0;
};

// SIGTERM (a logout) or kill -9 of the editor with its box up: the editor ends as ever, and the box, the
// editor's window and every process of the editor or its box (the box program and SDL's copy of it) are
// gone within about a second; 3 s is the bound asserted. Each round's start is the next start after the one before it,
// and one more start follows the last: none is kept from opening its window.
TEST_F(EditorWithoutZenityX11Test, TheBoxEndsWithTheEditorAndTheNextStartOpensItsWindow)
{
    constexpr auto kGoneBound = std::chrono::seconds(3);
    const struct {
        const char* name;
        int signal;
        int status;
    } rounds[] = {{"SIGTERM", SIGTERM, 0}, {"kill -9", SIGKILL, 128 + SIGKILL}, {"SIGTERM again", SIGTERM, 0}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        m_editor = Start(m_home / "editor.log");
        const Window main = WaitShown(m_editor);
        ASSERT_NE(main, 0u) << "the editor's window did not open\n" << Log();
        ASSERT_NE(OpenBox(main), 0u) << "no box\n" << Log();

        const pid_t editor = m_editor;
        ASSERT_EQ(::kill(editor, round.signal), 0);
        int status = -1;
        const auto gone = [&] {
            if (m_editor > 0 && ::waitpid(m_editor, &status, WNOHANG) == m_editor)
                m_editor = 0;
            return m_editor == 0 && FindBox() == 0 && ProcessesOnThisDisplay().empty() &&
                   m_x->Find(kMainTitle, [&](pid_t pid) { return pid == editor; }).empty();
        };
        EXPECT_TRUE(Eventually(gone, kGoneBound))
            << "left: " << (m_editor ? "the editor " : "") << (FindBox() ? "the box " : "")
            << ProcessesOnThisDisplay().size() << " processes of the editor or its box\n"
            << Log();
        X11Session::Kill(m_editor);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), round.status) << Log();
        if (HasFailure())
            return;
    }
    m_editor = Start(m_home / "editor.log");
    EXPECT_NE(WaitShown(m_editor), 0u) << "the start after the last round opened no window\n" << Log();
}

// A second start while the box is up hands its command line over and ends with 0, opening no window;
// the editor's window comes up from under another, and the box, its dialog, stays above it.
TEST_F(EditorWithoutZenityX11Test, ASecondStartWhileTheBoxIsUpHandsOverAndTheBoxStaysAbove)
{
    m_editor = Start(m_home / "editor.log");
    const Window main = WaitShown(m_editor);
    ASSERT_NE(main, 0u) << "the editor's window did not open\n" << Log();
    const Window box = OpenBox(main);
    ASSERT_NE(box, 0u) << "no box\n" << Log();
    Window owner = 0;
    EXPECT_TRUE(XGetTransientForHint(m_x->Get(), box, &owner) && owner == main) << "the box is not the window's";
    EXPECT_TRUE(Eventually([&] { return m_x->IsAbove(box, main); }, kBound)) << "the box is under the window";

    // The test's own window over the whole screen.
    Display* display = m_x->Get();
    const Window cover = XCreateSimpleWindow(display, m_x->Root(), 0, 0, unsigned(DisplayWidth(display, 0)),
                                             unsigned(DisplayHeight(display, 0)), 0, 0, 0);
    XMapRaised(display, cover);
    ASSERT_TRUE(Eventually([&] { return m_x->IsAbove(cover, box); }, kBound));

    m_second = Start(m_home / "second.log");
    EXPECT_EQ(X11Session::WaitForExit(m_second, kBound), 0) << TempFolder::ReadFile(m_home / "second.log");
    EXPECT_TRUE(Eventually([&] { return m_x->IsAbove(main, cover); }, kBound)) << "not brought to the front";
    EXPECT_TRUE(Eventually([&] { return m_x->IsAbove(box, main); }, kBound)) << "the box is under the editor's window";
    EXPECT_EQ(m_x->Find(kMainTitle, [&](pid_t pid) { return pid != m_editor; }).size(), 0u) << "a second editor";
}

// A start that fails after it has taken the single-instance lock (a skin without the main control) shows
// the start-up error box, here a zenity stand-in that waits; a start meanwhile runs as the first and
// opens its window.
TEST_F(EditorWithoutZenityX11Test, AStartWhileTheStartupErrorBoxIsUpRunsAsTheFirst)
{
    const std::string resources = m_home / "resources";
    std::filesystem::create_directory(resources);
    const std::filesystem::path built = std::filesystem::path(KIVO_SKINS_XML).parent_path();
    for (const char* name : {"StringTables.xml", "FrameworkStrings.xml"})
        std::filesystem::copy_file(built / name, resources + "/" + name);
    TempFolder::WriteFile(resources + "/Skins.xml", "<Velmora_Skin_Definitions Version=\"1\"><Skin Name=\"Skin1\"/>"
                                                    "</Velmora_Skin_Definitions>");
    const std::string zenity = m_home / "zenity";
    TempFolder::WriteFile(zenity, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + m_state + "/box'\nexec sleep 600\n");
    ::chmod(zenity.c_str(), 0700);
    m_environment.Set("KX_ZENITY", zenity);
    {
        EnvironmentGuard failing;
        failing.Set("KX_RESOURCE_DIR", resources);
        m_editor = Start(m_home / "editor.log");
    }
    ASSERT_TRUE(Eventually(
        [&] { return TempFolder::ReadFile(m_state + "/box").find("--error\n") != std::string::npos; }, kBound))
        << "no start-up error box\n"
        << Log();

    m_second = Start(m_home / "second.log");
    EXPECT_NE(WaitShown(m_second), 0u) << "the start meanwhile opened no window\n"
                                       << TempFolder::ReadFile(m_home / "second.log");
    ASSERT_EQ(::kill(m_second, SIGTERM), 0);
    EXPECT_EQ(X11Session::WaitForExit(m_second, kBound), 0) << TempFolder::ReadFile(m_home / "second.log");
}

} // namespace
} // namespace KX::Test
