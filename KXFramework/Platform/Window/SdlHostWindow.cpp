#include "KXFramework/Platform/Window/SdlHostWindow.h"

#include "KXFramework/Platform/Text/TextConversion.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include <algorithm>
#include <cstring>
#include <vector>

// Last: Xlib's macros (None, Bool, Status) clash with names in the headers above.
#include <SDL_syswm.h>

namespace KX::Platform {

namespace {

void SetGlAttributes()
{
    // On X11 these choose the window's visual, so they must be set before the window exists. SDL's default
    // depth buffer of 16 bits is not wanted: the renderer draws flat layers.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

bool OnSomeDisplay(const RectI& area)
{
    const int displays = SDL_GetNumVideoDisplays();
    for (int i = 0; i < displays; ++i) {
        SDL_Rect bounds;
        if (SDL_GetDisplayUsableBounds(i, &bounds) != 0 && SDL_GetDisplayBounds(i, &bounds) != 0)
            continue;
        if (!area.Intersect(RectI{bounds.x, bounds.y, bounds.w, bounds.h}).IsEmpty())
            return true;
    }
    return false;
}

} // namespace

std::unique_ptr<SdlHostWindow> SdlHostWindow::Make(const WindowParams& params)
{
    if (!VideoSystem::IsStarted())
        return nullptr;
    // Always made hidden: shown first and positioned afterwards, or the window manager puts the frame,
    // not the client area, at the position asked for.
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (params.resizable)
        flags |= SDL_WINDOW_RESIZABLE;
    if (!params.decorated)
        flags |= SDL_WINDOW_BORDERLESS;
    if (params.topMost)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    if (params.utility)
        flags |= SDL_WINDOW_SKIP_TASKBAR;
    if (params.glCapable) {
        SetGlAttributes();
        flags |= SDL_WINDOW_OPENGL;
    }
    const std::string title = Utf8FromUtf16(params.title);
    SDL_Window* window = SDL_CreateWindow(title.c_str(), params.x, params.y, ClampClientSide(params.width),
                                          ClampClientSide(params.height), flags);
    if (!window)
        return nullptr;
    std::unique_ptr<SdlHostWindow> host(new SdlHostWindow(window, params));
    if (auto* parent = dynamic_cast<SdlHostWindow*>(params.modalFor))
        SDL_SetWindowModalFor(window, parent->m_window);
    if (params.visible)
        host->Show(ShowCommand::Show);
    return host;
}

SdlHostWindow::SdlHostWindow(SDL_Window* window, const WindowParams& params)
    : m_window(window),
      m_glCapable(params.glCapable),
      m_normal{params.x, params.y, ClampClientSide(params.width), ClampClientSide(params.height)}
{
}

SdlHostWindow::~SdlHostWindow()
{
    if (m_gl)
        SDL_GL_DeleteContext(m_gl);
    SDL_FreeSurface(m_shadow);
    // SDL drops what the X server sent to a window it no longer knows, keys typed ahead into a closing
    // dialog among them: taken in now, they are queued under this window's id; what is typed after the
    // focus has moved on goes to that window.
    TakeInWhatWasSent();
    SDL_DestroyWindow(m_window);
}

void SdlHostWindow::TakeInWhatWasSent()
{
    // A round trip brings in everything the server sent before it, which SDL then reads and queues.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(m_window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return;
    XSync(info.info.x11.display, False);
    SDL_PumpEvents();
}

uint32_t SdlHostWindow::Id() const
{
    return SDL_GetWindowID(m_window);
}

void SdlHostWindow::SetTitle(std::u16string_view title)
{
    SDL_SetWindowTitle(m_window, Utf8FromUtf16(title).c_str());
}

RectI SdlHostWindow::ClientArea() const
{
    RectI area;
    if (HasPositions())
        SDL_GetWindowPosition(m_window, &area.x, &area.y);
    SDL_GetWindowSize(m_window, &area.width, &area.height);
    return area;
}

void SdlHostWindow::SetClientArea(RectI area)
{
    area.width = ClampClientSide(area.width);
    area.height = ClampClientSide(area.height);
    SDL_SetWindowSize(m_window, area.width, area.height);
    if (HasPositions())
        SDL_SetWindowPosition(m_window, area.x, area.y);
    if (IsNormal() || !m_shownOnce)
        m_normal = area;
}

bool SdlHostWindow::Show(ShowCommand command)
{
    const bool wasVisible = (SDL_GetWindowFlags(m_window) & SDL_WINDOW_SHOWN) != 0;
    if (command == ShowCommand::Hide) {
        SDL_HideWindow(m_window);
        return wasVisible;
    }
    SDL_ShowWindow(m_window);
    if (!m_shownOnce) {
        m_shownOnce = true;
        if (HasPositions() && !(SDL_GetWindowFlags(m_window) & SDL_WINDOW_MAXIMIZED)) {
            // A window manager announces the frame it puts round the window while it maps the window, and
            // SDL places the client area inside the frame once it has read that. Placed before, the frame
            // would go where the client area should: a frame's height lower at every start.
            TakeInWhatWasSent();
            m_normal = FrameInsideWorkArea(m_normal);
            SDL_SetWindowPosition(m_window, m_normal.x, m_normal.y);
        }
    }
    switch (command) {
    case ShowCommand::ShowMinimized:
    case ShowCommand::Minimize:
        SDL_MinimizeWindow(m_window);
        break;
    case ShowCommand::Maximized:
        SDL_MaximizeWindow(m_window);
        break;
    case ShowCommand::Restore:
        SDL_RestoreWindow(m_window);
        break;
    default:
        break;
    }
    return wasVisible;
}

void SdlHostWindow::Raise()
{
    SDL_RaiseWindow(m_window);
}

void SdlHostWindow::SetTopMost(bool topMost)
{
    SDL_SetWindowAlwaysOnTop(m_window, topMost ? SDL_TRUE : SDL_FALSE);
}

void SdlHostWindow::TakeFocus()
{
    // Refused by drivers without keyboard focus (dummy, offscreen); the window then simply keeps none.
    SDL_SetWindowInputFocus(m_window);
}

void SdlHostWindow::SetClientSizeLimits(SizeI min, SizeI max)
{
    const int minWidth = ClampClientSide(min.width);
    const int minHeight = ClampClientSide(min.height);
    // SDL refuses a minimum above the current maximum, so the maximum is opened up first.
    SDL_SetWindowMaximumSize(m_window, kMaxClientSide, kMaxClientSide);
    SDL_SetWindowMinimumSize(m_window, minWidth, minHeight);
    SDL_SetWindowMaximumSize(m_window, std::max(minWidth, ClampClientSide(max.width)),
                             std::max(minHeight, ClampClientSide(max.height)));
}

RectI SdlHostWindow::WorkArea() const
{
    const int display = std::max(0, SDL_GetWindowDisplayIndex(m_window));
    SDL_Rect bounds;
    if (SDL_GetDisplayUsableBounds(display, &bounds) == 0 || SDL_GetDisplayBounds(display, &bounds) == 0)
        return RectI{bounds.x, bounds.y, bounds.w, bounds.h};
    return ClientArea();
}

Placement SdlHostWindow::GetPlacement() const
{
    if (IsNormal())
        m_normal = ClientArea();
    return Placement{m_normal, (SDL_GetWindowFlags(m_window) & SDL_WINDOW_MAXIMIZED) != 0};
}

void SdlHostWindow::SetPlacement(const Placement& placement)
{
    RectI normal = placement.normal;
    normal.width = ClampClientSide(normal.width);
    normal.height = ClampClientSide(normal.height);
    if (HasPositions() && !OnSomeDisplay(normal)) {
        // Saved on a display that is gone: centre it on this window's display instead.
        const RectI work = WorkArea();
        normal.width = std::min(normal.width, std::max(1, work.width));
        normal.height = std::min(normal.height, std::max(1, work.height));
        normal.x = work.x + (work.width - normal.width) / 2;
        normal.y = work.y + (work.height - normal.height) / 2;
    }
    if (!IsNormal())
        SDL_RestoreWindow(m_window);
    SetClientArea(normal);
    m_normal = normal;
    if (placement.maximized)
        SDL_MaximizeWindow(m_window);
}

Framebuffer SdlHostWindow::LockFramebuffer()
{
    m_locked = nullptr;
    // A GL window has no retained framebuffer, and asking for one would break its GL surface.
    if (m_glCapable)
        return {};
    SDL_Surface* surface = SDL_GetWindowSurface(m_window);
    if (!surface)
        return {};
    SDL_Surface* target = surface;
    if (surface->format->format != SDL_PIXELFORMAT_XRGB8888) {
        if (!m_shadow || m_shadow->w != surface->w || m_shadow->h != surface->h) {
            SDL_FreeSurface(m_shadow);
            m_shadow = SDL_CreateRGBSurfaceWithFormat(0, surface->w, surface->h, 32, SDL_PIXELFORMAT_XRGB8888);
            if (!m_shadow)
                return {};
            // A straight copy: blending would mix in what the window surface held.
            SDL_SetSurfaceBlendMode(m_shadow, SDL_BLENDMODE_NONE);
        }
        target = m_shadow;
    } else if (m_shadow) {
        SDL_FreeSurface(m_shadow);
        m_shadow = nullptr;
    }
    m_locked = surface;
    m_lockedWidth = surface->w;
    m_lockedHeight = surface->h;
    return Framebuffer{static_cast<uint8_t*>(target->pixels), target->w, target->h, target->pitch};
}

bool SdlHostWindow::PresentRects(const RectI* rects, int count)
{
    if (!m_locked)
        return false;
    // Returns the cached surface while it is valid; a new one means the size changed after the lock.
    SDL_Surface* surface = SDL_GetWindowSurface(m_window);
    if (surface != m_locked || !surface || surface->w != m_lockedWidth || surface->h != m_lockedHeight) {
        m_locked = nullptr;
        return false;
    }
    const RectI bounds{0, 0, surface->w, surface->h};
    std::vector<SDL_Rect> shown;
    for (int i = 0; rects && i < count; ++i) {
        const RectI part = rects[i].Intersect(bounds);
        if (!part.IsEmpty())
            shown.push_back(SDL_Rect{part.x, part.y, part.width, part.height});
    }
    if (shown.empty())
        return true;
    if (m_shadow) {
        for (SDL_Rect r : shown) {
            SDL_Rect destination = r;
            SDL_BlitSurface(m_shadow, &r, surface, &destination);
        }
    }
    return SDL_UpdateWindowSurfaceRects(m_window, shown.data(), int(shown.size())) == 0;
}

bool SdlHostWindow::CreateGlContext()
{
    if (!m_glCapable)
        return false;
    if (!m_gl)
        m_gl = SDL_GL_CreateContext(m_window);
    return m_gl != nullptr;
}

void SdlHostWindow::MakeGlCurrent()
{
    if (m_gl)
        SDL_GL_MakeCurrent(m_window, m_gl);
}

void SdlHostWindow::SwapGl()
{
    if (m_gl)
        SDL_GL_SwapWindow(m_window);
}

RectI SdlHostWindow::FrameInsideWorkArea(RectI area) const
{
    int top = 0, left = 0;
    if (SDL_GetWindowBordersSize(m_window, &top, &left, nullptr, nullptr) != 0)
        top = left = 0;
    const RectI work = WorkArea();
    area.x = std::max(area.x, work.x + left);
    area.y = std::max(area.y, work.y + top);
    return area;
}

bool SdlHostWindow::IsNormal() const
{
    return (SDL_GetWindowFlags(m_window) & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED)) == 0;
}

bool SdlHostWindow::HasPositions()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return !driver || std::strcmp(driver, "wayland") != 0;
}

} // namespace KX::Platform
