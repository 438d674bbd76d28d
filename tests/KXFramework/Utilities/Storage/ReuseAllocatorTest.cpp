#include "KXFramework/Utilities/Storage/ReuseAllocator.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace KX::Test {

namespace {

struct Param {
    virtual ~Param() = default;
    long double precise = 0;
    int tag = 0;
};

bool Aligned(const void* p)
{
    return reinterpret_cast<std::uintptr_t>(p) % alignof(std::max_align_t) == 0;
}

TEST(ReuseAllocator, FreedBlocksComeBackMostRecentFirst)
{
    KX::ReuseAllocator<Param, 4> pool(false);
    void* a = pool.Allocate(sizeof(Param));
    pool.Free(a);
    EXPECT_EQ(pool.Allocate(sizeof(Param)), a);
    void* b = pool.Allocate(sizeof(Param));
    pool.Free(a);
    pool.Free(b);
    EXPECT_EQ(pool.Allocate(sizeof(Param)), b);
    EXPECT_EQ(pool.Allocate(sizeof(Param)), a);
    EXPECT_EQ(pool.GetBlockCount(), 2u);
}

TEST(ReuseAllocator, EveryBlockIsAlignedForAnyType)
{
    KX::ReuseAllocator<Param, 4> pool(false);
    std::vector<void*> live;
    for (int i = 0; i < 9; ++i) {
        live.push_back(pool.Allocate(sizeof(Param)));
        live.push_back(pool.Allocate(sizeof(Param) + i + 1));
    }
    for (void* p : live) {
        EXPECT_TRUE(Aligned(p));
        new (p) Param(); // a class with a vtable and a long double
    }
    for (void* p : live) {
        static_cast<Param*>(p)->~Param();
        pool.Free(p);
    }
}

TEST(ReuseAllocator, OtherSizesBypassThePool)
{
    KX::ReuseAllocator<Param, 4> pool(false);
    void* p = pool.Allocate(sizeof(Param) + 1);
    std::memset(p, 0xAB, sizeof(Param) + 1);
    EXPECT_EQ(pool.GetBlockCount(), 0u);
    pool.Free(p);
    EXPECT_EQ(pool.GetFreeCount(), 0u);
}

TEST(ReuseAllocator, ThePoolHoldsAsManyBlocksAsWereEverAliveAtOnce)
{
    KX::ReuseAllocator<Param, 4> pool(false);
    std::vector<void*> live;
    for (int i = 0; i < 7; ++i)
        live.push_back(pool.Allocate(sizeof(Param)));
    for (void* p : live)
        pool.Free(p);
    EXPECT_EQ(pool.GetBlockCount(), 7u);
    EXPECT_EQ(pool.GetFreeCount(), 7u);
    for (int i = 0; i < 7; ++i)
        pool.Allocate(sizeof(Param));
    EXPECT_EQ(pool.GetBlockCount(), 7u);
    EXPECT_EQ(pool.GetFreeCount(), 0u);
    // Destroying the pool deletes the blocks still handed out.
}

TEST(ReuseAllocator, FreeingTwiceNeverHandsOneBlockOutTwice)
{
    KX::ReuseAllocator<Param, 4> pool(false);
    void* p = pool.Allocate(sizeof(Param));
    pool.Free(p);
    EXPECT_DEBUG_DEATH(pool.Free(p), "freed twice");
    EXPECT_EQ(pool.GetFreeCount(), 1u);
}

TEST(ReuseAllocator, ALockedPoolServesSeveralThreads)
{
    KX::ReuseAllocator<Param, 1> pool(true);
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    std::vector<int> overlaps(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::vector<Param*> mine;
            for (int i = 0; i < 2000; ++i) {
                auto* p = new (pool.Allocate(sizeof(Param))) Param();
                p->tag = t * 100000 + i;
                mine.push_back(p);
                if (i % 3 == 2) {
                    for (Param* q : mine) {
                        overlaps[t] += q->tag / 100000 != t;
                        q->~Param();
                        pool.Free(q);
                    }
                    mine.clear();
                }
            }
            for (Param* q : mine) {
                q->~Param();
                pool.Free(q);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(overlaps, std::vector<int>(kThreads, 0));
    EXPECT_EQ(pool.GetFreeCount(), pool.GetBlockCount());
    EXPECT_LE(pool.GetBlockCount(), 3u * kThreads);
}

TEST(ReuseAllocator, TheProcessPoolIsBuiltOnceAndKept)
{
    auto& a = KX::ProcessReuseAllocator<Param, 4, true>();
    auto& b = KX::ProcessReuseAllocator<Param, 4, true>();
    EXPECT_EQ(&a, &b);
    void* p = a.Allocate(sizeof(Param));
    EXPECT_TRUE(Aligned(p));
    a.Free(p);
}

} // namespace

} // namespace KX::Test
