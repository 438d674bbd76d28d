#include "KXFramework/Utilities/Storage/ArrayUtils.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/SimpleFixedArray.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace KX::Test {

namespace {

struct Keyed {
    int32_t key;
    int32_t tag;
};

std::vector<unsigned> Indices(const KX::Array<unsigned>& a)
{
    return std::vector<unsigned>(a.begin(), a.end());
}

TEST(Sort, ShortRangesAreNotCheckedAndBadRangesThrowTheExactText)
{
    KX::Array<int32_t> a;
    a.SetCount(3);
    auto less = [](int32_t x, int32_t y) { return x < y; };
    EXPECT_NO_THROW(KX::ArrayUtils::Sort(a, 10, 1, less));
    EXPECT_NO_THROW(KX::ArrayUtils::Sort(a, 10, 0, less));
    try {
        KX::ArrayUtils::Sort(a, 2, 2, less);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Out of Range : KX::ArrayUtils::Sort : utilities\\Storage/ArrayUtils : Line 254");
    }
    // first + count wraps to 1, which must not pass the check.
    EXPECT_THROW(KX::ArrayUtils::Sort(a, UINT_MAX, 2, less), std::out_of_range);
}

TEST(Sort, EqualKeysKeepTheirOrder)
{
    KX::Array<Keyed> a;
    for (int32_t i = 0; i < 200; ++i)
        a.AddItem({(i * 7) % 5, i});
    KX::ArrayUtils::Sort(a, 0, a.GetCount(), [](const Keyed& x, const Keyed& y) { return x.key < y.key; });
    for (unsigned i = 1; i < a.GetCount(); ++i) {
        const Keyed& p = a.GetAt(i - 1);
        const Keyed& q = a.GetAt(i);
        ASSERT_TRUE(p.key < q.key || (p.key == q.key && p.tag < q.tag)) << i;
    }
}

TEST(Sort, SortsOnlyTheRange)
{
    KX::Array<int32_t> a;
    for (int32_t v : {9, 3, 2, 1, 0})
        a.AddItem(v);
    KX::ArrayUtils::Sort(a, 1, 3, [](int32_t x, int32_t y) { return x < y; });
    EXPECT_EQ(a.GetAt(0u), 9);
    EXPECT_EQ(a.GetAt(1u), 1);
    EXPECT_EQ(a.GetAt(3u), 3);
    EXPECT_EQ(a.GetAt(4u), 0);
}

TEST(SortIndecies, ChecksEveryCountAndLeavesValuesAlone)
{
    KX::Array<int32_t> values;
    for (int32_t v : {30, 10, 20, 10})
        values.AddItem(v);
    KX::Array<unsigned> indices;
    indices.AddItem(77);
    auto byValue = [&](unsigned a, unsigned b) {
        const int32_t x = values.GetAt(a), y = values.GetAt(b);
        return x != y ? x < y : a < b;
    };
    KX::ArrayUtils::SortIndecies(indices, values, 4, 0, byValue);
    EXPECT_EQ(indices.GetCount(), 0u);
    try {
        KX::ArrayUtils::SortIndecies(indices, values, 5, 0, byValue);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(),
                     "Out of Range : KX::ArrayUtils::SortIndecies : utilities\\Storage/ArrayUtils : Line 266");
    }
    EXPECT_THROW(KX::ArrayUtils::SortIndecies(indices, values, 1, UINT_MAX, byValue), std::out_of_range);
    KX::ArrayUtils::SortIndecies(indices, values, 2, 1, byValue);
    EXPECT_EQ(Indices(indices), (std::vector<unsigned>{2}));
    KX::ArrayUtils::SortIndecies(indices, values, 0, 4, byValue);
    EXPECT_EQ(Indices(indices), (std::vector<unsigned>{1, 3, 2, 0}));
    EXPECT_EQ(values.GetAt(0u), 30);
}

TEST(SortIndecies, AnIndexArrayTooSmallIsRefusedNotOverrun)
{
    KX::Array<int32_t> values;
    values.SetCount(6);
    KX::SimpleFixedArray<unsigned, 4> indices;
    EXPECT_THROW(KX::ArrayUtils::SortIndecies(indices, values, 0, 6, [](unsigned a, unsigned b) { return a < b; }),
                 std::out_of_range);
}

} // namespace

} // namespace KX::Test
