#pragma once
// The menu model: a tree of menus and items that the menu controls show. An item names the
// notification that choosing it sends, with a LMenuActivationParam as payload. Menus are built in
// code or from a control's string-table entries ("CONTEXT_MENU0.03.NID_..." = "Label|Status").
// Thread: UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/ObjectBase/TaggableObject.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>

namespace KX {

class LMenuItemDescriptor;

struct MenuItemState {
    uint8_t enabled = 0;
    uint8_t checked = 0;
    String label;
};

class LMenuDescriptor : public virtual LRefCountedObject, public virtual LTaggableObject {
public:
    LMenuDescriptor() = default;
    LMenuDescriptor(const LMenuDescriptor&) = delete;
    LMenuDescriptor& operator=(const LMenuDescriptor&) = delete;
    ~LMenuDescriptor() override;

    static RCPtr<LMenuDescriptor> Create();
    // One menu from (key, text) pairs: the keys that begin with prefix, without it, are
    // "<nn>.<notification>" for the menu's own entries and "<group>.<nn>.<notification>" for the
    // entries of a submenu whose item's notification is "<group>."; numbers run from 0 without a gap.
    // Null when nothing was built.
    static RCPtr<LMenuDescriptor> CreateFromStringMap(const Array<Pair<String, String>>& entries, const String& prefix);

    // The array's index rules; on success the item's parent becomes this menu.
    [[nodiscard]] KXRESULT InsertItem(unsigned index, const RCPtr<LMenuItemDescriptor>& item);
    [[nodiscard]] KXRESULT InsertItem(unsigned index, const String& label, const String& notification, bool enabled,
                                      bool checked);
    [[nodiscard]] KXRESULT InsertSeparator(unsigned index);
    // Clears state first; E_INVALIDARG for an index at or beyond the count.
    [[nodiscard]] KXRESULT GetItemState(unsigned index, MenuItemState& state) const;
    // Drops every item, last first, and this menu's own parent link. 0, for the record only; callers may ignore it.
    KXRESULT Clear();
    // A deep copy: every item copied with its submenu, pointing to its new parent; the target's own
    // parent becomes null.
    virtual void CopyTo(LMenuDescriptor& target) const;

    const RCPtrArray<LMenuItemDescriptor, 1, 0>& GetItems() const { return m_items; }
    LMenuDescriptor* GetParent() const { return m_parent; }
    void SetParent(LMenuDescriptor* parent);

    RCPtr<LRefCountedObject> CreateCopy() const override;
    KXRESULT BreakCycles() override;

private:
    RCPtrArray<LMenuItemDescriptor, 1, 0> m_items;
    // Counted as one of the parent's own references, so a parent and its items free each other.
    LMenuDescriptor* m_parent = nullptr;
};

class LMenuItemDescriptor : public LMenuDescriptor {
public:
    static RCPtr<LMenuItemDescriptor> Create(const String& label, const String& notification, bool enabled,
                                             bool checked);
    static RCPtr<LMenuItemDescriptor> CreateSeparator();

    void CopyTo(LMenuDescriptor& target) const override;
    RCPtr<LRefCountedObject> CreateCopy() const override;
    String ToString() const override { return label; }
    KXRESULT BreakCycles() override { return LMenuDescriptor::BreakCycles(); }

    String label;
    String hotKeyText;
    String statusText;
    String notification;
    uint8_t enabled = 1;
    uint8_t checked = 0;
    uint8_t separator = 0;
};

// The payload of a chosen item's notification; taken from a pool.
class LMenuActivationParam : public virtual LRefCountedObject {
public:
    LMenuActivationParam(const RCPtr<LMenuDescriptor>& activatedMenu, int32_t activatedIndex)
        : menu(activatedMenu),
          index(activatedIndex)
    {
    }

    static void* operator new(std::size_t size);
    static void operator delete(void* p);

    RCPtr<LMenuDescriptor> menu;
    int32_t index = -1;
};

} // namespace KX
