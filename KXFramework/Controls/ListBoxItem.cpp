#include "KXFramework/Controls/ListBoxItem.h"

namespace KX {

LItemConditionsParam::LItemConditionsParam(int32_t item, int32_t look, bool hover, uint32_t previous, uint32_t current,
                                           const PointT<double>& p)
    : previousMask(previous),
      currentMask(current),
      point(p),
      itemIndex(item),
      lookIndex(look),
      hovered(hover)
{
}

RCPtr<LItemConditionsParam> LItemConditionsParam::Create(int32_t itemIndex, int32_t lookIndex, bool hovered,
                                                         uint32_t previous, uint32_t current,
                                                         const PointT<double>& point)
{
    return RCPtr<LItemConditionsParam>(
        new LItemConditionsParam(itemIndex, lookIndex, hovered, previous, current, point));
}

String LItemConditionsParam::ToString() const
{
    return String::Format(u"ItemConditionsParam = %d %u %u", itemIndex, previousMask, currentMask);
}

int32_t LListBoxItem::GetLookIndex() const
{
    const int32_t selected = GetValue() >= 0.5 ? kSelectedOffset : 0;
    const int32_t marked = m_marked ? kMarkedOffset : 0;
    if (m_blank)
        return kBlank;
    if (!IsEnabled(true))
        return selected ? kBlank : kDisabled;
    const uint32_t mask = ComputeConditions();
    const bool hovered = (mask & Condition::kHoverOrHighlighted) != 0;
    const bool captured = (mask & Condition::kCapture) != 0;
    const bool pressed = (mask & Condition::kLeftDragging) != 0;
    int32_t look;
    if (captured && pressed)
        look = hovered ? kPressed : kHover;
    else
        look = hovered && !captured ? kHover : kNormal;
    return look + marked + selected;
}

void LListBoxItem::ReapplyLook()
{
    SetLookExclusive(unsigned(GetLookIndex()));
    InvalidateRect({0.0, 0.0, GetRect().width, GetRect().height}, GetClipToParent());
}

void LListBoxItem::OnValueChanged()
{
    LControl::OnValueChanged();
    ReapplyLook();
}

void LListBoxItem::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LControl::ApplyConditions(param);
    ReapplyLook();
}

KXRESULT LListBoxItem::PostInitialize()
{
    static_cast<void>(LControl::PostInitialize()); // the base part has nothing to refuse
    SetNotFocusable(true);
    return S_OK;
}

String LListBoxItem::GetToolTipText() const
{
    if (const_cast<LListBoxItem*>(this)->IsTextTruncated())
        return GetText();
    return LControl::GetToolTipText();
}

KXRESULT LListBoxItem::BeginDrag(int32_t button, int32_t x, int32_t y)
{
    // In a drop-down list the list box holds the capture while the button is down.
    if (dropDownMode && GetParent())
        return GetParent()->BeginDrag(button, x + int32_t(Round(GetRect().x)), y + int32_t(Round(GetRect().y)));
    return LControl::BeginDrag(button, x, y);
}

void LListBoxItem::SetMarked(bool marked)
{
    if (marked == m_marked)
        return;
    m_marked = marked;
    ReapplyLook();
}

void LListBoxItem::SetBlank(bool blank)
{
    if (blank != m_blank) {
        m_blank = blank;
        if (blank)
            SetText(String());
    }
    ReapplyLook();
}

} // namespace KX
