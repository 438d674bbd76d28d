#pragma once
// A checked list box whose entries form a tree: each entry records its parent, a subtree follows
// its parent contiguously, and a row's check box is its expander. An entry is hidden while any of
// its ancestors is collapsed; rows are indented by depth.
// Thread: UI thread only.
#include "KXFramework/Controls/CheckedListBox.h"

#include <cstdint>
#include <vector>

namespace KX {

class LTreeViewItem : public LCheckedListBoxItem {
public:
    using LCheckedListBoxItem::LCheckedListBoxItem;

    // Moves the row right by depth expander widths.
    [[nodiscard]] KXRESULT SetIndentLevel(int32_t depth);
};

class LTreeView : public LCheckedListBox {
public:
    using LCheckedListBox::LCheckedListBox;

    void OnIdleTick() override;
    // Removes the entry with its whole subtree; E_INVALIDARG for an index out of range.
    [[nodiscard]] KXRESULT RemoveItem(int32_t index) override;
    // A tree keeps its own order.
    bool SortAllItems() override { return false; }
    KXRESULT RefreshItem(int32_t index, int32_t& row) override;
    void SwapEntries(int32_t i, int32_t j) override;

    // Moves the entry under the parent as its last child; the entry's new index. Only parents
    // that precede the entry are accepted.
    virtual int32_t SetParent(int32_t index, int32_t parent);
    // -1 for a top-level entry or an index out of range.
    virtual int32_t GetParentIndex(int32_t index) const;
    virtual int32_t GetDepth(int32_t index) const;
    virtual int32_t GetDescendantCount(int32_t index) const;
    virtual void UpdateHiddenStates(int32_t index);
    void ExpandItem(int32_t index);
    bool IsDescendantOf(int32_t index, int32_t ancestor) const;

protected:
    void OnItemControlAdded(const RCPtr<LListBoxItem>& row) override;

private:
    [[nodiscard]] KXRESULT OnExpanderValueChanged(const RCPtr<LNotificationDistributor>& sender,
                                                  const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnExpanderClicked(const RCPtr<LNotificationDistributor>& sender,
                                             const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnExpander(const RCPtr<LNotificationDistributor>& sender, const char16_t* name,
                                      bool valueChanged);
    // Entries are appended by the list box; new ones start at the top level.
    void SyncParents() const;

    mutable std::vector<int32_t> m_parents;
    bool m_refreshing = false;
};

} // namespace KX
