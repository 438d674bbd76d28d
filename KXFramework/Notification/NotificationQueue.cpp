#include "KXFramework/Notification/NotificationQueue.h"

#include <mutex>

namespace KX {

namespace {

// The nested loops running on this thread.
thread_local int g_nestedLoops = 0;

void CallPostedHook()
{
    if (std::function<void()> hook = NotificationPostedHookSlot().Get())
        hook();
}

} // namespace

LNestedLoopScope::LNestedLoopScope()
{
    ++g_nestedLoops;
}

LNestedLoopScope::~LNestedLoopScope()
{
    --g_nestedLoops;
}

ServiceSlot<std::function<void()>>& NotificationPostedHookSlot()
{
    static auto* slot = new ServiceSlot<std::function<void()>>; // never destroyed: threads may post during exit
    return *slot;
}

void SetNotificationPostedHook(std::function<void()> hook)
{
    NotificationPostedHookSlot().Set(std::move(hook));
}

class LNotificationQueue::PostingReceiver : public LNotificationReceiver {
public:
    explicit PostingReceiver(LNotificationQueue* queue) : m_queue(queue) {}

    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) override
    {
        RCPtr<LNotificationQueue> queue;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            queue = m_queue;
        }
        return queue ? queue->PostNotification(n) : E_FAIL;
    }

    // Hands the queue reference to the caller.
    RCPtr<LNotificationQueue> Detach()
    {
        RCPtr<LNotificationQueue> queue;
        std::lock_guard<std::mutex> lock(m_lock);
        queue = m_queue;
        m_queue = RCPtr<LNotificationQueue>();
        return queue;
    }

private:
    std::mutex m_lock;
    RCPtr<LNotificationQueue> m_queue;
};

LNotificationQueue::LNotificationQueue()
{
    m_receiver = RCPtr<PostingReceiver>(new PostingReceiver(this));
    AdjustOwnerCount(1);
    static_cast<void>(LNotification::Create(
        m_idle, u"NID_IDLE", RCPtr<LRefCountedObject>())); // a fixed valid name; a null idle is never sent
}

LNotificationQueue::~LNotificationQueue() = default;

KXRESULT LNotificationQueue::SetDistributor(const RCPtr<LNotificationDistributor>& d)
{
    if (!d)
        return E_FAIL;
    RCPtr<LNotificationDistributor> old;
    MutexLock lock(m_lock);
    if (m_shutDown)
        return E_FAIL;
    old = m_distributor;
    m_distributor = d;
    return S_OK;
}

KXRESULT LNotificationQueue::PostNotification(const RCPtr<LNotification>& n)
{
    if (!n || n->IsPosted())
        return E_INVALIDARG;
    {
        MutexLock lock(m_lock);
        if (m_shutDown || !m_distributor)
            return E_FAIL;
        if (!n->MarkPosted())
            return E_INVALIDARG; // posted meanwhile by another thread
        m_queue.push_back({m_nextSerial++, n});
    }
    CallPostedHook();
    return S_OK;
}

bool LNotificationQueue::DeliverPosted()
{
    const int loop = g_nestedLoops;
    uint64_t end;
    int outerLoop;
    {
        MutexLock lock(m_lock);
        if (loop <= m_deliveryLoop || m_deliveries >= kMaxNestedDeliveries)
            return false;
        outerLoop = m_deliveryLoop;
        m_deliveryLoop = loop;
        ++m_deliveries;
        end = m_nextSerial;
    }
    const RCPtr<LNotificationQueue> self = Hold();
    struct Done {
        LNotificationQueue& queue;
        int outerLoop;
        ~Done()
        {
            MutexLock lock(queue.m_lock);
            queue.m_deliveryLoop = outerLoop;
            --queue.m_deliveries;
        }
    } done{*this, outerLoop};

    // A delivery nested inside a handler's loop may have sent some of this one's entries already.
    for (;;) {
        RCPtr<LNotification> n;
        RCPtr<LNotificationDistributor> d;
        {
            MutexLock lock(m_lock);
            if (m_queue.empty() || m_queue.front().serial >= end)
                break; // all sent, or shut down by a handler
            n = std::move(m_queue.front().notification);
            m_queue.pop_front();
            d = m_distributor;
        }
        n->ClearPosted();
        if (d)
            d->SendNotification(n);
    }
    return true;
}

void LNotificationQueue::SendIdle()
{
    RCPtr<LNotificationDistributor> d;
    {
        MutexLock lock(m_lock);
        d = m_distributor;
    }
    if (d && m_idle)
        d->SendNotification(m_idle);
}

RCPtr<LNotificationQueue> LNotificationQueue::Hold()
{
    // Unheld (being destroyed), a counted reference would destroy the queue a second time.
    return RCPtr<LNotificationQueue>(GetRefCount() > 0 ? this : nullptr);
}

bool LNotificationQueue::ProcessNotifications(bool sendIdle)
{
    const RCPtr<LNotificationQueue> self = Hold();
    DeliverPosted();
    if (sendIdle)
        SendIdle();
    return GetCount() > 0;
}

RCPtr<LNotificationReceiver> LNotificationQueue::GetPostingReceiver()
{
    MutexLock lock(m_lock);
    return RCPtr<LNotificationReceiver>(m_receiver);
}

void LNotificationQueue::Shutdown()
{
    ShutdownQueue(0);
}

bool LNotificationQueue::ShutdownQueue(int extraOwnerRefs)
{
    RCPtr<PostingReceiver> receiver;
    RCPtr<LNotificationDistributor> distributor;
    std::deque<Entry> dropped;
    {
        MutexLock lock(m_lock);
        if (m_shutDown)
            return false;
        m_shutDown = true;
        receiver = m_receiver;
        m_receiver = RCPtr<PostingReceiver>();
        distributor = m_distributor;
        m_distributor = RCPtr<LNotificationDistributor>();
        dropped.swap(m_queue);
    }
    for (const Entry& entry : dropped)
        entry.notification->ClearPosted();
    // Owner references are given back before the references themselves go.
    AdjustOwnerCount(-1 - extraOwnerRefs);
    RCPtr<LNotificationQueue> self = receiver->Detach();
    distributor = RCPtr<LNotificationDistributor>();
    // `self` goes last of all, and with it perhaps this queue: nothing below may touch a member.
    return true;
}

unsigned LNotificationQueue::GetCount() const
{
    MutexLock lock(m_lock);
    return static_cast<unsigned>(m_queue.size());
}

KXRESULT LNotificationQueue::BreakCycles()
{
    Shutdown();
    return LRefCountedObject::BreakCycles();
}

} // namespace KX
