#pragma once
// Installs a value in a process-wide service slot for one scope and puts the previous value back at
// its end, so that no test leaves its doubles behind for the next one.
#include "KXFramework/ObjectBase/ServiceSlot.h"

#include <utility>

namespace KX::Test {

template <class T>
class ScopedService {
public:
    ScopedService(ServiceSlot<T>& slot, T value) : m_slot(slot), m_previous(slot.Exchange(std::move(value))) {}
    ~ScopedService() { m_slot.Set(std::move(m_previous)); }
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;

    void Set(T value) { m_slot.Set(std::move(value)); }

private:
    ServiceSlot<T>& m_slot;
    T m_previous;
};

} // namespace KX::Test
