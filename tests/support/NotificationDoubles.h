#pragma once
// Test doubles for the notification machinery: a client that records what it receives and can
// run a test's code inside the delivery.
#include "KXFramework/Notification/NotificationDistributor.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace KX::Test {

class Recorder : public KX::LNotificationClient {
public:
    using Reaction =
        std::function<void(const KX::RCPtr<KX::LNotificationDistributor>&, const KX::RCPtr<KX::LNotification>&)>;

    explicit Recorder(std::string name, std::vector<std::string>* log = nullptr, bool* destroyed = nullptr)
        : name(std::move(name)),
          log(log),
          destroyed(destroyed)
    {
    }
    ~Recorder() override
    {
        if (destroyed)
            *destroyed = true;
    }

    KXRESULT ReceiveNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                 const KX::RCPtr<KX::LNotification>& n) override
    {
        {
            std::lock_guard<std::mutex> g(lock);
            ++received;
            lastSender = sender.Get();
            lastID = n->GetID();
            if (log)
                log->push_back(name);
        }
        if (react)
            react(sender, n);
        return KX::S_FALSE;
    }

    std::string name;
    std::vector<std::string>* log;
    bool* destroyed;
    Reaction react;
    std::mutex lock;
    int received = 0;
    const KX::LNotificationDistributor* lastSender = nullptr;
    KX::NotificationID lastID = nullptr;
};

inline KX::RCPtr<KX::LNotification> MakeNotification(const char16_t* name,
                                                     const KX::RCPtr<KX::LRefCountedObject>& payload = nullptr)
{
    KX::RCPtr<KX::LNotification> n;
    static_cast<void>(KX::LNotification::Create(n, name, payload));
    return n;
}

} // namespace KX::Test
