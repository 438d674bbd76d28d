#include "KXFramework/Platform/Window/DesktopReach.h"

#include "KXFramework/Platform/Window/VideoSystem.h"

#include <SDL.h>
#include <xcb/xcb.h>

#include <netdb.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

namespace KX::Platform {

namespace {

constexpr int kX11TcpPort = 6000;
// A remote display that does not answer is given up after this.
constexpr time_t kProbeSeconds = 1;

bool IsSet(const char* value)
{
    return value != nullptr && *value != '\0';
}

// Whether something takes a connection at the address; errno says why not.
bool Answers(int family, const sockaddr* address, socklen_t length)
{
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const timeval bound{kProbeSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound); // bounds connect too
    const bool connected = ::connect(fd, address, length) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return connected;
}

// Why no X server takes connections at the display where Xlib looks for it: the local socket
// (abstract, then the file) or TCP port 6000 + its number on its host. Empty when one does.
std::string WhyNoXServerAnswers(const std::string& host, int number)
{
    if (host.empty() || host == "unix") {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + 1, path.data(), path.size()); // abstract: a 0 first
        if (Answers(AF_UNIX, reinterpret_cast<const sockaddr*>(&address),
                    socklen_t(offsetof(sockaddr_un, sun_path) + 1 + path.size())))
            return {};
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        if (Answers(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), socklen_t(sizeof address)))
            return {};
    } else {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (const int failed =
                ::getaddrinfo(host.c_str(), std::to_string(kX11TcpPort + number).c_str(), &hints, &found);
            failed != 0)
            return "the host \"" + host + "\" is unknown (" +
                   (failed == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(failed)) + ")";
        const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
        for (const addrinfo* at = found; at; at = at->ai_next)
            if (Answers(at->ai_family, at->ai_addr, at->ai_addrlen))
                return {};
    }
    return std::string("no X server answers there (") + std::strerror(errno) + ")";
}

// How many screens the X server at the display has; 0 when it does not take this program. A server
// that refuses has xcb write its reason to standard error, as it did for SDL's attempt.
int ScreensAt(const char* display)
{
    xcb_connection_t* connection = xcb_connect(display, nullptr); // no screen asked for: any will do
    const int screens = xcb_connection_has_error(connection) ? 0 : xcb_setup_roots_length(xcb_get_setup(connection));
    xcb_disconnect(connection);
    return screens;
}

std::string WhyNoXServer(const char* display)
{
    char* host = nullptr;
    int number = 0;
    int screen = 0;
    if (!xcb_parse_display(display, &host, &number, &screen))
        return "that is not the name of a display";
    const std::unique_ptr<char, decltype(&std::free)> owned(host, &std::free);
    if (std::string why = WhyNoXServerAnswers(host, number); !why.empty())
        return why;
    // Xlib fails a screen the server lacks without a word. The first screen is always there: the server
    // is asked only about another, so that a refusal's reason is not written twice for the usual display.
    if (screen > 0) {
        const int screens = ScreensAt(display);
        if (screens > 0 && screen >= screens)
            return "the X server there has no screen " + std::to_string(screen) + " (it has " +
                   std::to_string(screens) + (screens == 1 ? " screen)" : " screens)");
    }
    return "the X server there refused this program (no authority to use it?)";
}

// Why no Wayland compositor takes this program at the display: a socket in XDG_RUNTIME_DIR, or the
// absolute path the name gives, as libwayland looks for it.
std::string WhyNoCompositor(const std::string& name, const std::string& sdlError)
{
    const bool absolute = name.front() == '/';
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (!absolute && !IsSet(folder))
        return "XDG_RUNTIME_DIR, the folder of its socket, is not set";
    const std::string path = absolute ? name : std::string(folder) + "/" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return "the path of its socket is too long: " + path;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (Answers(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), socklen_t(sizeof address)))
        return "a compositor answers at " + path + ", but SDL cannot use it (" + sdlError + ")";
    return "no compositor answers at " + path + " (" + std::strerror(errno) + ")";
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool HasDriver(const std::string& name)
{
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i)
        if (::strcasecmp(SDL_GetVideoDriver(i), name.c_str()) == 0)
            return true;
    return false;
}

// The driver SDL takes from a list as SDL_VIDEODRIVER holds one, in lower case, walking it as SDL does:
// names it lacks are passed over, and so are dummy and evdev unless they are the whole list, as
// written; offscreen is taken anywhere. A desktop driver counts as taken, though SDL goes on to the
// next name when its display does not answer. Empty when SDL takes none.
std::string DriverTaken(const std::string& drivers)
{
    std::istringstream names(drivers);
    for (std::string name; std::getline(names, name, ',');) {
        const std::string lower = Lower(name);
        if ((lower == "dummy" || lower == "evdev") && drivers != lower)
            continue;
        if (HasDriver(lower))
            return lower;
    }
    return {};
}

bool ShowsNothing(const std::string& driver)
{
    return driver == "dummy" || driver == "evdev" || driver == "offscreen";
}

// Control characters from the environment would break the line the user reads.
std::string OneLine(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }, '?');
    return text;
}

} // namespace

std::string DesktopVideoDrivers()
{
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const std::string name = SDL_GetVideoDriver(i);
        if (name == "x11" || name == "wayland")
            drivers += (drivers.empty() ? "" : ",") + name;
    }
    return drivers;
}

bool ShowsNothing()
{
    // Before video is up, the driver SDL will take.
    const std::string current = VideoSystem::DriverName();
    const char* named = std::getenv("SDL_VIDEODRIVER");
    return ShowsNothing(!current.empty() ? Lower(current) : IsSet(named) ? DriverTaken(named) : "");
}

std::string DisplayTried(const std::string& drivers)
{
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const std::string driver = DriverTaken(drivers);
    const bool sdlChooses = drivers.empty();
    if (driver == "x11" || (sdlChooses && IsSet(x)))
        return "display \"" + std::string(x ? x : "") + "\"";
    if (driver == "wayland" || (sdlChooses && IsSet(wayland)))
        return "Wayland display \"" + std::string(IsSet(wayland) ? wayland : "wayland-0") + "\"";
    return "";
}

std::string WhyNoDesktop(const std::string& sdlError)
{
    const char* named = std::getenv("SDL_VIDEODRIVER");
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    std::string why;
    const auto add = [&why](const std::string& reason) { why += (why.empty() ? "" : "; ") + reason; };
    if (IsSet(named))
        add("cannot start video driver \"" + std::string(named) + "\" named by SDL_VIDEODRIVER: " + sdlError);
    // Then why each desktop SDL tried failed, where the environment names its display.
    std::istringstream tried(IsSet(named) ? named : DesktopVideoDrivers());
    for (std::string driver; std::getline(tried, driver, ',');) {
        if (::strcasecmp(driver.c_str(), "x11") == 0)
            add(IsSet(x) ? "cannot open display \"" + std::string(x) + "\": " + WhyNoXServer(x)
                         : "cannot open display: DISPLAY is not set");
        else if (::strcasecmp(driver.c_str(), "wayland") == 0 && IsSet(wayland))
            add("cannot open Wayland display \"" + std::string(wayland) + "\": " + WhyNoCompositor(wayland, sdlError));
    }
    return OneLine(why.empty() ? sdlError : why);
}

} // namespace KX::Platform
