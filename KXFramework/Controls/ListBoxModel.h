#pragma once
// A list box's entries and selection apart from its rows: the entries with their selection values
// and flags, the anchor and current entries, and the selection rules that need no geometry
// (ranges, deselection with the anchor and current moving to a neighbour, hidden entries, sorting
// that keeps the anchor and current on their entries).
// Thread: UI thread only.
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/ObjectBase/TaggableObject.h"
#include "KXFramework/Utilities/Graphics/Bitmap.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace KX {

struct LListBoxEntry {
    RCPtr<LTaggableObject> data;
    double selectionValue = 0.0;
    bool marked = false;
    bool blank = false;
    bool hidden = false;
    // The checked list box's check state and row icon.
    bool checked = false;
    RCPtr<LBitmap> icon;
};

class LListBoxModel {
public:
    // Told of each entry whose selection value a selection rule changed, so that its row is drawn
    // again.
    using SelectionValueChanged = std::function<void(int32_t index)>;

    explicit LListBoxModel(SelectionValueChanged changed) : m_changed(std::move(changed)) {}

    int32_t GetCount() const { return int32_t(m_entries.size()); }
    bool InRange(int32_t index) const { return index >= 0 && index < GetCount(); }
    LListBoxEntry& GetEntry(int32_t index) { return m_entries[size_t(index)]; }
    const LListBoxEntry& GetEntry(int32_t index) const { return m_entries[size_t(index)]; }
    // The entry's data as text; empty past the end.
    String GetText(int32_t index) const;
    int32_t GetHiddenCount() const { return m_hiddenCount; }
    int32_t GetSelectedCount() const { return m_selectedCount; }
    int32_t GetAnchorIndex() const { return m_anchorIndex; }
    int32_t GetCurrentIndex() const { return m_currentIndex; }
    void SetAnchorIndex(int32_t index) { m_anchorIndex = index; }
    void SetCurrentIndex(int32_t index) { m_currentIndex = index; }

    // False past the end (index == count appends). The anchor and current move with their entries.
    bool Insert(int32_t index, const RCPtr<LTaggableObject>& data);
    // Removes an entry the caller has deselected: the anchor and current move with entries before them and are lost
    // when they lay on or across it.
    void Remove(int32_t index);
    // Appends empty entries up to n.
    void Grow(int32_t n);
    void Clear();
    void Swap(int32_t i, int32_t j) { std::swap(m_entries[size_t(i)], m_entries[size_t(j)]); }
    // False past the end.
    bool SetSelectionValue(int32_t index, double value);
    bool IsSelected(int32_t index) const { return InRange(index) && GetEntry(index).selectionValue >= 0.5; }
    // True when the flag changed.
    bool SetHidden(int32_t index, bool hidden);

    // The entry `steps` visible entries after the first visible one at or after `from`; the last
    // visible entry when the list runs out first; `from` when none is visible.
    int32_t StepVisible(int32_t from, int32_t steps) const;
    // The entry `steps` visible entries before the last visible one at or before `from`; the first
    // visible entry when the list runs out first; `from` when none is visible or `from` is negative.
    int32_t StepVisibleBack(int32_t from, int32_t steps) const;
    int32_t VisibleBefore(int32_t index) const;
    // The first entry from `from` on in direction step (1 or -1) that is visible and selectable;
    // -1 when there is none.
    int32_t NextSelectable(int32_t from, int32_t step, const std::function<bool(int32_t)>& selectable) const;
    // The first entry after `after` (wrapping around) whose text matches; -1 for none.
    int32_t FindByText(const String& text, int32_t after, bool matchCase) const;
    // Sorts count entries from first by their text, ignoring case and keeping equal ones in order;
    // whole entries move, and the anchor and current with them. 1 for no entries, E_INVALIDARG for a
    // range past the end.
    [[nodiscard]] KXRESULT Sort(int32_t first, int32_t count);

    // Selects first..last (last -1: first alone; kept in the list), exclusive clearing the rest;
    // first becomes the anchor and last the current entry. A lone entry already selected (and alone,
    // when exclusive) changes nothing. Gives the entry to bring into view; the caller checks first.
    int32_t Select(int32_t first, int32_t last, bool exclusive, bool& changed);
    // False when the entry was not selected. The current entry moves to a selected neighbour, else
    // to the anchor, else to the highest selected entry; the anchor follows a current entry it was,
    // or moves to a selected neighbour.
    bool Deselect(int32_t index);
    // True when anything was selected; the anchor and current go.
    bool DeselectAll();
    const std::vector<int32_t>& GetSelectedIndices();

private:
    SelectionValueChanged m_changed;
    std::vector<LListBoxEntry> m_entries;
    std::vector<int32_t> m_selectedIndices;
    int32_t m_anchorIndex = -1;
    int32_t m_currentIndex = -1;
    int32_t m_selectedCount = 0;
    // Entries hidden; while there are none, a row's entry follows from its number.
    int32_t m_hiddenCount = 0;
};

} // namespace KX
