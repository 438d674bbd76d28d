#pragma once
// Posting: a notification queued from any thread and sent later, through the queue's distributor,
// on the thread that processes the queue (the UI thread, at idle time).
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/ObjectBase/ServiceSlot.h"

#include <cstdint>
#include <deque>
#include <functional>

namespace KX {

// Held while a nested event loop runs on this thread: a modal dialog's, or the wait for a box shown
// by another process. A queue that a handler further up the stack is being delivered from is
// delivered again inside such a loop, so that nothing posted meanwhile waits for the loop to end;
// without one, a handler that asks for delivery of the queue it is called from gets none.
class LNestedLoopScope {
public:
    LNestedLoopScope();
    ~LNestedLoopScope();
    LNestedLoopScope(const LNestedLoopScope&) = delete;
    LNestedLoopScope& operator=(const LNestedLoopScope&) = delete;
};

class LNotificationQueue : public virtual LRefCountedObject {
public:
    // Makes the posting receiver, whose reference to the queue counts as one owner reference
    // until Shutdown, and the queue's NID_IDLE notification.
    LNotificationQueue();
    ~LNotificationQueue() override;

    // 0; E_FAIL for null or after Shutdown. The distributor is held counted: a class that passes
    // itself counts that as one more owner reference and gives it back when it shuts the queue down.
    [[nodiscard]] KXRESULT SetDistributor(const RCPtr<LNotificationDistributor>& d);

    // Thread-safe. 0; E_INVALIDARG for a null or already posted notification; E_FAIL without a
    // distributor or after Shutdown. The queue grows as needed and never drops a post.
    [[nodiscard]] KXRESULT PostNotification(const RCPtr<LNotification>& n);

    // DeliverPosted, then NID_IDLE when sendIdle; true while the queue still holds notifications.
    bool ProcessNotifications(bool sendIdle);
    // Sends the notifications queued at entry that are still queued, in posting order, clearing each
    // one's posted flag before it is sent (a handler may post it again). False, delivering nothing,
    // when a delivery of this queue further up the stack runs in the same nested loop (see
    // LNestedLoopScope), or when kMaxNestedDeliveries of them are under way: each notification
    // delivered inside a loop may open another.
    bool DeliverPosted();
    static constexpr int kMaxNestedDeliveries = 8;
    // Sends this queue's NID_IDLE (no payload) through the distributor.
    void SendIdle();

    // A receiver that posts whatever it receives into this queue; E_FAIL once the queue is shut down.
    RCPtr<LNotificationReceiver> GetPostingReceiver();
    // Lets go of the receiver's reference (owner count −1), the distributor and the queued
    // notifications (their posted flags cleared). Later calls do nothing.
    void Shutdown();
    unsigned GetCount() const;

    // A queue left only with its receiver's reference shuts itself down.
    KXRESULT BreakCycles() override;

protected:
    // Shutdown that also gives back `extraOwnerRefs` owner references held for the distributor;
    // false when the queue was already shut down.
    bool ShutdownQueue(int extraOwnerRefs);

private:
    class PostingReceiver;

    // A reference that keeps the queue alive through a delivery round, whose handlers may let go
    // of the last outside reference (a window closed by one of them).
    RCPtr<LNotificationQueue> Hold();

    struct Entry {
        uint64_t serial; // posting order: a delivery sends only the entries older than its start
        RCPtr<LNotification> notification;
    };

    mutable Mutex m_lock;
    std::deque<Entry> m_queue;
    uint64_t m_nextSerial = 0;
    RCPtr<LNotificationDistributor> m_distributor;
    RCPtr<PostingReceiver> m_receiver;
    RCPtr<LNotification> m_idle;
    bool m_shutDown = false;
    // The nested loop of the innermost delivery under way (-1: none), and how many are under way.
    int m_deliveryLoop = -1;
    int m_deliveries = 0;
};

// Called after every successful post, on the posting thread, so that an event loop can wake up.
ServiceSlot<std::function<void()>>& NotificationPostedHookSlot();
void SetNotificationPostedHook(std::function<void()> hook);

} // namespace KX
