#pragma once
// The base of controls that open a pop-up part under themselves: a left press opens it, a press
// while it is open closes it without reopening it, and losing the focus closes it.
#include "KXFramework/ControlBase/Control.h"

namespace KX {

class LDropDownControl : public LControl {
public:
    using LControl::LControl;
    ~LDropDownControl() override;

    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT SetFocus(bool forward) override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    bool OnFocusLost() override;
    virtual bool IsDropDownShown() const = 0;
    [[nodiscard]] virtual KXRESULT ShowDropDown(bool show) = 0;

    [[nodiscard]] KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender,
                                               const RCPtr<LNotification>& n) override;
    [[nodiscard]] KXRESULT UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender,
                                                     const char16_t* name) override;
    [[nodiscard]] KXRESULT BreakCycles() override;

private:
    [[nodiscard]] KXRESULT OnOwnMouseDown(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);

    RCPtr<LNotificationHandler<LDropDownControl>> m_dropDownHandler;
    bool m_closedByFocus = false;
    bool m_suppressNextOpen = false;
    bool m_closingForFocus = false;
};

} // namespace KX
