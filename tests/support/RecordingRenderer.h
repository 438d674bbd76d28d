#pragma once
// A renderer that draws nothing and records every call with the state it was made in: origin,
// clip, opacity factor and stencil flag. UI tests assert call sequences and balanced clips on it.
// Text measures as 7 pixels per character on a 16-pixel line (ascent -12, descent 4).
#include "KXFramework/Renderer/Renderer.h"

#include <string>
#include <vector>

namespace KX::Test {

class RecordingRenderContextInfo : public LRenderContextInfo {
public:
    using LRenderContextInfo::LRenderContextInfo;
    PointT<int32_t> GetMaxSurfaceSize() const override { return {4096, 4096}; }
};

struct RecordedCall {
    std::string name;
    RectT<double> rect;  // the rectangle, line or destination the call drew, in its own coordinates
    uint32_t argb = 0;   // the colour, packed
    std::u16string text; // DrawText
    int resizeType = -1; // DrawBitmap
    PointT<double> origin;
    RectT<double> clip;
    float opacity = 1.0f;
    bool stencilActive = false;
};

class RecordingRenderer : public LRenderer {
public:
    static constexpr float kCharWidth = 7.0f;

    std::vector<RecordedCall> calls;

    // Calls whose name is one of the drawing operations, in order.
    std::vector<RecordedCall> Named(const std::string& name) const
    {
        std::vector<RecordedCall> out;
        for (const RecordedCall& call : calls)
            if (call.name == name)
                out.push_back(call);
        return out;
    }

    KXRESULT GetFontMetrics(const RCPtr<LFont>&, int32_t& lineHeight, int32_t& ascent, int32_t& descent) override
    {
        lineHeight = 16;
        ascent = -12;
        descent = 4;
        return S_OK;
    }
    RectT<float>& MeasureText(RectT<float>& out, const String& text, const RCPtr<LFont>&) override
    {
        out = text.IsEmpty() ? RectT<float>{} : RectT<float>{0.0f, -12.0f, kCharWidth * text.GetLength(), 16.0f};
        return out;
    }
    int GetRendererKind() override { return 1; }
    KXRESULT InitRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window, bool offscreen,
                                   RCPtr<LRenderContextInfo>& out) override
    {
        out = RCPtr<LRenderContextInfo>(new RecordingRenderContextInfo(viewport, window, offscreen));
        return S_OK;
    }
    void DrawText(const String& text, const RCPtr<LFont>&, const PointT<int32_t>& p, const LColor& c) override
    {
        RecordedCall& call = Record("DrawText", {double(p.x), double(p.y), 0.0, 0.0}, c);
        call.text.assign(text.GetData(), text.GetLength());
    }
    void DrawRect(const RectT<int32_t>& r, const LColor& c, float) override { Record("DrawRect", r.ToDouble(), c); }
    void FillRect(const RectT<int32_t>& r, const LColor& c, bool blend) override
    {
        Record(blend ? "FillRect" : "FillRectNoBlend", r.ToDouble(), c);
    }
    void DrawColorRectList(ColorRectListT<float>&, const PointT<double>& o, bool) override
    {
        Record("DrawColorRectList", {o.x, o.y, 0.0, 0.0}, {});
    }
    void DrawLine(const PointT<float>& a, const PointT<float>& b, const LColor& c, float) override
    {
        Record("DrawLine", {a.x, a.y, double(b.x) - a.x, double(b.y) - a.y}, c);
    }
    void DrawLines(PolylineT<float>&, const LColor& c, const PointT<float>& o, const PointT<float>&, bool) override
    {
        Record("DrawLines", {o.x, o.y, 0.0, 0.0}, c);
    }
    void DrawPolyline(PolylineT<float>&, const LColor& c, const PointT<float>& o, const PointT<float>&, bool) override
    {
        Record("DrawPolyline", {o.x, o.y, 0.0, 0.0}, c);
    }
    void DrawPolygon(PolylineT<float>&, const LColor& c, const PointT<float>& o, const PointT<float>&, bool) override
    {
        Record("DrawPolygon", {o.x, o.y, 0.0, 0.0}, c);
    }
    void FillPolygon(PolylineT<float>&, const LColor& c, const PointT<float>& o, const PointT<float>&, bool) override
    {
        Record("FillPolygon", {o.x, o.y, 0.0, 0.0}, c);
    }
    void DrawBitmap(const RCPtr<LBitmap>&, const RectT<int32_t>& d, int resizeType) override
    {
        Record("DrawBitmap", d.ToDouble(), {}).resizeType = resizeType;
    }
    KXRESULT DrawRenderContext(const RCPtr<LRenderContextInfo>&, const PointT<int32_t>& d,
                               const RectT<int32_t>& s) override
    {
        Record("DrawRenderContext", {double(d.x), double(d.y), double(s.width), double(s.height)}, {});
        return S_OK;
    }
    KXRESULT ScrollRenderContext(const RCPtr<LRenderContextInfo>&, const PointT<int32_t>& o) override
    {
        Record("ScrollRenderContext", {double(o.x), double(o.y), 0.0, 0.0}, {});
        return S_OK;
    }

private:
    RecordedCall& Record(const char* name, const RectT<double>& rect, const LColor& colour)
    {
        RecordedCall call;
        call.name = name;
        call.rect = rect;
        call.argb = colour.ToARGB();
        if (LRenderContextInfo* context = GetCurrentContext()) {
            const RenderState& state = context->GetState();
            call.origin = state.offset;
            call.clip = state.clip;
            call.opacity = state.opacity;
            call.stencilActive = state.stencilActive;
        }
        calls.push_back(call);
        return calls.back();
    }
};

} // namespace KX::Test
