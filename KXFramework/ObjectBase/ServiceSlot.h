#pragma once
// A process-wide service: one value (a smart pointer, a hook or a small record) that start-up or a
// test installs and any thread reads. Define each slot in a function that allocates it and never
// frees it (`static auto* slot = new ServiceSlot<T>;`), so that a thread still reading at exit finds
// the slot alive.
// Tests install a value for a scope with tests/support/ScopedService.h.
#include <mutex>
#include <utility>

namespace KX {

template <class T>
class ServiceSlot {
public:
    T Get() const
    {
        std::lock_guard lock(m_lock);
        return m_value;
    }

    // The old value is released after the lock is left: its destructor may stop threads that read
    // this slot.
    void Set(T value) { Exchange(std::move(value)); }

    // Installs value and hands back the old one.
    T Exchange(T value)
    {
        std::lock_guard lock(m_lock);
        std::swap(m_value, value);
        return value;
    }

    // The value, made by make() under the lock when the slot is empty, so that two first readers
    // share one.
    template <class Make>
    T GetOrMake(Make make)
    {
        std::lock_guard lock(m_lock);
        if (!m_value)
            m_value = make();
        return m_value;
    }

private:
    mutable std::mutex m_lock;
    T m_value{};
};

} // namespace KX
