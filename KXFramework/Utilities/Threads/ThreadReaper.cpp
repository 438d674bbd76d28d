#include "KXFramework/Utilities/Threads/ThreadReaper.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace KX {

namespace {

class Reaper {
public:
    void Take(std::thread thread)
    {
        std::lock_guard lock(m_lock);
        if (!m_thread.joinable())
            m_thread = std::thread(&Reaper::Loop, this);
        m_queue.push_back(std::move(thread));
        m_changed.notify_one();
    }

    // Made at the first hand-over, so it goes before everything made earlier: the threads it joins
    // can still use that.
    ~Reaper()
    {
        {
            std::lock_guard lock(m_lock);
            m_stop = true;
            m_changed.notify_one();
            const std::thread::id self = std::this_thread::get_id();
            if (m_joining == self ||
                std::any_of(m_queue.begin(), m_queue.end(), [&](const std::thread& t) { return t.get_id() == self; })) {
                // The process exits from a thread waiting to be joined: nothing can be joined any more.
                for (std::thread& t : m_queue)
                    if (t.get_id() != self)
                        t.detach();
                m_thread.detach();
                return;
            }
        }
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    // Joins in arrival order; ends at exit once every thread handed over, also meanwhile, is joined.
    void Loop()
    {
        std::unique_lock lock(m_lock);
        for (;;) {
            m_changed.wait(lock, [&] { return m_stop || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            std::thread next = std::move(m_queue.front());
            m_queue.pop_front();
            m_joining = next.get_id();
            lock.unlock();
            next.join();
            lock.lock();
            m_joining = {};
        }
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::thread> m_queue;
    std::thread::id m_joining;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace

void ThreadReaper::Take(std::thread thread)
{
    if (!thread.joinable())
        return;
    static Reaper reaper;
    reaper.Take(std::move(thread));
}

} // namespace KX
