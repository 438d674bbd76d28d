#pragma once
// Bookkeeping that lets a backend call sinks without its lock and still honour Detach: every call into a
// sink is counted, and Detach waits for the count to drop to zero.
#include "KXFramework/Platform/Midi/MidiBackend.h"

#include <condition_variable>
#include <mutex>
#include <unordered_map>

namespace KX::Platform::Midi {

class SinkCalls {
public:
    // Runs call with lock released; lock is held on entry and on return.
    template <class Call>
    void Unlocked(std::unique_lock<std::mutex>& lock, const Sink* sink, Call&& call)
    {
        ++m_running[sink];
        lock.unlock();
        struct Relock {
            SinkCalls& calls;
            std::unique_lock<std::mutex>& lock;
            const Sink* sink;
            ~Relock()
            {
                lock.lock();
                if (--calls.m_running[sink] == 0) {
                    calls.m_running.erase(sink);
                    calls.m_idle.notify_all();
                }
            }
        } relock{*this, lock, sink};
        call();
    }

    // With lock held: returns when no call into sink runs.
    void WaitIdle(std::unique_lock<std::mutex>& lock, const Sink* sink)
    {
        m_idle.wait(lock, [&] { return m_running.find(sink) == m_running.end(); });
    }

private:
    std::unordered_map<const Sink*, int> m_running;
    std::condition_variable m_idle;
};

} // namespace KX::Platform::Midi
