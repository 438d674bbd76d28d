#include "KXFramework/ObjectBase/Mutex.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace KX::Test {

namespace {

bool OtherThreadCanLock(KX::Mutex& m)
{
    bool locked = false;
    std::thread t([&] {
        locked = m.TryLock();
        if (locked)
            m.Unlock();
    });
    t.join();
    return locked;
}

TEST(Mutex, SameThreadLocksAgainAndOthersWaitUntilTheLastUnlock)
{
    KX::Mutex m;
    m.Lock();
    EXPECT_TRUE(m.TryLock());
    {
        KX::MutexLock again(m);
        EXPECT_FALSE(OtherThreadCanLock(m));
    }
    m.Unlock();
    EXPECT_FALSE(OtherThreadCanLock(m));
    m.Unlock();
    EXPECT_TRUE(OtherThreadCanLock(m));
}

TEST(MutexLock, UnlocksWhenAnExceptionLeavesTheScope)
{
    KX::Mutex m;
    try {
        KX::MutexLock lock(m);
        throw std::runtime_error("x");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(OtherThreadCanLock(m));
}

TEST(MutexLock, SerialisesUpdatesAcrossThreads)
{
    KX::Mutex m;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 10000; ++k) {
                KX::MutexLock lock(m);
                ++counter;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 40000);
}

} // namespace

} // namespace KX::Test
