#pragma once
// One image the size of a render context's viewport, with the painter that draws on it.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Renderer/Geometry.h"

#include <memory>

namespace KX {

namespace Platform {
class Painter;
class Surface;
} // namespace Platform

class LGDIRendererOffscreenSurface : public virtual LRefCountedObject {
public:
    static RCPtr<LGDIRendererOffscreenSurface> Create(const PointT<int32_t>& size);
    ~LGDIRendererOffscreenSurface() override;

    // Re-makes the image at size, each side at least 1, cleared to 0. Without an image (a side above
    // what an image may have) the surface draws nothing. Returns S_OK for the record only; callers may ignore it.
    KXRESULT SetSize(const PointT<int32_t>& size);
    // (0, 0) without an image.
    PointT<int32_t> GetSize() const;
    // Null without an image.
    Platform::Painter* GetGraphics() const { return m_painter.get(); }
    Platform::Surface* GetSurface() const { return m_surface.get(); }
    // Copies source of this image to destination on target, unscaled.
    void DrawTo(Platform::Painter& target, const PointT<int32_t>& destination, const RectT<int32_t>& source) const;

private:
    LGDIRendererOffscreenSurface() = default;

    std::shared_ptr<Platform::Surface> m_surface;
    std::unique_ptr<Platform::Painter> m_painter;
};

} // namespace KX
