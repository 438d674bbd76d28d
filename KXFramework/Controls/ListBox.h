#pragma once
// The scrolling list: entries (a data object whose text is shown, a selection value and three
// flags) shown through a few rows made from the skin's "templateItem". Scrolling never moves the
// rows: it changes the entry the first row shows. Entries are selected singly or several at a
// time by mouse and keys, activated by Enter, and in drop-down mode follow the pointer.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/ListBoxItem.h"
#include "KXFramework/Controls/ListBoxModel.h"
#include "KXFramework/Controls/ScrollView.h"
#include "KXFramework/ObjectBase/TaggableObject.h"
#include "KXFramework/Utilities/Graphics/Bitmap.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"

#include <cstdint>
#include <vector>

namespace KX {

// The text of a text entry.
using LListBoxText = LWrapperStringable<String, &StringToString, LTaggableObject>;

class LListBox : public LControlWithHandler<LScrollView, LListBox> {
public:
    LListBox(const RCPtr<LControl>& parent, const String& name);

    void CheckClientSizeChange() override;
    void ScrollContents(const PointT<double>& oldOffset, const PointT<double>& newOffset) override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    [[nodiscard]] KXRESULT OnKey(const RCPtr<LKeyParam>& key) override;
    [[nodiscard]] KXRESULT Initialize() override;
    // A new skin for a list in use makes its rows again from the skin's "templateItem".
    [[nodiscard]] KXRESULT ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
    void OnScrollBarShown(int axis) override;
    void OnClientRectChanged() override;
    KXRESULT BreakCycles() override;

    virtual int32_t GetItemCount() const { return m_model.GetCount(); }
    // n, or the negative of the count reached when it could not be reached.
    virtual int32_t SetItemCount(int32_t n);
    // The new count; E_INVALIDARG for an index out of range.
    [[nodiscard]] virtual KXRESULT RemoveItem(int32_t index);
    // 1 when already empty, for the record only; callers may ignore it.
    virtual KXRESULT RemoveAllItems();
    virtual bool SortAllItems();
    virtual void OnSelectionChanged() {}
    virtual void OnItemActivated() {}
    // The entry a row shows; -1 when the control is no row or shows none.
    virtual int32_t GetEntryIndexOfItemControl(const LControl* control) const;
    [[nodiscard]] virtual KXRESULT SetItemHidden(int32_t index, bool hidden);
    // Refreshes the row that shows the entry; 1 when none does, for the record only; callers may ignore it.
    virtual KXRESULT RefreshItem(int32_t index, int32_t& row);
    virtual int32_t GetItemControlIndexOfEntry(int32_t index) const;
    virtual int32_t MeasureItemWidth(int32_t index) const;
    virtual int32_t GetContentHeight() const;
    virtual bool IsItemSelectable(int32_t) const { return true; }
    virtual void SwapEntries(int32_t i, int32_t j) { m_model.Swap(i, j); }
    [[nodiscard]] virtual KXRESULT SortItems(int32_t first, int32_t count);

    void GetItemText(String& out, int32_t index) const;
    // The entry's data object; null past the end.
    RCPtr<LTaggableObject> GetItemData(int32_t index) const;
    // index, or E_INVALIDARG past the end (index == count appends).
    [[nodiscard]] KXRESULT InsertItem(int32_t index, const RCPtr<LTaggableObject>& data);
    [[nodiscard]] KXRESULT SetItemData(int32_t index, const RCPtr<LTaggableObject>& data);
    [[nodiscard]] KXRESULT SetItemText(int32_t index, const String& text);
    [[nodiscard]] KXRESULT SetItemSelectionValue(int32_t index, double value);
    bool IsItemSelected(int32_t index) const;
    bool IsItemMarked(int32_t index) const;
    double GetItemSelectionValue(int32_t index) const;
    bool SetItemMarked(int32_t index, bool marked);
    bool SetItemBlank(int32_t index, bool blank);
    int32_t FindItemByText(const String& text, int32_t after, bool matchCase) const;
    [[nodiscard]] KXRESULT LoadItemsFromStringTable(const RCPtr<LStringTable>& table);
    // Scrolls the entry into view; 1 when it is, E_INVALIDARG out of range, for the record only; callers may ignore it.
    KXRESULT EnsureItemVisible(int32_t index);
    // The entry under a point of the list box's own coordinates; -1 for none.
    int32_t HitTestItem(const PointT<double>& point) const;
    RCPtr<LListBoxItem> GetItemControl(int32_t row) const;
    int32_t GetItemControlCount() const { return int32_t(m_rows.size()); }
    // S_OK, for the record only; callers may ignore it.
    KXRESULT SetDropDownMode(bool on);
    // The placement's answer, for the record only; callers may ignore it.
    KXRESULT SetClientHeight(double height);
    KXRESULT SetClientWidth(double width);
    // Rounds the height limits and an absolute height down to whole rows (one row at least).
    void SnapHeightLimitsToRows();
    // On each axis where the skin leaves the minimum or the maximum size open, sets the limits
    // again with a minimum where it gives none: the given width, one row high.
    void FillOpenSizeLimits(double minimumWidth);

    // Selection.
    // first, or E_INVALIDARG when first is past the end.
    int32_t SelectItems(int32_t first, int32_t last, bool exclusive);
    // 1 when the entry was not selected, for the record only; callers may ignore it.
    KXRESULT DeselectItem(int32_t index);
    void DeselectAll();
    const std::vector<int32_t>& GetSelectedIndices() { return m_model.GetSelectedIndices(); }
    void ActivateItem(int32_t index);

    int32_t GetTopIndex() const { return m_topIndex; }
    int32_t GetCurrentIndex() const { return m_model.GetCurrentIndex(); }
    int32_t GetAnchorIndex() const { return m_model.GetAnchorIndex(); }
    int32_t GetSelectedCount() const { return m_model.GetSelectedCount(); }
    int32_t GetItemHeight() const { return m_itemHeight; }
    bool IsDropDownMode() const { return m_dropDownMode; }

    bool multiSelect = false;
    int32_t selectionMode = 1;
    bool sorted = false;

protected:
    void OnPointerMoved(const RCPtr<LPointWithModifiersParam>& pointer) override;
    void OnLeftButtonUp(const RCPtr<LMouseButtonParam>& release) override;

    void RefreshItems(int32_t from);
    // A new row has been made and wired; the checked list box wires its check box.
    virtual void OnItemControlAdded(const RCPtr<LListBoxItem>&) {}
    // A row is leaving the list (a new skin replaces the rows).
    virtual void OnItemControlDropped(const RCPtr<LListBoxItem>&) {}
    LListBoxEntry& GetEntry(int32_t index) { return m_model.GetEntry(index); }
    void OnItemClicked(const LControl* control, const RCPtr<LMouseButtonParam>& param);
    void SelectionChanged();
    const LListBoxEntry& GetEntry(int32_t index) const { return m_model.GetEntry(index); }
    bool InRange(int32_t index) const { return m_model.InRange(index); }

    // The entries and the selection; a changed selection value refreshes its row.
    LListBoxModel m_model;
    std::vector<RCPtr<LListBoxItem>> m_rows;
    int32_t m_topIndex = 0;

private:
    void ApplyTemplateItem(const RCPtr<LListBoxItem>& templateItem);
    [[nodiscard]] KXRESULT AddItemControl();
    void EnsureItemControls();
    void WireRow(const RCPtr<LListBoxItem>& row);
    void DropItemControls();
    // Takes the template of a new skin: measures it and keeps its descriptor.
    void TakeTemplateFrom(const RCPtr<LControlDescriptor>& descriptor);
    // The template's text overflows by widening the list.
    bool ExpandsToText() const;
    // Widens the list so that the widest entry and the vertical bar fit.
    void FitWidthToText();
    // Rows of an absolute ("Self") template width, or fixed rows, all take the widest entry's
    // width, and the content is that wide.
    bool RowsTakeWidestWidth() const;
    // Such rows are centred in the visible width, or start at the content's left edge when wider.
    void PlaceRowsAcross();
    void UpdateExtent();
    void SetWidestItemWidth(int32_t width);
    void RecomputeWidestItemWidth();
    void FollowContentHeight();
    // The rows from the first that lie wholly inside the view.
    int32_t WholeRowsInView() const;
    // The entry a list key selects; -1 for none or for a key that selects nothing.
    int32_t EntryForKey(uint32_t key) const;
    void Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload);
    void PassKeyToBar(const RCPtr<LControl>& bar, const RCPtr<LKeyParam>& key);
    [[nodiscard]] KXRESULT OnItemMouseDown(const RCPtr<LNotificationDistributor>& sender,
                                           const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnItemMouseUp(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnItemHover(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnItemLeftDrag(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);

    int32_t m_itemPadding = 0;
    int32_t m_widestItemWidth = 0;
    RCPtr<LControlDescriptor> m_templateDescriptor;
    int32_t m_pressedIndex = -1;
    // The last left press on a row of a multiple selection; a click applied on release is this one.
    RCPtr<LMouseButtonParam> m_press;
    bool m_dropDownMode = false;
    int32_t m_itemHeight = 14;
    int32_t m_itemDragThreshold = 1;
    bool m_creatingItemControls = false;
    bool m_applyingDescriptor = false;
    bool m_templateApplied = false;
    bool m_batchUpdate = false;
};

} // namespace KX
