#include "KXFramework/Controls/ListBox.h"

#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Renderer/FontText.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace KX {

namespace {

// Rows are made while they fill the view; a bound keeps a degenerate template from making more.
constexpr size_t kMaxRows = 4096;

} // namespace

LListBox::LListBox(const RCPtr<LControl>& parent, const String& name)
    : LControlWithHandler(parent, name),
      m_model([this](int32_t index) {
          int32_t row = -1;
          RefreshItem(index, row);
      })
{
}

KXRESULT LListBox::Initialize()
{
    const KXRESULT r = LScrollView::Initialize();
    if (Failed(r))
        return r;
    SetAutoClientExtent(0, 0, 0);
    RCPtr<LListBoxItem> templateItem(FindChild(u"templateItem"));
    if (templateItem) {
        m_templateDescriptor = templateItem->GetDescriptor();
        ApplyTemplateItem(templateItem);
        RemoveChild(RCPtr<LControl>(templateItem));
        SetLineMode(1, 1, m_itemHeight);
        UpdateScrollBars();
        static_cast<void>(LoadItemsFromStringTable(GetStringTable())); // a table without items leaves the list empty
        return r;
    }
    // Fixed rows "item1", "item2", ... each making one entry of its text.
    for (int n = 1;; ++n) {
        RCPtr<LListBoxItem> row(FindChild(String::Format(u"item%d", n)));
        if (!row)
            break;
        if (n == 1)
            ApplyTemplateItem(row);
        m_rows.push_back(row);
        WireRow(row);
        static_cast<void>(InsertItem(
            n - 1, RCPtr<LTaggableObject>(LListBoxText::Create(row->GetText())))); // an index past the end appends
    }
    if (!m_rows.empty()) {
        RefreshItems(0);
        FollowContentHeight();
        UpdateExtent();
        if (sorted)
            SortAllItems();
    }
    return r;
}

KXRESULT LListBox::ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    const bool reapplying = IsCreated();
    // The rows are made from the old template; the new skin brings its own.
    if (reapplying)
        DropItemControls();
    m_applyingDescriptor = true;
    m_templateDescriptor = nullptr;
    const KXRESULT r = LScrollView::ApplyDescriptor(descriptor);
    m_applyingDescriptor = false;
    if (reapplying)
        TakeTemplateFrom(descriptor);
    EnsureItemControls();
    RefreshItems(m_topIndex);
    if (reapplying)
        RecomputeWidestItemWidth();
    return r;
}

void LListBox::DropItemControls()
{
    static const char16_t* const kRowNotifications[] = {
        u"NID_MOUSE_DOWN", u"NID_MOUSE_UP", u"NID_LEFT_DRAG_CONDITION_CHANGE", u"NID_HOVER_CONDITION_CHANGE"};
    std::vector<RCPtr<LListBoxItem>> rows;
    rows.swap(m_rows);
    for (const RCPtr<LListBoxItem>& row : rows) {
        OnItemControlDropped(row);
        RCPtr<LNotificationDistributor> sender(row);
        for (const char16_t* name : kRowNotifications)
            static_cast<void>(Unbind(sender, name)); // a row leaving
        RemoveChild(RCPtr<LControl>(row));
    }
    m_templateApplied = false;
}

void LListBox::TakeTemplateFrom(const RCPtr<LControlDescriptor>& descriptor)
{
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LControlClassRegistry> registry = services ? services->GetControlClassRegistry() : nullptr;
    if (!descriptor || !registry)
        return;
    const ControlDescriptorArray& subs = descriptor->GetSubDescriptors();
    for (unsigned i = 0; i < subs.GetCount(); ++i) {
        const RCPtr<LControlDescriptor>& sub = subs.GetAt(i);
        if (!sub || !(sub->GetName() == String(u"templateItem")))
            continue;
        RCPtr<LControl> created;
        registry->CreateControl(created, sub, RCPtr<LControl>(this));
        RCPtr<LListBoxItem> templateItem(created);
        if (templateItem) {
            m_templateDescriptor = sub;
            ApplyTemplateItem(templateItem);
            SetLineMode(1, 1, m_itemHeight);
            UpdateScrollBars();
        }
        if (created)
            RemoveChild(created);
        return;
    }
}

void LListBox::ApplyTemplateItem(const RCPtr<LListBoxItem>& templateItem)
{
    const String text = templateItem->GetText();
    templateItem->SetText(String());
    m_itemPadding = int32_t(Round(templateItem->GetRect().width));
    templateItem->SetText(u"{WXyg|}");
    m_itemHeight = int32_t(Round(templateItem->GetRect().height));
    if (m_itemHeight < 1)
        m_itemHeight = 14;
    templateItem->SetText(text);
    // The skin's own width and limits again; a list that widens to its text never gets narrower
    // than the skin made it.
    const RCPtr<LLayoutDescriptor> skin = GetDescriptor() ? GetDescriptor()->GetLayout() : nullptr;
    if (skin && GetLayoutDescriptor()) {
        PositionSpec position;
        SizeSpec size;
        SizeLimitSpec minimum, maximum;
        static_cast<void>(skin->GetPlacement(0, position, size)); // axis 0 always has specs
        static_cast<void>(skin->GetSizeLimitSpecs(0, minimum, maximum));
        const RCPtr<LLayoutDescriptor> layout = templateItem->GetLayoutDescriptor();
        if (layout && layout->textOverflowX == LLayoutDescriptor::kOverflowExpand && !minimum.hasReference &&
            minimum.absolute == 0.0 && minimum.relative == 0.0f)
            minimum.absolute = GetRect().width;
        // The skin's own specs: valid, and the layout follows them whatever the result.
        SetSizeLimits(0, minimum, maximum);
        SetPlacement(0, position, size);
    }
    m_templateApplied = true;
    FollowContentHeight();
}

void LListBox::WireRow(const RCPtr<LListBoxItem>& row)
{
    RCPtr<LNotificationDistributor> sender(row);
    Bind(&LListBox::OnItemMouseDown, sender, u"NID_MOUSE_DOWN");
    Bind(&LListBox::OnItemMouseUp, sender, u"NID_MOUSE_UP");
    Bind(&LListBox::OnItemLeftDrag, sender, u"NID_LEFT_DRAG_CONDITION_CHANGE");
    Bind(&LListBox::OnItemHover, sender, u"NID_HOVER_CONDITION_CHANGE");
    row->dropDownMode = m_dropDownMode;
    row->SetDragThreshold(m_itemDragThreshold);
}

KXRESULT LListBox::AddItemControl()
{
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LControlClassRegistry> registry = services ? services->GetControlClassRegistry() : nullptr;
    if (!registry || !m_templateDescriptor || !m_templateDescriptor->GetLayout())
        return E_FAIL;
    RCPtr<LLayoutDescriptor> layout = m_templateDescriptor->GetLayout()->Clone();
    PositionSpec& y = layout->position[1];
    y.docked = true;
    y.anchor = 0.0f;
    y.absolute = 0.0;
    if (m_rows.empty()) {
        y.referenceKind = PositionSpec::kClient;
        y.relative = 0.0f;
    } else {
        y.referenceKind = PositionSpec::kNamed;
        y.referenceName = m_rows.back()->GetName();
        y.relative = 1.0f;
    }
    layout->textOverflowX = LLayoutDescriptor::kOverflowClip;
    RCPtr<LControlDescriptor> descriptor;
    LControlFactory::CloneControlDescriptor(descriptor, m_templateDescriptor, layout,
                                            String::Format(u"ItemControl%d", int(m_rows.size()) + 1));
    RCPtr<LControl> created;
    registry->CreateControl(created, descriptor, RCPtr<LControl>(this));
    RCPtr<LListBoxItem> row(created);
    if (!row || row->GetParent().Get() != this)
        return E_FAIL;
    WireRow(row);
    row->SetUsesParentToolTip(true); // the row shows the list box's tool tip when its own text fits
    m_rows.push_back(row);
    PlaceRowsAcross();
    OnItemControlAdded(row);
    RefreshItems(m_topIndex);
    return S_OK;
}

void LListBox::EnsureItemControls()
{
    if (m_creatingItemControls || m_applyingDescriptor || !m_templateApplied || !m_templateDescriptor)
        return;
    m_creatingItemControls = true;
    // Docked rows stay in view; their rectangles move with the scroll offset.
    const double bottom = GetClientRect().height + GetScrollOffset().y;
    while (m_rows.size() < kMaxRows) {
        const double last = m_rows.empty() ? 0.0 : m_rows.back()->GetRect().y + m_rows.back()->GetRect().height;
        if (last >= bottom)
            break;
        if (Failed(AddItemControl()))
            break;
        // A row without height would never fill the view.
        if (m_rows.back()->GetRect().y + m_rows.back()->GetRect().height <= last)
            break;
    }
    m_creatingItemControls = false;
    RefreshItems(m_topIndex);
}

void LListBox::CheckClientSizeChange()
{
    LScrollView::CheckClientSizeChange();
    EnsureItemControls();
    PlaceRowsAcross();
    if (InRange(m_topIndex))
        EnsureItemVisible(m_topIndex);
}

void LListBox::ScrollContents(const PointT<double>& oldOffset, const PointT<double>& newOffset)
{
    LScrollView::ScrollContents(oldOffset, newOffset);
    if (oldOffset.y == newOffset.y || m_itemHeight <= 0)
        return;
    // The first row shows the visible entry that many rows down.
    const int32_t rows = int32_t(Round(newOffset.y / m_itemHeight));
    int32_t top = m_model.StepVisible(0, rows);
    if (top != m_topIndex) {
        m_topIndex = top;
        RefreshItems(m_topIndex);
    }
}

void LListBox::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LScrollView::ApplyConditions(param);
    if (!param)
        return;
    const uint32_t changed = param->previousMask ^ param->currentMask;
    if (!(changed & (Condition::kEnabled | Condition::kHasFocus)))
        return;
    unsigned look = !IsEnabled(true) ? 1 : ((param->currentMask & Condition::kHasFocus) ? 2 : 0);
    if (look >= GetLookCount())
        look = 0;
    SetLookExclusive(look);
}

// ---- entries

void LListBox::GetItemText(String& out, int32_t index) const
{
    out = m_model.GetText(index);
}

RCPtr<LTaggableObject> LListBox::GetItemData(int32_t index) const
{
    return InRange(index) ? GetEntry(index).data : RCPtr<LTaggableObject>();
}

KXRESULT LListBox::InsertItem(int32_t index, const RCPtr<LTaggableObject>& data)
{
    if (!m_model.Insert(index, data))
        return E_INVALIDARG;
    if (!m_batchUpdate) {
        EnsureItemControls();
        RefreshItems(index);
        UpdateExtent();
        SetWidestItemWidth(std::max(m_widestItemWidth, MeasureItemWidth(index)));
        FollowContentHeight();
    }
    if (sorted && !m_batchUpdate)
        SortAllItems();
    return index;
}

KXRESULT LListBox::SetItemData(int32_t index, const RCPtr<LTaggableObject>& data)
{
    if (!InRange(index))
        return E_INVALIDARG;
    const int32_t oldWidth = m_batchUpdate ? 0 : MeasureItemWidth(index);
    GetEntry(index).data = data;
    int32_t row = -1;
    RefreshItem(index, row);
    if (m_batchUpdate)
        return S_OK;
    if (oldWidth == m_widestItemWidth)
        RecomputeWidestItemWidth();
    else
        SetWidestItemWidth(std::max(m_widestItemWidth, MeasureItemWidth(index)));
    return S_OK;
}

KXRESULT LListBox::SetItemText(int32_t index, const String& text)
{
    return SetItemData(index, RCPtr<LTaggableObject>(LListBoxText::Create(text)));
}

KXRESULT LListBox::SetItemSelectionValue(int32_t index, double value)
{
    return m_model.SetSelectionValue(index, value) ? S_OK : E_INVALIDARG;
}

bool LListBox::IsItemSelected(int32_t index) const
{
    return m_model.IsSelected(index);
}

bool LListBox::IsItemMarked(int32_t index) const
{
    return InRange(index) && GetEntry(index).marked;
}

double LListBox::GetItemSelectionValue(int32_t index) const
{
    return InRange(index) ? GetEntry(index).selectionValue : 0.0;
}

bool LListBox::SetItemMarked(int32_t index, bool marked)
{
    if (!InRange(index))
        return false;
    GetEntry(index).marked = marked;
    int32_t row = -1;
    RefreshItem(index, row);
    return true;
}

bool LListBox::SetItemBlank(int32_t index, bool blank)
{
    if (!InRange(index))
        return false;
    GetEntry(index).blank = blank;
    int32_t row = -1;
    RefreshItem(index, row);
    return true;
}

int32_t LListBox::FindItemByText(const String& text, int32_t after, bool matchCase) const
{
    return m_model.FindByText(text, after, matchCase);
}

KXRESULT LListBox::RemoveItem(int32_t index)
{
    if (!InRange(index))
        return E_INVALIDARG;
    const int32_t width = MeasureItemWidth(index);
    DeselectItem(index);
    m_model.Remove(index);
    if (m_batchUpdate)
        return GetItemCount();
    EnsureItemControls();
    RefreshItems(std::min(index, m_topIndex));
    if (width == m_widestItemWidth)
        RecomputeWidestItemWidth();
    FollowContentHeight();
    UpdateExtent();
    const int32_t left = GetItemCount();
    if (left > 0)
        EnsureItemVisible(left - 1 <= m_topIndex ? left - 1 : m_topIndex);
    else
        m_topIndex = 0;
    return left;
}

KXRESULT LListBox::RemoveAllItems()
{
    if (m_model.GetCount() == 0)
        return S_FALSE;
    // One pass: the entries go together, then the rows show nothing.
    m_model.Clear();
    m_topIndex = 0;
    SetScrollOffset({GetScrollOffset().x, 0.0});
    RefreshItems(0);
    RecomputeWidestItemWidth();
    FollowContentHeight();
    UpdateExtent();
    return S_OK;
}

int32_t LListBox::SetItemCount(int32_t n)
{
    if (n < 0)
        return E_INVALIDARG;
    if (n == GetItemCount())
        return n;
    m_batchUpdate = true;
    if (n > GetItemCount()) {
        m_model.Grow(n);
    } else {
        while (GetItemCount() > n)
            static_cast<void>(RemoveItem(GetItemCount() - 1)); // an index out of range removes nothing
    }
    m_batchUpdate = false;
    EnsureItemControls();
    RefreshItems(m_topIndex);
    UpdateExtent();
    RecomputeWidestItemWidth();
    FollowContentHeight();
    return GetItemCount() == n ? n : -GetItemCount();
}

KXRESULT LListBox::SetItemHidden(int32_t index, bool hidden)
{
    if (!InRange(index))
        return E_INVALIDARG;
    if (!m_model.SetHidden(index, hidden))
        return S_FALSE;
    if (hidden) {
        DeselectItem(index);
        if (index == m_topIndex) {
            m_topIndex = GetItemCount();
            EnsureItemVisible(index);
        }
    }
    return S_OK;
}

KXRESULT LListBox::LoadItemsFromStringTable(const RCPtr<LStringTable>& table)
{
    if (!table)
        return E_INVALIDARG;
    RemoveAllItems();
    // "ITEM.<n>" keys place their texts by number; a missing number leaves an empty entry. Numbers
    // beyond the table's own size are not believed, so a stray key cannot make a huge list.
    std::map<int32_t, String> texts;
    const String prefix(u"ITEM.");
    const size_t limit = table->GetEntries().size() * 2 + 100;
    for (const auto& [key, text] : table->GetEntries()) {
        if (key.GetLength() < prefix.GetLength() || key.Left(prefix.GetLength()) != prefix)
            continue;
        const std::u16string digits(key.GetData() + prefix.GetLength());
        int64_t n = 0;
        size_t i = 0;
        while (i < digits.size() && digits[i] >= u'0' && digits[i] <= u'9' && n <= int64_t(limit))
            n = n * 10 + (digits[i++] - u'0');
        if (n <= int64_t(limit))
            texts[int32_t(n)] = text;
    }
    if (texts.empty())
        return S_OK;
    m_batchUpdate = true;
    SetItemCount(texts.rbegin()->first + 1);
    m_batchUpdate = true;
    for (const auto& [n, text] : texts)
        static_cast<void>(SetItemText(n, text)); // an index out of range changes nothing
    m_batchUpdate = false;
    RefreshItems(m_topIndex);
    UpdateExtent();
    RecomputeWidestItemWidth();
    FollowContentHeight();
    return S_OK;
}

KXRESULT LListBox::SortItems(int32_t first, int32_t count)
{
    const KXRESULT result = m_model.Sort(first, count);
    if (result != S_OK)
        return result;
    RefreshItems(m_topIndex);
    if (GetCurrentIndex() >= 0)
        EnsureItemVisible(GetCurrentIndex());
    return S_OK;
}

bool LListBox::SortAllItems()
{
    return SortItems(0, GetItemCount()) >= 0;
}

void LListBox::Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, payload)))
        SendNotification(n);
}

// ---- rows

KXRESULT LListBox::RefreshItem(int32_t index, int32_t& rowOut)
{
    rowOut = -1;
    if (index < m_topIndex || (InRange(index) && GetEntry(index).hidden))
        return S_FALSE;
    // Counting stops past the last row, so an entry far below the view costs nothing.
    const int32_t rows = int32_t(m_rows.size());
    int32_t row = 0;
    for (int32_t i = m_topIndex; i < index && i < GetItemCount() && row < rows; ++i)
        row += GetEntry(i).hidden ? 0 : 1;
    if (index >= GetItemCount())
        row += index - std::max(GetItemCount(), m_topIndex);
    if (row >= int32_t(m_rows.size()))
        return S_FALSE;
    rowOut = row;
    const RCPtr<LListBoxItem>& control = m_rows[size_t(row)];
    if (InRange(index)) {
        const LListBoxEntry& entry = GetEntry(index);
        control->SetEnabled(true);
        control->SetText(entry.blank ? String() : m_model.GetText(index));
        control->SetValue(entry.selectionValue);
        control->SetMarked(entry.marked);
        control->SetBlank(entry.blank);
    } else {
        control->SetText(String());
        control->SetValue(0.0);
        control->SetMarked(false);
        control->SetEnabled(false);
        control->SetBlank(false);
    }
    return S_OK;
}

void LListBox::RefreshItems(int32_t from)
{
    if (m_rows.empty())
        return;
    from = std::max(from, m_topIndex);
    // Every row from the one showing `from` gets its entry, rows past the end an empty one.
    int32_t index = from;
    int32_t row = -1;
    while (true) {
        if (InRange(index) && GetEntry(index).hidden) {
            ++index;
            continue;
        }
        if (RefreshItem(index, row) != S_OK)
            break;
        ++index;
    }
}

int32_t LListBox::GetEntryIndexOfItemControl(const LControl* control) const
{
    for (size_t row = m_rows.size(); row-- > 0;) {
        if (m_rows[row].Get() != control)
            continue;
        int32_t index = m_topIndex;
        while (index < GetItemCount() && GetEntry(index).hidden)
            ++index;
        for (size_t k = 0; k < row && index < GetItemCount(); ++k) {
            ++index;
            while (index < GetItemCount() && GetEntry(index).hidden)
                ++index;
        }
        return index < GetItemCount() ? index : -1;
    }
    return -1;
}

int32_t LListBox::GetItemControlIndexOfEntry(int32_t index) const
{
    if (index < m_topIndex || !InRange(index) || GetEntry(index).hidden)
        return -1;
    const int32_t rows = int32_t(m_rows.size());
    int32_t row = 0;
    for (int32_t i = m_topIndex; i < index && row < rows; ++i)
        row += GetEntry(i).hidden ? 0 : 1;
    return row < rows ? row : -1;
}

RCPtr<LListBoxItem> LListBox::GetItemControl(int32_t row) const
{
    return row >= 0 && row < int32_t(m_rows.size()) ? m_rows[size_t(row)] : RCPtr<LListBoxItem>();
}

int32_t LListBox::MeasureItemWidth(int32_t index) const
{
    if (!InRange(index) || m_rows.empty())
        return 0;
    const RCPtr<LFont>& font = m_rows.front()->GetFont();
    // The application's measurement renderer: the list may not be in a window yet.
    const RCPtr<LMeasurementRenderer> renderer = LFontText::GetMeasurementRenderer();
    RectT<float> extent{0.0f, 0.0f, 0.0f, 0.0f};
    if (font && renderer)
        renderer->MeasureText(extent, m_model.GetText(index), font);
    return int32_t(float(m_itemPadding) + extent.width + 0.5f);
}

int32_t LListBox::GetContentHeight() const
{
    int32_t visible = 0;
    for (int32_t i = 0; i < m_model.GetCount(); ++i)
        visible += m_model.GetEntry(i).hidden ? 0 : 1;
    return visible * m_itemHeight;
}

bool LListBox::RowsTakeWidestWidth() const
{
    const RCPtr<LLayoutDescriptor> layout = m_templateDescriptor ? m_templateDescriptor->GetLayout() : nullptr;
    return !m_templateDescriptor || (layout && layout->size[0].referenceKind == SizeSpec::kSelf);
}

void LListBox::PlaceRowsAcross()
{
    if (!RowsTakeWidestWidth())
        return;
    // Centred in what the view shows; a row wider than that starts at the left edge of the content,
    // which is as wide as the row, so that all of it can be scrolled to.
    const double centre = std::max(GetClientExtentRect().width, double(m_widestItemWidth)) / 2.0;
    // The specs are whole and valid; a row without a layout has no place to set.
    const PositionSpec position{0.5f, PositionSpec::kClient, String(), 0.0f, centre, false};
    const SizeSpec size{SizeSpec::kSelf, String(), 0.0f, double(m_widestItemWidth)};
    for (const RCPtr<LListBoxItem>& row : m_rows)
        row->SetPlacement(0, position, size);
}

void LListBox::UpdateExtent()
{
    if (m_batchUpdate)
        return;
    PlaceRowsAcross();
    SetClientExtent(RowsTakeWidestWidth() ? m_widestItemWidth : 0.0, GetContentHeight());
}

void LListBox::SetWidestItemWidth(int32_t width)
{
    if (m_batchUpdate || width == m_widestItemWidth)
        return;
    m_widestItemWidth = width;
    UpdateExtent();
    FitWidthToText();
}

bool LListBox::ExpandsToText() const
{
    const RCPtr<LLayoutDescriptor> layout = m_templateDescriptor ? m_templateDescriptor->GetLayout() : nullptr;
    return layout && layout->textOverflowX == LLayoutDescriptor::kOverflowExpand;
}

void LListBox::FitWidthToText()
{
    if (ExpandsToText())
        SetClientWidth(GetScrollBarSize().x + m_widestItemWidth);
}

void LListBox::OnScrollBarShown(int axis)
{
    if (axis == 1)
        FitWidthToText();
}

void LListBox::OnClientRectChanged()
{
    PlaceRowsAcross();
}

void LListBox::RecomputeWidestItemWidth()
{
    int32_t widest = 0;
    for (int32_t i = 0; i < GetItemCount(); ++i)
        widest = std::max(widest, MeasureItemWidth(i));
    SetWidestItemWidth(widest);
}

void LListBox::FollowContentHeight()
{
    if (!m_dropDownMode || m_batchUpdate)
        return;
    SetClientHeight(std::max(GetContentHeight(), m_itemHeight));
}

KXRESULT LListBox::SetClientHeight(double height)
{
    if (m_batchUpdate || !GetLayoutDescriptor())
        return S_FALSE;
    const double outer = Round(GetRect().height - GetClientRect().height + height);
    return EditPlacement(1, [outer](PositionSpec&, SizeSpec& size) {
        size.referenceKind = SizeSpec::kSelf;
        size.relative = 0.0f;
        size.absolute = outer;
    });
}

KXRESULT LListBox::SetClientWidth(double width)
{
    if (!GetLayoutDescriptor())
        return S_FALSE;
    const double outer = Round(GetRect().width - GetClientRect().width + width);
    return EditPlacement(0, [outer](PositionSpec&, SizeSpec& size) {
        size.referenceKind = SizeSpec::kSelf;
        size.relative = 0.0f;
        size.absolute = outer;
    });
}

void LListBox::SnapHeightLimitsToRows()
{
    if (!GetLayoutDescriptor())
        return;
    const double n = GetRect().height - GetClientRect().height;
    const double h = m_itemHeight;
    SizeLimitSpec minimum, maximum;
    static_cast<void>(GetLayoutDescriptor()->GetSizeLimitSpecs(1, minimum, maximum)); // axis 1 always has specs
    for (SizeLimitSpec* limit : {&minimum, &maximum}) {
        if (!limit->hasReference && limit->absolute > n)
            limit->absolute = std::max(n + h * std::floor((limit->absolute - n) / h), n + h);
    }
    // Whole rows are a request; the layout may still clip them, which the results would say.
    if (minimum.absolute > 0.0 || maximum.absolute > 0.0)
        SetSizeLimits(1, minimum, maximum);
    const SizeSpec& size = GetLayoutDescriptor()->size[1];
    if (size.referenceKind == SizeSpec::kSelf && size.absolute > 0.0) {
        const double rows = std::max(n + h * std::floor(size.absolute / h), n + h);
        EditPlacement(1, [rows](PositionSpec&, SizeSpec& whole) { whole.absolute = rows; });
    }
}

void LListBox::FillOpenSizeLimits(double minimumWidth)
{
    const RCPtr<LLayoutDescriptor> skin =
        GetDescriptor() && GetDescriptor()->GetLayout() ? GetDescriptor()->GetLayout() : GetLayoutDescriptor();
    for (int axis = 0; axis < 2; ++axis) {
        SizeLimitSpec minimum, maximum;
        if (!skin || Failed(skin->GetSizeLimitSpecs(axis, minimum, maximum)))
            continue;
        if (minimum.absolute != 0.0 && maximum.absolute != 0.0)
            continue;
        if (minimum.absolute == 0.0) {
            minimum.hasReference = false;
            minimum.relative = 0.0f;
            minimum.absolute = axis == 0 ? minimumWidth : double(m_itemHeight);
        }
        SetSizeLimits(axis, minimum, maximum);
    }
}

KXRESULT LListBox::SetDropDownMode(bool on)
{
    m_dropDownMode = on;
    for (const RCPtr<LListBoxItem>& row : m_rows)
        row->dropDownMode = on;
    return S_OK;
}

KXRESULT LListBox::EnsureItemVisible(int32_t index)
{
    if (!InRange(index))
        return E_INVALIDARG;
    if (GetEntry(index).hidden) {
        int32_t near = -1;
        for (int32_t i = index; i >= 0 && near < 0; --i)
            near = GetEntry(i).hidden ? -1 : i;
        for (int32_t i = index; i < GetItemCount() && near < 0; ++i)
            near = GetEntry(i).hidden ? -1 : i;
        if (near < 0)
            return S_FALSE;
        index = near;
    }
    if (m_rows.empty())
        return S_FALSE;
    const int32_t k = std::max(WholeRowsInView(), 1) - 1;
    // The least scroll: none while the entry shows on a whole row, else it comes to the first or
    // the last of them. The last entry never rises above the last row.
    int32_t top = m_topIndex;
    if (index < m_topIndex)
        top = index;
    else if (index > m_model.StepVisible(m_topIndex, k))
        top = m_model.StepVisibleBack(index, k);
    top = std::min(top, m_model.StepVisibleBack(GetItemCount() - 1, k));
    const int32_t r = m_model.VisibleBefore(top);
    if (top == m_topIndex && GetScrollOffset().y == double(m_itemHeight) * r)
        return S_OK;
    // Rows moving under the pointer must not select in drop-down mode.
    const bool dropDown = m_dropDownMode;
    m_dropDownMode = false;
    SetScrollOffset({GetScrollOffset().x, double(m_itemHeight) * r});
    m_dropDownMode = dropDown;
    if (m_topIndex != top) {
        m_topIndex = top;
        RefreshItems(m_topIndex);
    }
    return S_OK;
}

int32_t LListBox::WholeRowsInView() const
{
    const double bottom = GetScrollOffset().y + GetClientRect().y + GetClientRect().height;
    int32_t rows = 0;
    for (const RCPtr<LListBoxItem>& row : m_rows) {
        if (row->GetRect().y + row->GetRect().height > bottom)
            break;
        ++rows;
    }
    return rows;
}

int32_t LListBox::HitTestItem(const PointT<double>& point) const
{
    const RectT<double> client = GetClientRect();
    double px = point.x - client.x;
    double py = point.y - client.y;
    if (px < 0 || py < 0 || px >= client.width || py >= client.height)
        return -1;
    px += GetScrollOffset().x;
    py += GetScrollOffset().y;
    for (size_t row = m_rows.size(); row-- > 0;) {
        const RectT<double>& r = m_rows[row]->GetRect();
        if (r.x <= px && px < r.x + r.width && r.y <= py && py < r.y + r.height) {
            const int32_t index = m_topIndex + int32_t(row);
            return index < GetItemCount() ? index : -1;
        }
    }
    return -1;
}

// ---- selection

int32_t LListBox::SelectItems(int32_t first, int32_t last, bool exclusive)
{
    if (!InRange(first))
        return E_INVALIDARG;
    bool changed = false;
    const int32_t shown = m_model.Select(first, last, exclusive, changed);
    EnsureItemVisible(shown);
    if (changed)
        SelectionChanged();
    return first;
}

KXRESULT LListBox::DeselectItem(int32_t index)
{
    if (!m_model.Deselect(index))
        return S_FALSE;
    SelectionChanged();
    return S_OK;
}

void LListBox::DeselectAll()
{
    if (m_model.DeselectAll())
        SelectionChanged();
}

void LListBox::SelectionChanged()
{
    OnSelectionChanged();
    if (!m_dropDownMode)
        Send(u"NID_SELECTION_CHANGE", RCPtr<LRefCountedObject>());
}

void LListBox::ActivateItem(int32_t index)
{
    if (!InRange(index) || !IsItemSelectable(index))
        return;
    RCPtr<LControl> self(this);
    OnItemActivated();
    if (m_dropDownMode)
        SetVisible(false);
    if (GetParent())
        Send(u"NID_ITEM_ACTIVATED", RCPtr<LRefCountedObject>());
}

void LListBox::OnItemClicked(const LControl* control, const RCPtr<LMouseButtonParam>& param)
{
    const int32_t index = GetEntryIndexOfItemControl(control);
    if (index < 0 || !param)
        return;
    const bool ctrl = (param->modifiers & 0x01) != 0;
    const bool shift = (param->modifiers & 0x08) != 0;
    auto toggle = [&] {
        if (control->GetValue() < 0.5)
            SelectItems(index, index, false);
        else
            DeselectItem(index);
    };
    if (!multiSelect) {
        SelectItems(index, index, true);
    } else if (selectionMode == 1) {
        if (ctrl && shift) {
            m_model.SetAnchorIndex(index);
            m_model.SetCurrentIndex(index);
            SelectItems(index, index, false);
        } else if (ctrl) {
            toggle();
        } else if (shift) {
            m_model.SetCurrentIndex(index);
            // Without an anchor there is no range to select.
            if (GetAnchorIndex() >= 0)
                SelectItems(GetAnchorIndex(), index, true);
        } else {
            SelectItems(index, index, true);
        }
    } else {
        toggle();
    }
    if (param->isDoubleClick)
        Send(u"NID_ITEM_DOUBLE_CLICKED", RCPtr<LRefCountedObject>());
}

// ---- input

namespace {

RCPtr<LMouseButtonParam> InListCoordinates(const LControl& list, const LControl& row, const LMouseButtonParam& p)
{
    const PointT<double> at = list.MapPointFromControl(row, {double(p.point.x), double(p.point.y)});
    return LMouseButtonParam::Create(p.button, {int32_t(LControl::Round(at.x)), int32_t(LControl::Round(at.y))},
                                     p.modifiers, p.isDoubleClick, p.heldButtons, p.pointerIndex);
}

} // namespace

KXRESULT LListBox::OnItemMouseDown(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    const auto* row = dynamic_cast<const LControl*>(sender.Get());
    const auto* press = dynamic_cast<const LMouseButtonParam*>(n->GetPayload().Get());
    if (!row || !press || m_dropDownMode)
        return S_FALSE;
    RCPtr<LControl> self(this);
    RCPtr<LMouseButtonParam> param = InListCoordinates(*this, *row, *press);
    const int32_t index = GetEntryIndexOfItemControl(row);
    if (press->button == kLeftButton) {
        if (!multiSelect) {
            OnItemClicked(row, param);
        } else {
            m_press = param;
            if (!IsItemSelected(index)) {
                OnItemClicked(row, param);
                m_pressedIndex = index;
            }
        }
    } else if (press->button == kRightButton && index >= 0 && !press->isDoubleClick) {
        RCPtr<LHolder<int>> holder = LHolder<int>::Create();
        *holder->value = index;
        Send(u"NID_ITEM_RIGHT_CLICK", RCPtr<LRefCountedObject>(holder));
    }
    return S_FALSE;
}

KXRESULT LListBox::OnItemMouseUp(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    const auto* row = dynamic_cast<const LControl*>(sender.Get());
    const auto* release = dynamic_cast<const LMouseButtonParam*>(n->GetPayload().Get());
    if (!row || !release || m_dropDownMode || release->button != kLeftButton || !multiSelect)
        return S_FALSE;
    const int32_t index = GetEntryIndexOfItemControl(row);
    // A press on a selection is applied on release, so that it does not collapse before a drag:
    // the press's click, with its modifiers and double-click flag, where the pointer is now.
    const RCPtr<LMouseButtonParam> press = m_press;
    m_press = nullptr;
    if (press && IsItemSelected(index) && index != m_pressedIndex) {
        const RCPtr<LMouseButtonParam> at = InListCoordinates(*this, *row, *release);
        OnItemClicked(row, LMouseButtonParam::Create(press->button, at->point, press->modifiers, press->isDoubleClick,
                                                     at->heldButtons, press->pointerIndex));
    }
    m_pressedIndex = -1;
    return S_FALSE;
}

KXRESULT LListBox::OnItemHover(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    auto* row = dynamic_cast<LListBoxItem*>(sender.Get());
    const auto* change = dynamic_cast<const LConditionsParam*>(n->GetPayload().Get());
    if (!row || !change || !row->IsEnabled(true))
        return S_FALSE;
    const int32_t index = GetEntryIndexOfItemControl(row);
    const bool entered = (change->currentMask & Condition::kHoverOrHighlighted) &&
                         !(change->previousMask & Condition::kHoverOrHighlighted);
    if (m_dropDownMode && entered && index >= 0)
        SelectItems(index, -1, true);
    Send(u"NID_ITEM_HOVER_CONDITION_CHANGE",
         RCPtr<LRefCountedObject>(LItemConditionsParam::Create(
             index, row->GetActiveLookIndex(), (row->ComputeConditions() & Condition::kHover) != 0,
             change->previousMask, change->currentMask, change->point)));
    return S_FALSE;
}

KXRESULT LListBox::OnItemLeftDrag(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    auto* row = dynamic_cast<LListBoxItem*>(sender.Get());
    const auto* change = dynamic_cast<const LConditionsParam*>(n->GetPayload().Get());
    if (!row || !change || !row->IsEnabled(true))
        return S_FALSE;
    Send(u"NID_ITEM_LEFT_DRAG_CONDITION_CHANGE", RCPtr<LRefCountedObject>(LItemConditionsParam::Create(
                                                     GetEntryIndexOfItemControl(row), row->GetActiveLookIndex(),
                                                     (row->ComputeConditions() & Condition::kHover) != 0,
                                                     change->previousMask, change->currentMask, change->point)));
    return S_FALSE;
}

void LListBox::OnPointerMoved(const RCPtr<LPointWithModifiersParam>& pointer)
{
    LScrollView::OnPointerMoved(pointer);
    if (!m_dropDownMode || !pointer || !HasCapture() ||
        !(ComputeConditions() & (Condition::kLeftPending | Condition::kLeftDragging)))
        return;
    const int32_t index = HitTestItem({double(pointer->point.x), double(pointer->point.y)});
    if (index >= 0) {
        if (IsItemSelectable(index))
            SelectItems(index, -1, true);
    } else {
        DeselectAll();
    }
}

void LListBox::OnLeftButtonUp(const RCPtr<LMouseButtonParam>& release)
{
    LScrollView::OnLeftButtonUp(release);
    if (!m_dropDownMode || !release)
        return;
    const PointT<double> p{double(release->point.x), double(release->point.y)};
    const int32_t index = HitTestItem(p);
    if (index >= 0 && GetParent()) {
        ActivateItem(index);
        return;
    }
    if (!GetParent())
        return;
    // A release outside the owner closes the list; one on the owner (the press that opened it)
    // leaves it open.
    const PointT<double> at = GetParent()->MapPointFromControl(*this, p);
    const RectT<double>& owner = GetParent()->GetRect();
    if (at.x < 0 || at.y < 0 || at.x >= owner.width || at.y >= owner.height)
        SetVisible(false);
}

void LListBox::PassKeyToBar(const RCPtr<LControl>& bar, const RCPtr<LKeyParam>& key)
{
    if (!bar)
        return;
    RCPtr<LSiblingKeyParam> param(new LSiblingKeyParam(key->key, RCPtr<LControl>(this)));
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, u"NID_SIBLING_KEY", RCPtr<LRefCountedObject>(param))))
        bar->ReceiveNotification(RCPtr<LNotificationDistributor>(this), n);
}

namespace {

constexpr uint32_t kUp = KeyCode::Press(VirtualKey::kUp);
constexpr uint32_t kShiftUp = KeyCode::Press(VirtualKey::kUp, KeyCode::kShiftKey);
constexpr uint32_t kDown = KeyCode::Press(VirtualKey::kDown);
constexpr uint32_t kShiftDown = KeyCode::Press(VirtualKey::kDown, KeyCode::kShiftKey);
constexpr uint32_t kPageUp = KeyCode::Press(VirtualKey::kPageUp);
constexpr uint32_t kPageDown = KeyCode::Press(VirtualKey::kPageDown);
constexpr uint32_t kHome = KeyCode::Press(VirtualKey::kHome);
constexpr uint32_t kEnd = KeyCode::Press(VirtualKey::kEnd);

} // namespace

int32_t LListBox::EntryForKey(uint32_t key) const
{
    const auto selectable = [this](int32_t j) { return IsItemSelectable(j); };
    const int32_t current = GetCurrentIndex();
    switch (key) {
    case kUp:
    case kShiftUp:
        return m_model.NextSelectable(current - 1, -1, selectable);
    case kDown:
    case kShiftDown:
        return m_model.NextSelectable(current + 1, 1, selectable);
    case kHome:
        return m_model.NextSelectable(0, 1, selectable);
    case kEnd:
        return m_model.NextSelectable(GetItemCount() - 1, -1, selectable);
    case kPageUp:
    case kPageDown: {
        // A page is the whole rows in view less one: from the last row, the entry left comes to
        // the first; from the first row, the selection goes to the last.
        const int32_t page = std::max(WholeRowsInView() - 1, 1);
        const int32_t step = key == kPageDown ? 1 : -1;
        const int32_t target = step > 0 ? m_model.StepVisible(current, page) : m_model.StepVisibleBack(current, page);
        const int32_t i = m_model.NextSelectable(target, step, selectable);
        return i >= 0 ? i : m_model.NextSelectable(target, -step, selectable);
    }
    default:
        return -1;
    }
}

KXRESULT LListBox::OnKey(const RCPtr<LKeyParam>& key)
{
    if (!key)
        return S_FALSE;
    RCPtr<LControl> self(this);
    const uint32_t k = key->key.key;
    switch (k) {
    case kHome:
    case kEnd:
        // A list wider than its view also scrolls to that side.
        PassKeyToBar(GetHorizontalBar(), key);
        [[fallthrough]];
    case kUp:
    case kShiftUp:
    case kDown:
    case kShiftDown:
    case kPageUp:
    case kPageDown: {
        // The view follows the selection, so that Enter takes the entry the keys reached.
        const int32_t i = EntryForKey(k);
        if (i < 0)
            return S_OK;
        // Shift extends the range from the anchor; without an anchor it moves as the plain key does.
        if ((k == kShiftUp || k == kShiftDown) && multiSelect && GetAnchorIndex() >= 0)
            SelectItems(GetAnchorIndex(), i, false);
        else
            SelectItems(i, -1, true);
        return S_OK;
    }
    case KeyCode::Press(VirtualKey::kLeft):
    case KeyCode::Press(VirtualKey::kRight):
        PassKeyToBar(GetHorizontalBar(), key);
        return S_OK;
    case KeyCode::Press(VirtualKey::kEnter):
        if (GetCurrentIndex() >= 0)
            ActivateItem(GetCurrentIndex());
        return S_OK;
    default:
        return S_FALSE;
    }
}

KXRESULT LListBox::BreakCycles()
{
    m_rows.clear();
    m_model.Clear();
    m_templateDescriptor = nullptr;
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
