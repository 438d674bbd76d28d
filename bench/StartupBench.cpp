// The editor as a program on the X server (run under xvfb-run): the time from starting the
// process to the first drawn frame of its main window, beside a bare program that opens an SDL2
// window of the same size and presents one Cairo-drawn frame the same way (goal: at most 1.5
// times its time); the time a second start takes from its start to its end once the running editor
// has taken its command line; the peak resident memory of the running editor (goal: at most 60 MB);
// and the CPU the idle editor uses over 10 s, or KX_BENCH_IDLE_SECONDS (goal: at most 1 % of one
// core). A window never drawn, or a second start that does not end with 0, ends it with status 1, at
// once when the program cannot be started or ends first.
//   kx_startup_bench <editor> [runs]      measures
//   kx_startup_bench --bare               is the bare program
#include "EditorEnvironment.h"
#include "IdleSeconds.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 772;
constexpr const char* kBareTitle = "Bare Startup Window";
constexpr const char* kEditorTitle = "Velmora Kivo 61 Preset Editor";

using Clock = std::chrono::steady_clock;

int RunBare()
{
    // Presented as the editor's windows are: the window surface shown through shared memory.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return 1;
    SDL_Window* window = SDL_CreateWindow(kBareTitle, 0, 0, kWidth, kHeight, SDL_WINDOW_SHOWN);
    SDL_Surface* surface = window ? SDL_GetWindowSurface(window) : nullptr;
    if (!surface)
        return 1;
    SDL_LockSurface(surface);
    cairo_surface_t* target = cairo_image_surface_create_for_data(static_cast<unsigned char*>(surface->pixels),
                                                                  CAIRO_FORMAT_RGB24, kWidth, kHeight, surface->pitch);
    cairo_t* cr = cairo_create(target);
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, kWidth, kHeight);
    cairo_pattern_add_color_stop_rgb(gradient, 0, 0.1, 0.1, 0.12);
    cairo_pattern_add_color_stop_rgb(gradient, 1, 0.8, 0.5, 0.2);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    cairo_move_to(cr, 10, 15);
    cairo_show_text(cr, "File  Help");
    cairo_destroy(cr);
    cairo_pattern_destroy(gradient);
    cairo_surface_destroy(target);
    SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(window);
    for (SDL_Event event; SDL_WaitEvent(&event);) {
        if (event.type == SDL_QUIT || (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE))
            break;
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

std::string Name(Display* display, Window window)
{
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, left = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 256, False,
                           XInternAtom(display, "UTF8_STRING", False), &type, &format, &items, &left,
                           &data) == Success &&
        data) {
        if (format == 8)
            name.assign(reinterpret_cast<const char*>(data), items);
        XFree(data);
    }
    return name;
}

// The viewable top-level window of that title whose picture has more than 16 colours: drawn.
Window FindDrawn(Display* display, const char* title)
{
    Window root = 0, parent = 0, found = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes{};
        if (Name(display, children[i]) != title || !XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        XImage* image = XGetImage(display, children[i], 0, 0, unsigned(attributes.width), unsigned(attributes.height),
                                  AllPlanes, ZPixmap);
        if (!image)
            continue;
        std::set<unsigned long> colours;
        for (int y = 5; y < image->height; y += 97)
            for (int x = 0; x < image->width; x += 7)
                colours.insert(XGetPixel(image, x, y));
        XDestroyImage(image);
        if (colours.size() > 16)
            found = children[i];
    }
    if (children)
        XFree(children);
    return found;
}

void Close(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

// "utime stime" of a process, in clock ticks.
double CpuTicks(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15)
            ticks += std::stod(field);
    }
    return ticks;
}

long PeakKilobytes(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

struct Run {
    double seconds = -1;
    std::vector<double> handOverSeconds;
    long peakKilobytes = -1;
    double idleCpuPercent = -1;
    std::string failure; // why no window was drawn or a second start failed; empty when all went well
};

// The program started: its process, or -1 with why in `failure`.
pid_t Launch(const std::vector<std::string>& command, std::string& failure)
{
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        failure = std::string("no pipe: ") + std::strerror(errno);
        return -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& part : command)
            argv.push_back(const_cast<char*>(part.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        const int error = errno;
        static_cast<void>(write(report[1], &error, sizeof error) == sizeof error); // nobody else to tell
        _exit(127);
    }
    close(report[1]);
    // The report's end closes at the exec; the errno comes when there was none.
    int error = 0;
    const bool started = read(report[0], &error, sizeof error) != sizeof error;
    close(report[0]);
    if (!started) {
        waitpid(child, nullptr, 0);
        failure = command[0] + " could not be started: " + std::strerror(error);
        return -1;
    }
    return child;
}

// Starts the program and waits for its drawn window; then times secondStarts starts of it beside it, each
// to its end, and with idleSeconds watches it idle. A program that cannot be started, or ends before its
// window is drawn, and a second start that does not end with 0, are failures at once.
Run Measure(Display* display, const std::vector<std::string>& command, const char* title, int secondStarts,
            double idleSeconds)
{
    Run run;
    const Clock::time_point start = Clock::now();
    const pid_t child = Launch(command, run.failure);
    if (child < 0)
        return run;
    int status = 0;
    Window window = 0;
    while (!(window = FindDrawn(display, title)) && Clock::now() - start < std::chrono::seconds(30)) {
        if (waitpid(child, &status, WNOHANG) == child) {
            run.failure = command[0] + " ended before its window was drawn, " +
                          (WIFEXITED(status) ? "with status " + std::to_string(WEXITSTATUS(status))
                                             : "by signal " + std::to_string(WTERMSIG(status)));
            return run;
        }
    }
    if (window) {
        run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        for (int i = 0; i < secondStarts && run.failure.empty(); ++i) {
            const Clock::time_point begun = Clock::now();
            const pid_t second = Launch(command, run.failure);
            if (second < 0)
                break;
            while (waitpid(second, &status, WNOHANG) != second) {
                if (Clock::now() - begun > std::chrono::seconds(30)) {
                    kill(second, SIGKILL);
                    waitpid(second, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
                run.handOverSeconds.push_back(std::chrono::duration<double>(Clock::now() - begun).count());
            else
                run.failure = "a second start did not hand over: status " + std::to_string(status);
        }
        if (idleSeconds > 0) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            const double before = CpuTicks(child);
            std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
            run.idleCpuPercent = 100.0 * (CpuTicks(child) - before) / double(sysconf(_SC_CLK_TCK)) / idleSeconds;
            run.peakKilobytes = PeakKilobytes(child);
        }
        Close(display, window);
    } else {
        run.failure = command[0] + " drew no window within 30 s";
        kill(child, SIGKILL);
    }
    const Clock::time_point end = Clock::now() + std::chrono::seconds(10);
    while (waitpid(child, &status, WNOHANG) != child) {
        if (Clock::now() > end) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0)
        return RunBare();
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <editor> [runs] (under xvfb-run)\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    // Windows come and go while they are looked at: a vanished one is skipped, not fatal.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    // The editor's settings and single-instance lock in folders of its own: an editor the user runs
    // takes no hand-over from it, and nothing stays behind.
    KX::Test::TempFolder home;
    KX::Test::EnvironmentGuard environment;
    KX::Test::IsolateEditorFolders(environment, home);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string self = "/proc/self/exe";
    char path[4096] = {};
    if (readlink(self.c_str(), path, sizeof path - 1) < 0)
        return 2;
    // Nothing to compare without a drawn window: the first failure ends the run, returning from main so
    // that the folders above are removed.
    const auto measure = [&](const std::vector<std::string>& command, const char* title, int secondStarts,
                             double idleSeconds) {
        Run run = Measure(display, command, title, secondStarts, idleSeconds);
        if (!run.failure.empty())
            throw std::runtime_error(run.failure);
        return run;
    };
    std::vector<double> editor, bare;
    const double idleSeconds = KX::Bench::IdleSeconds(10);
    Run idle, handedOver;
    try {
        for (int i = 0; i < runs; ++i) {
            editor.push_back(measure({argv[1]}, kEditorTitle, 0, 0).seconds);
            bare.push_back(measure({path, "--bare"}, kBareTitle, 0, 0).seconds);
        }
        handedOver = measure({argv[1]}, kEditorTitle, 6 * runs, 0);
        idle = measure({argv[1]}, kEditorTitle, 0, idleSeconds);
    } catch (const std::runtime_error& failure) {
        std::printf("%s: nothing to compare\n", failure.what());
        return 1;
    }
    XCloseDisplay(display);
    const double editorMs = Median(editor) * 1000, bareMs = Median(bare) * 1000;
    std::printf("first drawn frame, median of %d: editor %.1f ms, bare SDL2+Cairo window %.1f ms, ratio %.2f "
                "(goal <= 1.5)\n",
                runs, editorMs, bareMs, editorMs / bareMs);
    std::printf("a second start handed over to the running editor, start to end, median of %zu: %.1f ms\n",
                handedOver.handOverSeconds.size(), Median(handedOver.handOverSeconds) * 1000);
    std::printf("peak resident memory of the running editor: %.1f MB (goal <= 60)\n", idle.peakKilobytes / 1024.0);
    std::printf("CPU of the idle editor over %.1f s: %.2f %% of one core (goal <= 1)\n", idleSeconds,
                idle.idleCpuPercent);
    return 0;
}
