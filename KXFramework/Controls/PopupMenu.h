#pragma once
// The framework's menu: a checked list box in drop-down mode with one row per item of a menu
// descriptor. It opens hidden, is shown at the pointer as a context menu (or by a menu title),
// and delivers the chosen item's notification to its owner, then closes itself.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlLinks.h"
#include "KXFramework/Controls/CheckedListBox.h"

#include <cstdint>

namespace KX {

// A menu row: a checked list row with a "hotKeyLabel" after the text.
class LMenuListBoxItem : public LCheckedListBoxItem {
public:
    using LCheckedListBoxItem::LCheckedListBoxItem;

    bool SetItemLook(unsigned look, bool exclusive) override;
};

class LPopupMenu : public LCheckedListBox, public IPopupMenuLink {
public:
    using LCheckedListBox::LCheckedListBox;
    ~LPopupMenu() override;

    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;
    // 1 without a string table; else builds the menu from its entries ("<nn>.<NID>" keys).
    [[nodiscard]] KXRESULT BuildFromStringTable();
    // E_INVALIDARG for null. The popup keeps its own deep copy.
    [[nodiscard]] KXRESULT SetMenuDescriptorChecked(const RCPtr<LMenuDescriptor>& menu);
    void SetMenuDescriptor(const RCPtr<LMenuDescriptor>& menu) override
    {
        // The menu interface has no result; a menu the popup refuses leaves it as it was.
        static_cast<void>(SetMenuDescriptorChecked(menu));
    }
    const RCPtr<LMenuDescriptor>& GetMenuDescriptor() const { return m_menu; }
    // E_INVALIDARG for null; E_FAIL when an owner is already set.
    [[nodiscard]] KXRESULT SetOwner(const RCPtr<LNotificationReceiver>& owner);
    // The owner set, else the nearest ancestor that is not a popup menu.
    RCPtr<LNotificationReceiver> GetOwner() const;
    void SetAutoDismiss(bool on) { m_autoDismiss = on; }
    // The updater whose target answers for the item states; without one the owner control's is
    // taken when the popup first shows. Submenus take their parent's.
    void SetMenuItemUpdater(const RCPtr<LMenuItemUpdater>& updater) { m_updater = updater; }
    // Asks the updater's target for the state of every leaf, as each showing does.
    void RefreshItemStates();
    // E_INVALIDARG for an index outside the items; 1 when the item already has that state (a
    // separator takes none).
    [[nodiscard]] KXRESULT ApplyItemState(int32_t index, const MenuItemState& state);

    void OpenAtCursor() override { ShowAtCursor(); }
    // Opens with the top-left corner at the pointer, moved left or up to stay in the window. Opening,
    // dismissing and activating return S_OK or the removal's answer, for the record only; callers may ignore it.
    KXRESULT ShowAtCursor();
    // Removes the popup from its parent; it is not reused.
    KXRESULT Dismiss();
    bool IsDismissing() const { return m_dismissing; }
    KXRESULT ActivateMenuItem(const RCPtr<LMenuItemDescriptor>& item);
    // E_INVALIDARG when the item has no sub-items. The submenu is this popup's child "submenu".
    [[nodiscard]] KXRESULT OpenSubmenu(int32_t index);
    // Called on a new submenu: shows the parent popup's item at index.
    [[nodiscard]] KXRESULT OpenAsSubmenu(int32_t index);
    void CloseSubmenu();
    const RCPtr<LPopupMenu>& GetSubmenu() const { return m_submenu; }

    // Row padding plus the measured label and hot-key texts; 0 without such an item.
    int32_t GetItemPreferredWidth(int32_t index);
    // Keeps the skin's size as the minimum where the skin gives none; the row padding is measured anew.
    void FitSizeLimits();
    int32_t GetContentHeight() const override;
    bool IsItemSelectable(int32_t index) const override;
    // Menu items keep their order.
    void SwapEntries(int32_t, int32_t) override {}
    KXRESULT RefreshItem(int32_t index, int32_t& row) override;
    void OnItemActivated() override;
    [[nodiscard]] KXRESULT OnKey(const RCPtr<LKeyParam>& key) override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    // A new skin brings new rows: the menu's rows are built again from them, with nothing selected.
    [[nodiscard]] KXRESULT ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
    KXRESULT FocusOnClick(const RCPtr<LControl>&) override { return S_OK; }
    KXRESULT BreakCycles() override;
    void OnSelectionChanged() override;
    // Puts a hovered row's status text in the status bar, then lets the list box see the change.
    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n) override;
    void OnIdleTick() override;

protected:
    // A held button dragged out of the popup goes on to the title or the popup of the chain under it.
    void OnPointerMoved(const RCPtr<LPointWithModifiersParam>& pointer) override;
    // A popup hidden while it held the button chooses nothing on release.
    void OnLeftButtonUp(const RCPtr<LMouseButtonParam>& release) override;

private:
    // 1 when there is no menu, for the record only; callers may ignore it.
    KXRESULT RebuildItems();
    // Gives every leaf without a hot-key text the text of the first key bound to its notification:
    // the owner control's local keys, then the root window's, then the application's. 0 when a
    // text was filled, 1 when none was; E_FAIL without a menu or an owner, or with an owner set
    // while the popup is in no root window.
    [[nodiscard]] KXRESULT ResolveHotKeyTexts(const RCPtr<LMenuDescriptor>& menu);
    // Stores in the item what of the state it takes, without rebuilding; `relabelled` is set when
    // its label changed. ApplyItemState's results.
    [[nodiscard]] KXRESULT StoreItemState(int32_t index, const MenuItemState& state, bool& relabelled);
    const LMenuItemDescriptor* ItemAt(int32_t index) const;
    void SendOwn(const char16_t* name);
    void StartPending();
    void CancelPending();
    // Run on the parent while the pointer is in its submenu: keeps the submenu's item current.
    void SyncParentItem();
    bool CursorInRow(int32_t index);
    // This popup, one of its open submenus or one of its parent popups.
    bool IsInChain(const LPopupMenu* other) const;
    RectT<double> ItemRowRect(int32_t index) const;

    RCPtr<LMenuDescriptor> m_menu;
    RCPtr<LPopupMenu> m_submenu;
    RCPtr<LMenuItemDescriptor> m_submenuItem;
    RCPtr<LNotificationReceiver> m_owner;
    RCPtr<LMenuItemUpdater> m_updater;
    bool m_submenuPending = false;
    uint32_t m_pendingSince = 0;
    bool m_autoDismiss = true;
    bool m_dismissing = false;
    int32_t m_separatorHeight = 0;
    int32_t m_separatorCount = 0;
    int32_t m_rowPadding = -1;
};

} // namespace KX
