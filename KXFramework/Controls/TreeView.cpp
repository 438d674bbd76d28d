#include "KXFramework/Controls/TreeView.h"

#include <utility>

namespace KX {

KXRESULT LTreeViewItem::SetIndentLevel(int32_t depth)
{
    const RCPtr<LButton> box = GetCheckBox();
    const double indent = depth * (box ? box->GetRect().width : 0.0);
    return EditPlacement(0, [indent](PositionSpec& position, SizeSpec&) { position.absolute = indent; });
}

void LTreeView::SyncParents() const
{
    m_parents.resize(size_t(GetItemCount()), -1);
}

int32_t LTreeView::GetParentIndex(int32_t index) const
{
    SyncParents();
    return InRange(index) ? m_parents[size_t(index)] : -1;
}

int32_t LTreeView::GetDepth(int32_t index) const
{
    // The walk is bounded by the entry count, so a cycle left by swapped entries cannot hang it.
    int32_t depth = 0;
    for (int32_t p = GetParentIndex(index); p >= 0 && depth < GetItemCount(); p = GetParentIndex(p))
        ++depth;
    return depth;
}

bool LTreeView::IsDescendantOf(int32_t index, int32_t ancestor) const
{
    int32_t steps = 0;
    for (int32_t p = GetParentIndex(index); p >= 0 && steps < GetItemCount(); p = GetParentIndex(p), ++steps) {
        if (p == ancestor)
            return true;
    }
    return false;
}

int32_t LTreeView::GetDescendantCount(int32_t index) const
{
    if (!InRange(index))
        return 0;
    const int32_t depth = GetDepth(index);
    int32_t n = 0;
    for (int32_t e = index + 1; e < GetItemCount() && GetDepth(e) > depth; ++e)
        ++n;
    return n;
}

void LTreeView::UpdateHiddenStates(int32_t p)
{
    if (!InRange(p))
        return;
    for (int32_t e = p + 1; e < GetItemCount() && IsDescendantOf(e, p); ++e) {
        bool visible = true;
        int32_t steps = 0;
        for (int32_t a = GetParentIndex(e); a >= 0 && visible && steps < GetItemCount(); a = GetParentIndex(a), ++steps)
            visible = IsItemChecked(a);
        SetItemHidden(e, !visible);
    }
}

void LTreeView::SwapEntries(int32_t i, int32_t j)
{
    SyncParents();
    LCheckedListBox::SwapEntries(i, j);
    std::swap(m_parents[size_t(i)], m_parents[size_t(j)]);
}

KXRESULT LTreeView::RemoveItem(int32_t index)
{
    if (!InRange(index))
        return E_INVALIDARG;
    SyncParents();
    RCPtr<LControl> self(this);
    static_cast<void>(LCheckedListBox::RemoveItem(index)); // an index out of range removes nothing
    m_parents.erase(m_parents.begin() + index);
    for (int32_t e = int32_t(m_parents.size()); e-- > index;) {
        if (e >= int32_t(m_parents.size()))
            continue;
        if (m_parents[size_t(e)] == index)
            RemoveItem(e);
        else if (m_parents[size_t(e)] > index)
            --m_parents[size_t(e)];
    }
    RecountChecked();
    return S_OK;
}

int32_t LTreeView::SetParent(int32_t index, int32_t parent)
{
    if (parent < 0)
        parent = -1;
    // A parent after the entry would leave the subtree order broken; such calls are refused.
    if (!InRange(index) || index == 0 || index == parent || parent >= index || GetParentIndex(index) == parent)
        return index;
    RCPtr<LControl> self(this);
    SyncParents();
    const int32_t before = index;
    const bool direct = index - 1 == parent || GetParentIndex(index - 1) == parent;
    if (!direct) {
        while (index > 0 && index - 1 != parent && !IsDescendantOf(index - 1, parent)) {
            SwapEntries(index, index - 1);
            --index;
        }
    }
    m_parents[size_t(index)] = parent;
    if (parent >= 0 && GetDescendantCount(parent) > 0)
        ExpandItem(parent);
    UpdateHiddenStates(parent);
    RefreshItems(std::max(0, (direct ? before : index) - 1));
    return index;
}

void LTreeView::ExpandItem(int32_t index)
{
    const int32_t row = GetItemControlIndexOfEntry(index);
    RCPtr<LCheckedListBoxItem> item = row >= 0 ? GetCheckedItemControl(row) : nullptr;
    RCPtr<LButton> box = item ? item->GetCheckBox() : nullptr;
    if (box) {
        box->SetValue(1.0);
        return;
    }
    SetItemChecked(index, true);
    UpdateHiddenStates(index);
}

KXRESULT LTreeView::RefreshItem(int32_t index, int32_t& row)
{
    m_refreshing = true;
    const KXRESULT r = LCheckedListBox::RefreshItem(index, row);
    if (r >= 0 && row >= 0 && InRange(index)) {
        RCPtr<LTreeViewItem> item(GetItemControl(row));
        RCPtr<LButton> box = item ? item->GetCheckBox() : nullptr;
        if (box)
            box->SetEnabled(GetDescendantCount(index) > 0);
        if (item)
            static_cast<void>(item->SetIndentLevel(GetDepth(index))); // a row without an indent look stays flush
    }
    m_refreshing = false;
    return r;
}

void LTreeView::OnItemControlAdded(const RCPtr<LListBoxItem>& row)
{
    auto* item = dynamic_cast<LCheckedListBoxItem*>(row.Get());
    RCPtr<LButton> box = item ? item->GetCheckBox() : nullptr;
    if (!box)
        return;
    box->SetAutoValueSet(IsAutoCheck());
    RCPtr<LNotificationDistributor> sender(box);
    if (IsAutoCheck())
        Bind(static_cast<Handler::Member>(&LTreeView::OnExpanderValueChanged), sender, u"NID_VALUE_CHANGE");
    else
        Bind(static_cast<Handler::Member>(&LTreeView::OnExpanderClicked), sender, u"NID_LEFT_CLICK");
}

KXRESULT LTreeView::OnExpanderValueChanged(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&)
{
    return OnExpander(sender, u"NID_ITEM_CHECK_CHANGE", true);
}

KXRESULT LTreeView::OnExpanderClicked(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&)
{
    return OnExpander(sender, u"NID_ITEM_CHECKBOX_CLICKED", false);
}

KXRESULT LTreeView::OnExpander(const RCPtr<LNotificationDistributor>& sender, const char16_t* name, bool valueChanged)
{
    const auto* box = dynamic_cast<const LControl*>(sender.Get());
    if (m_refreshing || !box || !box->GetParent())
        return S_FALSE;
    const int32_t index = GetEntryIndexOfItemControl(box->GetParent().Get());
    if (!InRange(index))
        return S_FALSE;
    RCPtr<LControl> self(this);
    const double value = box->GetValue();
    RCPtr<LIndexedDataWithValueParam> param(new LIndexedDataWithValueParam(nullptr, index, value));
    GetEntry(index).checked = value >= 0.5;
    if (valueChanged)
        RecountChecked();
    UpdateHiddenStates(index);
    RefreshItems(index);
    SelectItems(index, index, !multiSelect);
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, RCPtr<LRefCountedObject>(param))))
        SendNotification(n);
    return S_FALSE;
}

void LTreeView::OnIdleTick()
{
    UnsubscribeIdle();
}

} // namespace KX
