#include "KXFramework/ControlBase/StringTable.h"

#include "KXFramework/Notification/KeyBindingMap.h"
#include "KXFramework/Utilities/Storage/StringArray.h"

namespace KX {

bool LStringTable::GetString(const char16_t* key, String& text) const
{
    if (key == nullptr)
        return false;
    const auto it = m_entries.find(String(key));
    if (it == m_entries.end())
        return false;
    text = it->second;
    return true;
}

KXRESULT LStringTable::SetString(const String& key, const String& text)
{
    if (key.IsEmpty())
        return E_INVALIDARG;
    const auto [it, added] = m_entries.insert_or_assign(key, text);
    return added ? S_OK : S_FALSE;
}

// Declared with the key tables, which sit below the string tables.
KXRESULT KeyBindingMap::LoadFromStringTable(const RCPtr<LStringTable>& table, const String& prefix)
{
    if (!table)
        return E_INVALIDARG;
    Array<Pair<String, String>> entries;
    static_cast<void>(CopyMapToArray(table->GetEntries(), entries)); // what was copied is loaded
    return LoadFromEntries(entries, prefix);
}

} // namespace KX
