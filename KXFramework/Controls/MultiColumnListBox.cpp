#include "KXFramework/Controls/MultiColumnListBox.h"

#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/ListBox.h"

#include <algorithm>

namespace KX {

namespace {

// Docks the control's vertical placement, keeping the rest of it.
void DockVertically(LControl& control)
{
    control.EditPlacement(1, [](PositionSpec& position, SizeSpec&) { position.docked = true; });
}

struct SortKey {
    int32_t index;
    String folded;
};

} // namespace

KXRESULT LMultiColumnListBox::Initialize()
{
    KXRESULT r = LPanel::Initialize();
    for (int n = 1;; ++n) {
        RCPtr<LListBox> column(FindChild(String::Format(u"listboxNoScroll%d", n)));
        if (!column)
            break;
        Bind(&LMultiColumnListBox::OnColumnItemHover, column, u"NID_ITEM_HOVER_CONDITION_CHANGE");
        Bind(&LMultiColumnListBox::OnColumnSelectionChange, column, u"NID_SELECTION_CHANGE");
        Bind(&LMultiColumnListBox::OnColumnItemActivated, column, u"NID_ITEM_ACTIVATED");
        Bind(&LMultiColumnListBox::OnColumnItemDoubleClicked, column, u"NID_ITEM_DOUBLE_CLICKED");
        if (n == 1) {
            Bind(&LMultiColumnListBox::OnColumnScrolled, column, u"NID_SCROLL_OFFSET_CHANGE");
            Bind(&LMultiColumnListBox::OnColumnExtentChanged, column, u"NID_CLIENT_EXTENT_CHANGE");
        }
        DockVertically(*column);
        m_columns.push_back(column);
    }
    for (int n = 1;; ++n) {
        RCPtr<LButton> header(FindChild(String::Format(u"buttonColumnHeader%d", n)));
        if (!header)
            break;
        Bind(&LMultiColumnListBox::OnHeaderClicked, header, u"NID_LEFT_CLICK");
        DockVertically(*header);
        m_headers.push_back(header);
    }
    if (!m_headers.empty())
        r = m_headers.size() == m_columns.size() ? S_FALSE : S_OK;
    m_ascending.assign(m_columns.size(), true);
    SetAutoClientExtent(0, 0, 0);
    return r;
}

KXRESULT LMultiColumnListBox::PostInitialize()
{
    static_cast<void>(LPanel::PostInitialize()); // the base part has nothing to refuse
    for (size_t i = 1; i < m_columns.size(); ++i)
        m_columns[i]->SetNotFocusable(true);
    if (m_columns.empty())
        return S_OK;
    const int32_t itemHeight = m_columns[0]->GetItemHeight();
    SetLineMode(1, 1, itemHeight);
    UpdateScrollBars();
    for (size_t i = m_columns.size(); i-- > 0;) {
        LListBox& column = *m_columns[i];
        const LLayoutDescriptor* layout = column.GetLayoutDescriptor().Get();
        if (!layout)
            continue;
        for (int axis = 0; axis < 2; ++axis) {
            SizeLimitSpec minimum, maximum;
            static_cast<void>(
                layout->GetSizeLimitSpecs(axis, minimum, maximum)); // no limits leave the specs at their defaults
            if (maximum.absolute == 0.0)
                maximum.relative = 0.0f;
            if (axis == 1 && minimum.absolute == 0.0) {
                minimum.relative = 0.0f;
                minimum.absolute = itemHeight;
            }
            column.SetSizeLimits(axis, minimum, maximum);
        }
    }
    UpdateTableExtent();
    return S_OK;
}

void LMultiColumnListBox::UpdateTableExtent()
{
    if (m_columns.empty())
        return;
    const RectT<double>& last = m_columns.back()->GetRect();
    SetClientExtent(last.x + last.width, m_columns[0]->GetClientExtent().y);
}

RectT<double> LMultiColumnListBox::GetVisibleClientRect() const
{
    if (m_columns.empty())
        return {};
    const LListBox& first = *m_columns[0];
    return {first.GetRect().x, first.GetRect().y, GetLookClientRect(-1).width - GetScrollBarSize().x,
            first.GetLookClientRect(-1).height};
}

void LMultiColumnListBox::ScrollContents(const PointT<double>& oldOffset, const PointT<double>& newOffset)
{
    if (!m_syncingScroll) {
        m_syncingScroll = true;
        for (const RCPtr<LListBox>& column : m_columns)
            column->SetScrollOffset({column->GetScrollOffset().x, newOffset.y});
        m_syncingScroll = false;
    }
    LPanel::ScrollContents(oldOffset, newOffset);
}

KXRESULT LMultiColumnListBox::OnChildRectChanged(const RCPtr<LControl>& child)
{
    const KXRESULT r = LPanel::OnChildRectChanged(child);
    if (child && !m_columns.empty() && child.Get() == static_cast<LControl*>(m_columns.back().Get()))
        UpdateTableExtent();
    return r;
}

int32_t LMultiColumnListBox::FindColumn(const LNotificationDistributor* sender) const
{
    for (size_t i = m_columns.size(); i-- > 0;) {
        if (static_cast<const LNotificationDistributor*>(m_columns[i].Get()) == sender)
            return int32_t(i);
    }
    return -1;
}

void LMultiColumnListBox::Send(const char16_t* name)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, RCPtr<LRefCountedObject>())))
        SendNotification(n);
}

KXRESULT LMultiColumnListBox::OnColumnSelectionChange(const RCPtr<LNotificationDistributor>& sender,
                                                      const RCPtr<LNotification>&)
{
    if (m_mirroring)
        return S_FALSE;
    RCPtr<LControl> self(this);
    const int32_t from = FindColumn(sender.Get());
    if (from >= 0) {
        LListBox& source = *m_columns[size_t(from)];
        const bool exclusive = !m_columns[0]->multiSelect;
        m_mirroring = true;
        for (int32_t row = source.GetItemCount(); row-- > 0;) {
            const bool selected = source.IsItemSelected(row);
            for (size_t c = 0; c < m_columns.size(); ++c) {
                LListBox& other = *m_columns[c];
                if (int32_t(c) == from || row >= other.GetItemCount() || other.IsItemSelected(row) == selected)
                    continue;
                if (selected)
                    other.SelectItems(row, -1, exclusive);
                else
                    other.DeselectItem(row);
            }
        }
        m_mirroring = false;
    }
    Send(u"NID_SELECTION_CHANGE");
    return S_FALSE;
}

KXRESULT LMultiColumnListBox::OnColumnItemHover(const RCPtr<LNotificationDistributor>& sender,
                                                const RCPtr<LNotification>& n)
{
    const int32_t from = FindColumn(sender.Get());
    RCPtr<LItemConditionsParam> param(n ? n->GetPayload() : RCPtr<LRefCountedObject>());
    if (from < 0 || !param)
        return S_FALSE;
    const bool now = param->currentMask & Condition::kHoverOrHighlighted;
    const bool before = param->previousMask & Condition::kHoverOrHighlighted;
    for (size_t c = 0; c < m_columns.size(); ++c) {
        if (int32_t(c) == from)
            continue;
        const int32_t row = m_columns[c]->GetItemControlIndexOfEntry(param->itemIndex);
        RCPtr<LListBoxItem> item = row >= 0 ? m_columns[c]->GetItemControl(row) : RCPtr<LListBoxItem>();
        if (!item)
            continue;
        if (now && !before) {
            if (param->hovered)
                item->SetHighlighted(true);
        } else if (!now && before) {
            item->SetHighlighted(false);
        } else if (param->lookIndex >= 0) {
            item->SetLookExclusive(unsigned(param->lookIndex));
        }
    }
    return S_FALSE;
}

KXRESULT LMultiColumnListBox::OnColumnItemActivated(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    Send(u"NID_ITEM_ACTIVATED");
    return S_FALSE;
}

KXRESULT LMultiColumnListBox::OnColumnItemDoubleClicked(const RCPtr<LNotificationDistributor>&,
                                                        const RCPtr<LNotification>&)
{
    Send(u"NID_ITEM_DOUBLE_CLICKED");
    return S_FALSE;
}

KXRESULT LMultiColumnListBox::OnColumnScrolled(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (!m_syncingScroll && !m_columns.empty())
        SetScrollOffset(m_columns[0]->GetScrollOffset());
    return S_FALSE;
}

KXRESULT LMultiColumnListBox::OnColumnExtentChanged(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (m_columns.empty())
        return S_FALSE;
    SetLineMode(1, 1, m_columns[0]->GetItemHeight());
    UpdateScrollBars();
    UpdateTableExtent();
    return S_FALSE;
}

KXRESULT LMultiColumnListBox::OnHeaderClicked(const RCPtr<LNotificationDistributor>& sender,
                                              const RCPtr<LNotification>&)
{
    for (size_t i = m_headers.size(); i-- > 0;) {
        if (static_cast<const LNotificationDistributor*>(m_headers[i].Get()) == sender.Get()) {
            PerformSort(int32_t(i));
            break;
        }
    }
    return S_FALSE;
}

void LMultiColumnListBox::GetCellText(String& out, int32_t column, int32_t row) const
{
    out = String();
    if (column < 0 || size_t(column) >= m_columns.size() || m_columns.empty() || row < 0 ||
        row >= m_columns[0]->GetItemCount() || row >= m_columns[size_t(column)]->GetItemCount())
        return;
    m_columns[size_t(column)]->GetItemText(out, row);
}

void LMultiColumnListBox::PerformSort(int32_t c)
{
    if (m_columns.empty())
        return;
    RCPtr<LControl> self(this);
    LListBox& first = *m_columns[0];
    const int32_t n = first.GetItemCount();
    std::vector<SortKey> keys(static_cast<size_t>(n));
    std::vector<bool> marked(static_cast<size_t>(n));
    for (int32_t r = 0; r < n; ++r) {
        String text;
        GetCellText(text, c, r);
        keys[size_t(r)] = {r, text.ToLower()};
        marked[size_t(r)] = first.IsItemMarked(r);
    }
    const std::vector<int32_t> selected = first.GetSelectedIndices();

    // The columns' selection changes while sorting are the table's own.
    m_mirroring = true;
    for (size_t i = m_columns.size(); i-- > 0;)
        m_columns[i]->DeselectAll();
    // A column past the last has only empty texts and its rows keep their order.
    const bool ascending = c >= 0 && size_t(c) < m_ascending.size() ? m_ascending[size_t(c)] : true;
    std::stable_sort(keys.begin(), keys.end(), [ascending](const SortKey& a, const SortKey& b) {
        return ascending ? a.folded < b.folded : b.folded < a.folded;
    });
    if (c >= 0 && size_t(c) < m_ascending.size())
        m_ascending[size_t(c)] = !ascending;

    for (size_t i = m_columns.size(); i-- > 0;) {
        LListBox& column = *m_columns[i];
        const int32_t count = std::min(n, column.GetItemCount());
        // Whole data objects move, so an owner's own entry types keep their rows.
        std::vector<RCPtr<LTaggableObject>> scratch(static_cast<size_t>(count));
        for (int32_t r = 0; r < count; ++r)
            scratch[size_t(r)] = column.GetItemData(r);
        for (int32_t r = n; r-- > 0;) {
            const int32_t from = keys[size_t(r)].index;
            if (r < count && from < count)
                static_cast<void>(
                    column.SetItemData(r, scratch[size_t(from)])); // an index out of range changes nothing
        }
    }
    for (int32_t r = n; r-- > 0;) {
        const int32_t from = keys[size_t(r)].index;
        const bool wasSelected = std::find(selected.begin(), selected.end(), from) != selected.end();
        for (const RCPtr<LListBox>& column : m_columns) {
            column->SetItemMarked(r, marked[size_t(from)]);
            if (wasSelected)
                column->SelectItems(r, -1, false);
        }
    }
    m_mirroring = false;
}

KXRESULT LMultiColumnListBox::BreakCycles()
{
    m_columns.clear();
    m_headers.clear();
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
