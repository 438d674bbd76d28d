#include "KXFramework/Platform/Resources/Resources.h"

#include <mutex>

namespace KX {

namespace {

struct Table {
    std::mutex mutex;
    const ResourceEntry* entries = nullptr;
    size_t count = 0;
};

Table& GetTable()
{
    static Table table;
    return table;
}

char16_t UpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool EqualNoCase(const char16_t* a, const char16_t* b)
{
    for (; *a != 0 && *b != 0; ++a, ++b)
        if (UpperAscii(*a) != UpperAscii(*b))
            return false;
    return *a == *b;
}

} // namespace

void SetResourceTable(const ResourceEntry* entries, size_t count)
{
    Table& table = GetTable();
    std::lock_guard lock(table.mutex);
    table.entries = entries;
    table.count = entries != nullptr ? count : 0;
}

ResourceView FindResource(const char16_t* type, const char16_t* name)
{
    if (type == nullptr || name == nullptr)
        return {};
    Table& table = GetTable();
    std::lock_guard lock(table.mutex);
    for (size_t i = 0; i < table.count; ++i) {
        const ResourceEntry& entry = table.entries[i];
        if (EqualNoCase(entry.type, type) && EqualNoCase(entry.name, name))
            return ResourceView{entry.data, entry.size};
    }
    return {};
}

std::u16string ResourceNameFromPath(std::u16string_view path)
{
    if (path.substr(0, 2) == u"::")
        path.remove_prefix(2);
    if (!path.empty() && (path.front() == u'/' || path.front() == u'\\'))
        path.remove_prefix(1);
    std::u16string name(path);
    for (char16_t& c : name)
        c = (c == u'.' || c == u' ') ? u'_' : UpperAscii(c);
    return name;
}

} // namespace KX
