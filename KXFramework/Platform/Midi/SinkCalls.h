#pragma once
// Bookkeeping that lets a backend call sinks without its lock and still honour Detach: every call into a
// sink is counted, and Detach waits for the count to drop to zero.
#include "KXFramework/Platform/Midi/MidiBackend.h"

#include <condition_variable>
#include <mutex>
#include <unordered_map>

namespace KX::Platform::Midi {

class SinkCalls
{
public:
    // Runs call with lock released; lock is held on entry and on return.
    template <class Call>
    void Unlocked(std::unique_lock<std::mutex>& lock, const Sink* sink, Call&& call)
    {
        ++running_[sink];
        lock.unlock();
        struct Relock
        {
            SinkCalls& calls;
            std::unique_lock<std::mutex>& lock;
            const Sink* sink;
            ~Relock()
            {
                lock.lock();
                if (--calls.running_[sink] == 0) {
                    calls.running_.erase(sink);
                    calls.idle_.notify_all();
                }
            }
        } relock{*this, lock, sink};
        call();
    }

    // With lock held: returns when no call into sink runs.
    void WaitIdle(std::unique_lock<std::mutex>& lock, const Sink* sink)
    {
        idle_.wait(lock, [&] { return running_.find(sink) == running_.end(); });
    }

private:
    std::unordered_map<const Sink*, int> running_;
    std::condition_variable idle_;
};

} // namespace KX::Platform::Midi
