#pragma once
// The one drawing interface of every control, look and visual part. A frame is bracketed by
// RenderStart and RenderFinish on a render context; contexts may nest. Coordinates are pixels
// relative to the current state's origin, and clip pushes are balanced by PopClip.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Renderer/Color.h"
#include "KXFramework/Renderer/ColorRectList.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Renderer/Polyline.h"
#include "KXFramework/Renderer/RenderContextInfo.h"
#include "KXFramework/Utilities/Graphics/Bitmap.h"
#include "KXFramework/Utilities/Graphics/Font.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <vector>

namespace KX {

class LMeasurementRenderer : public virtual LRefCountedObject {
public:
    // Whole pixels; ascent is negative (from the baseline up to the top of the cell).
    [[nodiscard]] virtual KXRESULT GetFontMetrics(const RCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                                                  int32_t& descent) = 0;
    virtual RectT<float>& MeasureText(RectT<float>& out, const String& text, const RCPtr<LFont>& font) = 0;
};

class LRenderer : public LMeasurementRenderer {
public:
    enum Kind { kOpenGL = 0, kGdi = 1, kD3D9 = 2 };
    enum ResizeType { kStretch = 0, kTile = 1, kCenter = 2 };

    // Kind 0 the OpenGL renderer on the window's GL context (its set-up failure throws the runtime
    // error), kind 1 the Cairo-backed renderer, kind 2 the inert shell; any other kind throws the
    // domain error. The client area is not used.
    static RCPtr<LRenderer> Create(int kind, const RectT<int32_t>& clientArea, Platform::HostWindow* window);

    ~LRenderer() override;

    virtual int GetRendererKind() = 0;
    // 0 when out holds a new context of this renderer's kind, else E_FAIL.
    [[nodiscard]] virtual KXRESULT InitRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window,
                                                         bool offscreen, RCPtr<LRenderContextInfo>& out) = 0;
    // These four return S_OK for the record only; callers may ignore it.
    virtual KXRESULT SetViewport(const RectT<int32_t>& viewport);
    virtual KXRESULT SetStencil(const RCPtr<LStencil>& stencil);
    virtual KXRESULT RenderStart(const RCPtr<LRenderContextInfo>& context);
    virtual KXRESULT RenderFinish(const RCPtr<LRenderContextInfo>& context);
    virtual void DrawText(const String& text, const RCPtr<LFont>& font, const PointT<int32_t>& position,
                          const LColor& colour) = 0;
    virtual void DrawRect(const RectT<int32_t>& rect, const LColor& colour, float lineWidth) = 0;
    // Blend false writes the colour's pixels, alpha included.
    virtual void FillRect(const RectT<int32_t>& rect, const LColor& colour, bool blend) = 0;
    virtual void FillAndFrameRect(const RectT<int32_t>& rect, const LColor& fill, const LColor& frame, float lineWidth);
    virtual void DrawColorRectList(ColorRectListT<float>& list, const PointT<double>& offset, bool useCache) = 0;
    virtual void DrawLine(const PointT<float>& from, const PointT<float>& to, const LColor& colour,
                          float lineWidth) = 0;
    // Point pairs (0, 1), (2, 3), ... as separate segments.
    virtual void DrawLines(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                           const PointT<float>& scale, bool keepCached) = 0;
    virtual void DrawPolyline(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                              const PointT<float>& scale, bool keepCached) = 0;
    virtual void DrawPolygon(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                             const PointT<float>& scale, bool keepCached) = 0;
    virtual void FillPolygon(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                             const PointT<float>& scale, bool keepCached) = 0;
    virtual void DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination, int resizeType) = 0;
    // E_INVALIDARG for a context that is not an offscreen context of this renderer's kind.
    [[nodiscard]] virtual KXRESULT DrawRenderContext(const RCPtr<LRenderContextInfo>& source,
                                                     const PointT<int32_t>& destination,
                                                     const RectT<int32_t>& sourceRect) = 0;
    [[nodiscard]] virtual KXRESULT ScrollRenderContext(const RCPtr<LRenderContextInfo>& context,
                                                       const PointT<int32_t>& offset) = 0;
    // Saves the state and moves the origin by the rounded offset, the clip staying where it was; does
    // nothing while no state is saved.
    virtual void PushOffsetClip(const PointT<double>& offset);
    virtual void PushClip(const RectT<double>& area, const RectT<double>& clip, const RCPtr<LStencil>& stencil,
                          bool intersect);
    virtual void PushState();
    virtual void PopClip();
    virtual void SetClipRect(const RectT<double>& clip);
    virtual void Translate(const PointT<double>& delta);

    // The last context started and not yet finished; null outside a frame.
    LRenderContextInfo* GetCurrentContext() const;

private:
    std::vector<RCPtr<LRenderContextInfo>> m_contexts;
};

// What CAutoClip pushes: flavour 0 a plain state, 1 a clip, 2 an offset.
struct ClipSpec {
    int flavour = 0;
    RectT<double> area;
    RectT<double> clip;
    RCPtr<LStencil> stencil;
    bool intersect = true;
    PointT<double> offset;
};

// Pushes on construction and pops once when it goes out of scope.
class CAutoClip {
public:
    CAutoClip(const RCPtr<LRenderer>& renderer, const ClipSpec& spec);
    CAutoClip(const RCPtr<LRenderer>& renderer, const RectT<double>& area, const RectT<double>& clip,
              const RCPtr<LStencil>& stencil, bool intersect = true);
    ~CAutoClip();
    CAutoClip(const CAutoClip&) = delete;
    CAutoClip& operator=(const CAutoClip&) = delete;

private:
    RCPtr<LRenderer> m_renderer;
};

} // namespace KX
