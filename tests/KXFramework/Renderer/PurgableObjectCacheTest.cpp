#include "KXFramework/Renderer/PurgableObjectCache.h"

#include <gtest/gtest.h>

namespace KX::Test {

namespace {

struct Thing : LRefCountedObject {
    explicit Thing(int v) : value(v) {}
    int value;
};

struct SameBucket {
    static unsigned Bucket(int) { return 3; }
};

using Cache = PurgableObjectCache<Thing, int, SameBucket>;

RCPtr<Thing>& Use(Cache& cache, int id)
{
    RCPtr<Thing>& slot = cache.GetEntry(id, false);
    if (!slot)
        slot = RCPtr<Thing>(new Thing(id));
    return slot;
}

} // namespace

TEST(PurgableObjectCache, ANewKeyTakesTheLeastRecentlyUsedEntry)
{
    Cache cache(2);
    Use(cache, 'p');
    const RCPtr<Thing>* q = &Use(cache, 'q');
    Use(cache, 'p');
    RCPtr<Thing>& r = cache.GetEntry('r', false);
    EXPECT_EQ(&r, q);
    EXPECT_FALSE(r);
    EXPECT_EQ(cache.GetEntry('p', false)->value, 'p');
}

TEST(PurgableObjectCache, RemovedKeysKeepTheirEntry)
{
    Cache cache(4);
    RCPtr<Thing>* slot = &Use(cache, 1);
    EXPECT_EQ(cache.Remove(1), 0);
    EXPECT_EQ(cache.Remove(2), 1);
    EXPECT_EQ(&cache.GetEntry(1, false), slot);
    EXPECT_FALSE(*slot);
    Use(cache, 1);
    EXPECT_FALSE(cache.GetEntry(1, true));
}

TEST(PurgableObjectCache, PurgeClearsWhatWasNotUsedSinceThePreviousPurge)
{
    Cache cache(8);
    Use(cache, 1);
    cache.GetEntry(3, false); // assigned, never given an object
    Use(cache, 2);
    uint32_t lastPurge = 0;
    EXPECT_EQ(cache.Purge(lastPurge), 0);
    lastPurge = cache.GetStamp();
    Use(cache, 2);
    EXPECT_EQ(cache.Purge(lastPurge), 2); // 1 and 3, the empty one counted too
    lastPurge = cache.GetStamp();
    EXPECT_FALSE(cache.GetEntry(1, false));
    EXPECT_TRUE(cache.GetEntry(2, false));
}

} // namespace KX::Test
