#pragma once
// A render context of the Cairo-backed renderer: a surface of the viewport's size, a persistent
// backing store, and a second one made when an offscreen context first scrolls. A frame draws into
// the current one; Present copies only the dirty rectangles to the window. An offscreen context is
// never presented; it is an image to draw from or scroll.
#include "KXFramework/Renderer/Gdi/GDIRendererOffscreenSurface.h"
#include "KXFramework/Renderer/RenderContextInfo.h"

namespace KX {

class LGDIRenderContextInfo : public LRenderContextInfo {
public:
    static constexpr int32_t kMaxSurfaceSide = 4096;

    LGDIRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window, bool offscreen);
    ~LGDIRenderContextInfo() override;

    PointT<int32_t> GetMaxSurfaceSize() const override { return {kMaxSurfaceSide, kMaxSurfaceSide}; }
    const RCPtr<LGDIRendererOffscreenSurface>& GetSurface() const { return m_current; }
    Platform::Painter* GetGraphics() const { return m_current->GetGraphics(); }
    // Re-makes the surface when the viewport's size changed; clears it when the whole viewport is dirty.
    void PrepareSurfaces();
    // Flushes; unless offscreen, copies each dirty rectangle to the window's framebuffer and
    // presents them together.
    void Present();
    // Makes the second surface at the current one's size if there is none yet.
    void SwapSurfaces();

private:
    RCPtr<LGDIRendererOffscreenSurface> m_current;
    RCPtr<LGDIRendererOffscreenSurface> m_second;
};

} // namespace KX
