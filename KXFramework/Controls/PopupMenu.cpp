#include "KXFramework/Controls/PopupMenu.h"

#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Controls/Label.h"

#include <algorithm>

namespace KX {

namespace {

constexpr uint32_t kEscape = 0x201B0000;

} // namespace

bool LMenuListBoxItem::SetItemLook(unsigned look, bool exclusive)
{
    LCheckedListBoxItem::SetItemLook(look, exclusive);
    return true;
}

LPopupMenu::~LPopupMenu() = default;

KXRESULT LPopupMenu::Initialize()
{
    if (Failed(LCheckedListBox::Initialize()))
        return E_FAIL;
    SetFocusBoundary(true);
    static_cast<void>(SetDropDownMode(true)); // a list box always takes the mode
    SetCheckBoxesPassive(true);
    return BuildFromStringTable();
}

KXRESULT LPopupMenu::PostInitialize()
{
    static_cast<void>(LCheckedListBox::PostInitialize()); // the base part has nothing to refuse
    SetClipToParent(false);
    SetVisible(false);
    return S_OK;
}

KXRESULT LPopupMenu::BuildFromStringTable()
{
    const RCPtr<LStringTable>& table = GetStringTable();
    if (!table)
        return S_FALSE;
    Array<Pair<String, String>> entries;
    for (const auto& [key, text] : table->GetEntries())
        entries.AddItem(Pair<String, String>{key, text});
    RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringMap(entries, String());
    return menu ? SetMenuDescriptorChecked(menu) : S_FALSE;
}

KXRESULT LPopupMenu::SetMenuDescriptorChecked(const RCPtr<LMenuDescriptor>& menu)
{
    if (!menu)
        return E_INVALIDARG;
    // A copy, so that states the popup stores never reach the caller's descriptor.
    m_menu = RCPtr<LMenuDescriptor>(dynamic_cast<LMenuDescriptor*>(menu->CreateCopy().Get()));
    return RebuildItems();
}

KXRESULT LPopupMenu::SetOwner(const RCPtr<LNotificationReceiver>& owner)
{
    if (!owner)
        return E_INVALIDARG;
    if (m_owner)
        return E_FAIL;
    m_owner = owner;
    if (m_menu)
        static_cast<void>(RebuildItems()); // a popup that cannot rebuild keeps its rows
    return S_OK;
}

RCPtr<LNotificationReceiver> LPopupMenu::GetOwner() const
{
    if (m_owner)
        return m_owner;
    for (RCPtr<LControl> c = m_parent; c; c = c->GetParent()) {
        if (!dynamic_cast<LPopupMenu*>(c.Get()))
            return RCPtr<LNotificationReceiver>(c);
    }
    return nullptr;
}

const LMenuItemDescriptor* LPopupMenu::ItemAt(int32_t index) const
{
    if (!m_menu || index < 0 || unsigned(index) >= m_menu->GetItems().GetCount())
        return nullptr;
    return m_menu->GetItems().GetAt(unsigned(index)).Get();
}

KXRESULT LPopupMenu::RebuildItems()
{
    if (!m_menu)
        return S_OK;
    const int32_t n = int32_t(m_menu->GetItems().GetCount());
    SetItemCount(n);
    if (GetItemControlCount() == 0)
        return S_FALSE;
    // A separator row is a blank row of its own height.
    RCPtr<LListBoxItem> last = GetItemControl(GetItemControlCount() - 1);
    last->SetBlank(true);
    m_separatorHeight = int32_t(last->GetRect().height);
    last->SetBlank(false);
    m_separatorCount = 0;
    for (int32_t i = 0; i < n; ++i) {
        const RCPtr<LMenuItemDescriptor>& item = m_menu->GetItems().GetAt(unsigned(i));
        static_cast<void>(SetItemData(i, RCPtr<LTaggableObject>(item))); // the index is within the rows just made
        SetItemMarked(i, item->GetItems().GetCount() > 0);
        SetItemChecked(i, item->checked != 0);
        SetItemBlank(i, item->separator != 0);
        if (item->separator)
            ++m_separatorCount;
    }
    return S_OK;
}

int32_t LPopupMenu::GetContentHeight() const
{
    return (GetItemCount() - m_separatorCount) * GetItemHeight() + m_separatorHeight * m_separatorCount;
}

bool LPopupMenu::IsItemSelectable(int32_t index) const
{
    const LMenuItemDescriptor* item = ItemAt(index);
    return item && item->enabled && !item->separator;
}

KXRESULT LPopupMenu::RefreshItem(int32_t index, int32_t& row)
{
    const KXRESULT r = LCheckedListBox::RefreshItem(index, row);
    if (Failed(r) || r == S_FALSE)
        return r;
    RCPtr<LCheckedListBoxItem> control = GetCheckedItemControl(row);
    if (!control)
        return r;
    RCPtr<LControl> hotKey = control->FindChild(u"hotKeyLabel");
    if (const LMenuItemDescriptor* item = ItemAt(index)) {
        if (hotKey)
            static_cast<void>(hotKey->SetText(item->hotKeyText)); // a control without text ignores it
        control->SetBlank(item->separator != 0);
        control->SetEnabled(item->enabled != 0);
        static_cast<void>(control->SetCheckBoxLook(item->checked
                                                       ? (control->ComputeConditions() & Condition::kHover ? 8 : 7)
                                                       : 0)); // a look the skin lacks is not drawn
    } else {
        if (hotKey)
            static_cast<void>(hotKey->SetText(String())); // a control without text ignores it
        control->SetEnabled(false);
        control->SetItemLook(0, true);
        static_cast<void>(control->SetCheckBoxLook(0)); // a look the skin lacks is not drawn
    }
    return r;
}

void LPopupMenu::SendOwn(const char16_t* name)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, RCPtr<LRefCountedObject>())))
        static_cast<void>(SendNotification(n)); // whether anyone handled it changes nothing here
}

void LPopupMenu::OnItemActivated()
{
    const LMenuItemDescriptor* item = ItemAt(GetCurrentIndex());
    if (item && item->GetItems().GetCount() == 0)
        static_cast<void>(ActivateMenuItem(
            RCPtr<LMenuItemDescriptor>(const_cast<LMenuItemDescriptor*>(item)))); // a command nobody takes goes nowhere
}

KXRESULT LPopupMenu::ActivateMenuItem(const RCPtr<LMenuItemDescriptor>& item)
{
    RCPtr<LControl> self(this);
    if (m_autoDismiss && !m_dismissing)
        SetVisible(false);
    RCPtr<LNotificationReceiver> owner = GetOwner();
    if (owner && item) {
        const int32_t index = GetCurrentIndex() < GetItemCount() ? GetCurrentIndex() : -1;
        SendOwn(u"NID_ITEM_ACTIVATED");
        RCPtr<LNotification> n;
        if (Succeeded(LNotification::Create(n, item->notification.GetData(),
                                            RCPtr<LRefCountedObject>(new LMenuActivationParam(m_menu, index)))))
            static_cast<void>(owner->ReceiveNotification(nullptr, n)); // the owner's answer changes nothing here
    }
    if (m_autoDismiss && !m_dismissing)
        static_cast<void>(Dismiss()); // a popup already closed stays closed
    return S_OK;
}

KXRESULT LPopupMenu::Dismiss()
{
    m_dismissing = true;
    RCPtr<LControl> self(this);
    if (auto* parent = dynamic_cast<LPopupMenu*>(m_parent.Get()))
        return parent->Dismiss();
    return m_parent ? m_parent->RemoveChild(self) : S_OK;
}

KXRESULT LPopupMenu::ShowAtCursor()
{
    const RCPtr<LRootWindow>& root = *GetRootWindowPtr();
    if (root) {
        RCPtr<LControl> top;
        GetTopLevelControl(top);
        const PointT<int32_t> cursor = root->GetCursorPos();
        const int32_t extent[2] = {top ? int32_t(Round(top->GetRect().width)) : 0,
                                   top ? int32_t(Round(top->GetRect().height)) : 0};
        const int32_t size[2] = {int32_t(Round(m_rect.width)), int32_t(Round(m_rect.height))};
        const PointT<double> parentAt = m_parent ? m_parent->GetPositionInRoot() : PointT<double>{};
        const RectT<double> client =
            m_parent ? m_parent->GetLookClientRect(m_parent->GetActiveLookIndex()) : RectT<double>{};
        for (int axis = 0; axis < 2; ++axis) {
            int32_t v = axis == 0 ? cursor.x : cursor.y;
            if (v + size[axis] > extent[axis])
                v = extent[axis] - size[axis];
            v = std::max(v, 0);
            PositionSpec position;
            SizeSpec spec;
            if (Failed(m_layout->GetPlacement(axis, position, spec)))
                continue;
            position.absolute = v - (axis == 0 ? parentAt.x + client.x : parentAt.y + client.y);
            position.relative = 0.0f;
            position.docked = true;
            static_cast<void>(SetPlacement(axis, position, spec)); // the specs come from the descriptor and are valid
        }
    }
    SetVisible(true);
    if (!HasFocus())
        static_cast<void>(SetFocus(true)); // a control that cannot take the focus leaves it where it is
    return S_OK;
}

KXRESULT LPopupMenu::OnKey(const RCPtr<LKeyParam>& key)
{
    if (key && key->key.key == kEscape) {
        if (m_autoDismiss && !m_dismissing)
            static_cast<void>(Dismiss()); // a popup already closed stays closed
        return S_OK;
    }
    return LCheckedListBox::OnKey(key);
}

void LPopupMenu::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LCheckedListBox::ApplyConditions(param);
    if (!param)
        return;
    const uint32_t focusBits = Condition::kHasFocus | Condition::kContainsFocus;
    const bool focusChanged = ((param->previousMask ^ param->currentMask) & focusBits) != 0;
    // A context menu or menu-bar drop-down closes when the focus goes elsewhere.
    if (focusChanged && !(param->currentMask & focusBits) && !dynamic_cast<LPopupMenu*>(m_parent.Get()) &&
        IsVisible(false) && m_rect.width > 0 && m_rect.height > 0 && m_autoDismiss && !m_dismissing)
        static_cast<void>(Dismiss()); // a popup already closed stays closed
}

KXRESULT LPopupMenu::BreakCycles()
{
    m_menu = nullptr;
    m_owner = nullptr;
    return LCheckedListBox::BreakCycles();
}

} // namespace KX
