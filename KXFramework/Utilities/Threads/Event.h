#pragma once
// Events: a signalled flag that threads wait on, with the auto-reset and manual-reset kinds of
// the framework's threading code. A Set that comes before the Wait is kept, never lost.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace KX {

class Event {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFF;
    static constexpr uint32_t kSignaled = 0;
    static constexpr uint32_t kTimeout = 258;

    // An auto-reset event lets one waiter through per Set and clears itself; a manual-reset
    // event stays signalled until Reset. Starts non-signalled.
    explicit Event(bool autoReset);
    virtual ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    bool Set();
    bool Reset();
    // A zero-time wait: on an auto-reset event it consumes the signal.
    bool IsSignaled();
    // kSignaled, or kTimeout once `ms` milliseconds have passed; kInfinite waits without limit.
    uint32_t Wait(uint32_t ms);

private:
    bool TakeSignal(); // caller holds m_mutex

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_signaled = false;
    const bool m_autoReset;
};

// A manual-reset event used as a go/stop gate.
class TrafficLight : public Event {
public:
    explicit TrafficLight(bool green = false);
    void SetGreen();
    void SetRed();
    bool IsGreen();
};

class LEvent : public virtual LRefCountedObject, public Event {
public:
    static RCPtr<LEvent> Create(bool autoReset = true);

protected:
    explicit LEvent(bool autoReset);
};

// A fixed set of reference-counted events, one per thread of a pool.
class EventPool {
public:
    explicit EventPool(unsigned count, bool autoReset = true);
    unsigned GetCount() const;
    const RCPtr<LEvent>& GetAt(unsigned i) const;

private:
    RCPtrArray<LEvent, 1, 0> m_events;
};

} // namespace KX
