#include "KXFramework/Utilities/Threads/Event.h"

#include "Eventually.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>

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
    EXPECT_EQ(e.Wait(0), Event::kTimeout); // auto-reset: taken by the first wait
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

// Whether the thread sleeps (state S in /proc), as one blocked in a wait does.
bool Sleeping(pid_t tid)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t name = stat.rfind(')');
    return name != std::string::npos && name + 2 < stat.size() && stat[name + 2] == 'S';
}

void ReleaseWaiters(Event& e, int setsNeeded)
{
    std::atomic<int> released{0};
    std::atomic<pid_t> tids[2] = {0, 0};
    const auto waiter = [&](int i) {
        tids[i] = ::gettid();
        // Bounded far beyond the checks below, so that a waiter nobody wakes cannot hang the test.
        EXPECT_EQ(e.Wait(60000), Event::kSignaled);
        ++released;
    };
    std::thread a(waiter, 0), b(waiter, 1);
    // Both wait before the first Set; otherwise a Set that wakes only one could still let both through.
    EXPECT_TRUE(Eventually([&] { return tids[0] && tids[1] && Sleeping(tids[0]) && Sleeping(tids[1]); }));
    e.Set();
    EXPECT_TRUE(Eventually([&] { return released.load() >= 1; }));
    if (setsNeeded == 2) {
        EXPECT_EQ(released.load(), 1) << "one Set let two waiters through";
        e.Set();
    }
    EXPECT_TRUE(Eventually([&] { return released.load() == 2; })) << "a waiter was not woken";
    // Frees a waiter left behind, so that a failing test still ends.
    for (int i = 0; i < 2 && released.load() < 2; ++i)
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
    EXPECT_TRUE(pool.GetAt(1)->IsSignaled()); // manual reset

    KX::RCPtr<KX::LEvent> e = KX::LEvent::Create();
    EXPECT_EQ(e->GetRefCount(), 1);
    e->Set();
    EXPECT_TRUE(e->IsSignaled());
    EXPECT_FALSE(e->IsSignaled()); // auto-reset by default
}

} // namespace

} // namespace KX::Test
