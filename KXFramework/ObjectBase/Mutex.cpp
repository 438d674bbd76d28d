#include "KXFramework/ObjectBase/Mutex.h"

namespace KX {

Mutex::Mutex() = default;
Mutex::~Mutex() = default;

void Mutex::Lock()
{
    m_mutex.lock();
}
void Mutex::Unlock()
{
    m_mutex.unlock();
}
bool Mutex::TryLock()
{
    return m_mutex.try_lock();
}

MutexLock::MutexLock(Mutex& m) : m_mutex(m)
{
    m_mutex.Lock();
}
MutexLock::~MutexLock()
{
    m_mutex.Unlock();
}

} // namespace KX
