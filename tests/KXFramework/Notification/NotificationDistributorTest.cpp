#include "KXFramework/Notification/NotificationDistributor.h"

#include "NotificationDoubles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using KX::LNotificationDistributor;
using KX::RCPtr;
using KXTest::MakeNotification;
using KXTest::Recorder;

RCPtr<LNotificationDistributor> NewDistributor()
{
    return RCPtr<LNotificationDistributor>(new LNotificationDistributor);
}

RCPtr<Recorder> NewRecorder(const char* name, std::vector<std::string>* log = nullptr, bool* destroyed = nullptr)
{
    return RCPtr<Recorder>(new Recorder(name, log, destroyed));
}

TEST(NotificationDistributor, SendsSynchronouslyInRegistrationOrderWithItselfAsSender)
{
    auto d = NewDistributor();
    EXPECT_EQ(KX::E_INVALIDARG, d->SendNotification(nullptr));
    EXPECT_EQ(KX::S_FALSE, d->SendNotification(MakeNotification(u"NID_SEND")));

    std::vector<std::string> log;
    auto a = NewRecorder("a", &log), b = NewRecorder("b", &log), other = NewRecorder("other", &log);
    KX::NotificationID id = a->RegisterForNotification(d, u"NID_SEND", 0);
    EXPECT_EQ(KX::LookupNotificationName(u"NID_SEND"), id);
    EXPECT_EQ(id, b->RegisterForNotification(d, u"NID_SEND", 0));
    EXPECT_EQ(id, a->RegisterForNotification(d, u"NID_SEND", 5));   // again: no second registration
    other->RegisterForNotification(d, u"NID_OTHER", 0);
    EXPECT_EQ(nullptr, a->RegisterForNotification(nullptr, u"NID_SEND", 0));
    EXPECT_EQ(nullptr, a->RegisterForNotification(d, u"", 0));

    EXPECT_EQ(KX::S_OK, d->SendNotification(MakeNotification(u"NID_SEND")));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), log);
    EXPECT_EQ(d.Get(), a->lastSender);
    EXPECT_EQ(id, b->lastID);

    // Unheld (as during construction or destruction) it refuses: a counted sender would destroy it.
    LNotificationDistributor unheld;
    static_cast<void>(unheld.AddClient(a.Get(), id, 0));
    EXPECT_EQ(KX::E_FAIL, unheld.SendNotification(MakeNotification(u"NID_SEND")));
    EXPECT_EQ(-1, unheld.DeliverToClient(id, 0, MakeNotification(u"NID_SEND")));
    EXPECT_EQ(2u, log.size());
}

TEST(NotificationClient, OwnerCountsFollowTheRegistrationsAndUnregisterReportsWhatItDid)
{
    auto d1 = NewDistributor(), d2 = NewDistributor();
    auto c = NewRecorder("c");
    EXPECT_EQ(KX::S_FALSE, c->UnregisterForNotification(d1, u"NID_A"));   // no registrations
    c->RegisterForNotification(d1, u"NID_A", 0);
    c->RegisterForNotification(d1, u"NID_B", 0);
    c->RegisterForNotification(d2, u"NID_A", 0);
    EXPECT_EQ(3, c->GetOwnerCount());
    EXPECT_EQ(4, c->GetRefCount());

    EXPECT_EQ(KX::E_INVALIDARG, c->UnregisterForNotification(nullptr, u"NID_A"));
    EXPECT_EQ(KX::E_INVALIDARG, c->UnregisterForNotification(d1, nullptr));
    EXPECT_EQ(KX::S_FALSE, c->UnregisterForNotification(d2, u"NID_B"));
    EXPECT_EQ(KX::S_FALSE, c->UnregisterForNotification(d2, u"NID_NEVER_INTERNED_ANYWHERE"));
    EXPECT_EQ(KX::S_OK, c->UnregisterForNotification(d1, u"NID_B"));
    EXPECT_EQ(2, c->GetOwnerCount());
    EXPECT_EQ(KX::S_FALSE, d1->SendNotification(MakeNotification(u"NID_B")));

    EXPECT_EQ(2, c->UnregisterForAllNotifications());
    EXPECT_EQ(0, c->GetOwnerCount());
    EXPECT_EQ(1, c->GetRefCount());
    EXPECT_EQ(0, c->UnregisterForAllNotifications());
}

TEST(NotificationClient, ReleasingTheLastOutsideReferenceBreaksTheCycleWithItsSenders)
{
    bool destroyed = false;
    auto d = NewDistributor();
    {
        auto c = NewRecorder("c", nullptr, &destroyed);
        c->RegisterForNotification(d, u"NID_A", 0);
        c->RegisterForNotification(d, u"NID_B", 0);
    }
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(KX::S_FALSE, d->SendNotification(MakeNotification(u"NID_A")));
    EXPECT_EQ(0, d->GetClientCount(KX::LookupNotificationName(u"NID_A")));
}

TEST(NotificationDistributor, ADistributorThatDiesFirstLeavesItsClientsClean)
{
    auto c = NewRecorder("c");
    auto keep = NewDistributor();
    c->RegisterForNotification(keep, u"NID_A", 0);
    {
        auto d = NewDistributor();
        c->RegisterForNotification(d, u"NID_A", 0);
        c->RegisterForNotification(d, u"NID_B", 0);
        EXPECT_EQ(3, c->GetOwnerCount());
    }
    EXPECT_EQ(1, c->GetOwnerCount());
    EXPECT_EQ(2, c->GetRefCount());
    // Only the live sender is left to unregister from; the dead one is never touched.
    EXPECT_EQ(1, c->UnregisterForAllNotifications());
    EXPECT_EQ(0, c->GetOwnerCount());
    EXPECT_EQ(1, c->GetRefCount());

    c->RegisterForNotification(keep, u"NID_A", 0);
    EXPECT_EQ(KX::S_OK, keep->RemoveAllClients());
    EXPECT_EQ(0, c->GetOwnerCount());
    EXPECT_EQ(KX::S_FALSE, c->UnregisterForNotification(keep, u"NID_A"));
}

TEST(NotificationDistributor, ClientsThatChangeRegistrationsDuringASendBreakNothing)
{
    auto d = NewDistributor();
    std::vector<std::string> log;
    auto a = NewRecorder("a", &log), b = NewRecorder("b", &log), c = NewRecorder("c", &log);
    auto late = NewRecorder("late", &log);
    bool bDestroyed = false;
    auto doomed = NewRecorder("doomed", &log, &bDestroyed);
    for (auto* r : {a.Get(), doomed.Get(), b.Get(), c.Get()})
        r->RegisterForNotification(d, u"NID_A", 0);

    // a: drops itself and the doomed client (its last reference goes with it) and adds `late`;
    // b: drops c, which comes after it.
    a->react = [&](auto& sender, auto&) {
        a->UnregisterForNotification(sender, u"NID_A");
        doomed->UnregisterForNotification(sender, u"NID_A");
        doomed = RCPtr<Recorder>();   // its last reference outside the delivery
        late->RegisterForNotification(sender, u"NID_A", 0);
    };
    b->react = [&](auto& sender, auto&) { c->UnregisterForNotification(sender, u"NID_A"); };

    EXPECT_EQ(KX::S_OK, d->SendNotification(MakeNotification(u"NID_A")));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), log) << "a client unregistered before its turn was called";
    EXPECT_TRUE(bDestroyed);

    log.clear();
    a->react = nullptr;
    b->react = nullptr;
    static_cast<void>(d->SendNotification(MakeNotification(u"NID_A")));
    EXPECT_EQ((std::vector<std::string>{"b", "late"}), log);
}

TEST(NotificationDistributor, TheOneByOneWalkGoesDownAndSurvivesClientsLeaving)
{
    auto d = NewDistributor();
    std::vector<std::string> log;
    auto a = NewRecorder("a", &log), b = NewRecorder("b", &log), c = NewRecorder("c", &log);
    KX::NotificationID id = KX::InternNotificationName(u"NID_WALK");
    for (auto* r : {a.Get(), b.Get(), c.Get()})
        r->RegisterForNotification(d, u"NID_WALK", 0);
    RCPtr<KX::LNotificationClient> client;
    uintptr_t key = 0;
    ASSERT_TRUE(d->GetClientAt(id, 1, client, key));
    EXPECT_EQ(b.Get(), client.Get());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Get()), key);
    EXPECT_FALSE(d->GetClientAt(id, 3, client, key));

    // c, delivered first, drops itself and a: the walk goes on with b and ends.
    c->react = [&](auto& sender, auto&) {
        c->UnregisterForNotification(sender, u"NID_WALK");
        a->UnregisterForNotification(sender, u"NID_WALK");
    };
    auto n = MakeNotification(u"NID_WALK");
    int guard = 0;
    for (int i = d->GetClientCount(id) - 1; i >= 0 && guard < 10; ++guard)
        i = d->DeliverToClient(id, i, n);
    EXPECT_EQ((std::vector<std::string>{"c", "b"}), log);
    EXPECT_EQ(-1, d->DeliverToClient(KX::InternNotificationName(u"NID_NOBODY"), 0, n));

    // A client that lets go of the last reference to the distributor: the step still ends soundly.
    LNotificationDistributor* walked = d.Get();
    b->react = [&](auto&, auto&) { d = RCPtr<LNotificationDistributor>(); };
    EXPECT_EQ(-1, walked->DeliverToClient(id, 0, n));
    EXPECT_EQ(0, b->GetOwnerCount());
}

TEST(NotificationDistributor, RegistrationSendingAndDestructionRaceFreeAcrossThreads)
{
    // Shared clients register with short-lived distributors on several threads while those
    // distributors send and die; the owner counts must come back to zero.
    std::vector<RCPtr<Recorder>> clients;
    for (int i = 0; i < 6; ++i)
        clients.push_back(NewRecorder("shared"));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 300; ++round) {
                auto d = NewDistributor();
                for (size_t i = 0; i < clients.size(); ++i)
                    clients[(i + t) % clients.size()]->RegisterForNotification(d, u"NID_RACE", 0);
                static_cast<void>(d->SendNotification(MakeNotification(u"NID_RACE")));
                if (round % 2)
                    clients[t]->UnregisterForNotification(d, u"NID_RACE");
                if (round % 7 == 0)
                    clients[t + 1]->UnregisterForAllNotifications();
            }
        });
    for (auto& t : threads)
        t.join();
    for (auto& c : clients) {
        EXPECT_EQ(0, c->GetOwnerCount());
        EXPECT_EQ(1, c->GetRefCount());
    }
}

} // namespace
