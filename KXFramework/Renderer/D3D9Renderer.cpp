#include "KXFramework/Renderer/D3D9Renderer.h"

namespace KX {

KXRESULT LD3D9Renderer::InitRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window,
                                              bool offscreen, RCPtr<LRenderContextInfo>& out)
{
    out = RCPtr<LRenderContextInfo>(new LD3D9RenderContextInfo(viewport, window, offscreen));
    return S_OK;
}

} // namespace KX
