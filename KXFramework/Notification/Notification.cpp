#include "KXFramework/Notification/Notification.h"

#include "KXFramework/Utilities/Storage/RCPtrArray.h"

namespace KX {

namespace {

constexpr unsigned kPoolCapacity = 256;

std::atomic<bool> g_pooling{false};

// The free notifications; guarded by the notification lock. Never destroyed.
RCPtrArray<LNotification, 256, 256>& Pool()
{
    static auto* pool = new RCPtrArray<LNotification, 256, 256>(0, 0);
    return *pool;
}

} // namespace

KXRESULT LNotification::Create(RCPtr<LNotification>& out, const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    out = RCPtr<LNotification>();
    NotificationID id = InternNotificationName(name);
    if (!id)
        return E_INVALIDARG;
    if (g_pooling.load()) {
        MutexLock lock(GetNotificationLock());
        if (Pool().GetCount() > 0)
            Pool().RemoveLastItem(out);
    }
    if (!out)
        out = RCPtr<LNotification>(new LNotification);
    out->m_id.store(id);
    out->m_payload = payload;
    return S_OK;
}

void LNotification::EnablePooling(bool on)
{
    g_pooling.store(on);
    if (on)
        return;
    RCPtrArray<LNotification, 256, 256> dropped(0, 0);
    {
        MutexLock lock(GetNotificationLock());
        while (Pool().GetCount() > 0) {
            RCPtr<LNotification> n;
            Pool().RemoveLastItem(n);
            dropped.AddItem(n);
        }
    }
}

NotificationID LNotification::GetID() const
{
    return m_id.load();
}

StringT<char16_t, char> LNotification::GetName() const
{
    return GetNotificationName(m_id.load());
}

const RCPtr<LRefCountedObject>& LNotification::GetPayload() const
{
    return m_payload;
}

bool LNotification::IsPosted() const
{
    return m_posted.load();
}

bool LNotification::MarkPosted()
{
    return !m_posted.exchange(true);
}

void LNotification::ClearPosted()
{
    m_posted.store(false);
}

int32_t LNotification::Release()
{
    if (GetRefCount() == 1 && g_pooling.load()) {
        RCPtr<LRefCountedObject> payload;
        {
            MutexLock lock(GetNotificationLock());
            if (g_pooling.load() && Pool().GetCount() < kPoolCapacity) {
                m_id.store(nullptr);
                m_posted.store(false);
                payload = m_payload;
                m_payload = RCPtr<LRefCountedObject>();
                // The pool's reference keeps the object once the base Release has run.
                Pool().AddItem(RCPtr<LNotification>(this));
            }
        }
        // The payload goes here, after the lock is left: its destruction may run any code.
    }
    return LRefCountedObject::Release();
}

} // namespace KX
