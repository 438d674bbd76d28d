// Why video cannot start, as the program says it when it ends without a desktop, over the displays and
// drivers a user may name, on X servers of the test's own: each reason says what is so.
#include "EnvironmentGuard.h"
#include "HeldDisplay.h"
#include "PrivateXServer.h"
#include "TempFolder.h"

#include "KXFramework/Platform/Window/VideoSystem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/un.h>

#include <optional>
#include <string>

namespace KX::Test {
namespace {

TEST(DesktopReachX11Test, EachReasonSaysWhatIsSo)
{
    TempFolder folder;
    PrivateXServer::WriteCookieFile(folder / "cookies");
    PrivateXServer working(folder / "xvfb.log");
    PrivateXServer guarded(folder / "guarded-xvfb.log", {"-auth", folder / "cookies"});
    const HeldDisplay dead;
    ASSERT_FALSE(working.Display().empty()) << TempFolder::ReadFile(folder / "xvfb.log");
    ASSERT_FALSE(guarded.Display().empty()) << TempFolder::ReadFile(folder / "guarded-xvfb.log");
    ASSERT_FALSE(dead.Name().empty()) << "no free display number";
    const std::string& w = working.Display();
    const std::string& g = guarded.Display();
    const std::string& d = dead.Name();
    const std::string sockets = folder.Path();
    const std::string longName(sizeof(sockaddr_un::sun_path), 'w');
    EnvironmentGuard environment;
    environment.Set("XAUTHORITY", folder / "no-cookies");
    environment.Set("XDG_RUNTIME_DIR", sockets);

    struct Round {
        const char* name;
        std::optional<std::string> display = std::nullopt;
        std::optional<std::string> driver = std::nullopt; // SDL_VIDEODRIVER
        std::optional<std::string> wayland = std::nullopt;
        bool runtimeFolder = true; // XDG_RUNTIME_DIR set
        std::string said;
    };
    const std::string noCompositor = "cannot open Wayland display \"kx-none\": no compositor answers at " + sockets +
                                     "/kx-none (No such file or directory)";
    const std::string noServer =
        "cannot open display \"" + d + "\": no X server answers there (No such file or directory)";
    const std::string refused = "the X server there refused this program (no authority to use it?)";
    const Round rounds[] = {
        {.name = "a screen the server lacks",
         .display = w + ".7",
         .said = "cannot open display \"" + w + ".7\": the X server there has no screen 7 (it has 1 screen)"},
        {.name = "a server without authority", .display = g, .said = "cannot open display \"" + g + "\": " + refused},
        {.name = "a screen of a server without authority",
         .display = g + ".1",
         .said = "cannot open display \"" + g + ".1\": " + refused},
        {.name = "no server at the number", .display = d, .said = noServer},
        {.name = "a line break in the name",
         .display = ":0\n1",
         .said = "cannot open display \":0?1\": that is not the name of a display"},
        {.name = "a misspelt driver",
         .display = w,
         .driver = "waylnd",
         .said = "cannot start video driver \"waylnd\" named by SDL_VIDEODRIVER: waylnd not available"},
        {.name = "wayland named, no Wayland display named",
         .display = w,
         .driver = "wayland",
         .said = "cannot start video driver \"wayland\" named by SDL_VIDEODRIVER: wayland not available"},
        {.name = "wayland named, no compositor at the Wayland display",
         .display = w,
         .driver = "wayland",
         .wayland = "kx-none",
         .said =
             "cannot start video driver \"wayland\" named by SDL_VIDEODRIVER: wayland not available; " + noCompositor},
        {.name = "x11 named, no server at the number",
         .display = d,
         .driver = "X11",
         .said = "cannot start video driver \"X11\" named by SDL_VIDEODRIVER: X11 not available; " + noServer},
        {.name = "no display, no compositor at the Wayland display",
         .wayland = "kx-none",
         .said = "cannot open display: DISPLAY is not set; " + noCompositor},
        {.name = "no folder for the Wayland display's socket",
         .wayland = "kx-none",
         .runtimeFolder = false,
         .said =
             "cannot open display: DISPLAY is not set; cannot open Wayland display \"kx-none\": XDG_RUNTIME_DIR, the "
             "folder of its socket, is not set"},
        {.name = "a Wayland display's socket path too long for a socket",
         .wayland = longName,
         .said = "cannot open display: DISPLAY is not set; cannot open Wayland display \"" + longName +
                 "\": the path of its socket is too long: " + sockets + "/" + longName},
    };
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.name);
        EnvironmentGuard named;
        for (const auto& [variable, value] : {std::pair{"DISPLAY", round.display},
                                              {"SDL_VIDEODRIVER", round.driver},
                                              {"WAYLAND_DISPLAY", round.wayland}}) {
            if (value)
                named.Set(variable, *value);
            else
                named.Clear(variable);
        }
        if (!round.runtimeFolder)
            named.Clear("XDG_RUNTIME_DIR");
        const bool started = Platform::VideoSystem::Start();
        if (started)
            Platform::VideoSystem::Stop();
        EXPECT_FALSE(started);
        EXPECT_EQ(Platform::VideoSystem::LastError(), round.said);
    }
    // An unknown host: the resolver's own words follow, which depend on the machine's network.
    EnvironmentGuard named;
    named.Set("DISPLAY", "nosuchhost.invalid:0");
    named.Clear("SDL_VIDEODRIVER");
    named.Clear("WAYLAND_DISPLAY");
    EXPECT_FALSE(Platform::VideoSystem::Start());
    EXPECT_THAT(Platform::VideoSystem::LastError(),
                testing::StartsWith("cannot open display \"nosuchhost.invalid:0\": the host \"nosuchhost.invalid\" "
                                    "is unknown ("));
}

} // namespace
} // namespace KX::Test
