#include "KXFramework/Utilities/Threads/EventGatedThreader.h"
#include "KXFramework/Utilities/Threads/ThreadPool.h"

#include "Eventually.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace KX::Test {

namespace {

using KX::Event;
using KX::LEvent;
using KX::LEventGatedThreader;
using KX::LRefCountedObject;
using KX::LThreadPool;
using KX::LThreadWorker;
using KX::RCPtr;
using KX::Test::Eventually;
using namespace std::chrono_literals;

// A worker whose Run is a test-supplied function.
class FunctionWorker : public LThreadWorker {
public:
    explicit FunctionWorker(std::function<void(const RCPtr<LRefCountedObject>&)> f) : m_f(std::move(f)) {}
    KXRESULT Run(const RCPtr<LRefCountedObject>& parameters) override
    {
        m_f(parameters);
        return KX::S_OK;
    }

private:
    std::function<void(const RCPtr<LRefCountedObject>&)> m_f;
};

RCPtr<LThreadWorker> Worker(std::function<void(const RCPtr<LRefCountedObject>&)> f)
{
    return RCPtr<LThreadWorker>(new FunctionWorker(std::move(f)));
}

class Number : public LRefCountedObject {
public:
    explicit Number(int v) : value(v) {}
    int value;
};

// ---- threader

TEST(EventGatedThreader, RunsOnEachSetAndOnEachTimeOutAndPicksUpANewWaitTime)
{
    std::atomic<int> runs{0};
    RCPtr<LEvent> ran = LEvent::Create();
    RCPtr<LEvent> gate = LEvent::Create();
    RCPtr<LRefCountedObject> params(new Number(7));
    auto worker = Worker([&](const RCPtr<LRefCountedObject>& p) {
        EXPECT_EQ(dynamic_cast<Number*>(p.Get())->value, 7);
        ++runs;
        ran->Set();
    });
    RCPtr<LEventGatedThreader> threader = LEventGatedThreader::Create(gate, worker, params, 2);
    ASSERT_TRUE(threader);
    EXPECT_EQ(threader->GetWaitTime(), Event::kInfinite);
    EXPECT_EQ(threader->GetPriority(), 2);

    for (int i = 1; i <= 3; ++i) {
        gate->Set();
        ASSERT_EQ(ran->Wait(10000), Event::kSignaled);
        EXPECT_TRUE(Eventually([&] { return !threader->IsBusy(); }));
    }
    EXPECT_EQ(runs.load(), 3);

    threader->SetWaitTime(5);
    gate->Set(); // ends the infinite wait so the new time applies
    EXPECT_TRUE(Eventually([&] { return runs.load() >= 10; })) << "time-outs did not run the worker";
    threader->SetWaitTime(Event::kInfinite);
    gate->Set();
    threader = RCPtr<LEventGatedThreader>();
    EXPECT_EQ(worker->GetRefCount(), 1) << "the stopped thread still holds the worker";
    EXPECT_EQ(params->GetRefCount(), 1);
}

TEST(EventGatedThreader, NullGateOrWorkerGivesNoThreader)
{
    EXPECT_FALSE(LEventGatedThreader::Create(RCPtr<LEvent>(), Worker([](auto&) {}), nullptr, 0));
    EXPECT_FALSE(LEventGatedThreader::Create(LEvent::Create(), RCPtr<LThreadWorker>(), nullptr, 0));
}

TEST(EventGatedThreader, DestructionWaitsForTheRunningWorkerAndIsBusyMeanwhile)
{
    RCPtr<LEvent> gate = LEvent::Create();
    RCPtr<LEvent> started = LEvent::Create();
    KX::TrafficLight proceed;
    std::atomic<bool> finished{false};
    auto worker = Worker([&](auto&) {
        started->Set();
        proceed.Wait(Event::kInfinite);
        std::this_thread::sleep_for(20ms);
        finished = true;
    });
    RCPtr<LEventGatedThreader> threader = LEventGatedThreader::Create(gate, worker, nullptr, 0);
    gate->Set();
    ASSERT_EQ(started->Wait(10000), Event::kSignaled);
    EXPECT_TRUE(threader->IsBusy());

    std::atomic<bool> destroyed{false};
    std::thread releaser([&] {
        threader = RCPtr<LEventGatedThreader>();
        EXPECT_TRUE(finished.load()) << "the threader went while its worker was running";
        destroyed = true;
    });
    // The destructor sets the gate before it waits for the thread; the test takes that signal and
    // gives it back, so the destruction is known to be under way while the worker still runs.
    ASSERT_TRUE(Eventually([&] { return gate->IsSignaled(); }));
    gate->Set();
    EXPECT_FALSE(destroyed.load());
    proceed.SetGreen();
    releaser.join();
    EXPECT_TRUE(destroyed.load());
    EXPECT_EQ(worker->GetRefCount(), 1);
}

// Holds the only reference to its own threader and lets it go inside Run.
class SelfReleasingWorker : public LThreadWorker {
public:
    KXRESULT Run(const RCPtr<LRefCountedObject>&) override
    {
        threader = RCPtr<LEventGatedThreader>(); // destroys the threader on its own thread
        released->Set();
        std::this_thread::sleep_for(linger);
        return KX::S_OK;
    }
    RCPtr<LEventGatedThreader> threader;
    RCPtr<LEvent> released = LEvent::Create();
    // Keeps the thread busy after the release, so that a thread nobody waits for shows.
    std::chrono::milliseconds linger{0};
};

TEST(EventGatedThreader, LastReferenceReleasedInsideRunEndsTheThreadCleanly)
{
    RCPtr<SelfReleasingWorker> worker(new SelfReleasingWorker);
    RCPtr<LEvent> gate = LEvent::Create();
    worker->threader = LEventGatedThreader::Create(gate, RCPtr<LThreadWorker>(worker), nullptr, 0);
    gate->Set();
    ASSERT_EQ(worker->released->Wait(10000), Event::kSignaled);
    // The thread ends on its own and lets go of the worker and the gate.
    EXPECT_TRUE(Eventually([&] { return worker->GetRefCount() == 1 && gate->GetRefCount() == 1; }));
}

// Writes its mark to standard error when the threader's thread lets go of it, its last act.
class Mark : public LRefCountedObject {
public:
    ~Mark() override { static_cast<void>(::write(2, "thread ended\n", 13)); }
};

TEST(EventGatedThreaderDeathTest, AThreadWhoseThreaderEndedOnItIsJoinedBeforeTheProcessEnds)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            RCPtr<SelfReleasingWorker> worker(new SelfReleasingWorker);
            worker->linger = 50ms;
            RCPtr<LEvent> gate = LEvent::Create();
            worker->threader =
                LEventGatedThreader::Create(gate, RCPtr<LThreadWorker>(worker), RCPtr<LRefCountedObject>(new Mark), 0);
            gate->Set();
            // Once the threader is gone, only the process's exit can wait for the rest of its thread.
            worker->released->Wait(Event::kInfinite);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "thread ended");
}

// ---- thread pool

TEST(ThreadPool, OneWorkerRunsJobsInArrivalOrderWithoutOverlap)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(1, 2);
    EXPECT_EQ(pool->GetDispatcherPriority(), 2);
    std::mutex lock;
    std::vector<int> order;
    std::atomic<int> active{0};
    std::atomic<bool> overlapped{false};
    auto worker = Worker([&](const RCPtr<LRefCountedObject>& p) {
        if (++active > 1)
            overlapped = true;
        {
            std::lock_guard<std::mutex> g(lock);
            order.push_back(dynamic_cast<Number*>(p.Get())->value);
        }
        --active;
    });
    constexpr int kJobs = 1000;
    for (int i = 0; i < kJobs; ++i)
        ASSERT_EQ(pool->QueueWork(worker, RCPtr<LRefCountedObject>(new Number(i)), 0), KX::S_OK);
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard<std::mutex> g(lock);
        return order.size() == kJobs;
    }));
    EXPECT_FALSE(overlapped.load());
    for (int i = 0; i < kJobs; ++i)
        ASSERT_EQ(i, order[i]) << "a job overtook an earlier one";
}

TEST(ThreadPool, HigherPriorityGoesFirstAndEqualOnesKeepTheirOrder)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(1, 2);
    KX::TrafficLight proceed;
    RCPtr<LEvent> started = LEvent::Create();
    std::mutex lock;
    std::vector<int> order;
    auto blocker = Worker([&](auto&) {
        started->Set();
        proceed.Wait(Event::kInfinite);
    });
    auto record = Worker([&](const RCPtr<LRefCountedObject>& p) {
        std::lock_guard<std::mutex> g(lock);
        order.push_back(dynamic_cast<Number*>(p.Get())->value);
    });
    static_cast<void>(pool->QueueWork(blocker, nullptr, 0));
    ASSERT_EQ(started->Wait(10000), Event::kSignaled);
    const int priorities[] = {0, 0, 1, 0, 2, 1};
    for (int i = 0; i < 6; ++i)
        static_cast<void>(pool->QueueWork(record, RCPtr<LRefCountedObject>(new Number(i)), priorities[i]));
    proceed.SetGreen();
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard<std::mutex> g(lock);
        return order.size() == 6;
    }));
    EXPECT_EQ(order, (std::vector<int>{4, 2, 5, 0, 1, 3}));
}

TEST(ThreadPool, RefusesNullWorkAndWorkAfterStopAndDropsPendingJobsUnrun)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(1, 2);
    EXPECT_EQ(pool->QueueWork(RCPtr<LThreadWorker>(), nullptr, 0), KX::E_INVALIDARG);

    KX::TrafficLight proceed;
    RCPtr<LEvent> started = LEvent::Create();
    std::atomic<bool> pendingRan{false};
    ASSERT_EQ(pool->QueueWork(Worker([&](auto&) {
                                  started->Set();
                                  proceed.Wait(Event::kInfinite);
                              }),
                              nullptr, 0),
              KX::S_OK);
    ASSERT_EQ(started->Wait(10000), Event::kSignaled);
    RCPtr<LRefCountedObject> data(new Number(1));
    static_cast<void>(pool->QueueWork(Worker([&](auto&) { pendingRan = true; }), data, 0));
    EXPECT_EQ(data->GetRefCount(), 2);

    std::thread stopper([&] { pool->Stop(); });
    EXPECT_TRUE(Eventually([&] { return data->GetRefCount() == 1; })) << "pending job not released";
    EXPECT_EQ(pool->QueueWork(Worker([](auto&) {}), nullptr, 0), KX::E_FAIL);
    proceed.SetGreen();
    stopper.join();
    EXPECT_FALSE(pendingRan.load());
}

TEST(ThreadPool, ManyPostersEveryJobRunsOnceAndAPoolMayBeReleasedFromItsOwnJob)
{
    RCPtr<LThreadPool> pool = LThreadPool::Create(3, 2);
    std::atomic<int> runs{0};
    auto worker = Worker([&](auto&) { ++runs; });
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([&] {
            for (int i = 0; i < 500; ++i)
                static_cast<void>(pool->QueueWork(worker, nullptr, i % 3));
        });
    for (auto& t : posters)
        t.join();
    ASSERT_TRUE(Eventually([&] { return runs.load() == 2000; }));

    // The last reference goes inside a job: the pool stops without joining its own thread.
    RCPtr<LEvent> released = LEvent::Create();
    auto* holder = new RCPtr<LThreadPool>(pool);
    pool = RCPtr<LThreadPool>();
    static_cast<void>((*holder)->QueueWork(Worker([&](auto&) {
                                               delete holder;
                                               released->Set();
                                           }),
                                           nullptr, 0));
    EXPECT_EQ(released->Wait(10000), Event::kSignaled);
    EXPECT_TRUE(Eventually([&] { return worker->GetRefCount() == 1; }));
}

} // namespace

} // namespace KX::Test
