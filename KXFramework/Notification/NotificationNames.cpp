#include "KXFramework/Notification/NotificationNames.h"

#include <string_view>
#include <unordered_map>

namespace KX {

namespace {

struct NameTable {
    StringArrayT<char16_t, char> names;
    // Keys view the interned characters themselves, which never move.
    std::unordered_map<std::u16string_view, NotificationID> index;
};

// Never destroyed: names may be looked up from any thread until the process ends.
NameTable& Table()
{
    static auto* table = new NameTable;
    return *table;
}

NotificationID Find(const NameTable& table, const char16_t* name)
{
    auto it = table.index.find(std::u16string_view(name));
    return it == table.index.end() ? nullptr : it->second;
}

} // namespace

Mutex& GetNotificationLock()
{
    static auto* lock = new Mutex;
    return *lock;
}

const StringArrayT<char16_t, char>& GetNotificationNameTable()
{
    return Table().names;
}

NotificationID InternNotificationName(const char16_t* name)
{
    if (!name || !*name)
        return nullptr;
    MutexLock lock(GetNotificationLock());
    NameTable& table = Table();
    if (NotificationID id = Find(table, name))
        return id;
    table.names.AddItem(StringT<char16_t, char>(name));
    const StringT<char16_t, char>& interned = table.names.GetAt(table.names.GetCount() - 1);
    NotificationID id = interned.GetString();
    table.index.emplace(std::u16string_view(id, interned.GetLength()), id);
    return id;
}

NotificationID LookupNotificationName(const char16_t* name)
{
    if (!name || !*name)
        return nullptr;
    MutexLock lock(GetNotificationLock());
    return Find(Table(), name);
}

StringT<char16_t, char> GetNotificationName(NotificationID id)
{
    if (!id)
        return StringT<char16_t, char>();
    MutexLock lock(GetNotificationLock());
    const NameTable& table = Table();
    int i = table.names.FindByAddress(id);
    return i < 0 ? StringT<char16_t, char>() : table.names.GetAt(static_cast<unsigned>(i));
}

} // namespace KX
