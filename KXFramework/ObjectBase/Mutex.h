#pragma once
// A recursive lock: the same thread may lock it again, which the framework relies on when a
// lock is held across calls that can come back to it.
#include <mutex>

namespace KX {

class Mutex {
public:
    Mutex();
    virtual ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void Lock();
    void Unlock();
    bool TryLock();

private:
    std::recursive_mutex m_mutex;
};

// Holds a Mutex for the lifetime of a scope, also when an exception passes.
class MutexLock {
public:
    explicit MutexLock(Mutex& m);
    ~MutexLock();
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& m_mutex;
};

} // namespace KX
