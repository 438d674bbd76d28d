#include "KXFramework/Renderer/Renderer.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Renderer/D3D9Renderer.h"
#include "KXFramework/Renderer/FontRenderer/FreetypeFontRenderer.h"
#include "KXFramework/Renderer/Gdi/GDIRenderer.h"
#include "KXFramework/Renderer/OpenGL/GLGlyphRenderer.h"
#include "KXFramework/Renderer/OpenGL/GLRenderer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace KX {

namespace {

double RoundHalfAway(double v)
{
    return std::trunc(v >= 0.0 ? v + 0.5 : v - 0.5);
}

} // namespace

RCPtr<LRenderer> LRenderer::Create(int kind, const RectT<int32_t>&, Platform::HostWindow* window)
{
    switch (kind) {
    case kOpenGL: {
        // One glyph renderer both measures and draws.
        RCPtr<LGlyphProcessor> glyphs(new LGLGlyphRenderer);
        return RCPtr<LRenderer>(new LGLRenderer(new LFreetypeFontRenderer(glyphs, glyphs), window));
    }
    case kGdi:
        return RCPtr<LRenderer>(new LGDIRenderer);
    case kD3D9:
        return RCPtr<LRenderer>(new LD3D9Renderer);
    default:
        throw Exception<std::domain_error>("Domain Error : KX::LRenderer::Create : Renderer\\Renderer : Line 122");
    }
}

LRenderer::~LRenderer() = default;

LRenderContextInfo* LRenderer::GetCurrentContext() const
{
    return m_contexts.empty() ? nullptr : m_contexts.back().Get();
}

KXRESULT LRenderer::SetViewport(const RectT<int32_t>& viewport)
{
    if (LRenderContextInfo* context = GetCurrentContext())
        context->SetViewport(viewport);
    return S_OK;
}

KXRESULT LRenderer::SetStencil(const RCPtr<LStencil>& stencil)
{
    if (LRenderContextInfo* context = GetCurrentContext())
        context->GetState().stencil = stencil;
    return S_OK;
}

KXRESULT LRenderer::RenderStart(const RCPtr<LRenderContextInfo>& context)
{
    if (!context)
        throw Exception<std::runtime_error>(
            "Runtime Error : Render context is NULL : KX::LRenderer::RenderStart : Renderer\\Renderer : Line 231");
    if (std::find(m_contexts.begin(), m_contexts.end(), context) != m_contexts.end())
        throw Exception<std::runtime_error>(
            "Runtime Error : Render context reentered. : KX::LRenderer::RenderStart : Renderer\\Renderer : Line 237");
    m_contexts.push_back(context);
    return S_OK;
}

KXRESULT LRenderer::RenderFinish(const RCPtr<LRenderContextInfo>& context)
{
    if (m_contexts.empty())
        return S_OK;
    if (m_contexts.back() != context)
        throw Exception<std::runtime_error>("Runtime Error : RenderFinish context does not match RenderStart context "
                                            ": KX::LRenderer::RenderFinish : Renderer\\Renderer : Line 250");
    m_contexts.pop_back();
    return S_OK;
}

void LRenderer::FillAndFrameRect(const RectT<int32_t>& rect, const LColor& fill, const LColor& frame, float lineWidth)
{
    if (fill.a > 0.0f)
        FillRect(rect, fill, true);
    if (frame.a > 0.0f)
        DrawRect(rect, frame, lineWidth);
}

void LRenderer::Translate(const PointT<double>& delta)
{
    if (LRenderContextInfo* context = GetCurrentContext()) {
        context->GetState().offset.x += delta.x;
        context->GetState().offset.y += delta.y;
    }
}

void LRenderer::SetClipRect(const RectT<double>& clip)
{
    if (LRenderContextInfo* context = GetCurrentContext())
        context->GetState().clip = clip;
}

void LRenderer::PushState()
{
    if (LRenderContextInfo* context = GetCurrentContext())
        context->GetStateStack().push_back(context->GetState());
}

void LRenderer::PushOffsetClip(const PointT<double>& offset)
{
    LRenderContextInfo* context = GetCurrentContext();
    if (context == nullptr || context->GetStateStack().empty())
        return;
    PushState();
    const PointT<double> p{RoundHalfAway(offset.x), RoundHalfAway(offset.y)};
    Translate(p);
    context->GetState().clip.x -= p.x;
    context->GetState().clip.y -= p.y;
}

void LRenderer::PushClip(const RectT<double>& area, const RectT<double>& clip, const RCPtr<LStencil>& stencil,
                         bool intersect)
{
    LRenderContextInfo* context = GetCurrentContext();
    if (context == nullptr)
        return;
    PointT<double> o{area.x, area.y};
    if (!intersect) {
        o.x -= context->GetState().offset.x;
        o.y -= context->GetState().offset.y;
    }
    o = {RoundHalfAway(o.x), RoundHalfAway(o.y)};
    PushState();
    RectT<double> r = clip;
    if (intersect) {
        r = RectT<double>::Intersection(r, area);
        r = RectT<double>::Intersection(r, context->GetState().clip);
        // Nothing in common clips everything; flipping the negative extent would open the gap between.
        r.width = std::max(r.width, 0.0);
        r.height = std::max(r.height, 0.0);
    }
    r.Normalize();
    SetClipRect(r);
    Translate(o);
    if (intersect) {
        context->GetState().clip.x -= o.x;
        context->GetState().clip.y -= o.y;
    }
    if (stencil) {
        RenderState& state = context->GetState();
        if (state.stencilActive) {
            RCPtr<LStencil> nested(new LStencil);
            nested->values[0] = stencil->values[0];
            nested->values[1] = stencil->values[1];
            nested->values[4] = stencil->values[0];
            nested->values[5] = stencil->values[1];
            SetStencil(nested);
        } else {
            SetStencil(stencil);
            state.stencilActive = true;
        }
    }
}

void LRenderer::PopClip()
{
    LRenderContextInfo* context = GetCurrentContext();
    if (context == nullptr || context->GetStateStack().empty())
        return;
    const RenderState saved = context->GetStateStack().back();
    context->GetStateStack().pop_back();
    const PointT<double>& now = context->GetState().offset;
    Translate({saved.offset.x - now.x, saved.offset.y - now.y});
    context->GetState().opacity = saved.opacity;
    SetClipRect(saved.clip);
    SetStencil(saved.stencil);
    context->GetState().stencilActive = saved.stencilActive;
}

CAutoClip::CAutoClip(const RCPtr<LRenderer>& renderer, const ClipSpec& spec) : m_renderer(renderer)
{
    switch (spec.flavour) {
    case 0:
        m_renderer->PushState();
        break;
    case 1:
        m_renderer->PushClip(spec.area, spec.clip, spec.stencil, spec.intersect);
        break;
    case 2:
        m_renderer->PushOffsetClip(spec.offset);
        break;
    default:
        throw Exception<std::runtime_error>(
            "Runtime Error : Unknown PushClip flavor : KX::CAutoClip::CAutoClip : Renderer\\Renderer : Line 404");
    }
}

CAutoClip::CAutoClip(const RCPtr<LRenderer>& renderer, const RectT<double>& area, const RectT<double>& clip,
                     const RCPtr<LStencil>& stencil, bool intersect)
    : m_renderer(renderer)
{
    m_renderer->PushClip(area, clip, stencil, intersect);
}

CAutoClip::~CAutoClip()
{
    m_renderer->PopClip();
}

} // namespace KX
