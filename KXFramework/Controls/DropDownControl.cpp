#include "KXFramework/Controls/DropDownControl.h"

namespace KX {

LDropDownControl::~LDropDownControl() = default;

KXRESULT LDropDownControl::Initialize()
{
    const KXRESULT r = LControl::Initialize();
    m_dropDownHandler = LNotificationHandler<LDropDownControl>::Create(this);
    static_cast<void>(m_dropDownHandler->SetNotification(&LDropDownControl::OnOwnMouseDown,
                                                         RCPtr<LNotificationDistributor>(this), u"NID_MOUSE_DOWN",
                                                         0)); // a registration already there answers as before
    return r;
}

KXRESULT LDropDownControl::SetFocus(bool forward)
{
    // Hiding the list hands its focus back here: that call must not undo the record.
    if (m_closingForFocus)
        return LControl::SetFocus(forward);
    const KXRESULT r = LControl::SetFocus(forward);
    m_closedByFocus = IsDropDownShown();
    if (m_closedByFocus) {
        m_closingForFocus = true;
        ShowDropDown(false);
        m_closingForFocus = false;
    }
    return r;
}

void LDropDownControl::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    if (!param || !(param->currentMask & Condition::kLeftPending) || (param->previousMask & Condition::kLeftPending))
        return;
    if (m_suppressNextOpen)
        m_suppressNextOpen = false;
    else
        ShowDropDown(true);
}

bool LDropDownControl::OnFocusLost()
{
    ShowDropDown(false);
    return LControl::OnFocusLost();
}

KXRESULT LDropDownControl::OnOwnMouseDown(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (m_closedByFocus)
        m_suppressNextOpen = true;
    return S_FALSE;
}

KXRESULT LDropDownControl::ReceiveNotification(const RCPtr<LNotificationDistributor>& sender,
                                               const RCPtr<LNotification>& n)
{
    KXRESULT handled = S_OK;
    if (m_dropDownHandler && IsCreated() && m_dropDownHandler->Dispatch(sender, n, handled))
        return handled;
    return LControl::ReceiveNotification(sender, n);
}

KXRESULT LDropDownControl::UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender,
                                                     const char16_t* name)
{
    if (m_dropDownHandler)
        m_dropDownHandler->RemoveNotification(sender, name);
    return LControl::UnregisterForNotification(sender, name);
}

KXRESULT LDropDownControl::BreakCycles()
{
    m_dropDownHandler = nullptr;
    return LControl::BreakCycles();
}

} // namespace KX
