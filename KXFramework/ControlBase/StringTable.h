#pragma once
// A key-to-text table: a control's language-resolved texts, or a control descriptor's create
// parameters. Keys are case-sensitive and kept in order.
// Thread: UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <map>

namespace KX {

using StringMap = std::map<String, String>;

class LStringTable : public virtual LRefCountedObject {
public:
    LStringTable() = default;
    explicit LStringTable(const StringMap& entries) : m_entries(entries) {}

    // Found: text becomes the entry's text. Not found: text is left as it was, so callers preset
    // their default.
    bool GetString(const char16_t* key, String& text) const;
    // 0 when the key was added, 1 when an existing text was replaced, E_INVALIDARG for an empty key.
    [[nodiscard]] KXRESULT SetString(const String& key, const String& text);

    const StringMap& GetEntries() const { return m_entries; }

private:
    StringMap m_entries;
};

} // namespace KX
