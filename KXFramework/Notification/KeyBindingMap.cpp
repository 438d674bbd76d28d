#include "KXFramework/Notification/KeyBindingMap.h"

#include <string_view>

namespace KX {

KXRESULT KeyBindingMap::LoadFromEntries(const Array<Pair<String, String>>& entries, const String& prefix)
{
    String start(prefix);
    start += String(u".");
    const std::u16string_view head(start.GetString(), start.GetLength());
    for (const Pair<String, String>& entry : entries) {
        const std::u16string_view key(entry.first.GetString(), entry.first.GetLength());
        if (!key.starts_with(head))
            continue;
        const std::u16string name(key.substr(key.rfind(u'.') + 1));
        const KeyCode code(entry.second);
        if (!name.empty() && code.IsValid())
            static_cast<void>(Bind(code, name.c_str())); // a refused entry does not stop the others
    }
    return S_OK;
}

KXRESULT KeyBindingMap::Bind(const KeyCode& key, const char16_t* name)
{
    if (!key.IsValid() || name == nullptr || name[0] == 0)
        return E_INVALIDARG;
    const NotificationID id = InternNotificationName(name);
    if (id == nullptr)
        return E_INVALIDARG;
    for (const Binding& b : m_bindings)
        if (b.id == id && b.key.key == key.key)
            return S_OK;
    m_bindings.push_back({key, id});
    return S_OK;
}

bool KeyBindingMap::HasNotification(const char16_t* name) const
{
    KeyCode unused;
    return GetFirstKey(name, unused);
}

bool KeyBindingMap::GetFirstKey(const char16_t* name, KeyCode& out) const
{
    // A name that was never interned cannot have been bound.
    const NotificationID id = LookupNotificationName(name);
    if (id == nullptr)
        return false;
    for (const Binding& b : m_bindings)
        if (b.id == id) {
            out = b.key;
            return true;
        }
    return false;
}

NotificationID KeyBindingMap::FindNotificationID(const KeyCode& key) const
{
    for (const Binding& b : m_bindings)
        if (KeyCode::KeysMatch(key.key, b.key.key))
            return b.id;
    return nullptr;
}

void KeyBindingMap::Clear()
{
    m_bindings.clear();
}

} // namespace KX
