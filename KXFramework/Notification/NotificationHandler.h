#pragma once
// Binds member functions of one owner object to (sender, notification) pairs.
#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/ObjectBase/Exception.h"

#include <exception>
#include <string>
#include <typeinfo>
#include <vector>

namespace KX {

// T derives from LNotificationClient; its ReceiveNotification hands notifications to the handler.
template <class T>
class LNotificationHandler : public virtual LRefCountedObject {
public:
    using Member = KXRESULT (T::*)(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);

    // Null for a null owner. The owner holds the handler; the handler keeps the owner as a plain
    // pointer and each sender only as a key, never dereferenced.
    static RCPtr<LNotificationHandler> Create(T* owner)
    {
        return owner ? RCPtr<LNotificationHandler>(new LNotificationHandler(owner)) : RCPtr<LNotificationHandler>();
    }

    T* GetOwner() const { return m_owner; }

    // Registers the owner with the sender and binds m to (sender, name), replacing an earlier
    // binding of the pair. E_INVALIDARG for a null sender; E_FAIL when no identifier results; 0.
    [[nodiscard]] KXRESULT SetNotification(Member m, const RCPtr<LNotificationDistributor>& sender,
                                           const char16_t* name, unsigned flags)
    {
        if (!sender)
            return E_INVALIDARG;
        NotificationID id = m_owner->RegisterForNotification(sender, name, flags);
        if (!id)
            return E_FAIL;
        Bind(m, sender.Get(), id, flags);
        return S_OK;
    }

    // Binds a name, for any sender; E_FAIL when the name was never interned.
    [[nodiscard]] KXRESULT AddHandler(Member m, const char16_t* name)
    {
        NotificationID id = LookupNotificationName(name);
        if (!id)
            return E_FAIL;
        Bind(m, nullptr, id, 0);
        return S_OK;
    }

    // The member's result, or 0 when nothing is bound for (sender, identifier). The sender's own
    // binding wins over an any-sender one. No lock is held while the member runs, so it may change
    // the bindings; a binding removed before the call is not called.
    [[nodiscard]] KXRESULT HandleNotification(const RCPtr<LNotificationDistributor>& sender,
                                              const RCPtr<LNotification>& n)
    {
        if (!n)
            return 0;
        Member m = nullptr;
        unsigned flags = 0;
        if (Find(sender.Get(), n->GetID(), m, flags) < 0)
            return 0;
        return (m_owner->*m)(sender, n);
    }

    // For an owner's ReceiveNotification: runs the member bound for (sender, n) and gives its
    // result; false when nothing is bound, so the owner passes the notification on to its base.
    [[nodiscard]] bool Dispatch(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n,
                                KXRESULT& result)
    {
        Member m = nullptr;
        unsigned flags = 0;
        if (!n || Find(sender.Get(), n->GetID(), m, flags) < 0)
            return false;
        result = (m_owner->*m)(sender, n);
        return true;
    }

    // Removes only the binding; false when there was none.
    bool RemoveNotification(const RCPtr<LNotificationDistributor>& sender, const char16_t* name)
    {
        NotificationID id = LookupNotificationName(name);
        if (!id)
            return false;
        MutexLock lock(m_lock);
        for (auto it = m_bindings.begin(); it != m_bindings.end(); ++it) {
            if (it->sender == sender.Get() && it->id == id) {
                m_bindings.erase(it);
                return true;
            }
        }
        return false;
    }

    // The member and flags bound for (sender, name); 0, or E_FAIL when there is none.
    [[nodiscard]] KXRESULT FindBinding(const RCPtr<LNotificationDistributor>& sender, const char16_t* name, Member& m,
                                       unsigned& flags) const
    {
        NotificationID id = LookupNotificationName(name);
        return id ? Find(sender.Get(), id, m, flags) : E_FAIL;
    }

private:
    struct Binding {
        const LNotificationDistributor* sender; // null: any sender
        NotificationID id;
        Member member;
        unsigned flags;
    };

    explicit LNotificationHandler(T* owner) : m_owner(owner) {}

    void Bind(Member m, const LNotificationDistributor* sender, NotificationID id, unsigned flags)
    {
        MutexLock lock(m_lock);
        for (Binding& b : m_bindings) {
            if (b.sender == sender && b.id == id) {
                b.member = m;
                b.flags = flags;
                return;
            }
        }
        m_bindings.push_back({sender, id, m, flags});
    }

    [[nodiscard]] KXRESULT Find(const LNotificationDistributor* sender, NotificationID id, Member& m,
                                unsigned& flags) const
    {
        MutexLock lock(m_lock);
        const Binding* any = nullptr;
        for (const Binding& b : m_bindings) {
            if (b.id != id)
                continue;
            if (b.sender == sender) {
                any = &b;
                break;
            }
            if (!b.sender && !any)
                any = &b;
        }
        if (!any)
            return E_FAIL;
        m = any->member;
        flags = any->flags;
        return S_OK;
    }

    T* const m_owner;
    mutable Mutex m_lock;
    std::vector<Binding> m_bindings;
};

// Suspends one binding of a handler for the life of a scope, so that its owner can change a
// child's value without hearing of it; the binding is restored, with its flags, at the end.
template <class T>
class CAutoNotificationDisabler {
public:
    CAutoNotificationDisabler(const RCPtr<LNotificationHandler<T>>& handler,
                              const RCPtr<LNotificationDistributor>& sender, const char16_t* name)
        : m_handler(handler),
          m_sender(sender),
          m_uncaught(std::uncaught_exceptions())
    {
        KXRESULT r = m_handler ? m_handler->FindBinding(sender, name, m_member, m_flags) : E_FAIL;
        if (Failed(r))
            throw Exception<FailedResultException>(Message(r, "CAutoNotificationDisabler", 247));
        // The interned copy outlives the caller's text.
        m_name = LookupNotificationName(name);
        // The base operation: an owner's override may drop the binding too, which is done below.
        r = m_handler->GetOwner()->LNotificationClient::UnregisterForNotification(sender, name);
        if (Succeeded(r) && !m_handler->RemoveNotification(sender, name))
            r = E_FAIL;
        if (Failed(r))
            throw Exception<FailedResultException>(Message(r, "CAutoNotificationDisabler", 248));
    }

    // Throws only when no other exception is in flight; during unwinding the failure is logged.
    ~CAutoNotificationDisabler() noexcept(false)
    {
        KXRESULT r = m_handler->SetNotification(m_member, m_sender, m_name, m_flags);
        if (Succeeded(r))
            return;
        std::string text = Message(r, "~CAutoNotificationDisabler", 253);
        if (std::uncaught_exceptions() == m_uncaught)
            throw Exception<FailedResultException>(text);
        DebugLog("%s", text.c_str());
    }

    CAutoNotificationDisabler(const CAutoNotificationDisabler&) = delete;
    CAutoNotificationDisabler& operator=(const CAutoNotificationDisabler&) = delete;

private:
    static std::string Message(KXRESULT r, const char* method, int line)
    {
        return "Failed Result : " + ResultToString(r) +
               SourcePlace("KX::CAutoNotificationDisabler<" + TypeName(typeid(T)) + ">::" + method,
                           "notification\\NotificationHandler", line);
    }

    RCPtr<LNotificationHandler<T>> m_handler;
    RCPtr<LNotificationDistributor> m_sender;
    NotificationID m_name = nullptr;
    const int m_uncaught;
    typename LNotificationHandler<T>::Member m_member = nullptr;
    unsigned m_flags = 0;
};

} // namespace KX
