#pragma once
// A first-in first-out queue of shared objects over a ring of smart pointers, optionally guarded by
// a lock its owner provides. The ring grows by one slot whenever it is full, so nothing is dropped.
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/ObjectBase/Mutex.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"
#include "KXFramework/Utilities/Storage/TypeNameOf.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace KX {

template <class T, unsigned n>
class RCPtrQueue {
public:
    // lock may be null; the queue does not own it.
    explicit RCPtrQueue(Mutex* lock = nullptr) : m_lock(lock) {}
    RCPtrQueue(const RCPtrQueue&) = delete;
    RCPtrQueue& operator=(const RCPtrQueue&) = delete;

    // The ring's slot count; one slot always stays empty to tell a full ring from an empty one.
    virtual unsigned GetCapacity() const { return m_ring.GetCount(); }
    virtual ~RCPtrQueue() = default;

    unsigned GetCount() const
    {
        std::optional<MutexLock> guard;
        if (m_lock)
            guard.emplace(*m_lock);
        return CountUnlocked();
    }

    void Enqueue(const RCPtr<T>& item)
    {
        std::optional<MutexLock> guard;
        if (m_lock)
            guard.emplace(*m_lock);
        int32_t capacity = static_cast<int32_t>(GetCapacity());
        if (capacity == 0) {
            m_ring.SetCount(2);
            capacity = 2;
            m_write = m_read = 0;
        } else if (CountUnlocked() == static_cast<unsigned>(capacity - 1)) {
            // Open a slot at the write index; the entries from there on, the oldest among them
            // when the ring has wrapped, move up by one.
            m_ring.InsertItems(static_cast<unsigned>(m_write), 1);
            if (m_read > m_write)
                ++m_read;
            ++capacity;
        }
        m_ring.GetData()[m_write] = item;
        m_write = (m_write + 1) % capacity;
    }

    // Takes the oldest entry; throws when the queue is empty.
    RCPtr<T> Dequeue()
    {
        std::optional<MutexLock> guard;
        if (m_lock)
            guard.emplace(*m_lock);
        if (CountUnlocked() == 0)
            throw Exception<std::runtime_error>("Runtime Error : KX::RCPtrQueue<" + TypeNameOf<T>::Get() + "," +
                                                std::to_string(n) +
                                                ">::Dequeue : utilities\\Storage/RCPtrQueue : Line 104");
        RCPtr<T> item;
        std::swap(item, m_ring.GetData()[m_read]);
        m_read = (m_read + 1) % static_cast<int32_t>(GetCapacity());
        return item;
    }

private:
    unsigned CountUnlocked() const
    {
        const int32_t capacity = static_cast<int32_t>(GetCapacity());
        if (capacity == 0)
            return 0;
        const int32_t count = m_write - m_read;
        return static_cast<unsigned>(count < 0 ? count + capacity : count);
    }

    RCPtrArray<T, n, n> m_ring;
    int32_t m_write = 0;
    int32_t m_read = 0;
    Mutex* m_lock;
};

} // namespace KX
