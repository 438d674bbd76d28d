#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/SimpleFixedArray.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace KX::Test {

namespace {

using Pos = KX::IterablePosition;

template <class T>
KX::Array<T> Make(std::initializer_list<T> items)
{
    KX::Array<T> a;
    for (const T& v : items)
        a.AddItem(v);
    return a;
}

template <class T>
std::vector<T> Items(const KX::IArray<T>& a)
{
    std::vector<T> out;
    for (unsigned i = 0; i < a.GetCount(); ++i)
        out.push_back(a.GetData()[i]);
    return out;
}

std::uintptr_t Addr(Pos p)
{
    return static_cast<std::uintptr_t>(p);
}

TEST(ArrayPositions, EmptyArrayHasNullPositionsAndNoData)
{
    KX::Array<int32_t> a;
    EXPECT_EQ(a.GetData(), nullptr);
    EXPECT_EQ(Addr(a.GetFirstPosition()), 0u);
    EXPECT_EQ(Addr(a.GetLastPosition()), 0u);
    EXPECT_EQ(Addr(a.GetEndPosition()), 0u);
    EXPECT_EQ(Addr(a.GetBeforeFirstPosition()), 0u);
    EXPECT_TRUE(a.Begin() == a.End());
    EXPECT_EQ(Addr(a.Advance(Pos{}, 3)), 0u);
    EXPECT_EQ(a.Clear(), KX::S_OK);
    KX::Array<int32_t> empty;
    EXPECT_EQ(a.Append(empty), 0);
}

TEST(ArrayPositions, BoundariesAndAdvanceClampWithoutWrapping)
{
    auto a = Make<int32_t>({1, 2, 3});
    const auto A = reinterpret_cast<std::uintptr_t>(a.GetData());
    EXPECT_EQ(Addr(a.GetFirstPosition()), A);
    EXPECT_EQ(Addr(a.GetLastPosition()), A + 8);
    EXPECT_EQ(Addr(a.GetEndPosition()), A + 12);
    EXPECT_EQ(Addr(a.GetBeforeFirstPosition()), A - 4);
    EXPECT_EQ(Addr(a.Advance(a.GetFirstPosition(), 1)), A + 4);
    EXPECT_EQ(Addr(a.Advance(a.GetFirstPosition(), 5)), A + 12);
    EXPECT_EQ(Addr(a.Advance(a.GetLastPosition(), -10)), A - 4);
    EXPECT_EQ(Addr(a.Advance(a.GetLastPosition(), INT_MAX)), A + 12);
    EXPECT_EQ(Addr(a.Advance(a.GetFirstPosition(), INT_MIN)), A - 4);
}

TEST(ArrayPositions, WalksVisitEveryElementOnceInEachDirection)
{
    auto a = Make<int32_t>({10, 20, 30});
    std::vector<int32_t> forward, backward;
    for (auto it = a.Begin(); !(it == a.End()); ++it)
        forward.push_back(*it);
    for (auto it = a.RBegin(); !(it == a.REnd()); ++it)
        backward.push_back(*it);
    EXPECT_EQ(forward, (std::vector<int32_t>{10, 20, 30}));
    EXPECT_EQ(backward, (std::vector<int32_t>{30, 20, 10}));
    EXPECT_EQ(a.IndexOf(30), 2);
    EXPECT_EQ(a.IndexOf(40), -1);
}

TEST(Array, IndexAccessIsCheckedWithTheRunTimeText)
{
    KX::Array<int32_t> a;
    try {
        a.GetAt(0u);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid vector<T> subscript");
    }
    a.AddItem(7);
    const KX::Array<int32_t>& c = a;
    EXPECT_EQ(c.GetAt(0u), 7);
    EXPECT_THROW(c.GetAt(1u), std::out_of_range);
}

TEST(Array, RemovingOutOfRangeReportsInvalidArgInsteadOfThrowing)
{
    KX::Array<int32_t> a;
    int32_t removed = 99;
    EXPECT_EQ(a.RemoveLastItem(removed), KX::E_INVALIDARG);
    a.AddItem(1);
    EXPECT_EQ(a.RemoveItem(1, removed), KX::E_INVALIDARG);
    EXPECT_EQ(removed, 99);
    EXPECT_EQ(a.RemoveLastItem(removed), 0);
    EXPECT_EQ(removed, 1);
}

TEST(Array, InsertAndRemoveResultsAndRangeChecks)
{
    auto a = Make<int32_t>({5});
    EXPECT_EQ(a.InsertItems(0, 3), 4);
    EXPECT_EQ(Items(a), (std::vector<int32_t>{0, 0, 0, 5}));
    EXPECT_EQ(a.InsertItem(4, 9), 4);
    EXPECT_EQ(a.InsertItem(6, 9), KX::E_INVALIDARG);
    EXPECT_EQ(a.AddItem(8), 5);
    EXPECT_EQ(a.RemoveItems(1, 0), 6);
    EXPECT_EQ(a.RemoveItems(6, 0), KX::E_INVALIDARG);
    EXPECT_EQ(a.RemoveItems(1, UINT_MAX), KX::E_INVALIDARG);
    EXPECT_EQ(a.RemoveItems(0, 3), 3);
    EXPECT_EQ(Items(a), (std::vector<int32_t>{5, 9, 8}));
    EXPECT_EQ(a.Swap(0, 2), KX::S_OK);
    EXPECT_EQ(a.Swap(1, 3), KX::E_INVALIDARG);
    EXPECT_EQ(Items(a), (std::vector<int32_t>{8, 9, 5}));
}

TEST(Array, GrowthPastTheLargestCountThrowsTheRunTimeText)
{
    KX::Array<char> a;
    a.AddItem('x');
    try {
        a.SetCount(0x80000000u);
        FAIL();
    } catch (const std::length_error& e) {
        EXPECT_STREQ(e.what(), "vector<T> too long");
    }
    EXPECT_THROW(a.InsertItems(0, 0x7FFFFFFFu), std::length_error);
    EXPECT_EQ(a.GetCount(), 1u);
}

TEST(Array, SetCountDestroysAndAddsDefaultElements)
{
    auto a = Make<std::string>({"a", "b", "c"});
    EXPECT_EQ(a.SetCount(2), 2);
    EXPECT_EQ(a.SetCount(5), 5);
    EXPECT_EQ(Items(a), (std::vector<std::string>{"a", "b", "", "", ""}));
}

TEST(Array, InsertingItsOwnElementKeepsTheValue)
{
    KX::Array<std::string> a;
    a.AddItem(std::string(100, 'q'));
    for (int i = 0; i < 40; ++i)
        a.InsertItem(0, a.GetAt(a.GetCount() - 1));
    for (unsigned i = 0; i < a.GetCount(); ++i)
        ASSERT_EQ(a.GetAt(i), std::string(100, 'q'));
}

TEST(Array, AppendAssignAndAppendToItself)
{
    auto a = Make<int32_t>({1, 2, 3});
    auto b = Make<int32_t>({4, 5});
    EXPECT_EQ(a.Append(b), 5);
    EXPECT_EQ(a.Append(a), 10);
    EXPECT_EQ(Items(a), (std::vector<int32_t>{1, 2, 3, 4, 5, 1, 2, 3, 4, 5}));
    const KX::IIterable<int32_t>& walked = b;
    EXPECT_EQ(a.Assign(walked), 2);
    EXPECT_TRUE(a == b);
}

TEST(Array, BoolElementsAreAddressable)
{
    KX::Array<bool> a;
    a.SetCount(3);
    a.GetData()[1] = true;
    EXPECT_EQ(Items(a), (std::vector<bool>{false, true, false}));
}

TEST(CopyFrom, WritesOnlyWithinTheCountEvenWhenTheRangeWraps)
{
    KX::Array<signed char> a;
    a.SetCount(8);
    const signed char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(a.CopyFrom(bytes, 6, 4), 2u);
    EXPECT_EQ(a.GetAt(6u), 1);
    EXPECT_EQ(a.GetAt(7u), 2);
    EXPECT_EQ(a.CopyFrom(bytes, 8, 1), 0u);
    EXPECT_EQ(a.CopyFrom(bytes, 2, UINT_MAX), 6u);
    EXPECT_EQ(a.GetAt(7u), 6);
}

TEST(SimpleFixedArray, NeverGrowsPastItsCapacity)
{
    KX::SimpleFixedArray<signed char, 8> a(7);
    EXPECT_EQ(a.GetMaxCount(), 8u);
    EXPECT_EQ(a.InsertItems(0, 2), KX::E_INVALIDARG);
    EXPECT_EQ(a.InsertItems(0, UINT_MAX), KX::E_INVALIDARG);
    EXPECT_EQ(a.InsertItems(7, 1), 8);
    EXPECT_EQ(a.SetCount(12), 8);
    EXPECT_EQ(a.RemoveItems(1, UINT_MAX), KX::E_INVALIDARG);
    EXPECT_EQ(a.RemoveItems(UINT_MAX, 2), KX::E_INVALIDARG);
    a.SetCount(6);
    KX::Array<signed char> more;
    more.SetCount(3);
    EXPECT_EQ(a.Append(more), KX::E_FAIL);
    EXPECT_EQ(a.GetCount(), 8u);
}

TEST(SimpleFixedArray, InsertAndRemoveMoveTheTail)
{
    KX::SimpleFixedArray<signed char, 8> a(3);
    signed char* d = a.GetData();
    d[0] = 1, d[1] = 2, d[2] = 3;
    // The item is an element that the insertion moves.
    EXPECT_EQ(a.InsertItem(0, a.GetAt(1u)), 4);
    EXPECT_EQ(Items<signed char>(a), (std::vector<signed char>{2, 1, 2, 3}));
    EXPECT_EQ(a.RemoveItems(1, 2), 2);
    EXPECT_EQ(Items<signed char>(a), (std::vector<signed char>{2, 3}));
}

} // namespace

} // namespace KX::Test
