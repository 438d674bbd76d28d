#pragma once
// The renderer of kind 2: it draws nothing and succeeds, so that a window given this kind runs with
// an empty picture. Frames do not reach the context stack.
#include "KXFramework/Renderer/Renderer.h"

namespace KX {

class LD3D9RenderContextInfo : public LRenderContextInfo {
public:
    using LRenderContextInfo::LRenderContextInfo;
    PointT<int32_t> GetMaxSurfaceSize() const override { return {0, 0}; }
};

class LD3D9Renderer : public LRenderer {
public:
    [[nodiscard]] KXRESULT GetFontMetrics(const RCPtr<LFont>&, int32_t&, int32_t&, int32_t&) override { return S_OK; }
    RectT<float>& MeasureText(RectT<float>& out, const String&, const RCPtr<LFont>&) override
    {
        out = {};
        return out;
    }
    int GetRendererKind() override { return kD3D9; }
    [[nodiscard]] KXRESULT InitRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window,
                                                 bool offscreen, RCPtr<LRenderContextInfo>& out) override;
    KXRESULT RenderStart(const RCPtr<LRenderContextInfo>&) override { return S_OK; }
    KXRESULT RenderFinish(const RCPtr<LRenderContextInfo>&) override { return S_OK; }
    void DrawText(const String&, const RCPtr<LFont>&, const PointT<int32_t>&, const LColor&) override {}
    void DrawRect(const RectT<int32_t>&, const LColor&, float) override {}
    void FillRect(const RectT<int32_t>&, const LColor&, bool) override {}
    void FillAndFrameRect(const RectT<int32_t>&, const LColor&, const LColor&, float) override {}
    void DrawColorRectList(ColorRectListT<float>&, const PointT<double>&, bool) override {}
    void DrawLine(const PointT<float>&, const PointT<float>&, const LColor&, float) override {}
    void DrawLines(PolylineT<float>&, const LColor&, const PointT<float>&, const PointT<float>&, bool) override {}
    void DrawPolyline(PolylineT<float>&, const LColor&, const PointT<float>&, const PointT<float>&, bool) override {}
    void DrawPolygon(PolylineT<float>&, const LColor&, const PointT<float>&, const PointT<float>&, bool) override {}
    void FillPolygon(PolylineT<float>&, const LColor&, const PointT<float>&, const PointT<float>&, bool) override {}
    void DrawBitmap(const RCPtr<LBitmap>&, const RectT<int32_t>&, int) override {}
    [[nodiscard]] KXRESULT DrawRenderContext(const RCPtr<LRenderContextInfo>&, const PointT<int32_t>&,
                                             const RectT<int32_t>&) override
    {
        return E_NOTIMPL;
    }
    [[nodiscard]] KXRESULT ScrollRenderContext(const RCPtr<LRenderContextInfo>&, const PointT<int32_t>&) override
    {
        return E_NOTIMPL;
    }
};

} // namespace KX
