#include "KXFramework/Renderer/Gdi/GDIRenderer.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Platform/Graphics/FontSystem.h"
#include "KXFramework/Platform/Graphics/Painter.h"
#include "KXFramework/Platform/Graphics/Path.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Platform/Process/Clock.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace KX {

namespace {

constexpr double kPointsToPixels = 96.0 / 72.0;
constexpr float kUnitScaleTolerance = 1.1920929e-6f;

std::u16string_view View(const String& text)
{
    return {text.GetData(), text.GetLength()};
}

double ClampOffset(float v)
{
    return GeometryRules::Clamp(double(v), 4503599627370496.0);
}

Platform::RectD ToRectD(const RectT<int32_t>& r)
{
    return {double(r.x), double(r.y), double(r.width), double(r.height)};
}

// Draws source (a rectangle of an image) into destination by the resize type: stretched, tiled from
// the top-left, or centred with the offset truncated toward zero and cut to the destination.
void Paint(Platform::Painter& painter, const Platform::Surface& source, const RectT<int32_t>& sourceRect,
           const RectT<int32_t>& destination, int resizeType)
{
    switch (resizeType) {
    case LRenderer::kStretch:
        painter.DrawImage(source, ToRectD(sourceRect), ToRectD(destination), Platform::ImageMode::Stretch);
        break;
    case LRenderer::kTile:
        painter.DrawImage(source, ToRectD(sourceRect), ToRectD(destination), Platform::ImageMode::Repeat);
        break;
    default: {
        const int64_t ox = (int64_t(destination.width) - sourceRect.width) / 2;
        const int64_t oy = (int64_t(destination.height) - sourceRect.height) / 2;
        const int64_t left = std::max<int64_t>(ox, 0);
        const int64_t top = std::max<int64_t>(oy, 0);
        const int64_t right = std::min<int64_t>(ox + sourceRect.width, destination.width);
        const int64_t bottom = std::min<int64_t>(oy + sourceRect.height, destination.height);
        if (right <= left || bottom <= top)
            return;
        const RectT<int32_t> part{int32_t(sourceRect.x + left - ox), int32_t(sourceRect.y + top - oy),
                                  int32_t(right - left), int32_t(bottom - top)};
        const RectT<int32_t> target{int32_t(destination.x + left), int32_t(destination.y + top), part.width,
                                    part.height};
        painter.DrawImage(source, ToRectD(part), ToRectD(target), Platform::ImageMode::Copy);
        break;
    }
    }
}

} // namespace

LGDIRenderer::LCachedBitmap::LCachedBitmap(std::shared_ptr<Platform::Surface> s, const RectT<int32_t>& r)
    : surface(std::move(s)),
      source(r)
{
}

LGDIRenderer::LCachedBitmap::~LCachedBitmap() = default;

LGDIRenderer::LGraphicsPath::LGraphicsPath() : path(std::make_unique<Platform::Path>()) {}

LGDIRenderer::LGraphicsPath::~LGraphicsPath() = default;

unsigned LGDIRenderer::BitmapKeyTraits::Bucket(const CashableBitmapDescriptor& key)
{
    const auto* image = key.bitmap ? key.bitmap->GetImage().get() : nullptr;
    return unsigned((reinterpret_cast<uintptr_t>(image) >> 4) & 0xFF);
}

LGDIRenderer::LGDIRenderer() : m_lastPurgeTime(Platform::GetMilliseconds()) {}

LGDIRenderer::~LGDIRenderer() = default;

std::shared_ptr<Platform::FontFace> LGDIRenderer::Face(const LFont& font) const
{
    return Platform::FontSystem::Get().Match(View(font.GetFace()), (font.GetStyle() & LFont::kBold) != 0,
                                             (font.GetStyle() & LFont::kItalic) != 0);
}

KXRESULT LGDIRenderer::GetFontMetrics(const RCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent, int32_t& descent)
{
    if (!font)
        return E_INVALIDARG;
    const auto face = Face(*font);
    if (!face)
        return E_FAIL;
    const Platform::FaceMetrics& m = face->Metrics();
    const double s = font->GetSize();
    const double em = m.unitsPerEm;
    const double h = m.lineSpacing * s / em;
    lineHeight = GeometryRules::RoundToLong(h * kPointsToPixels + 0.499);
    ascent = GeometryRules::RoundToLong(m.cellAscent * s * -96.0 / (em * 72.0) - 0.499);
    descent = GeometryRules::RoundToLong(m.cellDescent * s * 96.0 / (em * 72.0) + 0.499);
    return S_OK;
}

RectT<float>& LGDIRenderer::MeasureText(RectT<float>& out, const String& text, const RCPtr<LFont>& font)
{
    out = {};
    if (text.IsEmpty() || !font)
        return out;
    int32_t lineHeight = 0;
    int32_t ascent = 0;
    int32_t descent = 0;
    if (GetFontMetrics(font, lineHeight, ascent, descent) != S_OK)
        return out;
    const auto face = Face(*font);
    const double px = font->GetSize() * kPointsToPixels;
    const auto scaled = face->AtPixelSize(px);
    if (!scaled)
        return out;
    // A sixth of an em stands for the left inset text gets in a layout box.
    double w = px / 6.0 + scaled->Advance(View(text));
    w = std::trunc(w + 0.9999);
    if (w > 0.0)
        w += 3.0;
    out = {0.0f, float(ascent), float(w), float(lineHeight)};
    return out;
}

KXRESULT LGDIRenderer::InitRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window,
                                             bool offscreen, RCPtr<LRenderContextInfo>& out)
{
    out = RCPtr<LRenderContextInfo>(new LGDIRenderContextInfo(viewport, window, offscreen));
    return out ? S_OK : E_FAIL;
}

void LGDIRenderer::ApplyState()
{
    Platform::Painter* painter = m_current ? m_current->GetGraphics() : nullptr;
    if (painter == nullptr)
        return;
    const RenderState& state = m_current->GetState();
    painter->SetTranslation(state.offset.x, state.offset.y);
    painter->SetClip(state.clip.x, state.clip.y, state.clip.width, state.clip.height);
}

KXRESULT LGDIRenderer::RenderStart(const RCPtr<LRenderContextInfo>& context)
{
    LRenderer::RenderStart(context);
    m_current = dynamic_cast<LGDIRenderContextInfo*>(context.Get());
    if (m_current) {
        m_current->PrepareSurfaces();
        ApplyState();
    }
    m_scale = 1.0f;
    return S_OK;
}

KXRESULT LGDIRenderer::RenderFinish(const RCPtr<LRenderContextInfo>& context)
{
    const RCPtr<LGDIRenderContextInfo> finishing = m_current;
    LRenderer::RenderFinish(context);
    if (finishing && finishing.Get() == context.Get())
        finishing->Present();
    m_current = dynamic_cast<LGDIRenderContextInfo*>(GetCurrentContext());

    const uint32_t now = Platform::GetMilliseconds();
    if (int32_t(now - m_lastPurgeTime) > int32_t(kPurgePeriodMs)) {
        m_bitmaps.Purge(m_lastPurgeStamp);
        m_lastPurgeStamp = m_bitmaps.GetStamp();
        m_lastPurgeTime = now;
    }
    return S_OK;
}

void LGDIRenderer::DrawText(const String& text, const RCPtr<LFont>& font, const PointT<int32_t>& position,
                            const LColor& colour)
{
    Platform::Painter* painter = m_current ? m_current->GetGraphics() : nullptr;
    if (painter == nullptr || !font || text.IsEmpty())
        return;
    const auto face = Face(*font);
    if (!face)
        return;
    const double px = m_scale * font->GetSize() * kPointsToPixels;
    const auto scaled = face->AtPixelSize(px);
    if (!scaled)
        return;
    const Platform::FaceMetrics& m = face->Metrics();
    const double unit = px / m.unitsPerEm;
    const double x = position.x + px / 6.0;
    // The text box's top is one pixel above the position.
    const double baseline = (position.y - 1) + m.cellAscent * unit;
    const uint32_t argb = colour.ToARGB();
    painter->DrawText(*scaled, x, baseline, View(text), argb);

    // Cairo draws no decorations: they are bars from the face's own positions and thicknesses.
    const int style = font->GetStyle();
    if ((style & (LFont::kUnderline | LFont::kStrikeout)) == 0)
        return;
    const double width = scaled->Advance(View(text));
    if (style & LFont::kUnderline) {
        const double thickness = std::max(1.0, std::round(m.underlineThickness * unit));
        const double top = std::round(baseline - m.underlinePosition * unit - thickness / 2);
        painter->FillRect(x, top, width, thickness, argb, Platform::Blend::Over);
    }
    if (style & LFont::kStrikeout) {
        const double thickness = std::max(1.0, std::round(m.strikeoutSize * unit));
        const double top = std::round(baseline - m.strikeoutPosition * unit);
        painter->FillRect(x, top, width, thickness, argb, Platform::Blend::Over);
    }
}

void LGDIRenderer::DrawRect(const RectT<int32_t>& rect, const LColor& colour, float lineWidth)
{
    if (Platform::Painter* painter = m_current ? m_current->GetGraphics() : nullptr)
        painter->StrokeRect(rect.x, rect.y, rect.width, rect.height, colour.ToARGB(), lineWidth);
}

void LGDIRenderer::FillRect(const RectT<int32_t>& rect, const LColor& colour, bool blend)
{
    // Without blending the colour replaces the pixels, in the state's coordinates and inside its clip.
    if (Platform::Painter* painter = m_current ? m_current->GetGraphics() : nullptr)
        painter->FillRect(rect.x, rect.y, rect.width, rect.height, colour.ToARGB(),
                          blend ? Platform::Blend::Over : Platform::Blend::Source);
}

void LGDIRenderer::DrawColorRectList(ColorRectListT<float>& list, const PointT<double>& offset, bool)
{
    Translate(offset);
    for (size_t i = std::min(list.rects.size(), list.colors.size()); i-- > 0;) {
        const RectT<float>& r = list.rects[i];
        const RectT<float> scaled{r.x * list.scaleX, r.y * list.scaleY, r.width * list.scaleX, r.height * list.scaleY};
        FillRect(scaled.ToLong(), LColor(list.colors[i]), true);
    }
    Translate({-offset.x, -offset.y});
}

void LGDIRenderer::DrawLine(const PointT<float>& from, const PointT<float>& to, const LColor& colour, float lineWidth)
{
    if (Platform::Painter* painter = m_current ? m_current->GetGraphics() : nullptr)
        painter->Line(from.x, from.y, to.x, to.y, colour.ToARGB(), lineWidth);
}

void LGDIRenderer::DrawPath(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                            const PointT<float>& scale, bool keepCached, PathKind kind)
{
    Platform::Painter* painter = m_current ? m_current->GetGraphics() : nullptr;
    if (painter == nullptr)
        return;
    RCPtr<LGraphicsPath>& entry = m_paths.GetEntry(polyline.handle, false);
    if (polyline.changed) {
        polyline.changed = false;
        entry = nullptr;
    }
    // The kind is kept with the path: one polyline drawn by two operations gets the path of each.
    if (!entry || entry->kind != int(kind)) {
        entry = RCPtr<LGraphicsPath>(new LGraphicsPath);
        entry->kind = int(kind);
        auto& figures = entry->path->figures;
        const auto& points = polyline.points;
        if (kind == PathKind::Lines) {
            for (size_t i = 0; i + 1 < points.size(); i += 2)
                figures.push_back({{{points[i].x, points[i].y}, {points[i + 1].x, points[i + 1].y}}, false});
        } else if (!points.empty()) {
            Platform::PathFigure figure;
            for (const PointT<float>& p : points)
                figure.points.push_back({p.x, p.y});
            figure.closed = kind != PathKind::Polyline;
            figures.push_back(std::move(figure));
        }
    }
    const PointT<double> moved{ClampOffset(offset.x), ClampOffset(offset.y)};
    Translate(moved);
    const bool unit =
        std::fabs(scale.x - 1.0f) < kUnitScaleTolerance && std::fabs(scale.y - 1.0f) < kUnitScaleTolerance;
    const double sx = unit ? 1.0 : scale.x;
    const double sy = unit ? 1.0 : scale.y;
    if (kind == PathKind::Fill)
        painter->FillPath(*entry->path, sx, sy, colour.ToARGB());
    else
        painter->StrokePath(*entry->path, sx, sy, colour.ToARGB(), polyline.lineWidth);
    Translate({-moved.x, -moved.y});
    if (!keepCached)
        entry = nullptr;
}

void LGDIRenderer::DrawLines(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                             const PointT<float>& scale, bool keepCached)
{
    DrawPath(polyline, colour, offset, scale, keepCached, PathKind::Lines);
}

void LGDIRenderer::DrawPolyline(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                                const PointT<float>& scale, bool keepCached)
{
    DrawPath(polyline, colour, offset, scale, keepCached, PathKind::Polyline);
}

void LGDIRenderer::DrawPolygon(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                               const PointT<float>& scale, bool keepCached)
{
    DrawPath(polyline, colour, offset, scale, keepCached, PathKind::Polygon);
}

void LGDIRenderer::FillPolygon(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                               const PointT<float>& scale, bool keepCached)
{
    DrawPath(polyline, colour, offset, scale, keepCached, PathKind::Fill);
}

RCPtr<LGDIRenderer::LCachedBitmap> LGDIRenderer::Prepare(const LBitmap& bitmap, int32_t width, int32_t height,
                                                         int resizeType) const
{
    const auto source = Platform::Surface::Wrap(bitmap.GetImage());
    if (!source)
        return nullptr;
    RectT<int32_t> sourceRect;
    bitmap.GetSourceRect(sourceRect.x, sourceRect.y, sourceRect.width, sourceRect.height);
    // At its own size a bitmap is drawn from its image, without a copy.
    if (resizeType == kStretch && sourceRect.width == width && sourceRect.height == height)
        return RCPtr<LCachedBitmap>(new LCachedBitmap(source, sourceRect));
    auto prepared = Platform::Surface::Create(width, height);
    if (!prepared)
        return nullptr;
    {
        Platform::Painter painter(*prepared);
        Paint(painter, *source, sourceRect, {0, 0, width, height}, resizeType);
    }
    prepared->Flush();
    return RCPtr<LCachedBitmap>(new LCachedBitmap(std::move(prepared), {0, 0, width, height}));
}

void LGDIRenderer::DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination, int resizeType)
{
    if (!m_current)
        throw Exception<std::runtime_error>(
            "Runtime Error : KX::LGDIRenderer::DrawBitmap : Renderer\\Gdi\\GDIRenderer : Line 568");
    Platform::Painter* painter = m_current->GetGraphics();
    if (!bitmap || painter == nullptr)
        return;
    const PointT<int32_t> size = PointT<double>{double(destination.width), double(destination.height)}.Round();
    if (size.x <= 0 || size.y <= 0)
        return;
    int sx, sy, sw, sh;
    bitmap->GetSourceRect(sx, sy, sw, sh);
    if (sw == size.x && sh == size.y)
        resizeType = kStretch;
    if (resizeType < kStretch || resizeType > kCenter)
        throw Exception<std::invalid_argument>("Invalid Argument : Invalid ResizeType passed to DrawBitmap. : "
                                               "KX::LGDIRenderer::DrawBitmap : Renderer\\Gdi\\GDIRenderer : Line 559");
    const RectT<int32_t> target{destination.x, destination.y, size.x, size.y};

    if (size.x > kMaxCachedSide || size.y > kMaxCachedSide) {
        if (const auto source = Platform::Surface::Wrap(bitmap->GetImage()))
            Paint(*painter, *source, {sx, sy, sw, sh}, target, resizeType);
        return;
    }
    RCPtr<LCachedBitmap>& entry = m_bitmaps.GetEntry({bitmap, size.x, size.y, resizeType}, false);
    if (!entry)
        entry = Prepare(*bitmap, size.x, size.y, resizeType);
    if (entry)
        painter->DrawImage(*entry->surface, ToRectD(entry->source), ToRectD(target), Platform::ImageMode::Copy);
}

KXRESULT LGDIRenderer::DrawRenderContext(const RCPtr<LRenderContextInfo>& source, const PointT<int32_t>& destination,
                                         const RectT<int32_t>& sourceRect)
{
    auto* context = dynamic_cast<LGDIRenderContextInfo*>(source.Get());
    if (context == nullptr || !context->IsOffscreen())
        return E_INVALIDARG;
    Platform::Painter* painter = m_current ? m_current->GetGraphics() : nullptr;
    if (painter == nullptr || context->GetSurface()->GetSurface() == nullptr)
        return E_FAIL;
    context->GetSurface()->DrawTo(*painter, destination, sourceRect);
    return S_OK;
}

KXRESULT LGDIRenderer::ScrollRenderContext(const RCPtr<LRenderContextInfo>& context, const PointT<int32_t>& offset)
{
    auto* target = dynamic_cast<LGDIRenderContextInfo*>(context.Get());
    if (target == nullptr || !target->IsOffscreen())
        return E_INVALIDARG;
    const RCPtr<LGDIRendererOffscreenSurface> old = target->GetSurface();
    target->SwapSurfaces();
    Platform::Surface* from = old->GetSurface();
    Platform::Surface* to = target->GetSurface()->GetSurface();
    if (from == nullptr || to == nullptr)
        return E_FAIL;
    // In surface coordinates, whatever the context's origin and clip.
    Platform::Painter painter(*to);
    painter.Clear();
    painter.DrawImage(*from, {0.0, 0.0, double(from->Width()), double(from->Height())},
                      {double(offset.x), double(offset.y), double(from->Width()), double(from->Height())},
                      Platform::ImageMode::Copy);
    return S_OK;
}

void LGDIRenderer::SetClipRect(const RectT<double>& clip)
{
    LRenderer::SetClipRect(clip);
    if (Platform::Painter* painter = m_current ? m_current->GetGraphics() : nullptr)
        painter->SetClip(clip.x, clip.y, clip.width, clip.height);
}

void LGDIRenderer::Translate(const PointT<double>& delta)
{
    LRenderer::Translate(delta);
    if (Platform::Painter* painter = m_current ? m_current->GetGraphics() : nullptr)
        painter->SetTranslation(m_current->GetState().offset.x, m_current->GetState().offset.y);
}

size_t LGDIRenderer::GetCachedBitmapBytes() const
{
    size_t bytes = 0;
    m_bitmaps.ForEachObject([&](const LCachedBitmap& cached) { bytes += cached.surface->OwnedBytes(); });
    return bytes;
}

} // namespace KX
