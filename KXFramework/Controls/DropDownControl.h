#pragma once
// The base of controls that open a pop-up part under themselves: a left press opens it, a press
// while it is open closes it without reopening it, and losing the focus closes it.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlWithHandler.h"

namespace KX {

class LDropDownControl : public LControlWithHandler<LControl, LDropDownControl> {
public:
    using LControlWithHandler::LControlWithHandler;
    ~LDropDownControl() override;

    [[nodiscard]] KXRESULT Initialize() override;
    KXRESULT SetFocus(bool forward) override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    bool OnFocusLost() override;
    virtual bool IsDropDownShown() const = 0;
    [[nodiscard]] virtual KXRESULT ShowDropDown(bool show) = 0;

private:
    [[nodiscard]] KXRESULT OnOwnMouseDown(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);

    bool m_closedByFocus = false;
    bool m_suppressNextOpen = false;
    bool m_closingForFocus = false;
};

} // namespace KX
