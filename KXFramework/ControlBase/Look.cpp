#include "KXFramework/ControlBase/Look.h"

#include "KXFramework/ObjectBase/Exception.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace KX {

namespace {

constexpr double kMinExtent = 2.220446049250313e-16;
constexpr float kFloatSizeLimit = 8388608.0f;

float ClampSize(int32_t v)
{
    return std::clamp(float(v), -kFloatSizeLimit, kFloatSizeLimit);
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

bool Overlaps(const RectT<double>& a, const RectT<double>& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

} // namespace

RCPtr<LLook> LLook::Create(const RCPtr<LLookDescriptor>& descriptor, bool wrapText)
{
    RCPtr<LLook> look(new LLook);
    static_cast<void>(look->Initialize(descriptor, wrapText)); // a look without a descriptor draws nothing
    return look;
}

KXRESULT LLook::Initialize(const RCPtr<LLookDescriptor>& descriptor, bool wrapText)
{
    m_descriptor = descriptor;
    const LLookDescriptor* d = descriptor.Get();
    m_textForegroundPart = d ? LVisualPart::FromDescriptor(d->textForegroundPart) : nullptr;
    if (!d || !d->hasTextProperties) {
        m_fontText = nullptr;
    } else {
        if (!m_fontText)
            m_fontText = RCPtr<LFontText>(new LFontText);
        m_fontText->SetWrap(wrapText);
        m_fontText->SetAlignment(d->text.horizontalAlignment, d->text.verticalAlignment);
    }
    m_clientPart = d && d->clientPart ? LVisualPart::FromDescriptor(d->clientPart->part) : nullptr;
    const size_t count = d ? d->nonClientParts.GetCount() : 0;
    m_partRects.assign(count, RectT<int32_t>{});
    m_parts.assign(count, RCPtr<LVisualPart>());
    const PointT<int32_t> size = m_size;
    m_size = {0, 0};
    SetSize(size);
    return S_OK;
}

bool LLook::SetSize(const PointT<int32_t>& size)
{
    if (size == m_size)
        return true;
    m_size = size;
    const int32_t W = size.x;
    const int32_t H = size.y;
    DockSpec client;
    if (m_descriptor && m_descriptor->clientPart)
        client = m_descriptor->clientPart->dock;
    m_clientRect.x = Clamp(client.offsetLeft, 0, std::max(W, 0));
    m_clientRect.y = Clamp(client.offsetTop, 0, std::max(H, 0));
    m_clientRect.width = Clamp(W - m_clientRect.x + client.offsetRight, 0, std::max(W - m_clientRect.x, 0));
    m_clientRect.height = Clamp(H - m_clientRect.y + client.offsetBottom, 0, std::max(H - m_clientRect.y, 0));

    for (size_t i = 0; i < m_parts.size(); ++i) {
        const LDockedPart& docked = *m_descriptor->nonClientParts.GetAt(static_cast<unsigned>(i));
        const DockSpec& dock = docked.dock;
        const int32_t naturalW = dock.hasFixedWidth ? dock.fixedWidth : (docked.part ? docked.part->naturalWidth : 0);
        const int32_t naturalH =
            dock.hasFixedHeight ? dock.fixedHeight : (docked.part ? docked.part->naturalHeight : 0);
        auto axis = [](bool nearDocked, bool farDocked, int32_t nearOffset, int32_t farOffset, int32_t extent,
                       int32_t natural, int32_t& lo, int32_t& hi) {
            if (nearDocked)
                lo = nearOffset;
            if (farDocked)
                hi = extent + farOffset;
            if (farDocked && !nearDocked)
                lo = hi - natural;
            else if (nearDocked && !farDocked)
                hi = lo + natural;
            else if (!nearDocked && !farDocked) {
                lo = (extent - natural) / 2;
                hi = lo + natural;
            }
        };
        int32_t left = 0, right = 0, top = 0, bottom = 0;
        axis(dock.edges & DockSpec::kLeft, dock.edges & DockSpec::kRight, dock.offsetLeft, dock.offsetRight, W,
             naturalW, left, right);
        axis(dock.edges & DockSpec::kTop, dock.edges & DockSpec::kBottom, dock.offsetTop, dock.offsetBottom, H,
             naturalH, top, bottom);
        m_partRects[i] = {left, top, right - left, bottom - top};
        m_parts[i] = LVisualPart::FromDescriptor(docked.part);
    }

    if (m_fontText) {
        const RectT<float> area = GetTextArea(float(W), float(H));
        const PointT<int32_t> box{GeometryRules::RoundToLong(area.width), GeometryRules::RoundToLong(area.height)};
        if (box != m_textBox) {
            m_textBox = box;
            m_fontText->SetBox(box.x, box.y);
        }
        m_textPos = {int32_t(area.x), int32_t(area.y)};
    }
    return true;
}

RectT<float> LLook::GetTextArea(float width, float height) const
{
    if (!m_descriptor || !m_descriptor->hasTextProperties)
        return {};
    const TextAreaSpec& t = m_descriptor->text;
    const float left = float(t.leftAbsolute) + t.leftRelative * width;
    const float right = float(t.rightAbsolute) + t.rightRelative * width;
    const float top = float(t.topAbsolute) + t.topRelative * height;
    const float bottom = float(t.bottomAbsolute) + t.bottomRelative * height;
    return {left, top, right - left, bottom - top};
}

bool LLook::SetText(const String& text)
{
    if (!m_fontText)
        return true;
    return m_fontText->SetText(text);
}

bool LLook::SetFont(const RCPtr<LFont>& font)
{
    if (!m_fontText)
        return true;
    return m_fontText->SetFont(font);
}

KXRESULT LLook::SetBitmap(const RCPtr<LBitmap>& bitmap, int32_t resizeType, bool replaceClient)
{
    if (!bitmap) {
        if (!m_imagePart)
            return S_FALSE;
        m_imagePart = nullptr;
        return S_OK;
    }
    m_imagePart = LVisualPart::Create(String(), bitmap, resizeType, nullptr, {}, 1.0f, nullptr);
    m_imageReplacesClient = replaceClient;
    return S_OK;
}

uint32_t LLook::GetColorAtPoint(const PointT<double>& point) const
{
    uint32_t colour = 0x00FFFFFFu;
    auto transparent = [&colour] { return (colour >> 24) == 0; };
    for (size_t i = 0; i < m_parts.size() && transparent(); ++i) {
        if (!m_parts[i])
            continue;
        const RectT<int32_t>& r = m_partRects[i];
        colour = m_parts[i]->GetColorAtPoint(PointT<float>{float(point.x - r.x), float(point.y - r.y)},
                                             PointT<float>{ClampSize(r.width), ClampSize(r.height)});
    }
    const PointT<float> inClient{float(point.x - m_clientRect.x), float(point.y - m_clientRect.y)};
    const PointT<float> clientSize{ClampSize(m_clientRect.width), ClampSize(m_clientRect.height)};
    if (transparent() && m_imagePart)
        colour = m_imagePart->GetColorAtPoint(inClient, clientSize);
    if (transparent() && m_clientPart)
        colour = m_clientPart->GetColorAtPoint(inClient, clientSize);
    return colour;
}

LRectList LLook::DrawRegion(const RCPtr<LRenderer>& renderer, const LRectList& dirty) const
{
    if (m_region.Count() == 0)
        return dirty;
    LRectList region(m_region);
    if (LRenderContextInfo* context = renderer->GetCurrentContext()) {
        const PointT<int32_t> origin = context->GetState().offset.Round();
        region.Offset(origin.x, origin.y);
    }
    region.Intersect(dirty);
    region.Normalize();
    return region;
}

int LLook::DrawParts(const RCPtr<LRenderer>& renderer, const LRectList& dirty, Target target,
                     const PointT<double>& origin)
{
    LRenderContextInfo* context = renderer->GetCurrentContext();
    const LRectList region = DrawRegion(renderer, dirty);
    const PointT<double> offset = context ? context->GetState().offset : PointT<double>{};
    const size_t targets = target == Target::NonClient ? m_parts.size() : 1;
    int result = 0;
    for (size_t i = 0; i < targets; ++i) {
        RectT<double> area;
        switch (target) {
        case Target::NonClient:
            area = m_partRects[i].ToDouble();
            break;
        case Target::Client:
            area = m_clientRect.ToDouble();
            break;
        case Target::Label:
            area = {double(m_textPos.x), double(m_textPos.y), double(m_textBox.x), double(m_textBox.y)};
            break;
        }
        for (const LRectList::Node* n = region.GetHead(); n; n = n->next) {
            const RectT<double> dirtyRect{double(n->left) - offset.x, double(n->top) - offset.y,
                                          double(n->right - n->left), double(n->bottom - n->top)};
            RectT<double> cut = RectT<double>::Intersection(dirtyRect, area);
            if (!(cut.width > kMinExtent) || !(cut.height > kMinExtent))
                continue;
            if (context && !Overlaps(cut, context->GetState().clip))
                continue;
            const RectT<double> pushed =
                target == Target::Label ? RectT<double>{0.0, 0.0, double(m_size.x), double(m_size.y)} : area;
            renderer->PushClip(pushed, cut, nullptr, true);
            if (DrawInto(renderer, target, i, origin) != 0)
                result = 1;
            renderer->PopClip();
        }
    }
    return result;
}

int LLook::DrawInto(const RCPtr<LRenderer>& renderer, Target target, size_t index, const PointT<double>& origin)
{
    switch (target) {
    case Target::NonClient: {
        const RectT<int32_t>& r = m_partRects[index];
        return m_parts[index] ? m_parts[index]->Draw(renderer, {ClampSize(r.width), ClampSize(r.height)}) : 0;
    }
    case Target::Client: {
        const PointT<float> size{ClampSize(m_clientRect.width), ClampSize(m_clientRect.height)};
        int result = 0;
        if (m_clientPart && !(m_imagePart && m_imageReplacesClient))
            result |= m_clientPart->Draw(renderer, size);
        if (m_imagePart)
            result |= m_imagePart->Draw(renderer, size);
        return result;
    }
    case Target::Label:
        DrawLines(renderer, origin);
        return 0;
    }
    return 0;
}

void LLook::DrawLines(const RCPtr<LRenderer>& renderer, const PointT<double>& origin)
{
    if (!m_textForegroundPart)
        return;
    if (m_textForegroundPart->GetBitmap())
        throw Exception<std::domain_error>("Domain Error : Bitmap fill for text foreground part not yet implemented. "
                                           ": KX::LLook::DrawLabelText : ControlBase\\Look : Line 293");
    if (!m_textForegroundPart->GetColorizer())
        return;
    const RectT<double> box{double(m_textPos.x), double(m_textPos.y), double(m_textBox.x), double(m_textBox.y)};
    renderer->PushClip(box, box, nullptr, true);
    const int count = m_fontText->LayoutLines();
    const LFontText::Lines& lines = m_fontText->GetLines();
    // A plain colour part has one colour everywhere; its natural size does not matter here.
    const LColor colour = m_textForegroundPart->GetPlainColor();
    for (unsigned i = 0; i < lines.GetCount(); ++i) {
        const RectT<float> line = int(i) < count ? m_fontText->GetLineRect(int(i)) : RectT<float>{};
        const PointT<int32_t> at = PointT<double>{double(line.x) - origin.x, double(line.y) - origin.y}.Round();
        renderer->DrawText(lines.GetAt(i), m_fontText->GetFont(), at, colour);
    }
    renderer->PopClip();
}

int LLook::DrawNonClientParts(const RCPtr<LRenderer>& renderer, const LRectList& dirty)
{
    return DrawParts(renderer, dirty, Target::NonClient, {});
}

int LLook::DrawClientPart(const RCPtr<LRenderer>& renderer, const LRectList& dirty)
{
    return DrawParts(renderer, dirty, Target::Client, {});
}

KXRESULT LLook::DrawLabelText(const RCPtr<LRenderer>& renderer, const LRectList& dirty, const PointT<double>& origin)
{
    if (!m_fontText)
        return S_FALSE;
    DrawParts(renderer, dirty, Target::Label, origin);
    return S_OK;
}

} // namespace KX
