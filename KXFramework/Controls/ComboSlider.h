#pragma once
// A drop-down control whose drop-down is a panel ("dropDownPanel") holding a slider ("slider").
// Closed, it shows its value as text; the panel's slider and the combo slider keep one value.
#include "KXFramework/Controls/DropDownControl.h"

namespace KX {

class LSlider;

class LComboSlider : public LDropDownControl {
public:
    using LDropDownControl::LDropDownControl;

    double SetValue(double normalised) override;
    void OnValueChanged() override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    [[nodiscard]] KXRESULT Initialize() override;
    bool IsDropDownShown() const override;
    // E_FAIL without the panel. The panel is kept inside the top-level control's width.
    [[nodiscard]] KXRESULT ShowDropDown(bool show) override;

    [[nodiscard]] KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender,
                                               const RCPtr<LNotification>& n) override;
    [[nodiscard]] KXRESULT UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender,
                                                     const char16_t* name) override;
    [[nodiscard]] KXRESULT BreakCycles() override;

private:
    using Handler = LNotificationHandler<LComboSlider>;

    [[nodiscard]] KXRESULT OnSliderValueChange(const RCPtr<LNotificationDistributor>& sender,
                                               const RCPtr<LNotification>& n);
    RCPtr<LSlider> GetSlider() const;

    RCPtr<Handler> m_handler;
    RCPtr<LControl> m_dropDownPanel;
};

} // namespace KX
