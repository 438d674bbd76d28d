#include "KXFramework/ObjectBase/Mutex.h"

namespace KX {

Mutex::Mutex() = default;
Mutex::~Mutex() = default;

void Mutex::Lock() { m_.lock(); }
void Mutex::Unlock() { m_.unlock(); }
bool Mutex::TryLock() { return m_.try_lock(); }

MutexLock::MutexLock(Mutex& m) : m_(m) { m_.Lock(); }
MutexLock::~MutexLock() { m_.Unlock(); }

} // namespace KX
