// The box program (kx-message-box) as a user answers it, on an X server of the test's own under a
// window manager: Return, Escape or the window's close button. Its exit is read as zenity's is: 0 for OK
// or Yes, 1 for No or a box closed unanswered.
#include "EnvironmentGuard.h"
#include "Eventually.h"
#include "PrivateXServer.h"
#include "TempFolder.h"
#include "X11Session.h"
#include "X11WindowManager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace KX::Test {
namespace {

constexpr auto kBound = std::chrono::seconds(30);

// A started program, ended and reaped with the object however the round ends.
struct Started {
    pid_t pid;
    ~Started() { X11Session::Kill(pid); }
};

TEST(MessageBoxProgram, AnswersReturnEscapeAndTheCloseButtonAsTheUserMeansThem)
{
    TempFolder home;
    EnvironmentGuard environment;
    // The window manager keeps its files in the test's folders.
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        environment.Set(variable, home.Path());
    PrivateDesktop desktop(home / "xvfb.log");
    ASSERT_TRUE(desktop.Up()) << TempFolder::ReadFile(home / "xvfb.log");
    const X11Session& x = desktop.X();
    // It gives the box the keyboard's focus, as a desktop does.
    const X11WindowManager windowManager(x, home / "openbox.log");
    ASSERT_TRUE(windowManager.Running());

    enum class Answer { Return, Escape, CloseButton };
    const struct {
        const char* kind;
        Answer answer;
        int status;
    } cases[] = {
        {"--info", Answer::Return, 0},
        // Escape is the OK button's too: an information box has no other answer (zenity's exits with 1,
        // which is read as OK all the same).
        {"--info", Answer::Escape, 0},
        {"--info", Answer::CloseButton, 1},
        // Yes is the default button, drawn as such, as zenity's question makes it.
        {"--question", Answer::Return, 0},
        {"--question", Answer::Escape, 1},
        {"--question", Answer::CloseButton, 1},
    };
    int round = 0;
    for (const auto& c : cases) {
        const std::string title = "Box " + std::to_string(++round);
        SCOPED_TRACE(title + ": " + c.kind +
                     (c.answer == Answer::Return   ? " Return"
                      : c.answer == Answer::Escape ? " Escape"
                                                   : " the close button"));
        const std::string log = home / "box.log";
        Started box{X11Session::Launch(KX_MESSAGE_BOX_PROGRAM,
                                       {c.kind, "--title=" + title, "--text=Replace the file?", "--no-markup"}, log)};
        Window window = 0;
        ASSERT_TRUE(Eventually([&] { return (window = x.FindShown(title, [](pid_t) { return true; })) != 0; }, kBound))
            << "no box\n"
            << TempFolder::ReadFile(log);
        if (c.answer == Answer::CloseButton) {
            x.Close(window);
        } else {
            // Typed to the box once the window manager has given it the keyboard.
            ASSERT_TRUE(Eventually([&] { return x.Focused() == window; }, kBound)) << "the box has no focus";
            Started xdotool{X11Session::Launch("xdotool", {"key", c.answer == Answer::Return ? "Return" : "Escape"},
                                               home / "xdotool.log")};
            ASSERT_EQ(X11Session::WaitForExit(xdotool.pid, kBound), 0) << TempFolder::ReadFile(home / "xdotool.log");
        }
        EXPECT_EQ(X11Session::WaitForExit(box.pid, kBound), c.status) << TempFolder::ReadFile(log);
    }
}

} // namespace
} // namespace KX::Test
