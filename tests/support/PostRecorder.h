#pragma once
// Records the notifications posted on the application's centre under the names it listens to,
// in delivery order. Deliver() runs the centre's queue as the UI thread's idle pass would.
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Notification/NotificationDistributor.h"

#include <mutex>
#include <string>
#include <vector>

namespace KX::Test {

class PostRecorder : public KX::LNotificationClient {
public:
    struct Post {
        std::u16string name;
        KX::RCPtr<KX::LRefCountedObject> payload;
    };

    static KX::RCPtr<PostRecorder> Create(std::initializer_list<const char16_t*> names)
    {
        KX::RCPtr<PostRecorder> recorder(new PostRecorder);
        KX::RCPtr<KX::LNotificationCenter> centre = KX::GetDefaultNotificationCenter();
        for (const char16_t* name : names)
            recorder->RegisterForNotification(KX::RCPtr<KX::LNotificationDistributor>(centre), name, 0);
        return recorder;
    }

    // Delivers everything posted so far; returns the posts recorded since the last call.
    std::vector<Post> Deliver()
    {
        KX::RCPtr<KX::LNotificationCenter> centre = KX::GetDefaultNotificationCenter();
        while (centre->ProcessNotifications(false)) {
        }
        std::lock_guard<std::mutex> lock(m_lock);
        std::vector<Post> posts;
        posts.swap(m_posts);
        return posts;
    }

    KXRESULT ReceiveNotification(const KX::RCPtr<KX::LNotificationDistributor>&,
                                 const KX::RCPtr<KX::LNotification>& n) override
    {
        const KX::StringT<char16_t, char> name = n->GetName();
        std::lock_guard<std::mutex> lock(m_lock);
        m_posts.push_back({std::u16string(name.GetData()), n->GetPayload()});
        return 1;
    }

    // Stops listening, so that the recorder can go.
    void Stop() { UnregisterForAllNotifications(); }

private:
    std::mutex m_lock;
    std::vector<Post> m_posts;
};

} // namespace KX::Test
