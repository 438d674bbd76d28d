#include "KXFramework/Utilities/Threads/ThreadPool.h"

#include "KXFramework/Utilities/Storage/ReuseAllocator.h"
#include "KXFramework/Utilities/Threads/ThreadReaper.h"

#include <atomic>
#include <mutex>

namespace KX {

namespace {

ReuseAllocator<LThreadPool::LWorkerParams, 1>& WorkerParamsPool()
{
    // Never destroyed: a pool thread may free a job while the process exits.
    static auto* pool = new ReuseAllocator<LThreadPool::LWorkerParams, 1>(true);
    return *pool;
}

} // namespace

LThreadPool::LWorkerParams::LWorkerParams(const RCPtr<LThreadWorker>& w, const RCPtr<LRefCountedObject>& d, int p)
    : worker(w),
      data(d),
      priority(p)
{
}

void* LThreadPool::LWorkerParams::operator new(std::size_t size)
{
    return WorkerParamsPool().Allocate(size);
}

void LThreadPool::LWorkerParams::operator delete(void* p)
{
    if (p)
        WorkerParamsPool().Free(p);
}

// Shared by the pool object and its threads, so that a thread never reaches a destroyed pool.
struct LThreadPool::State {
    explicit State(unsigned workers) : running(workers), wake(workers) {}

    // Returns the first idle worker thread, or -1.
    int FindIdle() const
    {
        for (size_t i = 0; i < running.size(); ++i)
            if (!running[i])
                return static_cast<int>(i);
        return -1;
    }

    std::mutex lock;
    // Ascending priority, newest first among equals: the last job is the next to run.
    RCPtrArray<LWorkerParams, 16, 16> pending{0, 0};
    // The job handed to each worker thread; null while the thread is idle.
    std::vector<RCPtr<LWorkerParams>> running;
    EventPool wake;
    RCPtr<LEvent> dispatch = LEvent::Create(true);
    std::atomic<bool> stop{false};
};

RCPtr<LThreadPool> LThreadPool::Create(unsigned workerCount, int dispatcherPriority)
{
    return RCPtr<LThreadPool>(new LThreadPool(workerCount, dispatcherPriority));
}

LThreadPool::LThreadPool(unsigned workerCount, int dispatcherPriority)
    : m_state(std::make_shared<State>(workerCount ? workerCount : 1)),
      m_dispatcherPriority(dispatcherPriority)
{
    for (unsigned i = 0; i < m_state->wake.GetCount(); ++i)
        m_threads.emplace_back(&LThreadPool::WorkerLoop, m_state, i);
    m_threads.emplace_back(&LThreadPool::DispatcherLoop, m_state);
}

LThreadPool::~LThreadPool()
{
    Stop();
}

int LThreadPool::GetDispatcherPriority() const
{
    return m_dispatcherPriority;
}

KXRESULT LThreadPool::QueueWork(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& data, int priority)
{
    if (!worker)
        return E_INVALIDARG;
    RCPtr<LWorkerParams> job(new LWorkerParams(worker, data, priority));
    State& s = *m_state;
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.stop.load())
        return E_FAIL;
    unsigned count = s.pending.GetCount();
    if (count == 0) {
        // Only when nothing is pending may a job go straight to an idle thread: otherwise it
        // would overtake the pending ones.
        int idle = s.FindIdle();
        if (idle >= 0) {
            s.running[idle] = job;
            s.wake.GetAt(idle)->Set();
            return S_OK;
        }
    }
    unsigned at = 0;
    while (at < count && s.pending.GetAt(at)->priority < priority)
        ++at;
    s.pending.InsertItem(at, job);
    if (count == 0)
        s.dispatch->Set();
    return S_OK;
}

void LThreadPool::WorkerLoop(const std::shared_ptr<State>& state, unsigned index)
{
    State& s = *state;
    const RCPtr<LEvent> wake = s.wake.GetAt(index);
    for (;;) {
        wake->Wait(Event::kInfinite);
        if (s.stop.load())
            break;
        RCPtr<LWorkerParams> job;
        {
            std::lock_guard<std::mutex> lock(s.lock);
            job = s.running[index];
        }
        if (!job)
            continue;
        static_cast<void>(RunWorkerSafely(*job->worker, job->data)); // the worker reports its own failures
        {
            std::lock_guard<std::mutex> lock(s.lock);
            s.running[index] = RCPtr<LWorkerParams>();
            if (s.pending.GetCount() > 0)
                s.dispatch->Set();
        }
        // The last reference to the job (and its data) goes here, outside the lock.
    }
}

void LThreadPool::DispatcherLoop(const std::shared_ptr<State>& state)
{
    State& s = *state;
    for (;;) {
        s.dispatch->Wait(Event::kInfinite);
        if (s.stop.load())
            break;
        std::lock_guard<std::mutex> lock(s.lock);
        while (s.pending.GetCount() > 0) {
            int idle = s.FindIdle();
            if (idle < 0)
                break;
            RCPtr<LWorkerParams> job;
            s.pending.RemoveLastItem(job);
            s.running[idle] = job;
            s.wake.GetAt(idle)->Set();
        }
    }
}

void LThreadPool::Stop()
{
    State& s = *m_state;
    {
        RCPtrArray<LWorkerParams, 16, 16> dropped(0, 0);
        {
            std::lock_guard<std::mutex> lock(s.lock);
            if (s.stop.exchange(true))
                return;
            while (s.pending.GetCount() > 0) {
                RCPtr<LWorkerParams> job;
                s.pending.RemoveLastItem(job);
                dropped.AddItem(job);
            }
        }
        // The pending jobs go here, unrun, outside the lock.
    }
    for (unsigned i = s.wake.GetCount(); i-- > 0;)
        s.wake.GetAt(i)->Set();
    s.dispatch->Set();
    for (std::thread& t : m_threads) {
        if (t.get_id() == std::this_thread::get_id())
            ThreadReaper::Take(std::move(t)); // Stop was called from a job on this very thread
        else if (t.joinable())
            t.join();
    }
}

} // namespace KX
