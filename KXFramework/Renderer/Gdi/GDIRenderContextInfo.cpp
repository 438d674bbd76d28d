#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"

#include "KXFramework/Platform/Graphics/Painter.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Platform/Window/HostWindow.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace KX {

namespace {

PointT<int32_t> ViewportSize(const RectT<int32_t>& viewport)
{
    return PointT<double>{double(viewport.width), double(viewport.height)}.Round();
}

} // namespace

LGDIRenderContextInfo::LGDIRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window,
                                             bool offscreen)
    : LRenderContextInfo(viewport, window, offscreen),
      m_current(LGDIRendererOffscreenSurface::Create(ViewportSize(viewport)))
{
}

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
        const bool wholeViewportDirty = dirty != nullptr && dirty->next == nullptr && dirty->left == viewport.x &&
                                        dirty->top == viewport.y && dirty->right - dirty->left == viewport.width &&
                                        dirty->bottom - dirty->top == viewport.height;
        if (!wholeViewportDirty)
            return;
        // Cleared in place: a new image of the same size would be a second one at its peak.
        if (Platform::Painter* painter = m_current->GetGraphics())
            painter->Clear();
        return;
    }
    // Always S_OK: a size without a surface leaves it empty.
    m_current->SetSize(ViewportSize(viewport));
    m_second = nullptr; // of the old size; remade by the next scroll
}

void LGDIRenderContextInfo::Present()
{
    Platform::Surface* surface = m_current->GetSurface();
    if (surface == nullptr)
        return;
    surface->Flush();
    if (IsOffscreen() || GetWindow() == nullptr)
        return;
    const Platform::Framebuffer target = GetWindow()->LockFramebuffer();
    if (target.pixels == nullptr)
        return;
    Array<RectT<int32_t>> dirty;
    GetDirtyRegion().ToArray(dirty);
    std::vector<Platform::RectI> presented;
    presented.reserve(dirty.GetCount());
    const int width = std::min(surface->Width(), target.width);
    const int height = std::min(surface->Height(), target.height);
    for (unsigned i = dirty.GetCount(); i-- > 0;) {
        const RectT<int32_t>& r = dirty.GetAt(i);
        const int left = std::max(r.x, 0);
        const int top = std::max(r.y, 0);
        const int right = int(std::min<int64_t>(int64_t(r.x) + r.width, width));
        const int bottom = int(std::min<int64_t>(int64_t(r.y) + r.height, height));
        if (right <= left || bottom <= top)
            continue;
        // Premultiplied pixels without their alpha: the picture composed over black.
        for (int y = top; y < bottom; ++y) {
            const auto* from =
                reinterpret_cast<const uint32_t*>(surface->Data() + size_t(y) * surface->Stride()) + left;
            auto* to = reinterpret_cast<uint32_t*>(target.pixels + size_t(y) * size_t(target.stride)) + left;
            for (int x = 0; x < right - left; ++x)
                to[x] = from[x] & 0x00FFFFFFu;
        }
        presented.push_back({left, top, right - left, bottom - top});
    }
    if (!presented.empty())
        GetWindow()->PresentRects(presented.data(), int(presented.size()));
}

void LGDIRenderContextInfo::SwapSurfaces()
{
    // Made on the first scroll only: a window's context never scrolls, and its second image would
    // be as large as the window.
    if (!m_second) // without an image, the current one has the size of a viewport too large for one
        m_second = LGDIRendererOffscreenSurface::Create(m_current->GetSurface() ? m_current->GetSize()
                                                                                : ViewportSize(GetViewport()));
    std::swap(m_current, m_second);
}

} // namespace KX
