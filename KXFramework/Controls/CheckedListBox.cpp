#include "KXFramework/Controls/CheckedListBox.h"

#include "KXFramework/ControlBase/Look.h"
#include "KXFramework/ControlBase/VisualPart.h"

#include <typeinfo>

namespace KX {

String LIndexedDataParam::ToString() const
{
    return String::Format(u"LIndexedDataParam: Index = %d, Data = ", index) + (data ? data->ToString() : String());
}

String LIndexedDataWithValueParam::ToString() const
{
    return LIndexedDataParam::ToString() + String::Format(u" Value = %lf", value);
}

// ---- item

RCPtr<LButton> LCheckedListBoxItem::GetCheckBox() const
{
    return RCPtr<LButton>(FindChild(u"checkBox"));
}

KXRESULT LCheckedListBoxItem::Initialize()
{
    const KXRESULT r = LListBoxItem::Initialize();
    if (RCPtr<LButton> box = GetCheckBox()) {
        Bind(&LCheckedListBoxItem::OnCheckBoxHoverChanged, RCPtr<LNotificationDistributor>(box),
             u"NID_HOVER_CONDITION_CHANGE");
        box->SetNotFocusable(true);
    }
    return r;
}

KXRESULT LCheckedListBoxItem::OnCheckBoxHoverChanged(const RCPtr<LNotificationDistributor>&,
                                                     const RCPtr<LNotification>& n)
{
    const auto* change = dynamic_cast<const LConditionsParam*>(n->GetPayload().Get());
    if (change)
        SetHighlighted((change->currentMask & Condition::kHover) && !(change->previousMask & Condition::kHover));
    return S_OK;
}

bool LCheckedListBoxItem::SetItemLook(unsigned look, bool exclusive)
{
    if (Failed(SetLookWeight(look, 1.0f, exclusive)))
        return false;
    RCPtr<LButton> box = GetCheckBox();
    if (IsCreated() && checkBoxFollowsLook && box)
        return box->SetLookExclusive(look) >= 0;
    return true;
}

KXRESULT LCheckedListBoxItem::SetCheckBoxLook(unsigned look)
{
    RCPtr<LButton> box = GetCheckBox();
    if (!IsCreated() || !box)
        return S_FALSE;
    return box->SetLookExclusive(look);
}

void LCheckedListBoxItem::SetCheckBoxValue(bool on)
{
    if (RCPtr<LButton> box = GetCheckBox())
        box->SetValue(on ? 1.0 : 0.0);
}

void LCheckedListBoxItem::SetCheckBoxVisible(bool visible)
{
    if (RCPtr<LButton> box = GetCheckBox())
        box->SetVisible(visible);
}

KXRESULT LCheckedListBoxItem::SetCheckBoxIcon(const RCPtr<LBitmap>& icon)
{
    RCPtr<LButton> box = GetCheckBox();
    if (!box)
        return S_FALSE;
    for (unsigned i = box->GetLookCount(); i-- > 0;)
        static_cast<void>(box->SetLookBitmap(icon, 0, int(i), true)); // a look the skin lacks is not drawn
    return S_OK;
}

// ---- list

KXRESULT LCheckedListBox::Initialize()
{
    const KXRESULT r = LListBox::Initialize();
    // A plain checked list (not a tree or a menu built on it) takes its row icons from the
    // bitmaps of a fourth look; its rows are then clicked as a whole.
    if (typeid(*this) != typeid(LCheckedListBox) || GetLookCount() <= 3)
        return r;
    const RCPtr<LLook>& look = GetCurrentLook(3);
    const RCPtr<LLookDescriptor> descriptor = look ? look->GetDescriptor() : nullptr;
    if (!descriptor)
        return r;
    auto take = [this](const RCPtr<LDockedPart>& docked) {
        RCPtr<LVisualPart> part = docked ? LVisualPart::FromDescriptor(docked->part) : nullptr;
        if (part && part->GetBitmap())
            m_icons.AddItem(part->GetBitmap());
    };
    take(descriptor->clientPart);
    for (unsigned i = 0; i < descriptor->nonClientParts.GetCount(); ++i)
        take(descriptor->nonClientParts.GetAt(i));
    SetCheckBoxesPassive(true);
    return r;
}

void LCheckedListBox::OnItemControlAdded(const RCPtr<LListBoxItem>& row)
{
    auto* item = dynamic_cast<LCheckedListBoxItem*>(row.Get());
    RCPtr<LButton> box = item ? item->GetCheckBox() : nullptr;
    if (!box)
        return;
    box->passive = m_checkBoxesPassive;
    box->SetAutoValueSet(m_autoCheck);
    BindCheckBox(box);
}

void LCheckedListBox::OnItemControlDropped(const RCPtr<LListBoxItem>& row)
{
    auto* item = dynamic_cast<LCheckedListBoxItem*>(row.Get());
    RCPtr<LNotificationDistributor> sender(item ? item->GetCheckBox() : nullptr);
    if (!sender)
        return;
    for (const char16_t* name : {u"NID_LEFT_CLICK", u"NID_VALUE_CHANGE"})
        static_cast<void>(Unbind(sender, name)); // one of the two was bound
}

void LCheckedListBox::BindCheckBox(const RCPtr<LButton>& box)
{
    RCPtr<LNotificationDistributor> sender(box);
    if (m_autoCheck) {
        static_cast<void>(Unbind(sender, u"NID_LEFT_CLICK")); // not registered means nothing to undo
        Bind(static_cast<Handler::Member>(&LCheckedListBox::OnCheckBoxValueChanged), sender, u"NID_VALUE_CHANGE");
    } else {
        static_cast<void>(Unbind(sender, u"NID_VALUE_CHANGE")); // not registered means nothing to undo
        Bind(static_cast<Handler::Member>(&LCheckedListBox::OnCheckBoxClicked), sender, u"NID_LEFT_CLICK");
    }
}

void LCheckedListBox::SetAutoCheck(bool on)
{
    if (on == m_autoCheck)
        return;
    m_autoCheck = on;
    for (int32_t row = GetItemControlCount(); row-- > 0;) {
        RCPtr<LCheckedListBoxItem> item = GetCheckedItemControl(row);
        RCPtr<LButton> box = item ? item->GetCheckBox() : nullptr;
        if (!box)
            continue;
        box->SetAutoValueSet(on);
        BindCheckBox(box);
    }
}

void LCheckedListBox::SetCheckBoxesPassive(bool passive)
{
    m_checkBoxesPassive = passive;
    for (int32_t row = GetItemControlCount(); row-- > 0;) {
        RCPtr<LCheckedListBoxItem> item = GetCheckedItemControl(row);
        if (RCPtr<LButton> box = item ? item->GetCheckBox() : nullptr)
            box->passive = passive;
    }
}

void LCheckedListBox::RecountChecked()
{
    m_checkedCount = 0;
    for (int32_t i = GetItemCount(); i-- > 0;)
        m_checkedCount += GetEntry(i).checked ? 1 : 0;
}

int32_t LCheckedListBox::SetItemCount(int32_t n)
{
    const int32_t r = LListBox::SetItemCount(n);
    RecountChecked();
    return r;
}

void LCheckedListBox::SetItemChecked(int32_t index, bool checked)
{
    if (!InRange(index) || GetEntry(index).checked == checked)
        return;
    GetEntry(index).checked = checked;
    m_checkedCount += checked ? 1 : -1;
    int32_t row = -1;
    RefreshItem(index, row);
}

bool LCheckedListBox::IsItemChecked(int32_t index) const
{
    return InRange(index) && GetEntry(index).checked;
}

RCPtr<LBitmap> LCheckedListBox::GetItemIcon(int32_t index) const
{
    if (!InRange(index))
        return nullptr;
    if (m_icons.GetCount() == 0)
        return GetEntry(index).icon;
    return m_icons.GetAt(unsigned(index) % m_icons.GetCount());
}

RCPtr<LCheckedListBoxItem> LCheckedListBox::GetCheckedItemControl(int32_t row) const
{
    return RCPtr<LCheckedListBoxItem>(GetItemControl(row));
}

KXRESULT LCheckedListBox::RefreshItem(int32_t index, int32_t& row)
{
    const KXRESULT r = LListBox::RefreshItem(index, row);
    if (r < 0 || row < 0)
        return r;
    RCPtr<LCheckedListBoxItem> item = GetCheckedItemControl(row);
    RCPtr<LButton> box = item ? item->GetCheckBox() : nullptr;
    if (!box)
        return r;
    const bool exists = InRange(index);
    const bool checked = exists && GetEntry(index).checked;
    // Showing an entry is no check change: the list does not hear its own setting.
    if (m_autoCheck) {
        CAutoNotificationDisabler<LListBox> quiet(GetHandler(), RCPtr<LNotificationDistributor>(box),
                                                  u"NID_VALUE_CHANGE");
        item->SetCheckBoxValue(checked);
    } else {
        item->SetCheckBoxValue(checked);
    }
    item->SetCheckBoxIcon(exists ? GetItemIcon(index) : nullptr);
    item->SetCheckBoxVisible(exists);
    return r;
}

int32_t LCheckedListBox::EntryOfCheckBox(const LControl* box) const
{
    return box && box->GetParent() ? GetEntryIndexOfItemControl(box->GetParent().Get()) : -1;
}

KXRESULT LCheckedListBox::Report(const RCPtr<LNotificationDistributor>& sender, const char16_t* name, bool countChange)
{
    const auto* box = dynamic_cast<const LControl*>(sender.Get());
    const int32_t index = EntryOfCheckBox(box);
    if (index < 0)
        return S_FALSE;
    const double value = box->GetValue();
    RCPtr<LIndexedDataWithValueParam> param(new LIndexedDataWithValueParam(nullptr, index, value));
    GetEntry(index).checked = value >= 0.5;
    if (countChange)
        m_checkedCount += value >= 0.5 ? 1 : -1;
    SelectItems(index, index, !multiSelect);
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, RCPtr<LRefCountedObject>(param))))
        SendNotification(n);
    return S_FALSE;
}

KXRESULT LCheckedListBox::OnCheckBoxClicked(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&)
{
    return Report(sender, u"NID_ITEM_CHECKBOX_CLICKED", false);
}

KXRESULT LCheckedListBox::OnCheckBoxValueChanged(const RCPtr<LNotificationDistributor>& sender,
                                                 const RCPtr<LNotification>&)
{
    return Report(sender, u"NID_ITEM_CHECK_CHANGE", true);
}

} // namespace KX
