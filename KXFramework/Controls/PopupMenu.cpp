#include "KXFramework/Controls/PopupMenu.h"

#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/FrameworkClock.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Controls/ComboMenu.h"
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Renderer/FontText.h"

#include <algorithm>
#include <vector>

namespace KX {

namespace {

// Submenus open and close this long after the pointer settles on an item.
constexpr uint32_t kHoverDelayMs = 250;

bool HasSubItems(const LMenuItemDescriptor* item)
{
    return item && item->GetItems().GetCount() > 0;
}

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
    FitSizeLimits();
    SetFocusBoundary(true);
    SetDropDownMode(true);
    SetCheckBoxesPassive(true);
    return BuildFromStringTable();
}

KXRESULT LPopupMenu::PostInitialize()
{
    static_cast<void>(LCheckedListBox::PostInitialize()); // the base part has nothing to refuse
    SetClipToParent(false);
    SetVisible(false);
    FitSizeLimits();
    return S_OK;
}

void LPopupMenu::FitSizeLimits()
{
    FillOpenSizeLimits(GetRect().width);
    m_rowPadding = -1;
}

int32_t LPopupMenu::GetItemPreferredWidth(int32_t index)
{
    const LMenuItemDescriptor* item = ItemAt(index);
    if (!item || GetItemControlCount() == 0)
        return 0;
    RCPtr<LListBoxItem> row = GetItemControl(GetItemControlCount() - 1);
    RCPtr<LControl> hotKey = row->FindChild(u"hotKeyLabel");
    // The application's measurement renderer: the menu may not be in a window yet.
    const RCPtr<LMeasurementRenderer> renderer = LFontText::GetMeasurementRenderer();
    float width = 0.0f;
    if (renderer) {
        RectT<float> extent{0.0f, 0.0f, 0.0f, 0.0f};
        if (row->GetFont())
            width += renderer->MeasureText(extent, item->label, row->GetFont()).width;
        extent = {0.0f, 0.0f, 0.0f, 0.0f};
        if (hotKey && hotKey->GetFont())
            width += renderer->MeasureText(extent, item->hotKeyText, hotKey->GetFont()).width;
    }
    return std::max(m_rowPadding, 0) + int32_t(std::lround(width));
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
    CloseSubmenu();
    m_menu = RCPtr<LMenuDescriptor>(dynamic_cast<LMenuDescriptor*>(menu->CreateCopy().Get()));
    static_cast<void>(ResolveHotKeyTexts(m_menu)); // without an owner the texts stay as given
    return RebuildItems();
}

KXRESULT LPopupMenu::SetOwner(const RCPtr<LNotificationReceiver>& owner)
{
    if (!owner)
        return E_INVALIDARG;
    if (m_owner)
        return E_FAIL;
    m_owner = owner;
    if (m_menu) {
        static_cast<void>(ResolveHotKeyTexts(m_menu)); // outside a root window the texts stay as they are
        RebuildItems();
    }
    return S_OK;
}

RCPtr<LNotificationReceiver> LPopupMenu::GetOwner() const
{
    if (m_owner)
        return m_owner;
    for (RCPtr<LControl> c = GetParent(); c; c = c->GetParent()) {
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
    if (m_rowPadding < 0) {
        // Room left of the label, a fixed gap, and room right of the hot-key text.
        RCPtr<LControl> box = last->FindChild(u"checkBox");
        RCPtr<LControl> hotKey = last->FindChild(u"hotKeyLabel");
        const double hotKeyRight = hotKey ? hotKey->GetRect().x + hotKey->GetRect().width : last->GetRect().width;
        m_rowPadding = int32_t(box ? box->GetRect().x + box->GetRect().width : 0.0) + 20 +
                       int32_t(last->GetRect().width - hotKeyRight);
    }
    m_separatorCount = 0;
    int32_t widest = 0;
    for (int32_t i = 0; i < n; ++i) {
        const RCPtr<LMenuItemDescriptor>& item = m_menu->GetItems().GetAt(unsigned(i));
        static_cast<void>(SetItemData(i, RCPtr<LTaggableObject>(item))); // the index is within the rows just made
        SetItemMarked(i, item->GetItems().GetCount() > 0);
        SetItemChecked(i, item->checked != 0);
        SetItemBlank(i, item->separator != 0);
        if (item->separator)
            ++m_separatorCount;
        widest = std::max(widest, GetItemPreferredWidth(i));
    }
    // The width itself, not a far edge: a popup opened away from its parent's left edge is as wide.
    SetClientWidth(double(int32_t(GetScrollBarSize().x) + widest));
    return S_OK;
}

namespace {

// The first key bound to the name in the first table that binds it; empty when none does.
String HotKeyTextOf(const String& notification, const std::vector<const KeyBindingMap*>& tables)
{
    for (const KeyBindingMap* table : tables) {
        KeyCode key;
        if (table->HasNotification(notification.GetString()) && table->GetFirstKey(notification.GetString(), key))
            return key.GetDisplayText();
    }
    return String();
}

// Whether any text was filled.
bool ResolveHotKeyTextsOf(LMenuDescriptor& menu, const std::vector<const KeyBindingMap*>& tables)
{
    bool filled = false;
    for (unsigned i = 0; i < menu.GetItems().GetCount(); ++i) {
        LMenuItemDescriptor* item = menu.GetItems().GetAt(i).Get();
        if (!item)
            continue;
        if (item->GetItems().GetCount() > 0) {
            filled = ResolveHotKeyTextsOf(*item, tables) || filled;
        } else if (item->hotKeyText.IsEmpty()) {
            item->hotKeyText = HotKeyTextOf(item->notification, tables);
            filled = filled || !item->hotKeyText.IsEmpty();
        }
    }
    return filled;
}

} // namespace

KXRESULT LPopupMenu::ResolveHotKeyTexts(const RCPtr<LMenuDescriptor>& menu)
{
    const RCPtr<LNotificationReceiver> owner = GetOwner();
    const RCPtr<LRootWindow> root = *GetRootWindowPtr();
    if (!menu || !owner || (m_owner && !root))
        return E_FAIL;
    std::vector<const KeyBindingMap*> tables;
    // Held while the tables are read.
    RCPtr<LGlobalHotKeyManager> rootKeys;
    if (!m_owner) {
        // The nearest control that is no popup: its own keys, then its window's.
        if (auto* control = dynamic_cast<LControl*>(owner.Get())) {
            tables.push_back(&control->GetLocalHotKeys());
            if (const RCPtr<LRootWindow>& controlRoot = *control->GetRootWindowPtr())
                rootKeys = controlRoot->GetHotKeyManager();
        }
    } else if (m_owner.Get() == root->GetPostingReceiver().Get()) {
        rootKeys = root->GetHotKeyManager();
    }
    if (rootKeys)
        tables.push_back(&rootKeys->GetKeyBindingMap());
    IFrameworkServices* services = GetFrameworkServices();
    const RCPtr<LGlobalHotKeyManager> globalKeys = services ? services->GetGlobalHotKeyManager() : nullptr;
    if (globalKeys)
        tables.push_back(&globalKeys->GetKeyBindingMap());
    return ResolveHotKeyTextsOf(*menu, tables) ? S_OK : S_FALSE;
}

void LPopupMenu::RefreshItemStates()
{
    const RCPtr<LMenuDescriptor> menu = m_menu;
    if (!menu)
        return;
    if (!m_updater) {
        const RCPtr<LNotificationReceiver> owner = GetOwner();
        if (auto* control = dynamic_cast<LControl*>(owner.Get()))
            m_updater = control->GetMenuItemUpdater();
    }
    if (!m_updater)
        return;
    DeselectAll();
    // Held, so that a target that lets go of itself while answering stays until it has answered.
    const RCPtr<LControl> target = m_updater->GetTarget();
    if (!target)
        return;
    // One rebuild after the loop stands for one per changed label: the rows end up the same.
    bool relabelled = false;
    for (int32_t i = int32_t(menu->GetItems().GetCount()); i-- > 0 && m_menu == menu;) {
        // A target may change the menu it is asked about; an item that went is skipped.
        const RCPtr<LMenuItemDescriptor> item(const_cast<LMenuItemDescriptor*>(ItemAt(i)));
        MenuItemState state;
        if (!item || item->separator || HasSubItems(item.Get()) || Failed(menu->GetItemState(unsigned(i), state)))
            continue;
        static_cast<void>(target->HandleEditRequest(menu, unsigned(i), item->notification,
                                                    state)); // a target that does not know the item leaves it
        bool changed = false;
        if (m_menu == menu && StoreItemState(i, state, changed) == S_OK) {
            relabelled = relabelled || changed;
            int32_t row = -1;
            RefreshItem(i, row);
        }
    }
    if (relabelled && m_menu == menu)
        RebuildItems();
}

KXRESULT LPopupMenu::ApplyItemState(int32_t index, const MenuItemState& state)
{
    bool relabelled = false;
    const KXRESULT r = StoreItemState(index, state, relabelled);
    if (r != S_OK)
        return r;
    if (relabelled)
        RebuildItems();
    int32_t row = -1;
    RefreshItem(index, row);
    return S_OK;
}

KXRESULT LPopupMenu::StoreItemState(int32_t index, const MenuItemState& state, bool& relabelled)
{
    relabelled = false;
    auto* item = const_cast<LMenuItemDescriptor*>(ItemAt(index));
    if (!item)
        return E_INVALIDARG;
    // A separator shows no text and is never enabled or checked: it takes nothing.
    if (item->separator)
        return S_FALSE;
    const uint8_t enabled = state.enabled ? 1 : 0;
    const uint8_t checked = state.checked ? 1 : 0;
    const bool leaf = !HasSubItems(item);
    const bool checkChanges = leaf && (item->checked ? 1 : 0) != checked;
    if ((item->enabled ? 1 : 0) == enabled && !checkChanges && item->label == state.label)
        return S_FALSE;
    item->enabled = enabled;
    if (checkChanges) {
        item->checked = checked;
        SetItemChecked(index, checked != 0);
    }
    if (item->label != state.label) {
        item->label = state.label;
        relabelled = true;
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
            hotKey->SetText(item->hotKeyText);
        control->SetBlank(item->separator != 0);
        control->SetEnabled(item->enabled != 0);
        control->SetCheckBoxLook(item->checked ? (control->ComputeConditions() & Condition::kHover ? 8 : 7) : 0);
    } else {
        if (hotKey)
            hotKey->SetText(String());
        control->SetEnabled(false);
        control->SetItemLook(0, true);
        control->SetCheckBoxLook(0);
    }
    // The hot-key text is drawn in the colour of the row's own text: normal, hovered or disabled.
    if (!hotKey)
        return r;
    const RCPtr<LLook>& rowLook = control->GetCurrentLook(-1);
    const RCPtr<LLook>& hotKeyLook = hotKey->GetCurrentLook(-1);
    if (rowLook && hotKeyLook && rowLook->GetTextForegroundPart() &&
        hotKeyLook->GetTextForegroundPart() != rowLook->GetTextForegroundPart()) {
        hotKeyLook->SetTextForegroundPart(rowLook->GetTextForegroundPart());
        hotKey->InvalidateWhole();
    }
    return r;
}

void LPopupMenu::SendOwn(const char16_t* name)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, RCPtr<LRefCountedObject>())))
        SendNotification(n);
}

void LPopupMenu::OnItemActivated()
{
    const int32_t current = GetCurrentIndex();
    const LMenuItemDescriptor* item = ItemAt(current);
    if (!item)
        return;
    if (!HasSubItems(item)) {
        ActivateMenuItem(RCPtr<LMenuItemDescriptor>(const_cast<LMenuItemDescriptor*>(item)));
    } else if (item != m_submenuItem.Get() && Succeeded(OpenSubmenu(current)) && m_submenu) {
        m_submenu->SelectItems(0, -1, true);
    }
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
            owner->ReceiveNotification(nullptr, n);
    }
    if (m_autoDismiss && !m_dismissing)
        Dismiss();
    return S_OK;
}

KXRESULT LPopupMenu::Dismiss()
{
    m_dismissing = true;
    RCPtr<LControl> self(this);
    if (auto* parent = dynamic_cast<LPopupMenu*>(GetParent().Get()))
        return parent->Dismiss();
    CloseSubmenu();
    return GetParent() ? GetParent()->RemoveChild(self) : S_OK;
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
        const int32_t size[2] = {int32_t(Round(GetRect().width)), int32_t(Round(GetRect().height))};
        const PointT<double> parentAt = GetParent() ? GetParent()->GetPositionInRoot() : PointT<double>{};
        const RectT<double> client =
            GetParent() ? GetParent()->GetLookClientRect(GetParent()->GetActiveLookIndex()) : RectT<double>{};
        for (int axis = 0; axis < 2; ++axis) {
            int32_t v = axis == 0 ? cursor.x : cursor.y;
            if (v + size[axis] > extent[axis])
                v = extent[axis] - size[axis];
            v = std::max(v, 0);
            const double at = v - (axis == 0 ? parentAt.x + client.x : parentAt.y + client.y);
            EditPlacement(axis, [at](PositionSpec& position, SizeSpec&) {
                position.absolute = at;
                position.relative = 0.0f;
                position.docked = true;
            });
        }
    }
    SetVisible(true);
    if (!HasFocus())
        SetFocus(true);
    return S_OK;
}

KXRESULT LPopupMenu::OpenSubmenu(int32_t index)
{
    if (!HasSubItems(ItemAt(index)))
        return E_INVALIDARG;
    CloseSubmenu();
    // A submenu closed earlier goes now, before its successor takes the name.
    DestroyPendingRemovals();
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LControlFactory> factory = services ? services->GetControlFactory() : nullptr;
    RCPtr<LControlClassRegistry> registry = services ? services->GetControlClassRegistry() : nullptr;
    if (!factory || !registry || !GetDescriptor() || !GetLayoutDescriptor())
        return E_FAIL;
    RCPtr<LControlDescriptor> descriptor;
    LControlFactory::CloneControlDescriptor(descriptor, GetDescriptor(), GetLayoutDescriptor()->Clone(),
                                            String(u"submenu"));
    RCPtr<LControl> created;
    registry->CreateControl(created, descriptor, RCPtr<LControl>(this));
    RCPtr<LPopupMenu> submenu(dynamic_cast<LPopupMenu*>(created.Get()));
    if (!submenu) {
        if (created)
            RemoveChild(created);
        return E_FAIL;
    }
    m_submenu = submenu;
    m_submenuItem = m_menu->GetItems().GetAt(unsigned(index));
    submenu->m_owner = m_owner;
    submenu->m_autoDismiss = m_autoDismiss;
    submenu->m_updater = m_updater;
    static_cast<void>(submenu->OpenAsSubmenu(index)); // the parent's item was checked above

    // Right of the row, top at the row's top; flipped or moved up to stay in the window.
    RCPtr<LControl> top;
    GetTopLevelControl(top);
    const double extent[2] = {top ? Round(top->GetRect().width) : 0.0, top ? Round(top->GetRect().height) : 0.0};
    const double size[2] = {Round(submenu->GetRect().width), Round(submenu->GetRect().height)};
    const PointT<double> at = GetPositionInRoot();
    const PointT<double> origin = {Round(at.x), Round(at.y)};
    const RectT<double> row = ItemRowRect(index);
    double x = double(int32_t(row.x + row.width));
    if (extent[0] < size[0] + x + origin.x) {
        x = -size[0];
        if (origin.x + x < 0)
            x = double(int32_t(row.x + row.width));
    }
    double y = double(int32_t(row.y));
    if (extent[1] < size[1] + y + origin.y)
        y = extent[1] - origin.y - size[1];
    if (origin.y + y < 0)
        y = 0;
    const double offsets[2] = {x, y};
    for (int axis = 0; axis < 2; ++axis) {
        submenu->EditPlacement(axis, [&](PositionSpec& position, SizeSpec&) {
            position.absolute = offsets[axis];
            position.relative = 0.0f;
        });
    }
    submenu->SetVisible(true);
    return S_OK;
}

KXRESULT LPopupMenu::OpenAsSubmenu(int32_t index)
{
    auto* parent = dynamic_cast<LPopupMenu*>(GetParent().Get());
    if (!parent || index < 0 || index >= parent->GetItemCount() || !HasSubItems(parent->ItemAt(index)))
        return E_INVALIDARG;
    CloseSubmenu();
    // Shared with the parent: a submenu is a view of the parent's item.
    m_menu = RCPtr<LMenuDescriptor>(parent->m_menu->GetItems().GetAt(unsigned(index)));
    static_cast<void>(ResolveHotKeyTexts(m_menu)); // without an owner the texts stay as given
    return RebuildItems();
}

void LPopupMenu::CloseSubmenu()
{
    CancelPending();
    if (RCPtr<LPopupMenu> submenu = m_submenu) {
        submenu->CloseSubmenu();
        submenu->SetVisible(false);
        RemoveChild(RCPtr<LControl>(submenu));
        m_submenu = nullptr;
    }
    m_submenuItem = nullptr;
}

void LPopupMenu::StartPending()
{
    m_pendingSince = FrameworkClock::Milliseconds();
    if (!m_submenuPending) {
        m_submenuPending = true;
        SubscribeIdle();
    }
}

void LPopupMenu::CancelPending()
{
    if (m_submenuPending) {
        m_submenuPending = false;
        UnsubscribeIdle();
    }
}

RectT<double> LPopupMenu::ItemRowRect(int32_t index) const
{
    const int32_t row = GetItemControlIndexOfEntry(index);
    RCPtr<LListBoxItem> control = row >= 0 ? GetItemControl(row) : nullptr;
    return control ? control->GetRect() : RectT<double>{};
}

bool LPopupMenu::CursorInRow(int32_t index)
{
    const RCPtr<LRootWindow>* root = GetRootWindowPtr();
    if (!root || !*root)
        return false;
    const PointT<int32_t> cursor = (*root)->GetCursorPos();
    const PointT<double> at = GetPositionInRoot();
    const double x = cursor.x - at.x + GetScrollOffset().x, y = cursor.y - at.y + GetScrollOffset().y;
    const RectT<double> row = ItemRowRect(index);
    return x >= row.x && x < row.x + row.width && y >= row.y && y < row.y + row.height;
}

void LPopupMenu::SyncParentItem()
{
    if (!m_submenuItem)
        return;
    const int32_t current = GetCurrentIndex();
    if (ItemAt(current) == m_submenuItem.Get())
        return;
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        if (ItemAt(i) == m_submenuItem.Get()) {
            SelectItems(i, i, true);
            break;
        }
    }
    CancelPending();
}

void LPopupMenu::OnSelectionChanged()
{
    const int32_t current = GetCurrentIndex();
    const LMenuItemDescriptor* item = ItemAt(current);
    if (auto* parent = dynamic_cast<LPopupMenu*>(GetParent().Get()))
        parent->SyncParentItem();
    if (!item)
        return;
    if (!HasSubItems(item)) {
        if (m_submenu)
            StartPending();
    } else if (item == m_submenuItem.Get()) {
        CancelPending();
    } else if (CursorInRow(current)) {
        // A current item moved by the keyboard opens nothing; Right does.
        StartPending();
    }
}

void LPopupMenu::OnIdleTick()
{
    LCheckedListBox::OnIdleTick();
    if (!m_submenuPending || uint32_t(FrameworkClock::Milliseconds() - m_pendingSince) <= kHoverDelayMs)
        return;
    CloseSubmenu();
    const int32_t current = GetCurrentIndex();
    if (HasSubItems(ItemAt(current)))
        static_cast<void>(OpenSubmenu(current)); // the item was checked to have sub-items
}

bool LPopupMenu::IsInChain(const LPopupMenu* other) const
{
    for (const LPopupMenu* p = this; p; p = p->m_submenu.Get()) {
        if (p == other)
            return true;
    }
    for (const LControl* c = GetParent().Get(); c; c = c->GetParent().Get()) {
        const auto* p = dynamic_cast<const LPopupMenu*>(c);
        if (!p)
            break;
        if (p == other)
            return true;
    }
    return false;
}

void LPopupMenu::OnPointerMoved(const RCPtr<LPointWithModifiersParam>& pointer)
{
    LCheckedListBox::OnPointerMoved(pointer);
    if (!(ComputeConditions() & Condition::kLeftDragging))
        return;
    const RCPtr<LRootWindow> root = *GetRootWindowPtr();
    if (!root)
        return;
    const PointT<int32_t> cursor = root->GetCursorPos();
    const PointT<double> at = GetPositionInRoot();
    const double x = cursor.x - at.x, y = cursor.y - at.y;
    if (x >= 0 && y >= 0 && x < GetRect().width && y < GetRect().height)
        return;
    RCPtr<LControl> self(this);
    PointT<int32_t> local;
    RCPtr<LControl> under = root->HitTest(cursor, local, false);
    if (!under)
        return;
    // Taking the capture ends this popup's drag; a control that cannot take it leaves the drag here.
    if (dynamic_cast<LComboMenu*>(under.Get())) {
        static_cast<void>(under->BeginDrag(kLeftButton, 0, 0));
        return;
    }
    for (RCPtr<LControl> c = under; c; c = c->GetParent()) {
        auto* popup = dynamic_cast<LPopupMenu*>(c.Get());
        if (!popup)
            continue;
        // A popup on its way out takes no drag.
        if (popup != this && IsInChain(popup) && !popup->IsDismissing())
            static_cast<void>(popup->BeginDrag(kLeftButton, 0, 0));
        return;
    }
}

void LPopupMenu::OnLeftButtonUp(const RCPtr<LMouseButtonParam>& release)
{
    // Closed under a held button (a sibling title opened, the focus went elsewhere): the rows are
    // not on screen, so a release over where they were chooses nothing.
    if (!IsVisible(true)) {
        LScrollView::OnLeftButtonUp(release);
        return;
    }
    LCheckedListBox::OnLeftButtonUp(release);
}

KXRESULT LPopupMenu::OnKey(const RCPtr<LKeyParam>& key)
{
    // A menu-bar title's drop-down leaves Escape, and Left and Right where they close or open no
    // submenu, to its title, the key's next receiver, which closes it or opens the next title's.
    const bool titled = dynamic_cast<LComboMenu*>(GetParent().Get()) != nullptr;
    const uint32_t pressed = key ? key->key.key : 0;
    if (pressed == KeyCode::Press(VirtualKey::kLeft)) {
        if (auto* parent = dynamic_cast<LPopupMenu*>(GetParent().Get()))
            parent->CloseSubmenu();
        return titled ? S_FALSE : S_OK;
    }
    if (pressed == KeyCode::Press(VirtualKey::kRight)) {
        const int32_t current = GetCurrentIndex();
        if (!HasSubItems(ItemAt(current)))
            return titled ? S_FALSE : S_OK;
        if (Succeeded(OpenSubmenu(current)) && m_submenu)
            m_submenu->SelectItems(0, -1, true);
        return S_OK;
    }
    if (pressed == KeyCode::Press(VirtualKey::kEscape)) {
        if (titled)
            return S_FALSE;
        if (m_autoDismiss && !m_dismissing)
            Dismiss();
        return S_OK;
    }
    return LCheckedListBox::OnKey(key);
}

KXRESULT LPopupMenu::ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    auto* row = dynamic_cast<LMenuListBoxItem*>(sender.Get());
    const auto* change = n ? dynamic_cast<const LConditionsParam*>(n->GetPayload().Get()) : nullptr;
    IFrameworkServices* services = GetFrameworkServices();
    if (row && change && services && n->GetName() == String(u"NID_HOVER_CONDITION_CHANGE")) {
        const uint32_t bit = Condition::kHoverOrHighlighted;
        if ((change->currentMask & bit) && !(change->previousMask & bit)) {
            const LMenuItemDescriptor* item = ItemAt(GetEntryIndexOfItemControl(row));
            if (item && !item->statusText.IsEmpty())
                services->SetStatusText(item->statusText, false);
        } else if (!(change->currentMask & bit) && (change->previousMask & bit)) {
            services->ResetStatusText(false);
        }
    }
    return LCheckedListBox::ReceiveNotification(sender, n);
}

void LPopupMenu::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LCheckedListBox::ApplyConditions(param);
    if (!param)
        return;
    // Every showing asks the item states anew, and looks again for the keys of items still without
    // one: a window loads its own hot keys only after its controls are placed in it. Hiding a
    // top-level popup closes its submenus with it.
    if (!(param->previousMask & Condition::kVisible) && (param->currentMask & Condition::kVisible)) {
        if (m_menu && ResolveHotKeyTexts(m_menu) == S_OK)
            RebuildItems();
        RefreshItemStates();
    }
    if ((param->previousMask & Condition::kVisible) && !(param->currentMask & Condition::kVisible) &&
        !dynamic_cast<LPopupMenu*>(GetParent().Get()))
        CloseSubmenu();
    const uint32_t focusBits = Condition::kHasFocus | Condition::kContainsFocus;
    const bool focusChanged = ((param->previousMask ^ param->currentMask) & focusBits) != 0;
    // A context menu or menu-bar drop-down closes when the focus goes elsewhere.
    if (focusChanged && !(param->currentMask & focusBits) && !dynamic_cast<LPopupMenu*>(GetParent().Get()) &&
        IsVisible(false) && GetRect().width > 0 && GetRect().height > 0 && m_autoDismiss && !m_dismissing)
        Dismiss();
}

KXRESULT LPopupMenu::ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    const bool reapplying = IsCreated();
    const KXRESULT r = LCheckedListBox::ApplyDescriptor(descriptor);
    if (Failed(r) || !m_menu)
        return r;
    // The new skin's size is the minimum again, and its rows' padding is measured anew.
    if (reapplying)
        FitSizeLimits();
    DeselectAll();
    RebuildItems();
    return r;
}

KXRESULT LPopupMenu::BreakCycles()
{
    m_menu = nullptr;
    m_owner = nullptr;
    m_updater = nullptr;
    m_submenu = nullptr;
    m_submenuItem = nullptr;
    return LCheckedListBox::BreakCycles();
}

} // namespace KX
