#pragma once
// One window of the desktop as the framework's operating-system window sees it: a client area in screen
// coordinates, a 32-bit XRGB framebuffer presented by rectangles, and, when made GL-capable, a GL context.
// Every call is made on the UI thread after VideoSystem::Start.
#include "KXFramework/Platform/Window/Geometry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace KX::Platform {

// Client sizes are kept within 1 .. kMaxClientSide on each side, whatever a caller or a record asks for:
// above an 8K display, and small enough that a framebuffer and two backing surfaces stay allocatable.
inline constexpr int kMaxClientSide = 8192;

class HostWindow;

struct WindowParams {
    std::u16string title;
    int x = 0, y = 0, width = 640, height = 480; // client area, screen coordinates
    bool resizable = true;
    bool decorated = true;
    bool visible = false;
    bool topMost = false;
    bool utility = false; // no taskbar entry
    bool glCapable = false;
    HostWindow* modalFor = nullptr; // window-manager hint only
};

// The numbers of the show commands the framework passes on.
enum class ShowCommand {
    Hide = 0,
    Normal = 1,
    ShowMinimized = 2,
    Maximized = 3,
    NoActivate = 4,
    Show = 5,
    Minimize = 6,
    Restore = 9
};

struct Placement {
    RectI normal; // client area when neither maximised nor minimised
    bool maximized = false;
    bool operator==(const Placement&) const = default;
};

// Pixels are 32-bit XRGB, rows stride bytes apart. Null pixels: nothing to draw into (a GL window, a
// failed surface). Valid until the window's size changes; lock again before every frame.
struct Framebuffer {
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

class HostWindow {
public:
    // The desktop window; null when video is not started or the window cannot be made.
    static std::unique_ptr<HostWindow> Create(const WindowParams& params);

    virtual ~HostWindow() = default;
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // The window named by input records; never 0.
    virtual uint32_t Id() const = 0;
    virtual void SetTitle(std::u16string_view title) = 0;
    virtual RectI ClientArea() const = 0;
    // Sizes are clamped to 1 .. kMaxClientSide.
    virtual void SetClientArea(RectI area) = 0;
    // True when the window was visible before.
    virtual bool Show(ShowCommand command) = 0;
    virtual void Raise() = 0;
    virtual void SetTopMost(bool topMost) = 0;
    virtual void TakeFocus() = 0;
    virtual void SetClientSizeLimits(SizeI min, SizeI max) = 0;
    // Usable bounds of the window's display.
    virtual RectI WorkArea() const = 0;
    virtual Placement GetPlacement() const = 0;
    // A normal rectangle on no display is moved onto the window's work area.
    virtual void SetPlacement(const Placement& placement) = 0;
    virtual Framebuffer LockFramebuffer() = 0;
    // Shows the given rectangles of the framebuffer last locked; parts outside it are ignored. False when
    // nothing was shown because the framebuffer went stale (a size change since the lock) or is missing.
    virtual bool PresentRects(const RectI* rects, int count) = 0;
    // Only for windows made glCapable; the attributes were chosen when the window was created.
    virtual bool CreateGlContext() = 0;
    virtual void MakeGlCurrent() = 0;
    virtual void SwapGl() = 0;

protected:
    HostWindow() = default;
};

// Sizes kept within the range every host window accepts.
int ClampClientSide(int side);

} // namespace KX::Platform
