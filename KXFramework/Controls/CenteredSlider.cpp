#include "KXFramework/Controls/CenteredSlider.h"

namespace KX {

KXRESULT LCenteredSlider::Initialize()
{
    if (Failed(LSlider::Initialize()))
        return E_FAIL;
    m_lowBounds = FindChild(u"lowRangeBounds");
    m_highBounds = FindChild(u"highRangeBounds");
    // The pointer passes through the bounds to the slider and its thumb.
    for (LControl* bounds : {m_lowBounds.Get(), m_highBounds.Get()}) {
        if (!bounds)
            continue;
        bounds->SetExcluded(true);
        if (const RCPtr<LControl>& fill = bounds->FindChild(u"fill"))
            fill->SetExcluded(true);
    }
    if (!GetThumb())
        return E_FAIL;
    SetBoundsPosFromThumbPos();
    return S_OK;
}

double LCenteredSlider::ApplyValue(double normalised)
{
    const double r = LSlider::ApplyValue(normalised);
    SetBoundsPosFromThumbPos();
    return r;
}

void LCenteredSlider::SetBoundsPosFromThumbPos()
{
    const RCPtr<LControl>& thumb = GetThumb();
    const RCPtr<LControl>& start = FindChild(u"thumbStart");
    const RCPtr<LControl>& end = FindChild(u"thumbEnd");
    const LLayoutDescriptor* layout = thumb ? thumb->GetLayoutDescriptor().Get() : nullptr;
    if (!layout || !start || !end)
        return;
    for (int axis = 0; axis < 2; ++axis) {
        const bool alongAxis =
            axis == 0 ? end->GetRect().y == start->GetRect().y : end->GetRect().x == start->GetRect().x;
        if (!alongAxis)
            continue;
        PositionSpec position;
        SizeSpec size;
        static_cast<void>(
            layout->GetPlacement(axis, position, size)); // an axis without placement leaves the specs at their defaults
        const double centre = position.absolute + size.absolute * 0.5;
        for (LControl* bounds : {m_lowBounds.Get(), m_highBounds.Get()}) {
            if (bounds)
                bounds->EditPlacement(axis, [centre](PositionSpec& p, SizeSpec&) { p.absolute = centre; });
        }
    }
}

KXRESULT LCenteredSlider::BreakCycles()
{
    m_lowBounds = nullptr;
    m_highBounds = nullptr;
    return LSlider::BreakCycles();
}

} // namespace KX
