#pragma once
// Notification names ("NID_…") are interned once in a process-wide table; the interned copy's
// character pointer is the identifier that stands for the notification everywhere.
#include "KXFramework/ObjectBase/Mutex.h"
#include "KXFramework/Utilities/Storage/StringArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"

namespace KX {

using NotificationID = const char16_t*;

// Guards the name table and the pool of notification objects. Innermost of the notification
// locks: registration lock, then a distributor's lock, then this one.
Mutex& GetNotificationLock();

// The interned names; read it only while holding GetNotificationLock(). Entries are never changed
// or removed, so an identifier stays valid for the life of the process.
const StringArrayT<char16_t, char>& GetNotificationNameTable();

// The identifier of `name`, interned on first use; null for a null or empty name.
NotificationID InternNotificationName(const char16_t* name);
// The identifier of `name` if it was ever interned, else null.
NotificationID LookupNotificationName(const char16_t* name);
// The name an identifier stands for; empty for null or for a pointer that is not an identifier.
StringT<char16_t, char> GetNotificationName(NotificationID id);

} // namespace KX
