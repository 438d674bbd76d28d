#include "KXFramework/Utilities/Storage/RCPtrQueue.h"

#include "CountedObject.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace KX::Test {

namespace {

using KX::RCPtr;
using KX::Test::Counted;
using Queue = KX::RCPtrQueue<Counted, 256>;

TEST(RCPtrQueue, EmptyDequeueThrowsTheExactText)
{
    Queue queue;
    EXPECT_EQ(queue.GetCount(), 0u);
    EXPECT_EQ(queue.GetCapacity(), 0u);
    try {
        queue.Dequeue();
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Runtime Error : KX::RCPtrQueue<class KX::Test::Counted,256>::Dequeue : "
                               "utilities\\Storage/RCPtrQueue : Line 104");
    }
}

TEST(RCPtrQueue, GrowsWhenFullAndKeepsTheOrderAcrossTheWrap)
{
    Queue queue;
    int next = 0, expected = 0;
    queue.Enqueue(RCPtr<Counted>(new Counted(next++)));
    EXPECT_EQ(queue.GetCapacity(), 2u);
    // Bursts of uneven size keep the read and write indices at every relative position.
    for (int round = 0; round < 60; ++round) {
        for (int i = 0; i < round % 7 + 1; ++i)
            queue.Enqueue(RCPtr<Counted>(new Counted(next++)));
        for (int i = 0; i < round % 5 + 1 && queue.GetCount() > 0; ++i)
            ASSERT_EQ(queue.Dequeue()->id, expected++);
        ASSERT_EQ(queue.GetCount(), static_cast<unsigned>(next - expected));
        ASSERT_LT(queue.GetCount(), queue.GetCapacity());
    }
    while (queue.GetCount() > 0)
        ASSERT_EQ(queue.Dequeue()->id, expected++);
    EXPECT_EQ(expected, next);
}

TEST(RCPtrQueue, HoldsOneReferencePerEntryAndReleasesTheRest)
{
    std::vector<int> destroyed;
    RCPtr<Counted> kept(new Counted(1, &destroyed));
    {
        Queue queue;
        queue.Enqueue(kept);
        queue.Enqueue(RCPtr<Counted>(new Counted(2, &destroyed)));
        EXPECT_EQ(kept->GetRefCount(), 2);
        RCPtr<Counted> first = queue.Dequeue();
        EXPECT_EQ(kept->GetRefCount(), 2);
    }
    EXPECT_EQ(destroyed, (std::vector<int>{2}));
    EXPECT_EQ(kept->GetRefCount(), 1);
}

TEST(RCPtrQueue, ALockedQueueCarriesEntriesBetweenThreads)
{
    KX::Mutex lock;
    Queue queue(&lock);
    constexpr int kCount = 5000;
    std::thread producer([&] {
        for (int i = 0; i < kCount; ++i)
            queue.Enqueue(RCPtr<Counted>(new Counted(i)));
    });
    std::vector<int> received;
    while (received.size() < kCount) {
        if (queue.GetCount() > 0)
            received.push_back(queue.Dequeue()->id);
        else
            std::this_thread::yield();
    }
    producer.join();
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(received[i], i);
}

} // namespace

} // namespace KX::Test
