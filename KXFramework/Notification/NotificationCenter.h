#pragma once
// Named notification queues that are their own distributors, and the process-wide list of them
// whose idle pass delivers everything posted to them.
#include "KXFramework/Notification/NotificationQueue.h"

namespace KX {

class LNotificationCenter : public LNotificationDistributor, public LNotificationQueue {
public:
    // The centre distributes its own posts, so it is the sender of everything it delivers; that
    // reference to itself counts as one owner reference. The centre joins the manager's list.
    static RCPtr<LNotificationCenter> Create(const StringT<char16_t, char>& name);
    const StringT<char16_t, char>& GetName() const;
    // Shuts the queue down (receiver and self reference), then the base result.
    KXRESULT BreakCycles() override;

private:
    explicit LNotificationCenter(const StringT<char16_t, char>& name);
    const StringT<char16_t, char> m_name;
};

class LNotificationCenterManager : public virtual LRefCountedObject {
public:
    // Created on first use.
    static RCPtr<LNotificationCenterManager> GetInstance();
    // Lets go of the process-wide instance; with it go the centres that nobody else holds.
    static void ReleaseInstance();

    // The idle pass: for each centre from the last to the first, delivers what was queued when it
    // started (as LNotificationQueue::DeliverPosted allows), then, when sendIdle,
    // sends its NID_IDLE. True when any centre still holds notifications afterwards.
    bool ProcessNotifications(bool sendIdle);
    RCPtr<LNotificationCenter> FindCenter(const StringT<char16_t, char>& name);

private:
    friend class LNotificationCenter;
    LNotificationCenterManager() = default;
    void AddCenter(const RCPtr<LNotificationCenter>& center);

    mutable Mutex m_lock;
    // Ordinary references: a centre lives as long as the manager, however often users let go of it.
    RCPtrArray<LNotificationCenter, 1, 0> m_centers{0, 0};
};

// The centre named "application", created on first use from any thread.
RCPtr<LNotificationCenter> GetDefaultNotificationCenter();

} // namespace KX
