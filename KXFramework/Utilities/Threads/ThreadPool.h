#pragma once
// Worker threads fed from a pending list by a dispatcher thread.
#include "KXFramework/Utilities/Threads/Event.h"
#include "KXFramework/Utilities/Threads/ThreadWorker.h"

#include <cstddef>
#include <memory>
#include <thread>
#include <vector>

namespace KX {

class LThreadPool : public virtual LRefCountedObject {
public:
    // One queued job. Its memory comes from a process-wide recycling pool.
    class LWorkerParams : public LRefCountedObject {
    public:
        LWorkerParams(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& data, int priority);
        static void* operator new(std::size_t size);
        static void operator delete(void* p);

        RCPtr<LThreadWorker> worker;
        RCPtr<LRefCountedObject> data;
        int priority;
    };

    // workerCount threads (at least one) and a dispatcher; priorities are recorded, not enforced.
    static RCPtr<LThreadPool> Create(unsigned workerCount, int dispatcherPriority);

    // Runs worker->Run(data) on a pool thread. A job never overtakes an earlier one of equal or
    // higher priority, and one thread runs one job at a time. 0; E_INVALIDARG for a null worker;
    // E_FAIL after Stop.
    [[nodiscard]] KXRESULT QueueWork(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& data,
                                     int priority);

    // Ends every thread after the job it is running; pending jobs are released without running.
    void Stop();

    int GetDispatcherPriority() const;
    ~LThreadPool() override;

private:
    struct State;

    LThreadPool(unsigned workerCount, int dispatcherPriority);
    static void WorkerLoop(const std::shared_ptr<State>& state, unsigned index);
    static void DispatcherLoop(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_state;
    std::vector<std::thread> m_threads;
    const int m_dispatcherPriority;
};

} // namespace KX
