#pragma once
// The framework's menu: a checked list box in drop-down mode with one row per item of a menu
// descriptor. It opens hidden, is shown at the pointer as a context menu (or by a menu title),
// and delivers the chosen item's notification to its owner, then closes itself.
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

    void OpenAtCursor() override
    {
        // The menu interface has no result; a popup that cannot open leaves the window as it was.
        static_cast<void>(ShowAtCursor());
    }
    // Opens with the top-left corner at the pointer, moved left or up to stay in the window.
    [[nodiscard]] KXRESULT ShowAtCursor();
    // Removes the popup from its parent; it is not reused.
    [[nodiscard]] KXRESULT Dismiss();
    bool IsDismissing() const { return m_dismissing; }
    [[nodiscard]] KXRESULT ActivateMenuItem(const RCPtr<LMenuItemDescriptor>& item);

    int32_t GetContentHeight() const override;
    bool IsItemSelectable(int32_t index) const override;
    // Menu items keep their order.
    void SwapEntries(int32_t, int32_t) override {}
    [[nodiscard]] KXRESULT RefreshItem(int32_t index, int32_t& row) override;
    void OnItemActivated() override;
    [[nodiscard]] KXRESULT OnKey(const RCPtr<LKeyParam>& key) override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    [[nodiscard]] KXRESULT FocusOnClick(const RCPtr<LControl>&) override { return S_OK; }
    [[nodiscard]] KXRESULT BreakCycles() override;

private:
    [[nodiscard]] KXRESULT RebuildItems();
    const LMenuItemDescriptor* ItemAt(int32_t index) const;
    void SendOwn(const char16_t* name);

    RCPtr<LMenuDescriptor> m_menu;
    RCPtr<LNotificationReceiver> m_owner;
    bool m_autoDismiss = true;
    bool m_dismissing = false;
    int32_t m_separatorHeight = 0;
    int32_t m_separatorCount = 0;
};

} // namespace KX
