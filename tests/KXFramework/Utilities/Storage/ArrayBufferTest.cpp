#include "KXFramework/Utilities/Storage/ArrayBuffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace KX::Test {

namespace {

using Words = KX::ArrayBuffer<unsigned, 1, 0, 1, 8>;

template <class A>
std::vector<unsigned> Items(A& a)
{
    return std::vector<unsigned>(a.begin(), a.end());
}

void Fill(Words& a)
{
    a.SetCount(3);
    a.GetData()[0] = 10, a.GetData()[1] = 11, a.GetData()[2] = 12;
}

TEST(ArrayBuffer, InsertZeroesTheNewElementsAndChecksTheRange)
{
    Words a;
    EXPECT_EQ(a.GetData(), nullptr);
    Fill(a);
    EXPECT_EQ(a.InsertItems(3, 2), 5);
    EXPECT_EQ(Items(a), (std::vector<unsigned>{10, 11, 12, 0, 0}));
    Words b;
    Fill(b);
    EXPECT_EQ(b.InsertItems(1, 2), 5);
    EXPECT_EQ(Items(b), (std::vector<unsigned>{10, 0, 0, 11, 12}));
    Words c;
    Fill(c);
    EXPECT_EQ(c.InsertItems(4, 1), KX::E_INVALIDARG);
    EXPECT_EQ(c.InsertItems(9, 0), 3);
    EXPECT_THROW(c.InsertItems(1, UINT_MAX), std::bad_alloc);
    EXPECT_EQ(Items(c), (std::vector<unsigned>{10, 11, 12}));
}

TEST(ArrayBuffer, RemoveChecksTheRangeWithoutWrapping)
{
    Words a;
    Fill(a);
    EXPECT_EQ(a.RemoveItems(2, 2), KX::E_INVALIDARG);
    EXPECT_EQ(a.RemoveItems(1, UINT_MAX), KX::E_INVALIDARG);
    EXPECT_EQ(a.RemoveItems(UINT_MAX, 2), KX::E_INVALIDARG);
    EXPECT_EQ(a.RemoveItems(7, 0), 3);
    EXPECT_EQ(a.RemoveItems(0, 2), 1);
    EXPECT_EQ(Items(a), (std::vector<unsigned>{12}));
    unsigned removed = 5;
    EXPECT_EQ(a.RemoveItem(1, removed), KX::E_INVALIDARG);
    EXPECT_EQ(a.RemoveLastItem(removed), 0);
    EXPECT_EQ(removed, 12u);
    EXPECT_EQ(a.RemoveLastItem(removed), KX::E_INVALIDARG);
}

TEST(ArrayBuffer, SetCountZeroesTheNewTailAndRefusesSizesBeyondThirtyTwoBits)
{
    Words a;
    Fill(a);
    a.SetCount(1);
    a.SetCount(3);
    EXPECT_EQ(Items(a), (std::vector<unsigned>{10, 0, 0}));
    EXPECT_THROW(a.SetCount(0x40000000u), std::bad_alloc);
    EXPECT_EQ(a.GetCount(), 3u);
}

TEST(ArrayBuffer, AddingItsOwnElementWhileTheBlockMoves)
{
    KX::ArrayBuffer<double, 1, 0, 1, 8> a;
    a.AddItem(2.5);
    for (int i = 0; i < 30; ++i)
        a.AddItem(a.GetAt(a.GetCount() - 1));
    for (unsigned i = 0; i < a.GetCount(); ++i)
        ASSERT_EQ(a.GetAt(i), 2.5);
}

TEST(ArrayBuffer, GrowthFollowsTheInstanceStepAndSlack)
{
    Words exact;
    exact.SetCount(3);
    EXPECT_EQ(exact.GetCapacity(), 3u);
    exact.SetCount(2);
    EXPECT_EQ(exact.GetCapacity(), 2u);
    KX::ArrayBuffer<unsigned, 32, 1600, 1, 8> pool;
    pool.SetCount(1);
    EXPECT_EQ(pool.GetCapacity(), 32u);
    pool.SetCount(0);
    EXPECT_EQ(pool.GetCapacity(), 32u);
    pool.SetCount(33);
    EXPECT_EQ(pool.GetCapacity(), 64u);
}

TEST(ArrayBufferM, SmallCountsLiveInlineAndLargerOnesInABlock)
{
    KX::ArrayBufferM<signed char, 4, 1, 0, 1, 8> a;
    for (int i = 0; i < 4; ++i)
        a.AddItem(static_cast<signed char>(i + 1));
    EXPECT_EQ(a.GetCount(), 4u);
    EXPECT_EQ(a.GetCapacity(), 0u);
    EXPECT_EQ(a.AddItem(5), 5);
    EXPECT_EQ(a.GetCapacity(), 5u);
    const signed char* d = a.GetData();
    EXPECT_EQ(std::vector<signed char>(d, d + 5), (std::vector<signed char>{1, 2, 3, 4, 5}));
    EXPECT_EQ(a.InsertItems(1, 2), 7);
    d = a.GetData();
    EXPECT_EQ(std::vector<signed char>(d, d + 7), (std::vector<signed char>{1, 0, 0, 2, 3, 4, 5}));
    EXPECT_EQ(a.RemoveItems(0, 4), 3);
    EXPECT_EQ(a.GetCapacity(), 0u);
    d = a.GetData();
    EXPECT_EQ(std::vector<signed char>(d, d + 3), (std::vector<signed char>{3, 4, 5}));
    EXPECT_EQ(a.SetCount(6), 6);
    EXPECT_EQ(a.GetData()[5], 0);
}

} // namespace

} // namespace KX::Test
