#include "KXFramework/Utilities/Threads/EventGatedThreader.h"

#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/Utilities/Threads/ThreadReaper.h"

#include <exception>

namespace KX {

KXRESULT RunWorkerSafely(LThreadWorker& worker, const RCPtr<LRefCountedObject>& parameters)
{
    try {
        return worker.Run(parameters);
    } catch (const std::exception& e) {
        DebugLog("thread worker: %s", e.what());
    } catch (...) {
        DebugLog("thread worker: unknown exception");
    }
    return E_FAIL;
}

RCPtr<LEventGatedThreader> LEventGatedThreader::Create(const RCPtr<LEvent>& gate, const RCPtr<LThreadWorker>& worker,
                                                       const RCPtr<LRefCountedObject>& parameters, int priority)
{
    if (!gate || !worker)
        return RCPtr<LEventGatedThreader>();
    auto state = std::make_shared<State>();
    state->gate = gate;
    state->worker = worker;
    state->parameters = parameters;
    return RCPtr<LEventGatedThreader>(new LEventGatedThreader(std::move(state), priority));
}

LEventGatedThreader::LEventGatedThreader(std::shared_ptr<State> state, int priority)
    : m_state(std::move(state)),
      m_priority(priority)
{
    m_thread = std::thread(&LEventGatedThreader::Loop, m_state);
}

void LEventGatedThreader::Loop(const std::shared_ptr<State>& state)
{
    for (;;) {
        state->gate->Wait(state->waitTime.load());
        if (state->stop.load())
            break;
        state->busy.store(true);
        static_cast<void>(RunWorkerSafely(*state->worker, state->parameters)); // the worker reports its own failures
        state->busy.store(false);
    }
}

LEventGatedThreader::~LEventGatedThreader()
{
    m_state->stop.store(true);
    m_state->gate->Set();
    if (m_thread.get_id() == std::this_thread::get_id())
        ThreadReaper::Take(std::move(m_thread)); // joined once the job that let go of this returns
    else if (m_thread.joinable())
        m_thread.join();
}

void LEventGatedThreader::SetWaitTime(uint32_t ms)
{
    m_state->waitTime.store(ms);
}

uint32_t LEventGatedThreader::GetWaitTime() const
{
    return m_state->waitTime.load();
}

bool LEventGatedThreader::IsBusy() const
{
    return m_state->busy.load();
}

int LEventGatedThreader::GetPriority() const
{
    return m_priority;
}

} // namespace KX
