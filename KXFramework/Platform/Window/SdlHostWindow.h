#pragma once
// The SDL backend of HostWindow. Only backend sources include this header.
#include "KXFramework/Platform/Window/HostWindow.h"

#include <SDL.h>

namespace KX::Platform {

class SdlHostWindow final : public HostWindow {
public:
    static std::unique_ptr<SdlHostWindow> Make(const WindowParams& params);
    ~SdlHostWindow() override;

    SDL_Window* Native() const { return m_window; }

    uint32_t Id() const override;
    void SetTitle(std::u16string_view title) override;
    RectI ClientArea() const override;
    void SetClientArea(RectI area) override;
    bool Show(ShowCommand command) override;
    void Raise() override;
    void SetTopMost(bool topMost) override;
    void TakeFocus() override;
    void SetClientSizeLimits(SizeI min, SizeI max) override;
    RectI WorkArea() const override;
    Placement GetPlacement() const override;
    void SetPlacement(const Placement& placement) override;
    Framebuffer LockFramebuffer() override;
    bool PresentRects(const RectI* rects, int count) override;
    bool CreateGlContext() override;
    void MakeGlCurrent() override;
    void SwapGl() override;

private:
    SdlHostWindow(SDL_Window* window, const WindowParams& params);
    // Queues, under this window's id, the events the desktop has sent it so far.
    void TakeInWhatWasSent();
    // The client area moved right or down, where needed, so that the window manager's frame round it,
    // title bar and all, does not start above or left of the work area.
    RectI FrameInsideWorkArea(RectI area) const;
    bool IsNormal() const;
    // Wayland gives windows no global position.
    static bool HasPositions();

    SDL_Window* m_window;
    bool m_glCapable;
    SDL_GLContext m_gl = nullptr;
    // The window surface at the last lock, with its size: a present checks it is still current.
    SDL_Surface* m_locked = nullptr;
    int m_lockedWidth = 0;
    int m_lockedHeight = 0;
    // Drawn into when the window surface is not XRGB; blitted across on present.
    SDL_Surface* m_shadow = nullptr;
    bool m_shownOnce = false;
    // Client area to restore: the last one seen while neither maximised nor minimised.
    mutable RectI m_normal;
};

} // namespace KX::Platform
