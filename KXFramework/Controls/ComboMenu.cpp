#include "KXFramework/Controls/ComboMenu.h"

#include "KXFramework/Controls/MainMenu.h"
#include "KXFramework/Controls/PopupMenu.h"

#include <algorithm>
#include <vector>

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
        // The menu handed the focus back to its title, which a bar's title holds only for its menu.
        if (auto* bar = dynamic_cast<LMainMenu*>(GetParent().Get()); bar && HasFocus())
            bar->GiveFocusBack();
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

RCPtr<LComboMenu> LComboMenu::SiblingTitle(int step) const
{
    if (!GetParent())
        return nullptr;
    std::vector<LComboMenu*> titles;
    ChildControlList& siblings = GetParent()->GetChildren();
    for (unsigned i = 0; i < siblings.GetCount(); ++i) {
        auto* title = dynamic_cast<LComboMenu*>(siblings.GetAt(i, kInsertionOrder).Get());
        if (title && (title == this || (title->IsEnabled(true) && title->IsVisible(true))))
            titles.push_back(title);
    }
    const auto at = std::find(titles.begin(), titles.end(), this);
    const auto count = std::ptrdiff_t(titles.size());
    if (count < 2 || at == titles.end())
        return nullptr;
    return RCPtr<LComboMenu>(titles[size_t((at - titles.begin() + count + step) % count)]);
}

void LComboMenu::SwitchTo(const RCPtr<LComboMenu>& other)
{
    if (RCPtr<LPopupMenu> popup = GetPopup())
        popup->SetVisible(false);
    ShowClosedLook();
    static_cast<void>(other->ShowDropDown(true)); // a title has its popup: it was made with one
}

KXRESULT LComboMenu::HandleKey(const RCPtr<LKeyParam>& key)
{
    const uint32_t pressed = key ? key->key.key : 0;
    if (IsDropDownShown() && pressed == KeyCode::Press(VirtualKey::kEscape)) {
        static_cast<void>(ShowDropDown(false)); // open, so it has its popup
        return S_OK;
    }
    const int step = pressed == KeyCode::Press(VirtualKey::kLeft)    ? -1
                     : pressed == KeyCode::Press(VirtualKey::kRight) ? 1
                                                                     : 0;
    if (IsDropDownShown() && step != 0) {
        RCPtr<LControl> self(this);
        if (RCPtr<LComboMenu> other = SiblingTitle(step))
            SwitchTo(other);
        return S_OK;
    }
    return LDropDownControl::HandleKey(key);
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
        if (open && open.Get() != this)
            open->SwitchTo(RCPtr<LComboMenu>(this));
    }
    if ((changed & Condition::kLeftPending) && (param->currentMask & Condition::kLeftPending)) {
        if (RCPtr<LPopupMenu> popup = GetPopup())
            m_dragOrigin = {param->point.x - popup->GetRect().x, param->point.y - popup->GetRect().y};
    }
    LDropDownControl::ApplyConditions(param);
}

KXRESULT LComboMenu::OnPopupItemActivated(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    static_cast<void>(ShowDropDown(false)); // the popup that chose the item is there to close
    return S_OK;
}

KXRESULT LComboMenu::OnPopupVisibilityChange(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    ShowClosedLook();
    return S_FALSE;
}

} // namespace KX
