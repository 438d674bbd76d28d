// The editor started as a program on the X server (Xvfb in CI), in fresh home folders: its main
// window appears with its title and its fixed client size and draws the menu bar and the device
// picture; closed by its close button it ends with status 0. With KX_SCREENSHOT_DIR set, the
// window's picture is left there as editor-main.png for a person to look at.
#include "EnvironmentGuard.h"
#include "Eventually.h"
#include "HeldDisplay.h"
#include "PrivateXServer.h"
#include "TempFolder.h"
#include "X11Session.h"
#include "X11WindowManager.h"

#include "KXFramework/Platform/Folders/ProfileStore.h"
#include "KXFramework/Platform/Folders/WindowPlacement.h"

#include <X11/extensions/XTest.h>

#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace KX::Test {
namespace {

constexpr const char* kTitle = "Velmora Kivo 61 Preset Editor";
// The single-instance files in $XDG_RUNTIME_DIR.
constexpr const char* kInstanceName = "Velmora_Kivo 61 Preset EditorPrevent";

// A blocking Unix-domain stream socket, closed with the object.
class Socket {
public:
    Socket() : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Get() const { return m_fd; }

    bool Connect(const std::string& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.data(), std::min(path.size(), sizeof(address.sun_path) - 1));
        return ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    bool Send(const std::vector<uint8_t>& bytes) const
    {
        return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    // Bytes sent that the peer has not read yet.
    int Unread() const
    {
        int bytes = -1;
        return ::ioctl(m_fd, SIOCOUTQ, &bytes) == 0 ? bytes : -1;
    }
    // Whether something came, or the peer closed, within the bound.
    bool Readable(std::chrono::milliseconds bound) const
    {
        pollfd entry{m_fd, POLLIN, 0};
        return ::poll(&entry, 1, int(bound.count())) == 1;
    }

private:
    int m_fd;
};

class EditorX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(m_display, nullptr) << "needs an X display (xvfb-run)";
        for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
            const std::string folder = m_home / variable;
            ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
            m_environment.Set(variable, folder);
        }
        m_environment.Set("SDL_VIDEODRIVER", "x11");
        // The tests' own fonts: the same picture everywhere.
        m_environment.Set("FONTCONFIG_FILE", KX_TEST_FONTS_CONF);
        m_environment.Clear("KX_RESOURCE_DIR");
    }
    void TearDown() override { X11Session::Kill(m_child); }

    void Start() { m_child = Launch(m_home / "editor.log"); }

    static pid_t Launch(const std::string& log) { return X11Session::Launch(KIVO_EDITOR, {"--from-second"}, log); }

    // The top-level windows with the editor's title that the process made. An X server shared with
    // other test runs may still show an editor of a run that was killed.
    int CountEditorWindows(pid_t process)
    {
        return int(m_x.Find(kTitle, [&](pid_t pid) { return pid == process; }).size());
    }

    // The top-level window with the editor's title that the started editor made; 0 while there is none.
    Window FindEditorWindow()
    {
        const std::vector<Window> found = m_x.Find(kTitle, [&](pid_t pid) { return pid == m_child; });
        return found.empty() ? 0 : found.front();
    }

    XImage* Grab(Window window, const XWindowAttributes& attributes)
    {
        return XGetImage(m_display, window, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes,
                         ZPixmap);
    }

    // The window's colours in a few rows across the menu bar and the device picture.
    static std::set<unsigned long> Colours(XImage* image)
    {
        std::set<unsigned long> colours;
        for (int y : {5, 11, 200, 400, 600})
            for (int x = 0; x < image->width && y < image->height; x += 3)
                colours.insert(XGetPixel(image, x, y) & 0xFFFFFF);
        return colours;
    }

    // Shown and drawn: the menu bar and the picture give the window many colours, a blank one has one.
    bool WaitDrawn(Window window)
    {
        return Eventually(
            [&] {
                XWindowAttributes attributes{};
                XImage* image = nullptr;
                if (!XGetWindowAttributes(m_display, window, &attributes) || attributes.map_state != IsViewable ||
                    !(image = Grab(window, attributes)))
                    return false;
                const bool drawn = Colours(image).size() > 16;
                XDestroyImage(image);
                return drawn;
            },
            std::chrono::seconds(30));
    }

    static void SavePng(XImage* image, const std::string& path) { EXPECT_TRUE(X11Session::SavePng(*image, path)); }

    void MoveTo(Window window, int x, int y)
    {
        Window child = 0;
        int screenX = 0, screenY = 0;
        XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), x, y, &screenX, &screenY, &child);
        XTestFakeMotionEvent(m_display, DefaultScreen(m_display), screenX, screenY, CurrentTime);
        XSync(m_display, False);
    }

    // The pointer to a corner of the screen that the window leaves free (it is smaller than the screen),
    // so that no hover is left over from an earlier run on the same X server.
    void MoveOutside(Window window, const XWindowAttributes& attributes)
    {
        Window child = 0;
        int x = 0, y = 0;
        XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), 0, 0, &x, &y, &child);
        const int width = DisplayWidth(m_display, DefaultScreen(m_display));
        const int height = DisplayHeight(m_display, DefaultScreen(m_display));
        for (auto [cornerX, cornerY] : {std::pair{0, 0}, {width - 1, height - 1}, {width - 1, 0}, {0, height - 1}}) {
            if (cornerX < x || cornerX >= x + attributes.width || cornerY < y || cornerY >= y + attributes.height) {
                XTestFakeMotionEvent(m_display, DefaultScreen(m_display), cornerX, cornerY, CurrentTime);
                XSync(m_display, False);
                return;
            }
        }
        ADD_FAILURE() << "the window covers every corner of the screen";
    }

    // The File title shows its hover look: its background is not the one of the Help title beside it.
    bool FileTitleLit(Window window)
    {
        XImage* image = XGetImage(m_display, window, 0, 0, 60, 8, AllPlanes, ZPixmap);
        if (!image)
            return false;
        const bool lit = XGetPixel(image, 3, 3) != XGetPixel(image, 55, 3);
        XDestroyImage(image);
        return lit;
    }

    // A left click at a point of the window, through the X server's test input as a user's.
    void Click(Window window, int x, int y)
    {
        MoveTo(window, x, y);
        XTestFakeButtonEvent(m_display, Button1, True, CurrentTime);
        XTestFakeButtonEvent(m_display, Button1, False, CurrentTime);
        XSync(m_display, False);
    }

    // The exit status; -1 when the program did not end within the bound.
    int WaitForExit() { return X11Session::WaitForExit(m_child); }

    std::string Log() const { return TempFolder::ReadFile(m_home / "editor.log"); }
    std::string SocketPath() const { return m_home / ("XDG_RUNTIME_DIR/" + std::string(kInstanceName) + ".sock"); }

    X11Session m_x;
    Display* m_display = m_x.Get();
    pid_t m_child = 0;
    TempFolder m_home;
    EnvironmentGuard m_environment;
};

TEST_F(EditorX11Test, TheMainWindowShowsTheMenuAndTheDevicePictureAndItsCloseButtonEndsTheProgramWithZero)
{
    // Where the last run left the window: its client area at (40, 100).
    Platform::WindowPlacementRecord saved;
    saved.left = 40;
    saved.top = 100;
    saved.right = 40 + 1200;
    saved.bottom = 100 + 772;
    ASSERT_TRUE(Platform::WriteProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP",
                                             Platform::SerializeWindowPlacement(saved)));
    Start();
    Window window = 0;
    ASSERT_TRUE(Eventually([&] { return (window = FindEditorWindow()) != 0; }, std::chrono::seconds(30))) << Log();
    XWindowAttributes attributes{};
    ASSERT_TRUE(Eventually(
        [&] { return XGetWindowAttributes(m_display, window, &attributes) && attributes.map_state == IsViewable; }));
    EXPECT_EQ(attributes.width, 1200);
    EXPECT_EQ(attributes.height, 772);
    Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), 0, 0, &x, &y, &child);
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 100);

    // Drawn: the menu bar and the picture give the window many colours, a blank one has one.
    XImage* image = nullptr;
    ASSERT_TRUE(Eventually([&] {
        if (image)
            XDestroyImage(image);
        image = Grab(window, attributes);
        return image && Colours(image).size() > 16;
    })) << Log();
    if (const char* folder = std::getenv("KX_SCREENSHOT_DIR"))
        SavePng(image, std::string(folder) + "/editor-main.png");
    XDestroyImage(image);

    m_x.Close(window);
    EXPECT_EQ(WaitForExit(), 0) << Log();
}

// The File menu opens below its title; its last item, Exit, ends the program with status 0.
TEST_F(EditorX11Test, FileExitFromTheMenuEndsTheProgramWithZero)
{
    Start();
    Window window = 0;
    ASSERT_TRUE(Eventually([&] { return (window = FindEditorWindow()) != 0; }, std::chrono::seconds(30))) << Log();
    XWindowAttributes attributes{};
    XImage* before = nullptr;
    ASSERT_TRUE(Eventually([&] {
        if (before)
            XDestroyImage(before);
        before = nullptr;
        return XGetWindowAttributes(m_display, window, &attributes) && attributes.map_state == IsViewable &&
               (before = Grab(window, attributes)) && Colours(before).size() > 16;
    })) << Log();
    // The picture to compare with is taken with the pointer away from the window.
    MoveOutside(window, attributes);
    ASSERT_TRUE(Eventually([&] {
        XDestroyImage(before);
        before = Grab(window, attributes);
        return before && !FileTitleLit(window);
    })) << Log();

    // The title lights up under the pointer once the window follows it; then it takes the click.
    MoveTo(window, 24, 11);
    ASSERT_TRUE(Eventually([&] { return FileTitleLit(window); })) << Log();
    // The menu is drawn over the window from its left edge. Its bottom is the lowest changed row in the
    // window's left margin, where nothing else changes (the start-up values may still be arriving in the
    // tiles); its frame's bottom line runs in one colour to its right end. Measured alike on two grabs in a
    // row, so that the whole menu has reached the screen before its last row is clicked.
    Click(window, 24, 11);
    int left = 0, right = -1, bottom = -1, seenRight = -2, seenBottom = -2;
    ASSERT_TRUE(Eventually([&] {
        XImage* after = Grab(window, attributes);
        if (!after)
            return false;
        bottom = -1;
        for (int y = 30; y < attributes.height; ++y)
            for (int x = 0; x < 16; ++x)
                if (XGetPixel(after, x, y) != XGetPixel(before, x, y))
                    bottom = y;
        right = -1;
        if (bottom > 120)
            for (right = 0;
                 right + 1 < attributes.width && XGetPixel(after, right + 1, bottom) == XGetPixel(after, left, bottom);)
                ++right;
        // Nine rows with separators: taller and wider than a few items.
        const bool whole = bottom > 120 && right > 150 && bottom == seenBottom && right == seenRight;
        seenBottom = bottom;
        seenRight = right;
        if (const char* folder = std::getenv("KX_SCREENSHOT_DIR"); folder && whole)
            SavePng(after, std::string(folder) + "/editor-file-menu.png");
        XDestroyImage(after);
        return whole;
    })) << Log();
    XDestroyImage(before);

    Click(window, (left + right) / 2, bottom - 8);
    EXPECT_EQ(WaitForExit(), 0) << Log();
}

// Under a window manager the main window comes back where it was left, start after start: where it
// first came up with its frame on the screen, and where the user moved it.
TEST_F(EditorX11Test, TheMainWindowComesBackWhereItWasLeftUnderAWindowManager)
{
    X11WindowManager manager(m_x, m_home / "openbox.log");
    ASSERT_TRUE(manager.Running());
    const auto clientAt = [&](Window window) {
        Window child = 0;
        int x = 0, y = 0;
        XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), 0, 0, &x, &y, &child);
        return std::pair{x, y};
    };
    std::pair<int, int> left{-1, -1};
    for (int start = 0; start < 4; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        Start();
        Window window = 0;
        ASSERT_TRUE(Eventually([&] { return (window = FindEditorWindow()) != 0; }, std::chrono::seconds(30))) << Log();
        // Drawn: the editor has placed its window by then.
        ASSERT_TRUE(WaitDrawn(window)) << Log();
        if (start == 0) {
            // The frame, title bar and all, on the screen.
            XWindowAttributes frame{};
            ASSERT_TRUE(Eventually([&] { return m_x.TopLevelOf(window) != window; }, std::chrono::seconds(30)));
            ASSERT_TRUE(XGetWindowAttributes(m_display, m_x.TopLevelOf(window), &frame));
            EXPECT_GE(frame.x, 0);
            EXPECT_GE(frame.y, 0);
            left = clientAt(window);
        } else {
            EXPECT_TRUE(Eventually([&] { return clientAt(window) == left; }, std::chrono::seconds(30)))
                << "at " << clientAt(window).first << "," << clientAt(window).second << " instead of " << left.first
                << "," << left.second;
        }
        if (start == 1) {
            // Moved as a user moves it, still on the screen; the window manager decides where it lands.
            XMoveWindow(m_display, window, 30, 150);
            XSync(m_display, False);
            ASSERT_TRUE(Eventually([&] { return clientAt(window) != left; }, std::chrono::seconds(30)));
            left = clientAt(window);
        }
        m_x.Close(window);
        ASSERT_EQ(WaitForExit(), 0) << Log();
    }
}

// A second start hands its command line to the running editor and ends with status 0 without a
// window of its own.
TEST_F(EditorX11Test, ASecondStartEndsWithZeroAndLeavesTheFirstEditorAlone)
{
    Start();
    Window window = 0;
    ASSERT_TRUE(Eventually([&] { return (window = FindEditorWindow()) != 0; }, std::chrono::seconds(30))) << Log();

    // Drawn: the first editor listens by then.
    ASSERT_TRUE(WaitDrawn(window)) << Log();
    pid_t second = Launch(m_home / "second.log");
    ASSERT_GT(second, 0);
    const int status = X11Session::WaitForExit(second);
    if (second > 0)
        kill(second, SIGKILL);
    EXPECT_EQ(status, 0) << TempFolder::ReadFile(m_home / "second.log");
    EXPECT_EQ(CountEditorWindows(m_child), 1);

    m_x.Close(window);
    EXPECT_EQ(WaitForExit(), 0) << Log();
}

// Two starts close together make one editor, also when the second comes before the first has its
// window: one of them hands its command line to the other and ends with status 0.
TEST_F(EditorX11Test, TwoStartsCloseTogetherMakeOneEditor)
{
    for (const int gapMs : {0, 10, 25, 50, 100}) {
        SCOPED_TRACE("started " + std::to_string(gapMs) + " ms apart");
        pid_t starts[2] = {Launch(m_home / "start0.log"), 0};
        std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
        starts[1] = Launch(m_home / "start1.log");
        struct Reap {
            pid_t* starts;
            ~Reap()
            {
                X11Session::Kill(starts[0]);
                X11Session::Kill(starts[1]);
            }
        } reap{starts};
        const auto logs = [&] {
            return TempFolder::ReadFile(m_home / "start0.log") + TempFolder::ReadFile(m_home / "start1.log");
        };
        int ended = -1, status = 0;
        ASSERT_TRUE(Eventually(
            [&] {
                for (int i = 0; i < 2 && ended < 0; ++i)
                    if (waitpid(starts[i], &status, WNOHANG) == starts[i])
                        ended = i;
                return ended >= 0;
            },
            std::chrono::seconds(30)))
            << "neither start ended\n"
            << logs();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << logs();
        m_child = starts[1 - ended]; // the editor, which TearDown ends should a step fail
        starts[0] = starts[1] = 0;
        Window window = 0;
        ASSERT_TRUE(Eventually([&] { return (window = FindEditorWindow()) != 0; }, std::chrono::seconds(30))) << logs();
        EXPECT_EQ(CountEditorWindows(m_child), 1);
        m_x.Close(window);
        ASSERT_EQ(WaitForExit(), 0) << logs();
    }
}

// A second start whose record comes in pieces (a busy machine, a slow peer) is answered once the rest
// has come: the editor keeps the connection and reads on at its later turns, with nothing but the rest
// to wake it.
TEST_F(EditorX11Test, ASecondStartWhoseRecordArrivesInPiecesIsAnswered)
{
    Start();
    Window window = 0;
    ASSERT_TRUE(Eventually([&] { return (window = FindEditorWindow()) != 0; }, std::chrono::seconds(30))) << Log();
    const std::string socketPath = SocketPath();
    const std::string text = "kivo61-preset-editor --from-a-slow-second";
    const uint32_t header[2] = {0x465, uint32_t(text.size() + 1)};
    std::vector<uint8_t> record(sizeof(header) + text.size() + 1, 0);
    std::memcpy(record.data(), header, sizeof(header));
    std::memcpy(record.data() + sizeof(header), text.data(), text.size());
    const std::vector<uint8_t> head(record.begin(), record.begin() + 12), rest(record.begin() + 12, record.end());

    // A piece that waits longer than the editor keeps a record (only a starved machine does that) is
    // dropped with its connection: the second tries again then. Left unread, it never ends.
    bool answered = false;
    for (int attempt = 0; attempt < 5 && !answered; ++attempt) {
        Socket second;
        ASSERT_TRUE(Eventually([&] { return second.Connect(socketPath); }, std::chrono::seconds(30))) << Log();
        ASSERT_TRUE(second.Send(head));
        // The editor has read the first piece: nothing from the socket announces the rest to it.
        ASSERT_TRUE(Eventually([&] { return second.Unread() == 0; }, std::chrono::seconds(30))) << Log();
        ASSERT_TRUE(second.Send(rest));
        ASSERT_TRUE(second.Readable(std::chrono::seconds(20))) << "the rest of the record was never read\n" << Log();
        uint8_t reply = 0;
        answered = ::recv(second.Get(), &reply, 1, 0) == 1;
    }
    EXPECT_TRUE(answered) << Log();

    m_x.Close(window);
    EXPECT_EQ(WaitForExit(), 0) << Log();
}

// How many connections the running editor's hand-over socket holds, waiting to be taken (state 02) or
// taken (03), as the kernel lists them: the editor's end of each takes the socket's path.
int WaitingHandOvers(const std::string& socketPath)
{
    std::ifstream table("/proc/net/unix");
    int waiting = 0;
    std::string line;
    std::getline(table, line); // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string number, references, protocol, flags, type, state, inode, path;
        fields >> number >> references >> protocol >> flags >> type >> state >> inode;
        std::getline(fields >> std::ws, path);
        if (type == "0001" && (state == "02" || state == "03") && path == socketPath)
            ++waiting;
    }
    return waiting;
}

// The first editor listens from the moment it holds the lock: a second start while the first is held
// up before its window (here an X server that never answers it) waits for it, as the first may still
// come up. Once the first ends at its display's bound without serving it, the second takes the lock and
// opens its own window.
TEST_F(EditorX11Test, ASecondStartWhileTheFirstIsHeldBeforeItsWindowWaitsAndThenOpensItsOwn)
{
    // Its server takes the first's connection and answers nothing.
    HeldDisplay silentServer;
    ASSERT_FALSE(silentServer.Name().empty()) << "no free display number";
    ASSERT_TRUE(silentServer.Listen());
    {
        EnvironmentGuard silent;
        silent.Set("DISPLAY", silentServer.Name());
        Start();
    }
    Socket held(silentServer.Accept(std::chrono::seconds(30)));
    ASSERT_GE(held.Get(), 0) << "the first never asked for its display\n" << Log();

    pid_t second = Launch(m_home / "second.log");
    ASSERT_GT(second, 0);
    struct Reap {
        pid_t& process;
        ~Reap() { X11Session::Kill(process); }
    } reap{second};
    EXPECT_TRUE(Eventually([&] { return WaitingHandOvers(SocketPath()) > 0; }, std::chrono::seconds(30)))
        << "the second never reached the first\n"
        << TempFolder::ReadFile(m_home / "second.log");
    EXPECT_EQ(WaitForExit(), 1) << Log();
    int raw = 0;
    ASSERT_EQ(waitpid(second, &raw, WNOHANG), 0) << "the second start ended with the first\n"
                                                 << TempFolder::ReadFile(m_home / "second.log");
    EXPECT_TRUE(Eventually([&] { return CountEditorWindows(second) == 1; }, std::chrono::seconds(30)))
        << "the second start opened no window\n"
        << TempFolder::ReadFile(m_home / "second.log");
    m_child = second; // closed by the test, killed by TearDown should a step fail
    second = 0;
    m_x.Close(FindEditorWindow());
    EXPECT_EQ(WaitForExit(), 0) << TempFolder::ReadFile(m_home / "second.log");
}

// A start that comes while the running editor ends (closed, a termination signal) is answered no more:
// it waits for the lock and opens its own window. The ending editor is held stopped until the new
// start's connection waits for it, so that each end meets the connection there.
TEST_F(EditorX11Test, AStartWhileTheEditorEndsOpensItsOwnWindow)
{
    enum class End { Sigterm, Sigint, CloseButton };
    const struct {
        const char* name;
        End end;
    } rounds[] = {{"SIGTERM", End::Sigterm},
                  {"its close button", End::CloseButton},
                  {"SIGINT", End::Sigint},
                  {"SIGTERM again", End::Sigterm},
                  {"its close button again", End::CloseButton}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        Start();
        Window window = 0;
        ASSERT_TRUE(Eventually([&] { return (window = FindEditorWindow()) != 0; }, std::chrono::seconds(30))) << Log();
        ASSERT_TRUE(WaitDrawn(window)) << Log();

        ASSERT_EQ(::kill(m_child, SIGSTOP), 0);
        pid_t next = Launch(m_home / "next.log");
        struct Reap {
            pid_t& process;
            ~Reap() { X11Session::Kill(process); }
        } reap{next};
        ASSERT_TRUE(Eventually([&] { return WaitingHandOvers(SocketPath()) > 0; }, std::chrono::seconds(30)))
            << TempFolder::ReadFile(m_home / "next.log");
        if (round.end == End::CloseButton)
            m_x.Close(window); // waits in the X server for the stopped editor
        else
            ASSERT_EQ(::kill(m_child, round.end == End::Sigterm ? SIGTERM : SIGINT), 0);
        ASSERT_EQ(::kill(m_child, SIGCONT), 0);
        EXPECT_EQ(WaitForExit(), 0) << Log();

        Window opened = 0;
        EXPECT_TRUE(Eventually(
            [&] {
                int raw = 0;
                if (waitpid(next, &raw, WNOHANG) == next)
                    next = 0; // ended: it will open nothing
                const std::vector<Window> found = m_x.Find(kTitle, [&](pid_t pid) { return next != 0 && pid == next; });
                opened = found.empty() ? 0 : found.front();
                return next == 0 || opened != 0;
            },
            std::chrono::seconds(30)));
        ASSERT_NE(opened, 0u) << "the start ended without a window\n" << TempFolder::ReadFile(m_home / "next.log");
        m_child = next;
        next = 0;
        ASSERT_TRUE(WaitDrawn(opened));
        m_x.Close(opened);
        ASSERT_EQ(WaitForExit(), 0) << TempFolder::ReadFile(m_home / "next.log");
    }
}

// A second start whose running editor does not answer (the editor stopped, as by Ctrl+Z in its
// terminal, also with its queue of starts full; its X server stopped, as a stalled remote link) ends with
// status 1 and a line naming that editor, its display and what the user can do: soon when the editor is
// plainly stopped, after its bound when it may only be slow. It never starts an editor of its own beside
// it. A termination signal while it waits ends it with 0 and says what it waited for. Once resumed, the
// running editor goes on and ends as ever; a stopped one ended as the line says ends with 0.
TEST_F(EditorX11Test, ASecondStartThatTheRunningEditorDoesNotAnswerEndsWithOneAndSaysWhy)
{
    enum class Held { Editor, Server };
    enum class Then { Resume, EndAsSaid };
    constexpr const char* kStopped = ", stopped; resume it (fg in its terminal, or kill -CONT %), or end it (kill %, "
                                     "then kill -CONT %)";
    const struct {
        const char* name;
        Held held;
        bool fullQueue;
        bool sigterm; // to the second once it waits
        int status;
        std::chrono::seconds least, most; // from the second's start to its end
        const char* said;                 // after "process <pid> on display "<display>"", % the pid
        Then then;
    } rounds[] = {
        {"the editor stopped", Held::Editor, false, false, 1, std::chrono::seconds(2), std::chrono::seconds(20),
         kStopped, Then::Resume},
        {"the editor stopped, its queue full", Held::Editor, true, false, 1, std::chrono::seconds(2),
         std::chrono::seconds(20), kStopped, Then::EndAsSaid},
        {"its X server stopped", Held::Server, false, false, 1, std::chrono::seconds(13), std::chrono::seconds(45),
         "; wait until it answers again, or end it (kill %)", Then::Resume},
        {"a SIGTERM while it waits", Held::Server, false, true, 0, std::chrono::seconds(0), std::chrono::seconds(12),
         "", Then::Resume},
    };
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        PrivateXServer server(m_home / "xvfb.log");
        ASSERT_FALSE(server.Display().empty()) << TempFolder::ReadFile(m_home / "xvfb.log");
        std::unique_ptr<X11Session> x;
        {
            EnvironmentGuard display;
            display.Set("DISPLAY", server.Display());
            x = std::make_unique<X11Session>();
            ASSERT_NE(x->Get(), nullptr);
            Start();
        }
        // Before the test's connection closes, should a step fail: it would wait on a stopped server.
        struct Resume {
            PrivateXServer& server;
            ~Resume() { server.Resume(); }
        } resume{server};
        const Window window = x->WaitPainted(kTitle, m_child, std::chrono::seconds(30));
        ASSERT_NE(window, 0u) << Log();
        const std::string first = std::to_string(m_child);
        if (round.held == Held::Editor)
            ASSERT_EQ(::kill(m_child, SIGSTOP), 0);
        else
            server.Stop();
        if (round.fullQueue) {
            // Starts given up on a stopped editor leave their connections queued until the queue takes no
            // more: as many as the system allows, far above the 8 that nine such starts filled before.
            int queued = 0;
            while (Socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)).Connect(SocketPath()))
                ++queued;
            EXPECT_GE(queued, 128);
        }

        const auto started = std::chrono::steady_clock::now();
        pid_t second = Launch(m_home / "second.log");
        struct Reap {
            pid_t& process;
            ~Reap() { X11Session::Kill(process); }
        } reap{second};
        if (round.sigterm) {
            ASSERT_TRUE(Eventually([&] { return WaitingHandOvers(SocketPath()) > 0; }, std::chrono::seconds(30)));
            ASSERT_EQ(::kill(second, SIGTERM), 0);
        }
        EXPECT_EQ(X11Session::WaitForExit(second, std::chrono::seconds(60)), round.status);
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, round.least);
        EXPECT_LE(took, round.most);
        const std::string said = TempFolder::ReadFile(m_home / "second.log");
        std::string expected =
            round.sigterm ? "kivo61-preset-editor: ended by a termination signal while waiting for the running editor "
                            "(process " +
                                first + ") to answer"
                          : "kivo61-preset-editor: an editor already runs for this user and does not answer: process " +
                                first + " on display \"" + server.Display() + "\"" + round.said;
        for (size_t at; (at = expected.find('%')) != std::string::npos;)
            expected.replace(at, 1, first);
        EXPECT_NE(said.find(expected), std::string::npos) << said;
        EXPECT_EQ(said.find("held in a call"), std::string::npos) << said;

        if (round.then == Then::EndAsSaid) {
            ASSERT_EQ(::kill(m_child, SIGTERM), 0);
            ASSERT_EQ(::kill(m_child, SIGCONT), 0);
            EXPECT_EQ(WaitForExit(), 0) << Log();
            continue;
        }
        // Resumed, the running editor goes on: it still shows its window and ends as ever.
        if (round.held == Held::Editor)
            ASSERT_EQ(::kill(m_child, SIGCONT), 0);
        else
            server.Resume();
        int raw = 0;
        EXPECT_EQ(waitpid(m_child, &raw, WNOHANG), 0) << "the running editor ended\n" << Log();
        EXPECT_NE(x->WaitPainted(kTitle, m_child, std::chrono::seconds(30)), 0u) << Log();
        ASSERT_EQ(::kill(m_child, SIGTERM), 0);
        EXPECT_EQ(WaitForExit(), 0) << Log();
    }
}

// A display that takes the connection and never answers (a stopped X server, a stalled remote link)
// would hold the start, and the single-instance lock, for as long as it is silent: the start ends with
// status 1 once the display has not answered for 10 s, and with 0 within about a second of a SIGTERM or
// a SIGHUP, each with one line naming the display, also where SDL takes X11 from a driver list.
// The next start opens its window.
TEST_F(EditorX11Test, AStartItsDisplayHoldsEndsWithinItsBound)
{
    const struct {
        const char* name;
        int signal; // 0: none
        const char* drivers;
        int status;
        std::chrono::milliseconds least, most; // from the display's taking the connection to the end
        const char* said;
    } rounds[] = {
        {"silent until its bound", 0, "x11", 1, std::chrono::seconds(9), std::chrono::seconds(30),
         "\": it did not answer within 10 s"},
        // The watch's second and its sampling: about 3 s on a machine without busy loops.
        {"a SIGTERM while held", SIGTERM, "x11", 0, std::chrono::seconds(0), std::chrono::seconds(3),
         "\" did not answer"},
        {"a SIGHUP while held", SIGHUP, "x11", 0, std::chrono::seconds(0), std::chrono::seconds(3),
         "\" did not answer"},
        {"a SIGTERM while held, X11 taken from a driver list", SIGTERM, "dummy,x11", 0, std::chrono::seconds(0),
         std::chrono::seconds(3), "\" did not answer"},
    };
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        HeldDisplay silentServer;
        const std::string display = silentServer.Name();
        ASSERT_FALSE(display.empty()) << "no free display number";
        ASSERT_TRUE(silentServer.Listen());
        {
            EnvironmentGuard silent;
            silent.Set("DISPLAY", display);
            silent.Set("SDL_VIDEODRIVER", round.drivers);
            Start();
        }
        Socket held(silentServer.Accept(std::chrono::seconds(30)));
        ASSERT_GE(held.Get(), 0) << "the editor never asked for its display\n" << Log();
        const auto taken = std::chrono::steady_clock::now();
        if (round.signal != 0) {
            ASSERT_EQ(::kill(m_child, round.signal), 0);
        }
        EXPECT_EQ(X11Session::WaitForExit(m_child, std::chrono::seconds(60)), round.status) << Log();
        const auto took = std::chrono::steady_clock::now() - taken;
        EXPECT_GE(took, round.least);
        EXPECT_LE(took, round.most);
        const std::string expected = round.signal != 0
                                         ? "kivo61-preset-editor: ended 1 s after a termination signal: its display \""
                                         : "kivo61-preset-editor: cannot open display \"";
        EXPECT_NE(Log().find(expected + display + round.said), std::string::npos) << Log();
        X11Session::Kill(m_child);
    }
    Start();
    const Window window =
        Eventually([&] { return FindEditorWindow() != 0; }, std::chrono::seconds(30)) ? FindEditorWindow() : 0;
    ASSERT_NE(window, 0u) << "the next start opened no window\n" << Log();
    EXPECT_TRUE(WaitDrawn(window));
    ::kill(m_child, SIGTERM);
    EXPECT_EQ(WaitForExit(), 0) << Log();
}

// A start that comes while the first ends for want of a desktop is not lost: the first drops its
// connection unanswered as it ends, and the second opens an editor of its own. SDL chooses its driver,
// as for a user.
TEST_F(EditorX11Test, ASecondStartWhileTheFirstEndsForWantOfADesktopOpensItsOwnEditor)
{
    m_environment.Clear("SDL_VIDEODRIVER");
    // Its server holds the first inside its display's opening until the test lets the display go.
    auto refusingServer = std::make_unique<HeldDisplay>();
    ASSERT_FALSE(refusingServer->Name().empty()) << "no free display number";
    ASSERT_TRUE(refusingServer->Listen());
    {
        EnvironmentGuard refusing;
        refusing.Set("DISPLAY", refusingServer->Name());
        Start();
    }
    auto held = std::make_unique<Socket>(refusingServer->Accept(std::chrono::seconds(30)));
    ASSERT_GE(held->Get(), 0) << "the first never asked for its display\n" << Log();

    pid_t second = Launch(m_home / "second.log");
    ASSERT_GT(second, 0);
    // It has reached the first: its one connection is made.
    EXPECT_TRUE(Eventually([&] { return WaitingHandOvers(SocketPath()) > 0; }, std::chrono::seconds(30)));
    refusingServer.reset();
    held.reset();
    EXPECT_EQ(WaitForExit(), 1) << Log();

    EXPECT_TRUE(Eventually(
        [&] {
            if (waitpid(second, nullptr, WNOHANG) == second)
                second = 0; // ended: it will open nothing
            return second == 0 || CountEditorWindows(second) > 0;
        },
        std::chrono::seconds(60)));
    EXPECT_NE(second, 0) << "the second start ended without an editor\n" << TempFolder::ReadFile(m_home / "second.log");
    X11Session::Kill(second);
}

} // namespace
} // namespace KX::Test
