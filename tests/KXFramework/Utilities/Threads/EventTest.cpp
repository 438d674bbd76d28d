#include "KXFramework/Utilities/Threads/Event.h"

#include "Eventually.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace KX::Test {

namespace {

using KX::Event;
using KX::Test::Eventually;
using namespace std::chrono_literals;

TEST(Event, TimeOutGives258AfterItsTimeAndASetBeforeTheWaitIsKept)
{
    Event e(true);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(e.Wait(30), Event::kTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
    EXPECT_EQ(e.Wait(0), Event::kTimeout);

    e.Set();
    EXPECT_EQ(e.Wait(0), Event::kSignaled);
    EXPECT_EQ(e.Wait(0), Event::kTimeout);   // auto-reset: taken by the first wait
    e.Set();
    e.Reset();
    EXPECT_EQ(e.Wait(0), Event::kTimeout);
}

TEST(Event, IsSignaledConsumesAnAutoResetSignalButNotAManualOne)
{
    Event autoReset(true);
    autoReset.Set();
    EXPECT_TRUE(autoReset.IsSignaled());
    EXPECT_FALSE(autoReset.IsSignaled());

    Event manual(false);
    manual.Set();
    EXPECT_TRUE(manual.IsSignaled());
    EXPECT_TRUE(manual.IsSignaled());
    EXPECT_EQ(manual.Wait(Event::kInfinite), Event::kSignaled);
}

void ReleaseWaiters(Event& e, int setsNeeded)
{
    std::atomic<int> released{0};
    std::thread a([&] { EXPECT_EQ(e.Wait(Event::kInfinite), Event::kSignaled); ++released; });
    std::thread b([&] { EXPECT_EQ(e.Wait(Event::kInfinite), Event::kSignaled); ++released; });
    e.Set();
    ASSERT_TRUE(Eventually([&] { return released.load() >= 1; }));
    if (setsNeeded == 2)
        e.Set();
    a.join();
    b.join();
    EXPECT_EQ(released.load(), 2);
    // Auto-reset: each waiter took one Set; had one Set let both through, the other would be left.
    if (setsNeeded == 2) {
        EXPECT_EQ(e.Wait(0), Event::kTimeout) << "one Set let two waiters through";
    }
}

TEST(Event, AutoResetReleasesOneWaiterPerSetManualResetReleasesAll)
{
    Event autoReset(true);
    ReleaseWaiters(autoReset, 2);
    Event manual(false);
    ReleaseWaiters(manual, 1);
}

TEST(Event, NoWakeUpIsLostBetweenTwoThreads)
{
    // Ping-pong: a lost Set leaves one side waiting and the bounded wait reports it.
    Event ping(true), pong(true);
    constexpr int kRounds = 20000;
    std::thread other([&] {
        for (int i = 0; i < kRounds; ++i) {
            ASSERT_EQ(ping.Wait(10000), Event::kSignaled);
            pong.Set();
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        ping.Set();
        ASSERT_EQ(pong.Wait(10000), Event::kSignaled) << "round " << i;
    }
    other.join();
}

TEST(TrafficLight, IsAGateThatStaysOpenUntilSetRed)
{
    KX::TrafficLight red;
    EXPECT_FALSE(red.IsGreen());
    KX::TrafficLight green(true);
    EXPECT_TRUE(green.IsGreen());
    EXPECT_TRUE(green.IsGreen());
    std::thread waiter([&] { EXPECT_EQ(red.Wait(Event::kInfinite), Event::kSignaled); });
    red.SetGreen();
    waiter.join();
    EXPECT_EQ(red.Wait(0), Event::kSignaled);
    red.SetRed();
    EXPECT_EQ(red.Wait(0), Event::kTimeout);
}

TEST(EventPool, HoldsDistinctCountedEvents)
{
    KX::EventPool pool(3, false);
    ASSERT_EQ(pool.GetCount(), 3u);
    EXPECT_NE(pool.GetAt(0).Get(), pool.GetAt(2).Get());
    pool.GetAt(1)->Set();
    EXPECT_FALSE(pool.GetAt(0)->IsSignaled());
    EXPECT_TRUE(pool.GetAt(1)->IsSignaled());
    EXPECT_TRUE(pool.GetAt(1)->IsSignaled());   // manual reset

    KX::RCPtr<KX::LEvent> e = KX::LEvent::Create();
    EXPECT_EQ(e->GetRefCount(), 1);
    e->Set();
    EXPECT_TRUE(e->IsSignaled());
    EXPECT_FALSE(e->IsSignaled());   // auto-reset by default
}

} // namespace

} // namespace KX::Test
