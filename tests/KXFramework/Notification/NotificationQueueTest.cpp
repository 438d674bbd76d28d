#include "KXFramework/Notification/NotificationCenter.h"

#include "Eventually.h"
#include "NotificationDoubles.h"
#include "ScopedService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <thread>
#include <vector>

namespace KX::Test {

namespace {

using KX::LNotification;
using KX::LNotificationCenter;
using KX::LNotificationCenterManager;
using KX::LNotificationDistributor;
using KX::LNotificationQueue;
using KX::RCPtr;
using KX::Test::MakeNotification;
using KX::Test::Recorder;

class Sequence : public KX::LRefCountedObject {
public:
    Sequence(int t, int i) : thread(t), index(i) {}
    int thread, index;
};

// A queue that reports its destruction.
class WatchedQueue : public LNotificationQueue {
public:
    explicit WatchedQueue(bool* destroyed) : destroyed(destroyed) {}
    ~WatchedQueue() override { *destroyed = true; }
    bool* destroyed;
};

struct QueueFixture {
    RCPtr<LNotificationQueue> queue{new LNotificationQueue};
    RCPtr<LNotificationDistributor> d{new LNotificationDistributor};
    std::vector<std::string> log;
    RCPtr<Recorder> client{new Recorder("client", &log)};
    RCPtr<Recorder> idle{new Recorder("idle", &log)};
    QueueFixture()
    {
        static_cast<void>(queue->SetDistributor(d));
        client->RegisterForNotification(d, u"NID_POSTED", 0);
        idle->RegisterForNotification(d, u"NID_IDLE", 0);
    }
    ~QueueFixture() { queue->Shutdown(); }
};

TEST(NotificationQueue, PostingChecksItsArgumentsAndThePostedFlag)
{
    RCPtr<LNotificationQueue> bare(new LNotificationQueue);
    auto n = MakeNotification(u"NID_POSTED");
    EXPECT_EQ(bare->PostNotification(n), KX::E_FAIL); // no distributor
    EXPECT_EQ(bare->SetDistributor(nullptr), KX::E_FAIL);
    bare->Shutdown();

    QueueFixture f;
    EXPECT_EQ(f.queue->PostNotification(nullptr), KX::E_INVALIDARG);
    EXPECT_EQ(f.queue->PostNotification(n), KX::S_OK);
    EXPECT_TRUE(n->IsPosted());
    EXPECT_EQ(f.queue->PostNotification(n), KX::E_INVALIDARG);
    EXPECT_EQ(f.queue->GetCount(), 1u);
    EXPECT_FALSE(f.queue->ProcessNotifications(false));
    EXPECT_FALSE(n->IsPosted());
    EXPECT_EQ(f.queue->PostNotification(n), KX::S_OK); // may be posted again once delivered
    EXPECT_EQ(f.queue->GetPostingReceiver()->ReceiveNotification(nullptr, MakeNotification(u"NID_POSTED")), KX::S_OK);
    EXPECT_EQ(f.queue->GetCount(), 2u);
}

TEST(NotificationQueue, DeliversOnlyWhatWasQueuedAtEntryThenIdle)
{
    QueueFixture f;
    auto again = MakeNotification(u"NID_POSTED");
    int reentered = 0;
    f.client->react = [&](auto&, auto& n) {
        if (n == again) {
            // Re-entry delivers nothing, still sends idle and reports what is left.
            ++reentered;
            EXPECT_TRUE(f.queue->ProcessNotifications(true));
            return;
        }
        EXPECT_EQ(f.queue->PostNotification(n), KX::S_OK); // the flag was cleared before the send
    };
    static_cast<void>(f.queue->PostNotification(MakeNotification(u"NID_POSTED")));
    static_cast<void>(f.queue->PostNotification(again));
    EXPECT_TRUE(f.queue->ProcessNotifications(true));
    EXPECT_EQ(f.log, (std::vector<std::string>{"client", "client", "idle", "idle"}));
    EXPECT_EQ(reentered, 1);
    EXPECT_EQ(f.queue->GetCount(), 1u);

    f.client->react = nullptr;
    f.log.clear();
    EXPECT_FALSE(f.queue->ProcessNotifications(false));
    EXPECT_EQ(f.log, (std::vector<std::string>{"client"}));
}

// A handler that opens a nested loop (a modal dialog) has the queue it is delivered from delivered in
// that loop. When every notification posts another and opens a loop, as a command that opens a dialog
// could, the nesting stops at its bound; each notification arrives once, in posting order.
TEST(NotificationQueue, ANestedLoopDeliversTheQueueAgainUpToABound)
{
    QueueFixture f;
    std::vector<int> delivered;
    int posted = 0, depth = 0, deepest = 0;
    const auto post = [&] {
        RCPtr<LNotification> n;
        ASSERT_EQ(LNotification::Create(n, u"NID_POSTED", RCPtr<KX::LRefCountedObject>(new Sequence(0, posted++))),
                  KX::S_OK);
        ASSERT_EQ(f.queue->PostNotification(n), KX::S_OK);
    };
    f.client->react = [&](auto&, auto& n) {
        delivered.push_back(dynamic_cast<const Sequence&>(*n->GetPayload()).index);
        if (posted < 100)
            post();
        deepest = std::max(deepest, ++depth);
        const KX::LNestedLoopScope loop;
        f.queue->ProcessNotifications(false);
        --depth;
    };
    post();
    post();
    for (int pass = 0; pass < 100 && f.queue->ProcessNotifications(false); ++pass) {
    }
    EXPECT_EQ(deepest, LNotificationQueue::kMaxNestedDeliveries);
    std::vector<int> expected(100);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(delivered, expected);
    EXPECT_EQ(f.queue->GetCount(), 0u);
}

TEST(NotificationQueue, PostsFromManyThreadsArriveOnceEachInPostingOrder)
{
    constexpr int kThreads = 8, kPerThread = 10000;
    QueueFixture f;
    std::atomic<int> hooked{0};
    KX::Test::ScopedService<std::function<void()>> hook(KX::NotificationPostedHookSlot(), [&] { ++hooked; });
    std::vector<int> next(kThreads, 0);
    int delivered = 0;
    bool inOrder = true;
    std::thread::id processing = std::this_thread::get_id();
    f.client->react = [&](auto&, auto& n) {
        EXPECT_EQ(processing, std::this_thread::get_id());
        auto* s = dynamic_cast<Sequence*>(n->GetPayload().Get());
        if (s->index != next[s->thread])
            inOrder = false;
        next[s->thread] = s->index + 1;
        ++delivered;
    };
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i)
                ASSERT_EQ(f.queue->PostNotification(
                              MakeNotification(u"NID_POSTED", RCPtr<KX::LRefCountedObject>(new Sequence(t, i)))),
                          KX::S_OK);
        });
    // Deliver while the posters are still at work.
    KX::Test::Eventually(
        [&] {
            while (f.queue->ProcessNotifications(false)) {
            }
            return delivered == kThreads * kPerThread;
        },
        std::chrono::seconds(60));
    for (auto& t : posters)
        t.join();
    f.queue->ProcessNotifications(false);
    EXPECT_EQ(delivered, kThreads * kPerThread);
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(hooked.load(), kThreads * kPerThread);
}

TEST(NotificationQueue, ShutdownDropsTheQueueAndTheReceiverLetsGo)
{
    bool destroyed = false;
    RCPtr<LNotificationQueue> queue(new WatchedQueue(&destroyed));
    RCPtr<LNotificationDistributor> d(new LNotificationDistributor);
    static_cast<void>(queue->SetDistributor(d));
    RCPtr<KX::LNotificationReceiver> receiver = queue->GetPostingReceiver();
    auto n = MakeNotification(u"NID_POSTED");
    EXPECT_EQ(receiver->ReceiveNotification(nullptr, n), KX::S_OK);
    EXPECT_EQ(queue->GetOwnerCount(), 1);

    queue = RCPtr<LNotificationQueue>(); // the last outside reference: the queue shuts itself down
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(n->IsPosted());
    EXPECT_EQ(d->GetRefCount(), 1);
    EXPECT_EQ(receiver->ReceiveNotification(nullptr, MakeNotification(u"NID_POSTED")), KX::E_FAIL);

    RCPtr<LNotificationQueue> explicitlyShut(new LNotificationQueue);
    static_cast<void>(explicitlyShut->SetDistributor(d));
    explicitlyShut->Shutdown();
    EXPECT_EQ(explicitlyShut->GetOwnerCount(), 0);
    EXPECT_EQ(explicitlyShut->GetRefCount(), 1);
    EXPECT_EQ(explicitlyShut->PostNotification(MakeNotification(u"NID_POSTED")), KX::E_FAIL);
    EXPECT_EQ(explicitlyShut->SetDistributor(d), KX::E_FAIL);
}

TEST(NotificationQueue, AHandlerMayLetGoOfTheLastReferenceToTheQueueItIsDeliveredFrom)
{
    bool destroyed = false;
    RCPtr<LNotificationQueue> queue(new WatchedQueue(&destroyed));
    RCPtr<LNotificationDistributor> d(new LNotificationDistributor);
    static_cast<void>(queue->SetDistributor(d));
    std::vector<std::string> log;
    RCPtr<Recorder> client(new Recorder("client", &log));
    client->RegisterForNotification(d, u"NID_POSTED", 0);
    client->react = [&](auto&, auto&) { queue = RCPtr<LNotificationQueue>(); }; // a window closed by it
    LNotificationQueue* processed = queue.Get();
    static_cast<void>(processed->PostNotification(MakeNotification(u"NID_POSTED")));
    static_cast<void>(processed->PostNotification(MakeNotification(u"NID_POSTED")));
    EXPECT_FALSE(processed->ProcessNotifications(true));
    // The round ends as it began; the queue goes with it.
    EXPECT_EQ(log, (std::vector<std::string>{"client", "client"}));
    EXPECT_TRUE(destroyed);
    client->UnregisterForAllNotifications();
}

TEST(NotificationCenter, TheDefaultCentreDeliversItsPostsWithItselfAsSender)
{
    RCPtr<LNotificationCenter> center = KX::GetDefaultNotificationCenter();
    ASSERT_TRUE(center);
    EXPECT_EQ(center.Get(), KX::GetDefaultNotificationCenter().Get());
    EXPECT_TRUE(center->GetName() == u"application");

    std::vector<std::string> log;
    RCPtr<Recorder> client(new Recorder("exit", &log));
    client->RegisterForNotification(RCPtr<LNotificationDistributor>(center), u"NID_APP_EXIT_REQ", 0);
    std::thread poster([] {
        static_cast<void>(KX::GetDefaultNotificationCenter()->PostNotification(MakeNotification(u"NID_APP_EXIT_REQ")));
    });
    poster.join();
    EXPECT_TRUE(log.empty()); // posting never delivers at once
    EXPECT_FALSE(LNotificationCenterManager::GetInstance()->ProcessNotifications(true));
    EXPECT_EQ(log, (std::vector<std::string>{"exit"}));
    EXPECT_EQ(static_cast<LNotificationDistributor*>(center.Get()), client->lastSender);

    // Releasing the manager lets the centres go; their clients are unlinked.
    center = RCPtr<LNotificationCenter>();
    LNotificationCenterManager::ReleaseInstance();
    EXPECT_EQ(client->GetOwnerCount(), 0);
    EXPECT_EQ(client->GetRefCount(), 1);
}

TEST(NotificationCenter, TheManagerProcessesCentresFromTheLastToTheFirst)
{
    std::vector<std::string> log;
    RCPtr<LNotificationCenter> first = LNotificationCenter::Create(u"first");
    RCPtr<LNotificationCenter> second = LNotificationCenter::Create(u"second");
    RCPtr<Recorder> a(new Recorder("first", &log)), b(new Recorder("second", &log));
    a->RegisterForNotification(RCPtr<LNotificationDistributor>(first), u"NID_IDLE", 0);
    b->RegisterForNotification(RCPtr<LNotificationDistributor>(second), u"NID_IDLE", 0);
    EXPECT_EQ(first.Get(), LNotificationCenterManager::GetInstance()->FindCenter(u"first").Get());

    // A post to the first centre from inside the second one's delivery is still delivered in this pass.
    RCPtr<Recorder> poster(new Recorder("poster", &log));
    poster->RegisterForNotification(RCPtr<LNotificationDistributor>(second), u"NID_KICK", 0);
    poster->react = [&](auto&, auto&) { static_cast<void>(first->PostNotification(MakeNotification(u"NID_IDLE"))); };
    static_cast<void>(second->PostNotification(MakeNotification(u"NID_KICK")));
    EXPECT_FALSE(LNotificationCenterManager::GetInstance()->ProcessNotifications(true));
    EXPECT_EQ(log, (std::vector<std::string>{"poster", "second", "first", "first"}));

    log.clear();
    LNotificationCenterManager::GetInstance()->ProcessNotifications(false);
    EXPECT_TRUE(log.empty());
    first = second = RCPtr<LNotificationCenter>();
    LNotificationCenterManager::ReleaseInstance();
    EXPECT_EQ(a->GetRefCount(), 1);
    EXPECT_EQ(b->GetOwnerCount(), 0);
}

} // namespace

} // namespace KX::Test
