// LControl's looks and fonts.
#include "KXFramework/ControlBase/Control.h"

#include "KXFramework/ControlBase/ChildLayoutEngine.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/ControlLinks.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/ObjectBase/Exception.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace KX {

// ---- looks

namespace {
const RCPtr<LLook>& NullLook()
{
    static const RCPtr<LLook>* const null = new RCPtr<LLook>;
    return *null;
}
} // namespace

int LControl::AddLook(const RCPtr<LLook>& look)
{
    const int index = m_looks.AddItem(look);
    if (m_lookWeights.size() < m_looks.GetCount())
        m_lookWeights.push_back(0.0f);
    return index;
}

const RCPtr<LLook>& LControl::GetCurrentLook(int index) const
{
    const int count = static_cast<int>(m_looks.GetCount());
    if (index >= 0 && index < count)
        return m_looks.GetAt(static_cast<unsigned>(index));
    for (int i = 0; i < count; ++i) {
        const RCPtr<LLook>& look = m_looks.GetAt(static_cast<unsigned>(i));
        if (look && GetLookWeight(static_cast<unsigned>(i)) > 0.0f)
            return look;
    }
    for (int i = 0; i < count; ++i) {
        if (const RCPtr<LLook>& look = m_looks.GetAt(static_cast<unsigned>(i)))
            return look;
    }
    return NullLook();
}

int LControl::GetActiveLookIndex() const
{
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (m_looks.GetAt(i) && GetLookWeight(i) > 0.0f)
            return static_cast<int>(i);
    }
    return -1;
}

KXRESULT LControl::SetLookWeight(unsigned index, float weight, bool exclusive)
{
    if (index >= m_looks.GetCount())
        return E_INVALIDARG;
    m_lookWeights.resize(m_looks.GetCount(), 0.0f);
    bool changed = false;
    if (weight >= 0.0f && weight <= 1.0f) {
        changed = m_lookWeights[index] != weight;
        m_lookWeights[index] = weight;
    }
    if (exclusive) {
        for (size_t i = m_lookWeights.size(); i-- > 0;) {
            if (i == index)
                continue;
            if (m_lookWeights[i] != 0.0f)
                changed = true;
            m_lookWeights[i] = 0.0f;
        }
    }
    if (changed) {
        InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
        CheckClientSizeChange();
    }
    return S_OK;
}

KXRESULT LControl::SetLookExclusive(unsigned index)
{
    return SetLookWeight(index, 1.0f, true);
}

void LControl::ClearLookRegions()
{
    for (unsigned i = m_looks.GetCount(); i-- > 0;) {
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->GetRegion().Clear();
    }
}

KXRESULT LControl::SetLookRegion(int index, const LRectList& region)
{
    const RCPtr<LLook>& look = GetCurrentLook(index);
    if (!look)
        return E_INVALIDARG;
    look->GetRegion().Clear();
    look->GetRegion().Append(region);
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    return S_OK;
}

KXRESULT LControl::SetLookRegionComplement(int indexA, int indexB)
{
    const RCPtr<LLook>& a = GetCurrentLook(indexA);
    const RCPtr<LLook>& b = GetCurrentLook(indexB);
    if (!a || !b)
        return E_INVALIDARG;
    LRectList& region = a->GetRegion();
    region.Clear();
    region.AddRect({0, 0, int32_t(m_rect.width + 0.5), int32_t(m_rect.height + 0.5)});
    // Look a's old region is gone; when b is a itself there is nothing left to cut out.
    if (a != b)
        region.SubtractList(b->GetRegion(), nullptr);
    region.Normalize();
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    return S_OK;
}

KXRESULT LControl::SetLookBitmap(const RCPtr<LBitmap>& bitmap, int32_t resizeType, int index, bool replaceClient)
{
    const RCPtr<LLook>& look = GetCurrentLook(index);
    if (!look)
        return E_FAIL;
    const KXRESULT r = look->SetBitmap(bitmap, resizeType, replaceClient);
    if (r == S_FALSE)
        return r;
    if (index == GetActiveLookIndex())
        InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    return r;
}

uint32_t LControl::GetColorAtPoint(const PointT<double>& point, int lookIndex) const
{
    const RCPtr<LLook>& look = GetCurrentLook(lookIndex);
    return look ? look->GetColorAtPoint(point) : 0x00FFFFFFu;
}

bool LControl::IsTransparentAt(const PointT<double>& point) const
{
    bool transparent = true;
    for (unsigned i = 0; transparent && i < m_looks.GetCount(); ++i) {
        if (i < m_lookWeights.size() && m_lookWeights[i] > 0.0f)
            transparent = (GetColorAtPoint(point, int(i)) >> 24) == 0;
    }
    return transparent;
}

// ---- fonts

KXRESULT LControl::SetFont(const String& face, float size, int32_t style, bool sizeIsRelative)
{
    RCPtr<LFont> base;
    if (m_fontInheritsFromParent && m_parent)
        base = m_parent->m_font;
    else if (IFrameworkServices* services = GetFrameworkServices())
        base = services->GetDefaultFont();
    const bool inheritFace = face.IsEmpty();
    const bool inheritSize = !(size > 0.0f);
    const bool inheritStyle = style == -1;
    // Without a base font nothing can be inherited.
    if (!base && (inheritFace || inheritSize || inheritStyle))
        return E_FAIL;
    const String useFace = inheritFace ? base->GetFace() : face;
    float factor = 1.0f;
    float useSize = size;
    if (inheritSize) {
        useSize = base->GetSize();
    } else if (sizeIsRelative && base) {
        factor = size;
        useSize = base->GetSize() * size;
    }
    const int32_t useStyle = inheritStyle ? base->GetStyle() : style;
    RCPtr<LFont> font;
    if (base && useFace == base->GetFace() && useSize == base->GetSize() && useStyle == base->GetStyle())
        font = base;
    else
        LFont::FindOrCreate(font, useFace, useSize, useStyle);
    if (!font)
        return E_FAIL;
    const KXRESULT r = ApplyFont(font);
    if (Succeeded(r)) {
        m_inheritFace = inheritFace;
        m_inheritSize = inheritSize;
        m_inheritStyle = inheritStyle;
        m_sizeIsRelative = sizeIsRelative;
        m_relativeSizeFactor = factor;
    }
    return r;
}

KXRESULT LControl::ApplyFont(const RCPtr<LFont>& font)
{
    if (!font)
        return E_INVALIDARG;
    for (unsigned i = m_looks.GetCount(); i-- > 0;) {
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->SetFont(font);
    }
    if (m_font == font || (m_font && !m_font->Differs(*font)))
        return S_FALSE;
    m_font = font;
    m_inheritFace = false;
    m_inheritStyle = false;
    for (unsigned i = 0; i < m_children.GetCount(); ++i) {
        RCPtr<LControl> child = m_children.GetAt(i, kInsertionOrder);
        static_cast<void>(child->RefreshInheritedFont()); // a font that cannot be made leaves the old one
    }
    RecalcLayoutFromDescriptor();
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    return S_OK;
}

KXRESULT LControl::RefreshInheritedFont()
{
    if (!m_fontInheritsFromParent || !(m_inheritFace || m_inheritSize || m_inheritStyle))
        return S_OK;
    const bool relative = m_inheritSize && m_sizeIsRelative;
    const String face = m_inheritFace || !m_font ? String() : m_font->GetFace();
    float size = 0.0f;
    if (relative)
        size = m_relativeSizeFactor;
    else if (!m_inheritSize && m_font)
        size = m_font->GetSize();
    const int32_t style = m_inheritStyle || !m_font ? -1 : m_font->GetStyle();
    static_cast<void>(SetFont(face, size, style, relative)); // a font that cannot be made leaves the old one
    return S_OK;
}

bool LControl::IsTextTruncated()
{
    const RCPtr<LLook>& look = GetCurrentLook(-1);
    if (!look)
        return false;
    const float width = float(GeometryRules::Clamp(m_rect.width, 8388608.0));
    const double available = double(look->GetTextArea(width, float(m_rect.height)).width);
    if (!look->GetFontText())
        return !m_text.IsEmpty();
    LFontText& text = *look->GetFontText();
    const double textWidth = text.LayoutLines() > 0 ? double(text.GetLineRect(0).width) : 0.0;
    return textWidth > available;
}

} // namespace KX
