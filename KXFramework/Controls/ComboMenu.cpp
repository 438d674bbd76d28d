#include "KXFramework/Controls/ComboMenu.h"

#include "KXFramework/Controls/PopupMenu.h"

#include <algorithm>

namespace KX {

LComboMenu::~LComboMenu() = default;

RCPtr<LPopupMenu> LComboMenu::GetPopup() const
{
    return RCPtr<LPopupMenu>(dynamic_cast<LPopupMenu*>(FindChild(u"popupMenu").Get()));
}

KXRESULT LComboMenu::Initialize()
{
    if (Failed(LDropDownControl::Initialize()))
        return E_FAIL;
    RCPtr<LPopupMenu> popup = GetPopup();
    if (!popup)
        return E_FAIL;
    Bind(&LComboMenu::OnPopupVisibilityChange, popup, u"NID_VISIBLITY_CONDITION_CHANGE");
    Bind(&LComboMenu::OnPopupItemActivated, popup, u"NID_ITEM_ACTIVATED");
    popup->SetAutoDismiss(false);
    return S_OK;
}

KXRESULT LComboMenu::PostInitialize()
{
    static_cast<void>(LDropDownControl::PostInitialize()); // the base part has nothing to refuse
    if (RCPtr<LPopupMenu> popup = GetPopup(); popup && popup->GetLayoutDescriptor())
        m_popupOffsetX = popup->GetLayoutDescriptor()->position[0].absolute;
    ShowClosedLook();
    return S_OK;
}

void LComboMenu::ShowLook(int look)
{
    if (!IsEnabled(true))
        look = 3;
    if (unsigned(look) < GetLookCount())
        SetLookExclusive(unsigned(look));
}

void LComboMenu::ShowClosedLook()
{
    ShowLook(IsDropDownShown() ? 2 : ((ComputeConditions() & Condition::kHover) ? 1 : 0));
}

bool LComboMenu::IsDropDownShown() const
{
    RCPtr<LPopupMenu> popup = GetPopup();
    return popup && popup->IsVisible(false) && popup->GetRect().width > 0 && popup->GetRect().height > 0;
}

KXRESULT LComboMenu::ShowDropDown(bool show)
{
    RCPtr<LPopupMenu> popup = GetPopup();
    if (!popup)
        return E_FAIL;
    RCPtr<LControl> self(this);
    if (show) {
        RCPtr<LControl> top;
        GetTopLevelControl(top);
        const double origin = GetPositionInRoot().x - (top ? top->GetPositionInRoot().x : 0.0);
        double x = m_popupOffsetX;
        const double topWidth = top ? top->GetRect().width : 0.0;
        // Moved left to stay inside the window, never past its left edge.
        if (popup->GetRect().width + origin + x > topWidth)
            x = std::max(topWidth - popup->GetRect().width, 0.0) - origin;
        if (popup->GetLayoutDescriptor() && popup->GetLayoutDescriptor()->position[0].absolute != x)
            popup->EditPlacement(0, [x](PositionSpec& position, SizeSpec&) { position.absolute = x; });
    }
    popup->SetVisible(show);
    if (show) {
        popup->SetFocus(true);
        ShowLook(2);
        if (ComputeConditions() & Condition::kLeftPending)
            popup->BeginDrag(kLeftButton, int32_t(Round(m_dragOrigin.x)), int32_t(Round(m_dragOrigin.y)));
    } else {
        ShowClosedLook();
    }
    return S_OK;
}

RCPtr<LComboMenu> LComboMenu::FindOpenSiblingMenu() const
{
    if (!GetParent())
        return nullptr;
    ChildControlList& siblings = GetParent()->GetChildren();
    for (unsigned i = siblings.GetCount(); i-- > 0;) {
        auto* menu = dynamic_cast<LComboMenu*>(siblings.GetAt(i, kInsertionOrder).Get());
        if (menu && menu->IsDropDownShown())
            return RCPtr<LComboMenu>(menu);
    }
    return nullptr;
}

void LComboMenu::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    ShowClosedLook();
    if (!param)
        return;
    const uint32_t changed = param->previousMask ^ param->currentMask;
    // A disabled title opens nothing, by press or by hover.
    if ((changed & Condition::kHover) && (param->currentMask & Condition::kHover) && IsEnabled(true)) {
        RCPtr<LComboMenu> open = FindOpenSiblingMenu();
        if (open && open.Get() != this) {
            if (RCPtr<LPopupMenu> other = open->GetPopup())
                other->SetVisible(false);
            open->ShowClosedLook();
            ShowDropDown(true);
        }
    }
    if ((changed & Condition::kLeftPending) && (param->currentMask & Condition::kLeftPending)) {
        if (RCPtr<LPopupMenu> popup = GetPopup())
            m_dragOrigin = {param->point.x - popup->GetRect().x, param->point.y - popup->GetRect().y};
    }
    LDropDownControl::ApplyConditions(param);
}

KXRESULT LComboMenu::OnPopupItemActivated(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (RCPtr<LPopupMenu> popup = GetPopup())
        popup->SetVisible(false);
    ShowLook((ComputeConditions() & Condition::kHover) ? 1 : 0);
    return S_OK;
}

KXRESULT LComboMenu::OnPopupVisibilityChange(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    ShowClosedLook();
    return S_FALSE;
}

} // namespace KX
