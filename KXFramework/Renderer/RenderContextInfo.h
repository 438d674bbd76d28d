#pragma once
// What a renderer draws into: one per window or offscreen image, with its viewport, dirty region
// and current render state (origin, clip, opacity, stencil) and the stack of saved states.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Renderer/RectList.h"

#include <cstdint>
#include <deque>

namespace KX {

namespace Platform {
class HostWindow;
}

class LStencil : public virtual LRefCountedObject {
public:
    int32_t values[6] = {};
};

struct RenderState {
    virtual ~RenderState() = default;

    PointT<double> offset;
    // Relative to the offset; unbounded at first.
    RectT<double> clip{-5000000136282112.0, -5000000136282112.0, 10000000272564224.0, 10000000272564224.0};
    float opacity = 1.0f;
    bool stencilActive = false;
    RCPtr<LStencil> stencil;
};

class LRenderContextInfo : public LRefCountedObject {
public:
    LRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window, bool offscreen)
        : m_window(window),
          m_offscreen(offscreen),
          m_viewport(viewport)
    {
    }
    ~LRenderContextInfo() override = default;

    virtual PointT<int32_t> GetMaxSurfaceSize() const = 0;

    Platform::HostWindow* GetWindow() const { return m_window; }
    bool IsOffscreen() const { return m_offscreen; }
    // The rectangles a frame repaints and presents; filled by the window's paint handler.
    LRectList& GetDirtyRegion() { return m_dirty; }
    const RectT<int32_t>& GetViewport() const { return m_viewport; }
    void SetViewport(const RectT<int32_t>& viewport) { m_viewport = viewport; }
    RenderState& GetState() { return m_state; }
    std::deque<RenderState>& GetStateStack() { return m_stack; }

private:
    Platform::HostWindow* m_window;
    bool m_offscreen;
    LRectList m_dirty;
    RectT<int32_t> m_viewport;
    RenderState m_state;
    std::deque<RenderState> m_stack;
};

} // namespace KX
