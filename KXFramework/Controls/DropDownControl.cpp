#include "KXFramework/Controls/DropDownControl.h"

namespace KX {

LDropDownControl::~LDropDownControl() = default;

KXRESULT LDropDownControl::Initialize()
{
    const KXRESULT r = LControl::Initialize();
    Bind(&LDropDownControl::OnOwnMouseDown, RCPtr<LNotificationDistributor>(this), u"NID_MOUSE_DOWN");
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
    // Let go first: closed while its part still held the focus, the part would hand it back here
    // in the middle of its move elsewhere.
    const bool released = LControl::OnFocusLost();
    ShowDropDown(false);
    return released;
}

KXRESULT LDropDownControl::OnOwnMouseDown(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (m_closedByFocus)
        m_suppressNextOpen = true;
    return S_FALSE;
}

} // namespace KX
