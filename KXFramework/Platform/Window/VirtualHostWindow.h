#pragma once
// A host window in memory, for tests that draw without a display. The framebuffer is what a renderer
// writes; the screen is what PresentRects copied from it, so a test sees only what was presented.
// Ids never collide with desktop windows.
#include "KXFramework/Platform/Window/HostWindow.h"

#include <vector>

namespace KX::Platform {

class VirtualHostWindow final : public HostWindow {
public:
    explicit VirtualHostWindow(const WindowParams& params);

    uint32_t Id() const override { return m_id; }
    void SetTitle(std::u16string_view title) override { m_title = title; }
    RectI ClientArea() const override { return m_area; }
    void SetClientArea(RectI area) override;
    bool Show(ShowCommand command) override;
    void Raise() override {}
    void SetTopMost(bool topMost) override { m_topMost = topMost; }
    void TakeFocus() override { m_focusRequests++; }
    void SetClientSizeLimits(SizeI min, SizeI max) override;
    RectI WorkArea() const override { return m_workArea; }
    Placement GetPlacement() const override { return Placement{m_area, m_maximized}; }
    void SetPlacement(const Placement& placement) override;
    Framebuffer LockFramebuffer() override;
    bool PresentRects(const RectI* rects, int count) override;
    bool CreateGlContext() override { return false; }
    void MakeGlCurrent() override {}
    void SwapGl() override {}

    // Test side.
    const std::u16string& Title() const { return m_title; }
    bool IsVisible() const { return m_visible; }
    bool IsTopMost() const { return m_topMost; }
    int FocusRequests() const { return m_focusRequests; }
    SizeI MinSize() const { return m_minSize; }
    SizeI MaxSize() const { return m_maxSize; }
    void SetWorkArea(RectI area) { m_workArea = area; }
    // Both the framebuffer and the screen.
    void Fill(uint32_t xrgb);
    // 0 outside.
    uint32_t ScreenPixel(int x, int y) const;
    uint32_t FramebufferPixel(int x, int y) const;
    // Every rectangle presented since the last call, clipped to the window.
    std::vector<RectI> TakePresented();

private:
    void Reallocate();

    uint32_t m_id;
    std::u16string m_title;
    RectI m_area;
    RectI m_workArea{0, 0, 1920, 1080};
    SizeI m_minSize{1, 1};
    SizeI m_maxSize{kMaxClientSide, kMaxClientSide};
    bool m_visible = false;
    bool m_topMost = false;
    bool m_maximized = false;
    int m_focusRequests = 0;
    bool m_locked = false;
    std::vector<uint32_t> m_framebuffer;
    std::vector<uint32_t> m_screen;
    std::vector<RectI> m_presented;
};

} // namespace KX::Platform
