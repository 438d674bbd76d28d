#pragma once
// A drop-down control whose drop-down is a panel ("dropDownPanel") holding a slider ("slider").
// Closed, it shows its value as text; the panel's slider and the combo slider keep one value.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/DropDownControl.h"

namespace KX {

class LSlider;

class LComboSlider : public LControlWithHandler<LDropDownControl, LComboSlider> {
public:
    using LControlWithHandler::LControlWithHandler;

    double SetValue(double normalised) override;
    void OnValueChanged() override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    [[nodiscard]] KXRESULT Initialize() override;
    bool IsDropDownShown() const override;
    // E_FAIL without the panel. The panel is kept inside the top-level control's width.
    [[nodiscard]] KXRESULT ShowDropDown(bool show) override;

    KXRESULT BreakCycles() override;

private:
    [[nodiscard]] KXRESULT OnSliderValueChange(const RCPtr<LNotificationDistributor>& sender,
                                               const RCPtr<LNotification>& n);
    RCPtr<LSlider> GetSlider() const;

    RCPtr<LControl> m_dropDownPanel;
};

} // namespace KX
