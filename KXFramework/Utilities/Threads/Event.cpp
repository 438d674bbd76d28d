#include "KXFramework/Utilities/Threads/Event.h"

#include <chrono>

namespace KX {

Event::Event(bool autoReset) : m_autoReset(autoReset) {}

Event::~Event() = default;

bool Event::Set()
{
    // Notified under the lock: a waiter that wakes may destroy the event at once, so nothing may
    // touch it after the unlock.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signaled = true;
    if (m_autoReset)
        m_changed.notify_one();
    else
        m_changed.notify_all();
    return true;
}

bool Event::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signaled = false;
    return true;
}

bool Event::IsSignaled()
{
    return Wait(0) == kSignaled;
}

bool Event::TakeSignal()
{
    if (!m_signaled)
        return false;
    if (m_autoReset)
        m_signaled = false;
    return true;
}

uint32_t Event::Wait(uint32_t ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (ms == kInfinite) {
        m_changed.wait(lock, [this] { return m_signaled; });
    } else {
        // A deadline on the steady clock: spurious wake-ups loop without stretching the wait.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        if (!m_changed.wait_until(lock, deadline, [this] { return m_signaled; }))
            return kTimeout;
    }
    TakeSignal();
    return kSignaled;
}

TrafficLight::TrafficLight(bool green) : Event(false)
{
    if (green)
        Set();
}

void TrafficLight::SetGreen()
{
    Set();
}

void TrafficLight::SetRed()
{
    Reset();
}

bool TrafficLight::IsGreen()
{
    return IsSignaled();
}

LEvent::LEvent(bool autoReset) : Event(autoReset) {}

RCPtr<LEvent> LEvent::Create(bool autoReset)
{
    return RCPtr<LEvent>(new LEvent(autoReset));
}

EventPool::EventPool(unsigned count, bool autoReset) : m_events(0, 0)
{
    for (unsigned i = 0; i < count; ++i)
        m_events.AddItem(LEvent::Create(autoReset));
}

unsigned EventPool::GetCount() const
{
    return m_events.GetCount();
}

const RCPtr<LEvent>& EventPool::GetAt(unsigned i) const
{
    return m_events.GetAt(i);
}

} // namespace KX
