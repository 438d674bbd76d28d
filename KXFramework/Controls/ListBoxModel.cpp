#include "KXFramework/Controls/ListBoxModel.h"

#include <algorithm>
#include <cwctype>

namespace KX {

namespace {

String TextOf(const RCPtr<LTaggableObject>& data)
{
    return data ? data->ToString() : String();
}

int CompareNoCase(const String& a, const String& b)
{
    const char16_t* p = a.GetData();
    const char16_t* q = b.GetData();
    for (;; ++p, ++q) {
        const auto x = std::towlower(wint_t(*p));
        const auto y = std::towlower(wint_t(*q));
        if (x != y)
            return x < y ? -1 : 1;
        if (*p == 0)
            return 0;
    }
}

} // namespace

String LListBoxModel::GetText(int32_t index) const
{
    return InRange(index) ? TextOf(GetEntry(index).data) : String();
}

bool LListBoxModel::Insert(int32_t index, const RCPtr<LTaggableObject>& data)
{
    if (index < 0 || index > GetCount())
        return false;
    LListBoxEntry entry;
    entry.data = data;
    m_entries.insert(m_entries.begin() + index, entry);
    if (m_anchorIndex >= index)
        ++m_anchorIndex;
    if (m_currentIndex >= index)
        ++m_currentIndex;
    return true;
}

void LListBoxModel::Remove(int32_t index)
{
    m_hiddenCount -= GetEntry(index).hidden ? 1 : 0;
    m_entries.erase(m_entries.begin() + index);
    if (index < m_currentIndex && index < m_anchorIndex) {
        --m_currentIndex;
        --m_anchorIndex;
    } else if (!(m_currentIndex <= index && m_anchorIndex <= index)) {
        m_currentIndex = m_anchorIndex = -1;
    }
}

void LListBoxModel::Grow(int32_t n)
{
    if (n > GetCount())
        m_entries.resize(size_t(n));
}

void LListBoxModel::Clear()
{
    m_entries.clear();
    m_hiddenCount = 0;
    m_selectedCount = 0;
    m_anchorIndex = m_currentIndex = -1;
}

bool LListBoxModel::SetSelectionValue(int32_t index, double value)
{
    if (!InRange(index))
        return false;
    LListBoxEntry& entry = GetEntry(index);
    const bool was = entry.selectionValue >= 0.5;
    const bool is = value >= 0.5;
    if (was != is)
        m_selectedCount += is ? 1 : -1;
    entry.selectionValue = value;
    m_changed(index);
    return true;
}

bool LListBoxModel::SetHidden(int32_t index, bool hidden)
{
    if (GetEntry(index).hidden == hidden)
        return false;
    GetEntry(index).hidden = hidden;
    m_hiddenCount += hidden ? 1 : -1;
    return true;
}

int32_t LListBoxModel::StepVisible(int32_t from, int32_t steps) const
{
    const int32_t count = GetCount();
    if (m_hiddenCount == 0)
        return count == 0 ? from : std::min(std::max(from, 0) + std::max(steps, 0), count - 1);
    int32_t found = -1;
    for (int32_t i = std::max(from, 0); i < count; ++i) {
        if (GetEntry(i).hidden)
            continue;
        found = i;
        if (steps-- <= 0)
            break;
    }
    return found >= 0 ? found : from;
}

int32_t LListBoxModel::StepVisibleBack(int32_t from, int32_t steps) const
{
    const int32_t count = GetCount();
    if (count == 0 || from < 0)
        return from;
    if (m_hiddenCount == 0)
        return std::max(std::min(from, count - 1) - std::max(steps, 0), 0);
    int32_t found = -1;
    for (int32_t i = std::min(from, count - 1); i >= 0; --i) {
        if (GetEntry(i).hidden)
            continue;
        found = i;
        if (steps-- <= 0)
            break;
    }
    return found >= 0 ? found : from;
}

int32_t LListBoxModel::VisibleBefore(int32_t index) const
{
    int32_t n = 0;
    for (int32_t i = 0; i < index && i < GetCount(); ++i)
        n += GetEntry(i).hidden ? 0 : 1;
    return n;
}

int32_t LListBoxModel::NextSelectable(int32_t from, int32_t step, const std::function<bool(int32_t)>& selectable) const
{
    const int32_t count = GetCount();
    // Hidden entries are skipped like those that cannot be selected.
    int32_t i = from;
    while (i >= 0 && i < count && (!selectable(i) || GetEntry(i).hidden))
        i += step;
    return i >= 0 && i < count ? i : -1;
}

int32_t LListBoxModel::FindByText(const String& text, int32_t after, bool matchCase) const
{
    const int32_t count = GetCount();
    if (after < -1 || after >= count)
        after = -1;
    for (int32_t k = 1; k <= count; ++k) {
        const int32_t i = (after + k) % count;
        const String entry = TextOf(GetEntry(i).data);
        if (matchCase ? entry == text : CompareNoCase(entry, text) == 0)
            return i;
    }
    return -1;
}

KXRESULT LListBoxModel::Sort(int32_t first, int32_t count)
{
    if (count == 0)
        return S_FALSE;
    if (first < 0 || count < 0 || int64_t(first) + count > GetCount())
        return E_INVALIDARG;
    const auto begin = m_entries.begin() + first;
    // Whole entries move, so selection values and flags travel with their data.
    std::vector<std::pair<String, int32_t>> keys;
    keys.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i)
        keys.emplace_back(TextOf(GetEntry(first + i).data), first + i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return CompareNoCase(a.first, b.first) < 0; });
    std::vector<LListBoxEntry> sortedEntries;
    sortedEntries.reserve(size_t(count));
    int32_t anchor = m_anchorIndex, current = m_currentIndex;
    for (int32_t k = 0; k < count; ++k) {
        const int32_t from = keys[size_t(k)].second;
        sortedEntries.push_back(std::move(m_entries[size_t(from)]));
        if (from == m_anchorIndex)
            anchor = first + k;
        if (from == m_currentIndex)
            current = first + k;
    }
    std::move(sortedEntries.begin(), sortedEntries.end(), begin);
    m_anchorIndex = anchor;
    m_currentIndex = current;
    return S_OK;
}

int32_t LListBoxModel::Select(int32_t first, int32_t last, bool exclusive, bool& changed)
{
    changed = false;
    if (last < 0)
        last = first;
    last = std::min(last, GetCount() - 1);
    if (first == last && IsSelected(first) && (!exclusive || m_selectedCount == 1))
        return first;
    m_anchorIndex = first;
    m_currentIndex = last;
    const int32_t lo = std::min(first, last), hi = std::max(first, last);
    if (!exclusive) {
        for (int32_t i = lo; i <= hi; ++i) {
            if (!IsSelected(i)) {
                SetSelectionValue(i, 1.0);
                changed = true;
            }
        }
    } else {
        for (int32_t i = GetCount(); i-- > 0;) {
            const bool inside = i >= lo && i <= hi;
            if (inside != IsSelected(i)) {
                SetSelectionValue(i, inside ? 1.0 : 0.0);
                changed = true;
            }
        }
    }
    return m_currentIndex;
}

bool LListBoxModel::Deselect(int32_t index)
{
    if (!IsSelected(index))
        return false;
    SetSelectionValue(index, 0.0);
    const int32_t count = GetCount();
    if (m_selectedCount == 0) {
        m_anchorIndex = m_currentIndex = -1;
    } else if (index == m_currentIndex) {
        const bool anchorWasCurrent = m_anchorIndex == m_currentIndex;
        int32_t next = -1;
        if (IsSelected(index + 1))
            next = index + 1;
        else if (IsSelected(index - 1))
            next = index - 1;
        if (next >= 0) {
            m_currentIndex = next;
            if (anchorWasCurrent)
                m_anchorIndex = next;
        } else if (m_anchorIndex >= 0 && m_anchorIndex < count && m_anchorIndex != index) {
            m_currentIndex = m_anchorIndex;
        } else {
            int32_t highest = -1;
            for (int32_t i = count; i-- > 0 && highest < 0;)
                highest = IsSelected(i) ? i : -1;
            m_anchorIndex = m_currentIndex = highest;
        }
    } else if (index == m_anchorIndex) {
        if (IsSelected(index + 1))
            m_anchorIndex = index + 1;
        else if (IsSelected(index - 1))
            m_anchorIndex = index - 1;
        else
            m_anchorIndex = -1;
    }
    return true;
}

bool LListBoxModel::DeselectAll()
{
    bool changed = false;
    for (int32_t i = GetCount(); i-- > 0;) {
        if (IsSelected(i)) {
            SetSelectionValue(i, 0.0);
            changed = true;
        }
    }
    m_anchorIndex = m_currentIndex = -1;
    return changed;
}

const std::vector<int32_t>& LListBoxModel::GetSelectedIndices()
{
    m_selectedIndices.clear();
    for (int32_t i = 0; i < GetCount(); ++i) {
        if (IsSelected(i))
            m_selectedIndices.push_back(i);
    }
    return m_selectedIndices;
}

} // namespace KX
