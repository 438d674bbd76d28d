#pragma once
// The renderer of kind 1, drawing with Cairo into the current surface of its render context.
// Bitmaps are prepared once per destination size and resize type and kept in a cache purged every
// five minutes of entries unused since the previous purge; polylines are built into paths once.
#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"
#include "KXFramework/Renderer/PurgableObjectCache.h"
#include "KXFramework/Renderer/Renderer.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace KX {

namespace Platform {
class FontFace;
class Surface;
struct Path;
} // namespace Platform

class LGDIRenderer : public LRenderer {
public:
    // Destinations larger than this on a side are drawn directly, never cached.
    static constexpr int32_t kMaxCachedSide = 4096;
    static constexpr uint32_t kPurgePeriodMs = 300000;

    // The bitmap cache's key: the bitmap, the destination size and the resize type it was prepared for.
    struct CashableBitmapDescriptor {
        RCPtr<LBitmap> bitmap;
        int32_t width = 0;
        int32_t height = 0;
        int resizeType = 0;
        bool operator==(const CashableBitmapDescriptor& other) const
        {
            return bitmap.Get() == other.bitmap.Get() && width == other.width && height == other.height &&
                   resizeType == other.resizeType;
        }
    };

    class LCachedBitmap : public virtual LRefCountedObject {
    public:
        LCachedBitmap(std::shared_ptr<Platform::Surface> surface, const RectT<int32_t>& source);
        ~LCachedBitmap() override;
        std::shared_ptr<Platform::Surface> surface;
        RectT<int32_t> source; // the part of the surface drawn
    };

    class LGraphicsPath : public virtual LRefCountedObject {
    public:
        LGraphicsPath();
        ~LGraphicsPath() override;
        std::unique_ptr<Platform::Path> path;
        int kind = 0; // the drawing operation it was built for
    };

    LGDIRenderer();
    ~LGDIRenderer() override;

    [[nodiscard]] KXRESULT GetFontMetrics(const RCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                                          int32_t& descent) override;
    RectT<float>& MeasureText(RectT<float>& out, const String& text, const RCPtr<LFont>& font) override;
    int GetRendererKind() override { return kGdi; }
    [[nodiscard]] KXRESULT InitRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window,
                                                 bool offscreen, RCPtr<LRenderContextInfo>& out) override;
    KXRESULT RenderStart(const RCPtr<LRenderContextInfo>& context) override;
    KXRESULT RenderFinish(const RCPtr<LRenderContextInfo>& context) override;
    void DrawText(const String& text, const RCPtr<LFont>& font, const PointT<int32_t>& position,
                  const LColor& colour) override;
    void DrawRect(const RectT<int32_t>& rect, const LColor& colour, float lineWidth) override;
    void FillRect(const RectT<int32_t>& rect, const LColor& colour, bool blend) override;
    void DrawColorRectList(ColorRectListT<float>& list, const PointT<double>& offset, bool useCache) override;
    void DrawLine(const PointT<float>& from, const PointT<float>& to, const LColor& colour, float lineWidth) override;
    void DrawLines(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                   const PointT<float>& scale, bool keepCached) override;
    void DrawPolyline(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                      const PointT<float>& scale, bool keepCached) override;
    void DrawPolygon(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                     const PointT<float>& scale, bool keepCached) override;
    void FillPolygon(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                     const PointT<float>& scale, bool keepCached) override;
    void DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination, int resizeType) override;
    [[nodiscard]] KXRESULT DrawRenderContext(const RCPtr<LRenderContextInfo>& source,
                                             const PointT<int32_t>& destination,
                                             const RectT<int32_t>& sourceRect) override;
    [[nodiscard]] KXRESULT ScrollRenderContext(const RCPtr<LRenderContextInfo>& context,
                                               const PointT<int32_t>& offset) override;
    void SetClipRect(const RectT<double>& clip) override;
    void Translate(const PointT<double>& delta) override;

    // Pixel bytes the bitmap cache holds of its own (wrapped bitmaps cost nothing).
    size_t GetCachedBitmapBytes() const;

private:
    struct BitmapKeyTraits {
        static unsigned Bucket(const CashableBitmapDescriptor& key);
    };
    struct HandleTraits {
        static unsigned Bucket(int handle) { return (uint32_t(handle) >> 4) & 0xFF; }
    };
    enum class PathKind { Lines, Polyline, Polygon, Fill };

    std::shared_ptr<Platform::FontFace> Face(const LFont& font) const;
    void ApplyState();
    void DrawPath(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                  const PointT<float>& scale, bool keepCached, PathKind kind);
    RCPtr<LCachedBitmap> Prepare(const LBitmap& bitmap, int32_t width, int32_t height, int resizeType) const;

    float m_scale = 1.0f;
    RCPtr<LGDIRenderContextInfo> m_current;
    PurgableObjectCache<LCachedBitmap, CashableBitmapDescriptor, BitmapKeyTraits> m_bitmaps{256};
    PurgableObjectCache<LGraphicsPath, int, HandleTraits> m_paths{256};
    uint32_t m_lastPurgeTime;
    uint32_t m_lastPurgeStamp = 0;
};

} // namespace KX
