#include "KXFramework/Controls/ComboSlider.h"

#include "KXFramework/Controls/Slider.h"

#include <algorithm>

namespace KX {

RCPtr<LSlider> LComboSlider::GetSlider() const
{
    return m_dropDownPanel ? RCPtr<LSlider>(m_dropDownPanel->FindChild(u"slider")) : RCPtr<LSlider>();
}

KXRESULT LComboSlider::Initialize()
{
    if (Failed(LDropDownControl::Initialize()))
        return E_FAIL;
    // The slider's range, so that the text shows the slider's numbers.
    SetRange(0.0, 127.0, 0);
    m_dropDownPanel = FindChild(u"dropDownPanel");
    if (!m_dropDownPanel)
        return S_OK;
    m_dropDownPanel->SetVisible(false);
    if (RCPtr<LSlider> slider = GetSlider())
        Bind(&LComboSlider::OnSliderValueChange, slider, u"NID_VALUE_CHANGE");
    return S_OK;
}

double LComboSlider::SetValue(double normalised)
{
    if (RCPtr<LSlider> slider = GetSlider())
        slider->SetValue(normalised);
    return LControl::SetValue(normalised);
}

KXRESULT LComboSlider::OnSliderValueChange(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (RCPtr<LSlider> slider = GetSlider())
        LControl::SetValue(slider->GetValue());
    return S_FALSE;
}

void LComboSlider::OnValueChanged()
{
    if (RCPtr<LSlider> slider = GetSlider())
        slider->SetValue(GetValue());
    SetText(String::Format(u"%0.0f", NormalizedToValue(GetValue())));
}

bool LComboSlider::IsDropDownShown() const
{
    const LLayoutDescriptor* layout = m_dropDownPanel ? m_dropDownPanel->GetLayoutDescriptor().Get() : nullptr;
    return layout && layout->isVisible && m_dropDownPanel->GetRect().width > 0 && m_dropDownPanel->GetRect().height > 0;
}

KXRESULT LComboSlider::ShowDropDown(bool show)
{
    if (!m_dropDownPanel)
        return E_FAIL;
    RCPtr<LControl> self(this);
    if (show) {
        const LControlDescriptor* d = m_dropDownPanel->GetDescriptor().Get();
        const LLayoutDescriptor* skin = d ? d->GetLayout().Get() : nullptr;
        double x = skin ? skin->position[0].absolute : 0.0;
        RCPtr<LControl> top;
        GetTopLevelControl(top);
        if (top && top.Get() != this) {
            const PointT<double> inTop = top->MapPointFromControl(*this, {x, 0.0});
            const double width = m_dropDownPanel->GetRect().width;
            if (inTop.x + width > top->GetRect().width) {
                const double shifted = std::max(0.0, top->GetRect().width - width);
                x = MapPointFromControl(*top, {shifted, 0.0}).x;
            }
        }
        const LLayoutDescriptor* layout = m_dropDownPanel->GetLayoutDescriptor().Get();
        if (layout && layout->position[0].absolute != x)
            m_dropDownPanel->EditPlacement(0, [x](PositionSpec& position, SizeSpec&) { position.absolute = x; });
    }
    m_dropDownPanel->SetVisible(show);
    return S_OK;
}

void LComboSlider::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LDropDownControl::ApplyConditions(param);
    const uint32_t mask = ComputeConditions();
    const bool hovered = (mask & Condition::kHover) != 0;
    const bool focused = (mask & (Condition::kHasFocus | Condition::kContainsFocus)) != 0;
    unsigned look;
    if (!IsEnabled(true))
        look = 6;
    else if (IsDropDownShown())
        look = hovered ? 5 : 4;
    else if (hovered)
        look = focused ? 3 : 2;
    else
        look = focused ? 1 : 0;
    if (look < GetLookCount())
        SetLookExclusive(look);
}

KXRESULT LComboSlider::BreakCycles()
{
    m_dropDownPanel = nullptr;
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
