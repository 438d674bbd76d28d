#pragma once
// Posting: a notification queued from any thread and sent later, through the queue's distributor,
// on the thread that processes the queue (the UI thread, at idle time).
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/ObjectBase/ServiceSlot.h"

#include <atomic>
#include <deque>
#include <functional>

namespace KX {

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
    // Sends as many notifications as were queued at entry, in posting order, clearing each one's
    // posted flag before it is sent (a handler may post it again). False, delivering nothing, when
    // the queue is already being delivered further up the stack.
    bool DeliverPosted();
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

    mutable Mutex m_lock;
    std::deque<RCPtr<LNotification>> m_queue;
    RCPtr<LNotificationDistributor> m_distributor;
    RCPtr<PostingReceiver> m_receiver;
    RCPtr<LNotification> m_idle;
    bool m_shutDown = false;
    std::atomic<bool> m_delivering{false};
};

// Called after every successful post, on the posting thread, so that an event loop can wake up.
ServiceSlot<std::function<void()>>& NotificationPostedHookSlot();
void SetNotificationPostedHook(std::function<void()> hook);

} // namespace KX
