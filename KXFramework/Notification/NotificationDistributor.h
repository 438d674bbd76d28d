#pragma once
// Senders, receivers and the registrations between them.
//
// A distributor holds a counted reference to each registered client; a client remembers its
// senders as plain pointers, which a dying distributor removes from every client's list. All
// registration links change under one process-wide registration lock. Lock order, outermost
// first: registration lock, a distributor's lock, the notification lock. No lock is held while a
// client receives a notification.
#include "KXFramework/Notification/Notification.h"
#include "KXFramework/ObjectBase/Mutex.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace KX {

class LNotificationDistributor;

class LNotificationReceiver : public virtual LRefCountedObject {
public:
    // Returns the client's answer for diagnosis only; callers may ignore it.
    virtual KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender,
                                         const RCPtr<LNotification>& n) = 0;
};

class LNotificationClient : public LNotificationReceiver {
public:
    // The interned identifier, or null for a null sender or an empty name. Each new registration
    // adds one owner reference (the sender holds the client); registering again updates the flags.
    NotificationID RegisterForNotification(const RCPtr<LNotificationDistributor>& sender, const char16_t* name,
                                           unsigned flags);
    // 1 when the client has no registrations; E_INVALIDARG for a null sender or name; else the
    // sender's result: 0 dropped, 1 not registered there.
    [[nodiscard]] virtual KXRESULT UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender,
                                                             const char16_t* name);
    // Drops every registration, the last made first; returns how many.
    int UnregisterForAllNotifications();
    KXRESULT BreakCycles() override;

private:
    friend class LNotificationDistributor;
    struct Registration {
        LNotificationDistributor* sender;
        NotificationID id;
    };
    // Guarded by the registration lock.
    std::vector<Registration> m_registrations;
};

class LNotificationDistributor : public virtual LRefCountedObject {
public:
    class LNotificationRegisteredClientInfo : public LRefCountedObject {
    public:
        LNotificationRegisteredClientInfo(LNotificationClient* c, unsigned f) : client(c), flags(f) {}
        RCPtr<LNotificationClient> client;
        unsigned flags;
        // Set when the registration goes, so a delivery already under way skips the client.
        std::atomic<bool> removed{false};
    };

    class LNotificationClientPool : public LRefCountedObject {
    public:
        explicit LNotificationClientPool(NotificationID i) : id(i) {}
        NotificationID id;
        RCPtrArray<LNotificationRegisteredClientInfo, 1, 0> clients{0, 0};
    };

    // Delivers `n` on the calling thread to every client registered for its identifier, in
    // registration order, from a snapshot taken under the lock; a client unregistered meanwhile is
    // skipped. E_INVALIDARG for null; E_FAIL while no smart pointer holds the distributor; 1 when
    // nobody is registered; else 0. For diagnosis only; callers may ignore it.
    KXRESULT SendNotification(const RCPtr<LNotification>& n);
    // Drops every registration; 0, for the record only; callers may ignore it.
    KXRESULT RemoveAllClients();

    // Registration, as the client asks for it: 0 new, 1 already there (flags updated),
    // E_INVALIDARG for a null client or identifier.
    [[nodiscard]] KXRESULT AddClient(LNotificationClient* c, NotificationID id, unsigned flags);
    // 0 removed, 1 not registered.
    [[nodiscard]] KXRESULT RemoveClient(LNotificationClient* c, NotificationID id);

    // One client at a time, for a dispatch that walks the registrations itself from the last down.
    int GetClientCount(NotificationID id) const;
    // The client at position i and its identity key (its address); false when i is out of range.
    bool GetClientAt(NotificationID id, int i, RCPtr<LNotificationClient>& client, uintptr_t& key) const;
    // Delivers to the client at position i (the last one when i is past the end) and returns the
    // position to go on from: the client's position after the delivery − 1, or min(i, count) − 1
    // when it has gone meanwhile; −1 when there is nobody.
    int DeliverToClient(NotificationID id, int i, const RCPtr<LNotification>& n);

    // Removes itself from the list of every registered client first.
    ~LNotificationDistributor() override;

protected:
    mutable Mutex m_lock;
    RCPtrArray<LNotificationClientPool, 1, 0> m_pools{0, 0};

private:
    friend class LNotificationClient;
    using InfoRefs = std::vector<RCPtr<LNotificationRegisteredClientInfo>>;
    // Callers hold m_lock.
    LNotificationClientPool* FindPool(NotificationID id) const;
    // Callers hold the registration lock and m_lock. The removed entries keep their client
    // references, so the caller lets them go after leaving the locks.
    bool Unlink(LNotificationClient* c, NotificationID id, InfoRefs& removed);
    void UnlinkAll(InfoRefs& removed);
    // Removes registration i of the pool and the client's side of it.
    void Drop(LNotificationClientPool& pool, unsigned i, InfoRefs& removed);
    // Drops the (this, id) entry from the client's list; callers hold the registration lock.
    void ForgetSender(LNotificationClient* c, NotificationID id);
};

} // namespace KX
