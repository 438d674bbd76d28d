#include "KXFramework/Platform/Window/DesktopReach.h"

#include <SDL.h>
#include <xcb/xcb.h>

#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace KX::Platform {

namespace {

constexpr int kX11TcpPort = 6000;
// A remote display that does not answer is given up after this.
constexpr time_t kProbeSeconds = 1;

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

// Whether an X server takes connections at the display, where Xlib looks for it: the local socket
// (abstract, then the file) or TCP port 6000 + its number on its host. errno says why not.
bool XServerAnswers(const std::string& host, int number)
{
    if (host.empty() || host == "unix") {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + 1, path.data(), path.size()); // abstract: a 0 first
        if (Answers(AF_UNIX, reinterpret_cast<const sockaddr*>(&address),
                    socklen_t(offsetof(sockaddr_un, sun_path) + 1 + path.size())))
            return true;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        return Answers(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), socklen_t(sizeof address));
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(kX11TcpPort + number).c_str(), &hints, &found) != 0) {
        errno = EHOSTUNREACH;
        return false;
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
    for (const addrinfo* at = found; at; at = at->ai_next)
        if (Answers(at->ai_family, at->ai_addr, at->ai_addrlen))
            return true;
    return false;
}

std::string WhyNoXServer(const char* display)
{
    char* host = nullptr;
    int number = 0;
    if (!xcb_parse_display(display, &host, &number, nullptr))
        return "that is not the name of a display";
    const std::unique_ptr<char, decltype(&std::free)> owned(host, &std::free);
    if (XServerAnswers(host, number))
        return "the X server there refused this program (no authority to use it?)";
    return std::string("no X server answers there (") + std::strerror(errno) + ")";
}

bool IsSet(const char* value)
{
    return value != nullptr && *value != '\0';
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

std::string WhyNoDesktop(const std::string& sdlError)
{
    if (const char* x = std::getenv("DISPLAY"); IsSet(x))
        return "cannot open display \"" + std::string(x) + "\": " + WhyNoXServer(x);
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); IsSet(wayland))
        return "cannot open Wayland display \"" + std::string(wayland) + "\": " + sdlError;
    return "cannot open display: DISPLAY is not set";
}

} // namespace KX::Platform
