#include "KXFramework/Renderer/OpenGL/GLRenderer.h"

#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Platform/Process/Clock.h"
#include "KXFramework/Platform/Text/TextConversion.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Renderer/OpenGL/GLImage.h"
#include "KXFramework/Renderer/OpenGL/GLPolygon.h"
#include "KXFramework/Renderer/OpenGL/GLRenderContextInfo.h"
#include "KXFramework/Utilities/Graphics/Font.h"

#include <GL/gl.h>

#include <cmath>
#include <stdexcept>
#include <utility>

namespace KX {

namespace {

LGLRenderer::ErrorBox& TheErrorBox()
{
    static LGLRenderer::ErrorBox box;
    return box;
}

[[noreturn]] void Fail(const char16_t* messageKey, const char* text)
{
    if (TheErrorBox())
        TheErrorBox()(messageKey);
    else
        DebugLog("%s: %s", Platform::Utf8FromUtf16(messageKey).c_str(), text);
    throw Exception<std::runtime_error>(text);
}

double RoundHalfAway(double v)
{
    return std::trunc(v >= 0.0 ? v + 0.5 : v - 0.5);
}

void Colour(const LColor& c)
{
    glColor4f(c.r, c.g, c.b, c.a);
}

// The rectangle in doubles, each value clamped, snapped to whole pixels.
RectT<double> Snapped(const RectT<int32_t>& rect)
{
    constexpr double limit = 4503599627370496.0;
    RectT<double> r{GeometryRules::Clamp(rect.x, limit), GeometryRules::Clamp(rect.y, limit),
                    GeometryRules::Clamp(rect.width, limit), GeometryRules::Clamp(rect.height, limit)};
    r.Normalize();
    return r;
}

bool IsGlOffscreen(const RCPtr<LRenderContextInfo>& context)
{
    const auto* gl = dynamic_cast<const LGLRenderContextInfo*>(context.Get());
    return gl != nullptr && gl->IsOffscreen();
}

} // namespace

void LGLRenderer::SetErrorBox(ErrorBox box)
{
    TheErrorBox() = std::move(box);
}

LGLRenderer::LGLRenderer(const RCPtr<LFontRenderer>& fontRenderer, Platform::HostWindow* window)
    : m_fontRenderer(fontRenderer),
      m_window(window),
      m_lastPurgeTime(Platform::GetMilliseconds())
{
    if (window == nullptr)
        Fail(u"GL_ERROR_MESSAGE_SET_PIXEL_FORMAT",
             "Runtime Error : KX::LGLRenderer::LGLRenderer : Renderer\\OpenGL\\GLRenderer : Line 163");
    // A window not made GL-capable refuses a context as well.
    if (!window->CreateGlContext())
        Fail(u"GL_ERROR_MESSAGE_CREATE_CONTEXT",
             "Runtime Error : KX::LGLRenderer::LGLRenderer : Renderer\\OpenGL\\GLRenderer : Line 173");
}

LGLRenderer::~LGLRenderer()
{
    // The cached lists and textures are deleted in this context.
    m_window->MakeGlCurrent();
}

KXRESULT LGLRenderer::GetFontMetrics(const RCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent, int32_t& descent)
{
    if (!m_fontRenderer)
        return E_FAIL;
    return m_fontRenderer->GetFontMetrics(font, lineHeight, ascent, descent);
}

RectT<float>& LGLRenderer::MeasureText(RectT<float>& out, const String& text, const RCPtr<LFont>& font)
{
    out = {};
    if (m_fontRenderer && font)
        m_fontRenderer->MeasureText(out, text, font);
    return out;
}

KXRESULT LGLRenderer::InitRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window,
                                            bool offscreen, RCPtr<LRenderContextInfo>& out)
{
    // The one GL context is the renderer's window's: a window context of another window could never
    // be shown.
    if (!offscreen && window != m_window)
        return E_FAIL;
    m_window->MakeGlCurrent();
    out = RCPtr<LRenderContextInfo>(new LGLRenderContextInfo(viewport, window, offscreen));

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (GLenum off : {GL_LIGHTING, GL_DITHER, GL_DEPTH_TEST, GL_CULL_FACE, GL_POLYGON_SMOOTH})
        glDisable(off);
    for (GLenum on : {GL_TEXTURE_2D, GL_BLEND, GL_ALPHA_TEST, GL_POINT_SMOOTH, GL_LINE_SMOOTH, GL_SCISSOR_TEST})
        glEnable(on);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glAlphaFunc(GL_GREATER, 0.003921569f);
    glShadeModel(GL_SMOOTH);
    for (GLenum hint : {GL_LINE_SMOOTH_HINT, GL_PERSPECTIVE_CORRECTION_HINT, GL_POLYGON_SMOOTH_HINT})
        glHint(hint, GL_NICEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    DrainGlErrors();
    return S_OK;
}

KXRESULT LGLRenderer::SetViewport(const RectT<int32_t>& viewport)
{
    LRenderer::SetViewport(viewport);
    glViewport(viewport.x, viewport.y, viewport.width, viewport.height);
    GLint actual[4] = {};
    glGetIntegerv(GL_VIEWPORT, actual);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, actual[2], actual[3], 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    return S_OK;
}

void LGLRenderer::ApplyScissor(const RectT<double>& clip)
{
    const LRenderContextInfo* context = GetCurrentContext();
    if (context == nullptr)
        return;
    const RectT<int32_t>& viewport = context->GetViewport();
    double left = RoundHalfAway(clip.x);
    double bottom = RoundHalfAway(viewport.height - (clip.y + clip.height));
    double width = RoundHalfAway(clip.width);
    double height = RoundHalfAway(clip.height);
    if (left < 0.0) {
        width += left;
        left = 0.0;
    }
    if (bottom < 0.0) {
        height += bottom;
        bottom = 0.0;
    }
    // GL takes 32-bit sizes; nothing of a viewport lies beyond them.
    constexpr double limit = 2147483647.0;
    if (width > 0.0 && height > 0.0 && left < limit && bottom < limit)
        glScissor(GLint(left), GLint(bottom), GLsizei(std::min(width, limit)), GLsizei(std::min(height, limit)));
    else
        glScissor(viewport.width, 0, 1, 1); // one pixel just outside the viewport: nothing is drawn
}

void LGLRenderer::ApplyClip()
{
    if (LRenderContextInfo* context = GetCurrentContext()) {
        const RenderState& state = context->GetState();
        ApplyScissor(
            {state.clip.x + state.offset.x, state.clip.y + state.offset.y, state.clip.width, state.clip.height});
    }
}

KXRESULT LGLRenderer::RenderStart(const RCPtr<LRenderContextInfo>& context)
{
    LRenderer::RenderStart(context);
    m_window->MakeGlCurrent();
    SetViewport(context->GetViewport());
    glPushMatrix();
    // The frame starts from the context's own state, whatever the GL matrix and scissor were.
    const RenderState& state = context->GetState();
    glLoadIdentity();
    glTranslated(state.offset.x, state.offset.y, 0.0);
    ApplyClip();
    return S_OK;
}

KXRESULT LGLRenderer::RenderFinish(const RCPtr<LRenderContextInfo>& context)
{
    DrainGlErrors();
    glPopMatrix();
    if (context && !context->IsOffscreen()) {
        // Buffer contents are undefined after a swap, so every window frame repaints everything.
        if (auto* gl = dynamic_cast<LGLRenderContextInfo*>(context.Get()))
            gl->SwapBuffers();
        DrainGlErrors();
    } else {
        glFlush();
    }
    LRenderer::RenderFinish(context);

    if (LRenderContextInfo* outer = GetCurrentContext()) {
        SetViewport(outer->GetViewport());
        ApplyClip();
        return S_OK;
    }
    const uint32_t now = Platform::GetMilliseconds();
    if (now - m_lastPurgeTime > kPurgePeriodMs) {
        m_lastPurgeTime = now;
        m_textures.Purge();
        for (ListCache* lists :
             {&m_fillPolygonLists, &m_polygonLists, &m_linesLists, &m_polylineLists, &m_colorRectLists})
            lists->Purge();
    }
    return S_OK;
}

void LGLRenderer::DrawText(const String& text, const RCPtr<LFont>& font, const PointT<int32_t>& position,
                           const LColor& colour)
{
    if (!m_fontRenderer || !font || text.IsEmpty())
        return;
    Colour(colour);
    const PointT<double> at{double(position.x), double(position.y)};
    Translate(at);
    RCPtr<LGlyphProcessor> processor = m_fontRenderer->GetMeasureProcessor();
    // Measure, keep the atlas uploaded and draw, in one pass.
    m_fontRenderer->ProcessText(text, font, processor, 0, 0.0f, 15);
    float left, top, right, bottom;
    m_fontRenderer->GetProcessorBounds(left, top, right, bottom);
    Translate({-at.x, -at.y});
}

void LGLRenderer::DrawRect(const RectT<int32_t>& rect, const LColor& colour, float lineWidth)
{
    glLineWidth(lineWidth);
    Colour(colour);
    const RectT<double> r = Snapped(rect);
    glBegin(GL_LINE_STRIP);
    glVertex2d(r.x, r.y);
    glVertex2d(r.x + r.width, r.y);
    glVertex2d(r.x + r.width, r.y + r.height);
    glVertex2d(r.x, r.y + r.height);
    glVertex2d(r.x, r.y);
    glEnd();
}

void LGLRenderer::FillRect(const RectT<int32_t>& rect, const LColor& colour, bool blend)
{
    if (blend) {
        Colour(colour);
        glDisable(GL_TEXTURE_2D);
        const RectT<double> r = Snapped(rect);
        glBegin(GL_QUADS);
        glVertex2d(r.x, r.y);
        glVertex2d(r.x + r.width, r.y);
        glVertex2d(r.x + r.width, r.y + r.height);
        glVertex2d(r.x, r.y + r.height);
        glEnd();
        return;
    }
    LRenderContextInfo* context = GetCurrentContext();
    if (context == nullptr)
        return;
    // The colour replaces the pixels inside the rectangle and the state's clip, as every renderer
    // writes it; a clear to transparent black whatever the colour would blank the area instead.
    const RenderState& state = context->GetState();
    RectT<double> area = RectT<double>::Intersection(
        {double(rect.x), double(rect.y), double(rect.width), double(rect.height)}, state.clip);
    area.x += state.offset.x;
    area.y += state.offset.y;
    ApplyScissor(area);
    glClearColor(colour.r, colour.g, colour.b, colour.a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    ApplyClip();
}

template <class Draw>
void LGLRenderer::DrawCached(int handle, bool& changed, bool cacheable, ListCache& own, ListCache* other, Draw draw)
{
    if (!cacheable) {
        own.cache.Remove(handle);
        if (other != nullptr)
            other->cache.Remove(handle);
        draw();
        return;
    }
    const bool wasChanged = std::exchange(changed, false);
    if (wasChanged && other != nullptr)
        other->cache.Remove(handle);
    RCPtr<LGLDisplayList>& entry = own.cache.GetEntry(handle, wasChanged);
    if (entry && entry->Call(0, 1) == S_OK)
        return;
    LGLDisplayList::Create(entry, 1);
    if (entry->BeginList(0) != S_OK) {
        // No list to compile into: drawn directly, and tried again next time.
        entry = nullptr;
        draw();
        return;
    }
    draw();
    static_cast<void>(entry->EndList()); // a list that did not compile draws nothing
    ++m_compiledLists;
    static_cast<void>(entry->Call(0, 1)); // as above
}

void LGLRenderer::DrawColorRectList(ColorRectListT<float>& list, const PointT<double>& offset, bool useCache)
{
    glPushMatrix();
    glTranslated(offset.x, offset.y, 0.0);
    bool changed = false; // a list carries no changed flag; its owner gives it a new handle instead
    DrawCached(list.handle, changed, useCache, m_colorRectLists, nullptr, [&] {
        for (size_t i = std::min(list.rects.size(), list.colors.size()); i-- > 0;) {
            const RectT<float>& r = list.rects[i];
            const RectT<float> scaled{r.x * list.scaleX, r.y * list.scaleY, r.width * list.scaleX,
                                      r.height * list.scaleY};
            FillRect(scaled.ToLong(), LColor(list.colors[i]), true);
        }
    });
    glPopMatrix();
}

void LGLRenderer::DrawLine(const PointT<float>& from, const PointT<float>& to, const LColor& colour, float lineWidth)
{
    glLineWidth(lineWidth);
    Colour(colour);
    glBegin(GL_LINES);
    glVertex2f(from.x, from.y);
    glVertex2f(to.x, to.y);
    glEnd();
}

void LGLRenderer::DrawLines(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                            const PointT<float>& scale, bool keepCached)
{
    DrawVertices(polyline, colour, offset, scale, keepCached, m_linesLists, GL_LINES);
}

void LGLRenderer::DrawPolyline(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                               const PointT<float>& scale, bool keepCached)
{
    DrawVertices(polyline, colour, offset, scale, keepCached, m_polylineLists, GL_LINE_STRIP);
}

void LGLRenderer::DrawVertices(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                               const PointT<float>& scale, bool keepCached, ListCache& lists, unsigned mode)
{
    glPushMatrix();
    glTranslatef(offset.x, offset.y, 0.0f);
    glScalef(scale.x, scale.y, 1.0f);
    glDisable(GL_TEXTURE_2D);
    Colour(colour);
    DrawCached(polyline.handle, polyline.changed, keepCached, lists, nullptr, [&] {
        glLineWidth(polyline.lineWidth);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(2, GL_FLOAT, sizeof(PointT<float>), polyline.points.data());
        glDrawArrays(GLenum(mode), 0, GLsizei(polyline.points.size()));
        glDisableClientState(GL_VERTEX_ARRAY);
    });
    glPopMatrix();
}

void LGLRenderer::DrawPolygon(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                              const PointT<float>& scale, bool keepCached)
{
    glPushMatrix();
    glTranslatef(offset.x, offset.y, 0.0f);
    glScalef(scale.x, scale.y, 1.0f);
    Colour(colour);
    glLineWidth(polyline.lineWidth);
    DrawCached(polyline.handle, polyline.changed, keepCached, m_polygonLists, &m_fillPolygonLists, [&] {
        // GL's own outline: the strip is not closed by the renderer.
        glBegin(GL_LINE_STRIP);
        for (const PointT<float>& p : polyline.points)
            glVertex2f(p.x, p.y);
        glEnd();
    });
    glPopMatrix();
}

void LGLRenderer::FillPolygon(PolylineT<float>& polyline, const LColor& colour, const PointT<float>& offset,
                              const PointT<float>& scale, bool keepCached)
{
    glPushMatrix();
    glTranslatef(offset.x, offset.y, 0.0f);
    glScalef(scale.x, scale.y, 1.0f);
    Colour(colour);
    glDisable(GL_TEXTURE_2D);
    DrawCached(polyline.handle, polyline.changed, keepCached, m_fillPolygonLists, &m_polygonLists,
               [&] { CGLPolygon().Draw(polyline.points.data(), unsigned(polyline.points.size())); });
    glPopMatrix();
}

void LGLRenderer::DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination, int resizeType)
{
    if (!bitmap)
        ThrowIfFailed(E_INVALIDARG, " : KX::LGLRenderer::DrawBitmap : Renderer\\OpenGL\\GLRenderer : Line 1104");
    const int sw = bitmap->GetWidth();
    const int sh = bitmap->GetHeight();
    RCPtr<LGLTexture>& texture = m_textures.cache.GetEntry(bitmap.Get(), false);
    if (!texture || texture->GetName() == LGLTexture::kNoName || !glIsTexture(texture->GetName())) {
        texture = new LGLTexture;
        texture->SetBitmap(bitmap);
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    if (sw == destination.width && sh == destination.height)
        resizeType = kStretch;
    // The texture holds the bitmap's rectangle alone, at its top-left, scaled when GL needed it smaller.
    const float tx1 = texture->GetImageWidth(), ty1 = texture->GetImageHeight();
    const float dx = float(destination.x), dy = float(destination.y);
    switch (resizeType) {
    case kStretch:
        texture->DrawQuad(0.0f, 0.0f, tx1, ty1, dx, dy, dx + float(destination.width), dy + float(destination.height));
        break;
    case kTile: {
        if (sw <= 0 || sh <= 0)
            break;
        // Whole tiles column by column; the last ones overhang the destination.
        const int64_t right = int64_t(destination.x) + destination.width;
        const int64_t bottom = int64_t(destination.y) + destination.height;
        for (int64_t x = destination.x; x < right; x += sw)
            for (int64_t y = destination.y; y < bottom; y += sh)
                texture->DrawQuad(0.0f, 0.0f, tx1, ty1, float(x), float(y), float(x + sw), float(y + sh));
        break;
    }
    case kCenter: {
        const float x = dx + float((int64_t(destination.width) - sw) / 2);
        const float y = dy + float((int64_t(destination.height) - sh) / 2);
        texture->DrawQuad(0.0f, 0.0f, tx1, ty1, x, y, x + float(sw), y + float(sh));
        break;
    }
    default:
        throw Exception<std::logic_error>("Logic Error : Invalid ResizeType passed to DrawBitmap! : "
                                          "KX::LGLRenderer::DrawBitmap : Renderer\\OpenGL\\GLRenderer : Line 1154");
    }
}

KXRESULT LGLRenderer::DrawRenderContext(const RCPtr<LRenderContextInfo>& source, const PointT<int32_t>&,
                                        const RectT<int32_t>&)
{
    // Nothing fills a texture with an offscreen context's pixels: drawing one would show a white quad.
    return IsGlOffscreen(source) ? E_NOTIMPL : E_INVALIDARG;
}

KXRESULT LGLRenderer::ScrollRenderContext(const RCPtr<LRenderContextInfo>& context, const PointT<int32_t>&)
{
    return IsGlOffscreen(context) ? E_NOTIMPL : E_INVALIDARG;
}

void LGLRenderer::SetClipRect(const RectT<double>& clip)
{
    LRenderer::SetClipRect(clip);
    ApplyClip();
}

void LGLRenderer::Translate(const PointT<double>& delta)
{
    if (GetCurrentContext() == nullptr)
        return;
    LRenderer::Translate(delta);
    if (delta.x != 0.0 || delta.y != 0.0)
        glTranslatef(float(delta.x), float(delta.y), 0.0f);
}

} // namespace KX
