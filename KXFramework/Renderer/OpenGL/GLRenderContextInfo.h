#pragma once
// The render context of a window drawn with GL: its viewport and render state, and the largest
// viewport GL allows, read when it is made (0 when no GL context is current then).
#include "KXFramework/Renderer/RenderContextInfo.h"

namespace KX {

class LGLRenderContextInfo : public LRenderContextInfo {
public:
    LGLRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window, bool offscreen);

    PointT<int32_t> GetMaxSurfaceSize() const override { return {m_maxWidth, m_maxHeight}; }
    // Shows the frame drawn in the back buffer, unless offscreen.
    void SwapBuffers();

private:
    int32_t m_maxWidth = 0;
    int32_t m_maxHeight = 0;
};

} // namespace KX
