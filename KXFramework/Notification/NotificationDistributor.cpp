#include "KXFramework/Notification/NotificationDistributor.h"

#include <algorithm>

namespace KX {

namespace {

Mutex& RegistrationLock()
{
    static auto* lock = new Mutex; // never destroyed: clients may unregister during exit
    return *lock;
}

} // namespace

// ---- client

NotificationID LNotificationClient::RegisterForNotification(const RCPtr<LNotificationDistributor>& sender,
                                                            const char16_t* name, unsigned flags)
{
    if (!sender)
        return nullptr;
    NotificationID id = InternNotificationName(name);
    if (!id)
        return nullptr;
    return sender->AddClient(this, id, flags) >= 0 ? id : nullptr;
}

KXRESULT LNotificationClient::UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender,
                                                        const char16_t* name)
{
    {
        MutexLock reg(RegistrationLock());
        if (m_registrations.empty())
            return S_FALSE;
    }
    if (!sender || !name || !*name)
        return E_INVALIDARG;
    NotificationID id = LookupNotificationName(name);
    if (!id)
        return S_FALSE;
    return sender->RemoveClient(this, id);
}

int LNotificationClient::UnregisterForAllNotifications()
{
    std::vector<RCPtr<LNotificationDistributor::LNotificationRegisteredClientInfo>> removed;
    int dropped = 0;
    {
        MutexLock reg(RegistrationLock());
        while (!m_registrations.empty()) {
            Registration last = m_registrations.back();
            // The registration lock keeps `last.sender` alive: a dying distributor waits for it
            // before it unlinks itself.
            MutexLock lock(last.sender->m_lock);
            if (last.sender->Unlink(this, last.id, removed))
                ++dropped;
            else
                m_registrations.pop_back(); // not known there: forget it all the same
        }
    }
    return dropped;
}

KXRESULT LNotificationClient::BreakCycles()
{
    UnregisterForAllNotifications();
    return LRefCountedObject::BreakCycles();
}

// ---- distributor

LNotificationDistributor::~LNotificationDistributor()
{
    InfoRefs removed;
    MutexLock reg(RegistrationLock());
    MutexLock lock(m_lock);
    UnlinkAll(removed);
    // `removed` and then the emptied pools go after the locks: a client may die with them.
}

LNotificationDistributor::LNotificationClientPool* LNotificationDistributor::FindPool(NotificationID id) const
{
    for (const RCPtr<LNotificationClientPool>& pool : m_pools)
        if (pool->id == id)
            return pool.Get();
    return nullptr;
}

void LNotificationDistributor::ForgetSender(LNotificationClient* c, NotificationID id)
{
    auto& list = c->m_registrations;
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const LNotificationClient::Registration& r) { return r.sender == this && r.id == id; });
    if (it != list.end())
        list.erase(it);
}

void LNotificationDistributor::Drop(LNotificationClientPool& pool, unsigned i, InfoRefs& removed)
{
    RCPtr<LNotificationRegisteredClientInfo> info;
    pool.clients.RemoveItem(i, info);
    info->removed.store(true);
    LNotificationClient* c = info->client.Get();
    ForgetSender(c, pool.id);
    // The owner count drops before the reference does, so the client's Release sees them agree.
    c->AdjustOwnerCount(-1);
    removed.push_back(info);
}

bool LNotificationDistributor::Unlink(LNotificationClient* c, NotificationID id, InfoRefs& removed)
{
    LNotificationClientPool* pool = FindPool(id);
    if (!pool)
        return false;
    for (unsigned i = 0; i < pool->clients.GetCount(); ++i) {
        if (pool->clients.GetAt(i)->client.Get() == c) {
            Drop(*pool, i, removed);
            return true;
        }
    }
    return false;
}

void LNotificationDistributor::UnlinkAll(InfoRefs& removed)
{
    for (unsigned p = 0; p < m_pools.GetCount(); ++p) {
        LNotificationClientPool& pool = *m_pools.GetAt(p);
        while (pool.clients.GetCount() > 0)
            Drop(pool, pool.clients.GetCount() - 1, removed);
    }
}

KXRESULT LNotificationDistributor::AddClient(LNotificationClient* c, NotificationID id, unsigned flags)
{
    if (!c || !id)
        return E_INVALIDARG;
    MutexLock reg(RegistrationLock());
    MutexLock lock(m_lock);
    LNotificationClientPool* pool = FindPool(id);
    if (!pool) {
        RCPtr<LNotificationClientPool> created(new LNotificationClientPool(id));
        m_pools.AddItem(created);
        pool = created.Get();
    }
    for (unsigned i = 0; i < pool->clients.GetCount(); ++i) {
        const RCPtr<LNotificationRegisteredClientInfo>& info = pool->clients.GetAt(i);
        if (info->client.Get() == c) {
            info->flags = flags;
            return S_FALSE;
        }
    }
    pool->clients.AddItem(RCPtr<LNotificationRegisteredClientInfo>(new LNotificationRegisteredClientInfo(c, flags)));
    c->m_registrations.push_back({this, id});
    c->AdjustOwnerCount(1);
    return S_OK;
}

KXRESULT LNotificationDistributor::RemoveClient(LNotificationClient* c, NotificationID id)
{
    InfoRefs removed;
    {
        MutexLock reg(RegistrationLock());
        MutexLock lock(m_lock);
        if (!Unlink(c, id, removed))
            return S_FALSE;
    }
    return S_OK;
}

KXRESULT LNotificationDistributor::RemoveAllClients()
{
    InfoRefs removed;
    MutexLock reg(RegistrationLock());
    MutexLock lock(m_lock);
    UnlinkAll(removed);
    return S_OK;
}

KXRESULT LNotificationDistributor::SendNotification(const RCPtr<LNotification>& n)
{
    if (!n)
        return E_INVALIDARG;
    // Clients receive the sender as a counted reference; for an object that no smart pointer holds
    // (under construction or being destroyed) that reference would destroy it.
    if (GetRefCount() == 0)
        return E_FAIL;
    InfoRefs snapshot;
    {
        MutexLock lock(m_lock);
        LNotificationClientPool* pool = FindPool(n->GetID());
        if (!pool || pool->clients.GetCount() == 0)
            return S_FALSE;
        snapshot.assign(pool->clients.begin(), pool->clients.end());
    }
    RCPtr<LNotificationDistributor> self(this);
    for (const auto& info : snapshot)
        if (!info->removed.load())
            info->client->ReceiveNotification(self, n);
    return S_OK;
}

int LNotificationDistributor::GetClientCount(NotificationID id) const
{
    MutexLock lock(m_lock);
    LNotificationClientPool* pool = FindPool(id);
    return pool ? static_cast<int>(pool->clients.GetCount()) : 0;
}

bool LNotificationDistributor::GetClientAt(NotificationID id, int i, RCPtr<LNotificationClient>& client,
                                           uintptr_t& key) const
{
    MutexLock lock(m_lock);
    LNotificationClientPool* pool = FindPool(id);
    if (!pool || i < 0 || static_cast<unsigned>(i) >= pool->clients.GetCount())
        return false;
    client = pool->clients.GetAt(static_cast<unsigned>(i))->client;
    key = reinterpret_cast<uintptr_t>(client.Get());
    return true;
}

int LNotificationDistributor::DeliverToClient(NotificationID id, int i, const RCPtr<LNotification>& n)
{
    if (GetRefCount() == 0)
        return -1; // as in SendNotification
    // A client may let go of the last outside reference; the step still reads the pool afterwards.
    RCPtr<LNotificationDistributor> self(this);
    RCPtr<LNotificationRegisteredClientInfo> info;
    {
        MutexLock lock(m_lock);
        LNotificationClientPool* pool = FindPool(id);
        int count = pool ? static_cast<int>(pool->clients.GetCount()) : 0;
        if (i >= count)
            i = count - 1;
        if (i < 0)
            return -1;
        info = pool->clients.GetAt(static_cast<unsigned>(i));
    }
    if (n && !info->removed.load())
        info->client->ReceiveNotification(self, n);
    MutexLock lock(m_lock);
    LNotificationClientPool* pool = FindPool(id);
    int count = pool ? static_cast<int>(pool->clients.GetCount()) : 0;
    for (int p = 0; p < count; ++p)
        if (pool->clients.GetAt(static_cast<unsigned>(p)).Get() == info.Get())
            return p - 1;
    return std::min(i, count) - 1;
}

} // namespace KX
