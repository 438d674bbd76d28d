#pragma once
// A thread that runs a worker each time its gate event is set or its wait times out.
#include "KXFramework/Utilities/Threads/Event.h"
#include "KXFramework/Utilities/Threads/ThreadWorker.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace KX {

class LEventGatedThreader : public virtual LRefCountedObject {
public:
    // The thread starts at once and waits without limit until the gate is set. Null for a null
    // gate or worker.
    static RCPtr<LEventGatedThreader> Create(const RCPtr<LEvent>& gate, const RCPtr<LThreadWorker>& worker,
                                             const RCPtr<LRefCountedObject>& parameters, int priority);

    // Takes effect at the next wait; set the gate afterwards to end a wait already begun.
    void SetWaitTime(uint32_t ms);
    uint32_t GetWaitTime() const;
    bool IsBusy() const;
    int GetPriority() const; // recorded only

    // Stops the thread and waits for it to end, however long the worker's Run takes. On the
    // threader's own thread (the last reference went inside Run) it lets the thread finish alone
    // and hands it to the ThreadReaper, which joins it.
    // Whoever releases a threader must not hold a lock that the worker's Run takes.
    ~LEventGatedThreader() override;

private:
    // Everything the thread touches lives here, so the thread never reaches a destroyed threader.
    struct State {
        RCPtr<LEvent> gate;
        RCPtr<LThreadWorker> worker;
        RCPtr<LRefCountedObject> parameters;
        std::atomic<uint32_t> waitTime{Event::kInfinite};
        std::atomic<bool> busy{false};
        std::atomic<bool> stop{false};
    };

    LEventGatedThreader(std::shared_ptr<State> state, int priority);
    static void Loop(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
    const int m_priority;
};

} // namespace KX
