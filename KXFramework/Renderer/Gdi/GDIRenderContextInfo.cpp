#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"

#include "KXFramework/Platform/Graphics/Surface.h"

namespace KX {

namespace {

PointT<int32_t> ViewportSize(const RectT<int32_t>& viewport)
{
    return PointT<double>{double(viewport.width), double(viewport.height)}.Round();
}

} // namespace

LGDIRenderContextInfo::LGDIRenderContextInfo(
    const RectT<int32_t>& viewport, Platform::HostWindow* window, bool offscreen)
    : LRenderContextInfo(viewport, window, offscreen),
      m_current(LGDIRendererOffscreenSurface::Create(ViewportSize(viewport))),
      m_second(LGDIRendererOffscreenSurface::Create(ViewportSize(viewport)))
{}

LGDIRenderContextInfo::~LGDIRenderContextInfo()
{
    m_second = nullptr;
    m_current = nullptr;
}

void LGDIRenderContextInfo::PrepareSurfaces()
{
    const PointT<int32_t> size = m_current->GetSize();
    const RectT<int32_t>& viewport = GetViewport();
    if (size == PointT<int32_t>{viewport.width, viewport.height}) {
        const LRectList::Node* dirty = GetDirtyRegion().GetHead();
        const bool wholeViewportDirty = dirty != nullptr && dirty->next == nullptr && dirty->left == viewport.x
            && dirty->top == viewport.y && dirty->right - dirty->left == viewport.width
            && dirty->bottom - dirty->top == viewport.height;
        if (!wholeViewportDirty)
            return;
    }
    m_current->SetSize(ViewportSize(viewport));
    m_second->SetSize(ViewportSize(viewport));
}

void LGDIRenderContextInfo::Present()
{
    if (Platform::Surface* surface = m_current->GetSurface())
        surface->Flush();
    if (IsOffscreen())
        return;
}

void LGDIRenderContextInfo::SwapSurfaces()
{
    std::swap(m_current, m_second);
}

} // namespace KX
