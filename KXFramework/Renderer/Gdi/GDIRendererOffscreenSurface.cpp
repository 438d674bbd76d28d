#include "KXFramework/Renderer/Gdi/GDIRendererOffscreenSurface.h"

#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Platform/Graphics/Painter.h"
#include "KXFramework/Platform/Graphics/Surface.h"

namespace KX {

RCPtr<LGDIRendererOffscreenSurface> LGDIRendererOffscreenSurface::Create(const PointT<int32_t>& size)
{
    RCPtr<LGDIRendererOffscreenSurface> surface(new LGDIRendererOffscreenSurface);
    surface->SetSize(size);
    return surface;
}

LGDIRendererOffscreenSurface::~LGDIRendererOffscreenSurface()
{
    m_painter.reset();
    m_surface.reset();
}

KXRESULT LGDIRendererOffscreenSurface::SetSize(const PointT<int32_t>& size)
{
    m_painter.reset();
    m_surface.reset(); // before the new one: never both at once
    m_surface = Platform::Surface::Create(size.x, size.y);
    if (m_surface)
        m_painter = std::make_unique<Platform::Painter>(*m_surface);
    return S_OK;
}

PointT<int32_t> LGDIRendererOffscreenSurface::GetSize() const
{
    return m_surface ? PointT<int32_t>{m_surface->Width(), m_surface->Height()} : PointT<int32_t>{};
}

void LGDIRendererOffscreenSurface::DrawTo(Platform::Painter& target, const PointT<int32_t>& destination,
                                          const RectT<int32_t>& source) const
{
    if (!m_surface)
        return;
    target.DrawImage(*m_surface, {double(source.x), double(source.y), double(source.width), double(source.height)},
                     {double(destination.x), double(destination.y), double(source.width), double(source.height)},
                     Platform::ImageMode::Copy);
}

} // namespace KX
