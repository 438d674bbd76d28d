#include "KXFramework/Platform/Dialogs/NativeWindow.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <vector>

// Last: Xlib's macros (None, Bool, Status) clash with names in the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace KX::Platform {

namespace {

bool X11Info(uint32_t sdlWindowId, SDL_SysWMinfo& info)
{
    SDL_Window* window = sdlWindowId != 0 ? SDL_GetWindowFromID(sdlWindowId) : nullptr;
    SDL_VERSION(&info.version);
    return window != nullptr && SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11;
}

XErrorHandler g_previousErrorHandler = nullptr;

// Another program's window may go at any moment: a request about it then fails, which Xlib's (and
// SDL's) handlers would answer by ending this process.
int IgnoreVanishedWindow(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow)
        return 0;
    return g_previousErrorHandler ? g_previousErrorHandler(display, error) : 0;
}

// The windows a program may have made its top-level ones: the root's children (where a window waits
// until a window manager frames it, and stays without one) and the window manager's clients.
std::vector<Window> TopLevelWindows(Display* display)
{
    std::vector<Window> windows;
    Window root = DefaultRootWindow(display);
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count) && children != nullptr)
        windows.assign(children, children + count);
    if (children != nullptr)
        XFree(children);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, root, XInternAtom(display, "_NET_CLIENT_LIST", False), 0, 4096, False, XA_WINDOW,
                           &type, &format, &items, &left, &data) == Success &&
        data != nullptr && format == 32) {
        const auto* clients = reinterpret_cast<const Window*>(data);
        windows.insert(windows.end(), clients, clients + items);
    }
    if (data != nullptr)
        XFree(data);
    return windows;
}

// The process that made the window (_NET_WM_PID); 0 when it does not say.
long ProcessOf(Display* display, Window window, Atom pidAtom)
{
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &left, &data) ==
            Success &&
        data != nullptr && format == 32 && items == 1)
        pid = static_cast<long>(*reinterpret_cast<const unsigned long*>(data));
    if (data != nullptr)
        XFree(data);
    return pid;
}

} // namespace

std::string NativeWindowOf(uint32_t sdlWindowId)
{
    SDL_SysWMinfo info;
    return X11Info(sdlWindowId, info) ? std::to_string(info.info.x11.window) : std::string();
}

bool KeepAboveOwner(int process, uint32_t sdlWindowId)
{
    SDL_SysWMinfo info;
    if (process <= 0 || !X11Info(sdlWindowId, info))
        return false;
    Display* display = info.info.x11.display;
    // Errors of earlier requests reach the handler they were made under.
    XSync(display, False);
    g_previousErrorHandler = XSetErrorHandler(IgnoreVanishedWindow);
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    bool kept = false;
    for (const Window window : TopLevelWindows(display)) {
        if (ProcessOf(display, window, pidAtom) != process)
            continue;
        Window parent = 0;
        if (!XGetTransientForHint(display, window, &parent))
            XSetTransientForHint(display, window, info.info.x11.window);
        XWindowAttributes attributes{};
        kept = kept || (XGetWindowAttributes(display, window, &attributes) && attributes.map_state != IsUnmapped);
    }
    XSync(display, False);
    XSetErrorHandler(g_previousErrorHandler);
    return kept;
}

} // namespace KX::Platform
