#include "KXFramework/Notification/NotificationCenter.h"

#include <vector>

namespace KX {

namespace {

// Guarded by the notification lock; never destroyed.
RCPtr<LNotificationCenterManager>& Instance()
{
    static auto* instance = new RCPtr<LNotificationCenterManager>;
    return *instance;
}

} // namespace

LNotificationCenter::LNotificationCenter(const StringT<char16_t, char>& name) : m_name(name) {}

RCPtr<LNotificationCenter> LNotificationCenter::Create(const StringT<char16_t, char>& name)
{
    RCPtr<LNotificationCenter> center(new LNotificationCenter(name));
    static_cast<void>(center->SetDistributor(
        RCPtr<LNotificationDistributor>(center))); // the new center is its own distributor and is not shut down
    center->AdjustOwnerCount(1);
    LNotificationCenterManager::GetInstance()->AddCenter(center);
    return center;
}

const StringT<char16_t, char>& LNotificationCenter::GetName() const
{
    return m_name;
}

KXRESULT LNotificationCenter::BreakCycles()
{
    ShutdownQueue(1);
    return LRefCountedObject::BreakCycles();
}

RCPtr<LNotificationCenterManager> LNotificationCenterManager::GetInstance()
{
    MutexLock lock(GetNotificationLock());
    if (!Instance())
        Instance() = RCPtr<LNotificationCenterManager>(new LNotificationCenterManager);
    return Instance();
}

void LNotificationCenterManager::ReleaseInstance()
{
    RCPtr<LNotificationCenterManager> released;
    MutexLock lock(GetNotificationLock());
    released = Instance();
    Instance() = RCPtr<LNotificationCenterManager>();
    // `released` goes after the lock: the centres' delivery may run in their teardown.
}

void LNotificationCenterManager::AddCenter(const RCPtr<LNotificationCenter>& center)
{
    MutexLock lock(m_lock);
    m_centers.AddItem(center);
}

RCPtr<LNotificationCenter> LNotificationCenterManager::FindCenter(const StringT<char16_t, char>& name)
{
    MutexLock lock(m_lock);
    for (const RCPtr<LNotificationCenter>& center : m_centers)
        if (center->GetName() == name)
            return center;
    return RCPtr<LNotificationCenter>();
}

bool LNotificationCenterManager::ProcessNotifications(bool sendIdle)
{
    std::vector<RCPtr<LNotificationCenter>> centers;
    {
        MutexLock lock(m_lock);
        centers.assign(m_centers.begin(), m_centers.end());
    }
    bool more = false;
    for (size_t i = centers.size(); i-- > 0;) {
        centers[i]->DeliverPosted();
        if (sendIdle)
            centers[i]->SendIdle();
        if (centers[i]->GetCount() > 0)
            more = true;
    }
    return more;
}

RCPtr<LNotificationCenter> GetDefaultNotificationCenter()
{
    static const char16_t kName[] = u"application";
    MutexLock lock(GetNotificationLock());
    RCPtr<LNotificationCenter> center = LNotificationCenterManager::GetInstance()->FindCenter(kName);
    if (!center)
        center = LNotificationCenter::Create(kName);
    return center;
}

} // namespace KX
