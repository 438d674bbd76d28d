#pragma once
// A table of hot keys: keys bound to notification names, filled from key expressions such as
// "GHK_WIN.NID_EDIT_COPY_REQ" = "Ctrl+VKEY_C". Used on the UI thread only.
#include "KXFramework/Notification/KeyCode.h"
#include "KXFramework/Notification/NotificationNames.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <vector>

namespace KX {

class LStringTable;

class KeyBindingMap {
public:
    // The string tables hand their entries to this. For each (key, text) entry whose key is prefix + "." + a
    // notification name (the part after the last "."), parses the text as a key expression and binds the key when it is
    // valid; 0.
    [[nodiscard]] KXRESULT LoadFromEntries(const Array<Pair<String, String>>& entries, const String& prefix);
    // The same over a string table's entries; E_INVALIDARG without a table. Defined with the string
    // tables (kx_ui), so only their users link it.
    [[nodiscard]] KXRESULT LoadFromStringTable(const RCPtr<LStringTable>& table, const String& prefix);

    // E_INVALIDARG for an invalid key or an empty name; binding the same key to the same name
    // again changes nothing.
    [[nodiscard]] KXRESULT Bind(const KeyCode& key, const char16_t* name);
    // The name is not empty and has a binding.
    bool HasNotification(const char16_t* name) const;
    // The first key bound to the name.
    bool GetFirstKey(const char16_t* name, KeyCode& out) const;
    // The notification bound to the key (by KeyCode::KeysMatch); the earliest binding wins. Null
    // when none.
    NotificationID FindNotificationID(const KeyCode& key) const;
    void Clear();
    bool IsEmpty() const { return m_bindings.empty(); }

private:
    struct Binding {
        KeyCode key;
        NotificationID id;
    };
    std::vector<Binding> m_bindings;
};

} // namespace KX
