#include "KXFramework/Notification/NotificationDistributor.h"

#include "NotificationDoubles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace KX::Test {

namespace {

using KX::LNotificationDistributor;
using KX::RCPtr;
using KX::Test::MakeNotification;
using KX::Test::Recorder;

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
    EXPECT_EQ(d->SendNotification(nullptr), KX::E_INVALIDARG);
    EXPECT_EQ(d->SendNotification(MakeNotification(u"NID_SEND")), KX::S_FALSE);

    std::vector<std::string> log;
    auto a = NewRecorder("a", &log), b = NewRecorder("b", &log), other = NewRecorder("other", &log);
    KX::NotificationID id = a->RegisterForNotification(d, u"NID_SEND", 0);
    EXPECT_EQ(KX::LookupNotificationName(u"NID_SEND"), id);
    EXPECT_EQ(id, b->RegisterForNotification(d, u"NID_SEND", 0));
    EXPECT_EQ(id, a->RegisterForNotification(d, u"NID_SEND", 5)); // again: no second registration
    other->RegisterForNotification(d, u"NID_OTHER", 0);
    EXPECT_EQ(a->RegisterForNotification(nullptr, u"NID_SEND", 0), nullptr);
    EXPECT_EQ(a->RegisterForNotification(d, u"", 0), nullptr);

    EXPECT_EQ(d->SendNotification(MakeNotification(u"NID_SEND")), KX::S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(d.Get(), a->lastSender);
    EXPECT_EQ(id, b->lastID);

    // Unheld (as during construction or destruction) it refuses: a counted sender would destroy it.
    LNotificationDistributor unheld;
    static_cast<void>(unheld.AddClient(a.Get(), id, 0));
    EXPECT_EQ(unheld.SendNotification(MakeNotification(u"NID_SEND")), KX::E_FAIL);
    EXPECT_EQ(unheld.DeliverToClient(id, 0, MakeNotification(u"NID_SEND")), -1);
    EXPECT_EQ(log.size(), 2u);
}

TEST(NotificationClient, OwnerCountsFollowTheRegistrationsAndUnregisterReportsWhatItDid)
{
    auto d1 = NewDistributor(), d2 = NewDistributor();
    auto c = NewRecorder("c");
    EXPECT_EQ(c->UnregisterForNotification(d1, u"NID_A"), KX::S_FALSE); // no registrations
    c->RegisterForNotification(d1, u"NID_A", 0);
    c->RegisterForNotification(d1, u"NID_B", 0);
    c->RegisterForNotification(d2, u"NID_A", 0);
    EXPECT_EQ(c->GetOwnerCount(), 3);
    EXPECT_EQ(c->GetRefCount(), 4);

    EXPECT_EQ(c->UnregisterForNotification(nullptr, u"NID_A"), KX::E_INVALIDARG);
    EXPECT_EQ(c->UnregisterForNotification(d1, nullptr), KX::E_INVALIDARG);
    EXPECT_EQ(c->UnregisterForNotification(d2, u"NID_B"), KX::S_FALSE);
    EXPECT_EQ(c->UnregisterForNotification(d2, u"NID_NEVER_INTERNED_ANYWHERE"), KX::S_FALSE);
    EXPECT_EQ(c->UnregisterForNotification(d1, u"NID_B"), KX::S_OK);
    EXPECT_EQ(c->GetOwnerCount(), 2);
    EXPECT_EQ(d1->SendNotification(MakeNotification(u"NID_B")), KX::S_FALSE);

    EXPECT_EQ(c->UnregisterForAllNotifications(), 2);
    EXPECT_EQ(c->GetOwnerCount(), 0);
    EXPECT_EQ(c->GetRefCount(), 1);
    EXPECT_EQ(c->UnregisterForAllNotifications(), 0);
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
    EXPECT_EQ(d->SendNotification(MakeNotification(u"NID_A")), KX::S_FALSE);
    EXPECT_EQ(d->GetClientCount(KX::LookupNotificationName(u"NID_A")), 0);
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
        EXPECT_EQ(c->GetOwnerCount(), 3);
    }
    EXPECT_EQ(c->GetOwnerCount(), 1);
    EXPECT_EQ(c->GetRefCount(), 2);
    // Only the live sender is left to unregister from; the dead one is never touched.
    EXPECT_EQ(c->UnregisterForAllNotifications(), 1);
    EXPECT_EQ(c->GetOwnerCount(), 0);
    EXPECT_EQ(c->GetRefCount(), 1);

    c->RegisterForNotification(keep, u"NID_A", 0);
    EXPECT_EQ(keep->RemoveAllClients(), KX::S_OK);
    EXPECT_EQ(c->GetOwnerCount(), 0);
    EXPECT_EQ(c->UnregisterForNotification(keep, u"NID_A"), KX::S_FALSE);
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
        doomed = RCPtr<Recorder>(); // its last reference outside the delivery
        late->RegisterForNotification(sender, u"NID_A", 0);
    };
    b->react = [&](auto& sender, auto&) { c->UnregisterForNotification(sender, u"NID_A"); };

    EXPECT_EQ(d->SendNotification(MakeNotification(u"NID_A")), KX::S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"})) << "a client unregistered before its turn was called";
    EXPECT_TRUE(bDestroyed);

    log.clear();
    a->react = nullptr;
    b->react = nullptr;
    static_cast<void>(d->SendNotification(MakeNotification(u"NID_A")));
    EXPECT_EQ(log, (std::vector<std::string>{"b", "late"}));
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
    EXPECT_EQ(log, (std::vector<std::string>{"c", "b"}));
    EXPECT_EQ(d->DeliverToClient(KX::InternNotificationName(u"NID_NOBODY"), 0, n), -1);

    // A client that lets go of the last reference to the distributor: the step still ends soundly.
    LNotificationDistributor* walked = d.Get();
    b->react = [&](auto&, auto&) { d = RCPtr<LNotificationDistributor>(); };
    EXPECT_EQ(walked->DeliverToClient(id, 0, n), -1);
    EXPECT_EQ(b->GetOwnerCount(), 0);
}

TEST(NotificationDistributor, AClientLeavingInTheMiddleOfTheOneByOneWalkLetsEveryOtherHaveItOnce)
{
    const KX::NotificationID id = KX::InternNotificationName(u"NID_WALK_LEAVE");
    const auto n = MakeNotification(u"NID_WALK_LEAVE");
    for (size_t leaver = 0; leaver < 4; ++leaver) {
        SCOPED_TRACE(leaver);
        auto d = NewDistributor();
        std::vector<std::string> log;
        std::vector<RCPtr<Recorder>> clients;
        for (const char* name : {"a", "b", "c", "d"}) {
            clients.push_back(NewRecorder(name, &log));
            clients.back()->RegisterForNotification(d, u"NID_WALK_LEAVE", 0);
        }
        Recorder* self = clients[leaver].Get();
        self->react = [self](auto& sender, auto&) { self->UnregisterForNotification(sender, u"NID_WALK_LEAVE"); };
        int steps = 0;
        for (int i = d->GetClientCount(id) - 1; i >= 0 && steps < 10; ++steps)
            i = d->DeliverToClient(id, i, n);
        EXPECT_EQ(log, (std::vector<std::string>{"d", "c", "b", "a"}));
        EXPECT_EQ(d->GetClientCount(id), 3);
    }
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
        EXPECT_EQ(c->GetOwnerCount(), 0);
        EXPECT_EQ(c->GetRefCount(), 1);
    }
}

} // namespace

} // namespace KX::Test
