#pragma once
// The X server as a test sees it from outside a program: top-level windows found by title and by the
// process that made them and closed as by their close button, pictures of windows saved as PNG, and
// started programs with their exit status. GoogleTest comes in before Xlib, whose macros (None, Bool) clash with its
// names.
#include "Eventually.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace KX::Test {

class X11Session {
public:
    struct ImageDeleter {
        void operator()(XImage* image) const { XDestroyImage(image); }
    };
    using Picture = std::unique_ptr<XImage, ImageDeleter>;

    X11Session()
    {
        m_display = XOpenDisplay(nullptr);
        // Windows come and go while they are looked at: a vanished one is skipped, not fatal.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~X11Session()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    Display* Get() const { return m_display; }
    Window Root() const { return DefaultRootWindow(m_display); }

    // The window's title as the desktop reads it (_NET_WM_NAME, UTF-8).
    std::string Name(Window window) const
    {
        std::string name;
        Property(window, "_NET_WM_NAME", XInternAtom(m_display, "UTF8_STRING", False), 256,
                 [&](int format, unsigned long items, unsigned char* data) {
                     if (format == 8)
                         name.assign(reinterpret_cast<const char*>(data), items);
                 });
        return name;
    }

    // The process that made the window (_NET_WM_PID); 0 when it does not say.
    pid_t Pid(Window window) const
    {
        pid_t pid = 0;
        Property(window, "_NET_WM_PID", XA_CARDINAL, 1, [&](int format, unsigned long items, unsigned char* data) {
            if (format == 32 && items == 1)
                pid = pid_t(*reinterpret_cast<unsigned long*>(data));
        });
        return pid;
    }

    // The top-level windows with that title whose process `owner` accepts: the root's children and,
    // under a window manager, the clients it frames. An X server shared with other test runs may still
    // show windows of a run that was killed.
    std::vector<Window> Find(const std::string& title, const std::function<bool(pid_t)>& owner) const
    {
        std::vector<Window> candidates = Children(Root());
        Property(Root(), "_NET_CLIENT_LIST", XA_WINDOW, 4096,
                 [&](int format, unsigned long items, unsigned char* data) {
                     if (format == 32)
                         candidates.insert(candidates.end(), reinterpret_cast<Window*>(data),
                                           reinterpret_cast<Window*>(data) + items);
                 });
        std::vector<Window> found;
        for (Window window : candidates)
            if (Name(window) == title && owner(Pid(window)) &&
                std::find(found.begin(), found.end(), window) == found.end())
                found.push_back(window);
        return found;
    }
    // The first such window that is shown; 0 while there is none.
    Window FindShown(const std::string& title, const std::function<bool(pid_t)>& owner) const
    {
        for (Window window : Find(title, owner)) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(m_display, window, &attributes) && attributes.map_state == IsViewable)
                return window;
        }
        return 0;
    }

    // The root's child that holds the window: its window manager's frame, or itself without one.
    Window TopLevelOf(Window window) const
    {
        for (;;) {
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(m_display, window, &root, &parent, &children, &count))
                return 0;
            if (children)
                XFree(children);
            if (parent == root || parent == 0)
                return window;
            window = parent;
        }
    }

    // The window that has the keyboard's focus; 0 for none.
    Window Focused() const
    {
        Window focused = 0;
        int revert = 0;
        XGetInputFocus(m_display, &focused, &revert);
        return focused == PointerRoot ? 0 : focused;
    }

    // The window's close button: the window manager's delete request, as it sends it.
    void Close(Window window) const
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, window, False, NoEventMask, &event);
        XFlush(m_display);
    }

    // Whether `upper` shows above `lower`: their top-level windows in the root's stacking order.
    bool IsAbove(Window upper, Window lower) const
    {
        const std::vector<Window> order = Children(Root()); // bottom first
        const auto at = [&](Window window) { return std::find(order.begin(), order.end(), TopLevelOf(window)); };
        return at(upper) != order.end() && at(lower) < at(upper);
    }

    // A part of the window; all of it when width is 0.
    Picture Grab(Window window, int x = 0, int y = 0, int width = 0, int height = 0) const
    {
        if (width == 0) {
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(m_display, window, &attributes))
                return nullptr;
            width = attributes.width;
            height = attributes.height;
        }
        return Picture(XGetImage(m_display, window, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap));
    }

    // The top-level window of that title the process made, once it is shown and painted (its first
    // rows take more colours than a blank window has: the editor's menu bar); 0 when it does not come
    // within the bound, or the process ends first.
    Window WaitPainted(const std::string& title, pid_t process, std::chrono::milliseconds bound) const
    {
        Window shown = 0;
        const bool painted = Eventually(
            [&] {
                siginfo_t ended{};
                if (::waitid(P_PID, id_t(process), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                    ended.si_pid == process) {
                    shown = 0;
                    return true;
                }
                shown = FindShown(title, [&](pid_t pid) { return pid == process; });
                const Picture bar = shown ? Grab(shown, 0, 0, 120, 20) : nullptr;
                std::set<unsigned long> colours;
                for (int y = 0; bar && y < bar->height; ++y)
                    for (int i = 0; i < bar->width; ++i)
                        colours.insert(XGetPixel(bar.get(), i, y));
                return colours.size() > 4;
            },
            bound);
        return painted ? shown : 0;
    }

    static bool Same(const Picture& a, const Picture& b)
    {
        if (!a || !b || a->width != b->width || a->height != b->height)
            return false;
        for (int y = 0; y < a->height; ++y)
            for (int x = 0; x < a->width; ++x)
                if (XGetPixel(a.get(), x, y) != XGetPixel(b.get(), x, y))
                    return false;
        return true;
    }

    static bool SavePng(const XImage& image, const std::string& path)
    {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
        unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                reinterpret_cast<uint32_t*>(data + y * stride)[x] =
                    uint32_t(XGetPixel(const_cast<XImage*>(&image), x, y) & 0xFFFFFF);
        cairo_surface_mark_dirty(surface);
        const bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(surface);
        return written;
    }

    // The parent of a process; 0 when it is gone.
    static pid_t ParentOf(pid_t process)
    {
        std::ifstream in("/proc/" + std::to_string(process) + "/stat");
        std::string line;
        std::getline(in, line);
        // "pid (name) state ppid ...": the name may hold blanks and parentheses, the last ')' ends it.
        const auto end = line.rfind(')');
        if (end == std::string::npos)
            return 0;
        char state = 0;
        int parent = 0;
        return std::sscanf(line.c_str() + end + 1, " %c %d", &state, &parent) == 2 ? pid_t(parent) : 0;
    }

    static std::vector<pid_t> ChildrenOf(pid_t process)
    {
        std::vector<pid_t> children;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
            const std::string name = entry.path().filename().string();
            if (process > 0 && name.find_first_not_of("0123456789") == std::string::npos &&
                ParentOf(pid_t(std::stoi(name))) == process)
                children.push_back(pid_t(std::stoi(name)));
        }
        return children;
    }

    // Starts program with its standard error in log.
    static pid_t Launch(const std::string& program, const std::vector<std::string>& arguments, const std::string& log)
    {
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            if (!std::freopen(log.c_str(), "w", stderr))
                _exit(126);
            execvp(program.c_str(), argv.data());
            _exit(127);
        }
        return child;
    }

    // The exit status, or 128 + the signal; -1 when the program did not end within the bound.
    static int WaitForExit(pid_t& child, std::chrono::milliseconds bound = std::chrono::seconds(30))
    {
        int status = 0;
        if (!Eventually([&] { return waitpid(child, &status, WNOHANG) == child; }, bound))
            return -1;
        child = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    static void Kill(pid_t& child)
    {
        if (child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            child = 0;
        }
    }

private:
    // Bottom first.
    std::vector<Window> Children(Window window) const
    {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        std::vector<Window> found;
        if (XQueryTree(m_display, window, &root, &parent, &children, &count) && children)
            found.assign(children, children + count);
        if (children)
            XFree(children);
        return found;
    }

    template <class Read>
    void Property(Window window, const char* name, Atom wanted, long length, Read read) const
    {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, left = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_display, window, XInternAtom(m_display, name, False), 0, length, False, wanted, &type,
                               &format, &items, &left, &data) == Success &&
            data) {
            read(format, items, data);
            XFree(data);
        }
    }

    Display* m_display = nullptr;
};

} // namespace KX::Test
