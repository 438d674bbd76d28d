#include "KXFramework/Renderer/RectList.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>
#include <vector>

namespace KX::Test {

namespace {

using Pixels = std::set<std::pair<int, int>>;

std::vector<RectEdges> Nodes(const LRectList& list)
{
    std::vector<RectEdges> out;
    for (const LRectList::Node* n = list.GetHead(); n != nullptr; n = n->next)
        out.push_back(*n);
    return out;
}

Pixels Cover(const std::vector<RectEdges>& rects)
{
    Pixels out;
    for (const RectEdges& r : rects)
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                out.insert({x, y});
    return out;
}

// Every pixel of the list once: no two nodes overlap.
bool Disjoint(const LRectList& list)
{
    size_t area = 0;
    for (const RectEdges& r : Nodes(list))
        area += size_t(r.right - r.left) * size_t(r.bottom - r.top);
    return area == Cover(Nodes(list)).size();
}

class RectListTest : public ::testing::Test {
protected:
    void SetUp() override { m_inUse = LRectList::GetPoolStatistics().inUse; }
    void TearDown() override { EXPECT_EQ(LRectList::GetPoolStatistics().inUse, m_inUse) << "nodes not given back"; }

    int m_inUse = 0;
};

} // namespace

TEST_F(RectListTest, AddRectKeepsTheUnionWithoutOverlap)
{
    LRectList list;
    list.AddRect({0, 0, 10, 10});
    list.AddRect({5, 5, 15, 15});
    list.AddRect({5, 5, 5, 9});
    EXPECT_TRUE(Disjoint(list));
    EXPECT_EQ(Cover(Nodes(list)), Cover({{0, 0, 10, 10}, {5, 5, 15, 15}}));
    EXPECT_EQ(Nodes(list).front(), (RectEdges{5, 5, 15, 15}));
    RectEdges bounds;
    EXPECT_TRUE(list.GetBounds(bounds));
    EXPECT_EQ(bounds, (RectEdges{0, 0, 15, 15}));
}

TEST_F(RectListTest, SubtractRectLeavesFourPiecesAndTheCoveredOne)
{
    LRectList list;
    LRectList covered;
    list.AddRect({0, 0, 10, 10});
    list.SubtractRect({2, 2, 8, 8}, &covered);
    EXPECT_EQ(Nodes(list), (std::vector<RectEdges>{{8, 2, 10, 8}, {0, 2, 2, 8}, {0, 8, 10, 10}, {0, 0, 10, 2}}));
    EXPECT_EQ(Nodes(covered), (std::vector<RectEdges>{{2, 2, 8, 8}}));

    // An empty cut covers nothing and leaves no empty pieces behind.
    LRectList whole;
    whole.AddRect({0, 0, 10, 10});
    whole.SubtractRect({3, 3, 7, 3}, nullptr);
    EXPECT_EQ(Nodes(whole), (std::vector<RectEdges>{{0, 0, 10, 10}}));
}

TEST_F(RectListTest, IntersectKeepsWhatTheOtherCovers)
{
    LRectList a;
    LRectList b;
    a.AddRect({0, 0, 10, 10});
    a.AddRect({20, 0, 30, 10});
    b.AddRect({5, 5, 25, 7});
    a.Intersect(b);
    EXPECT_EQ(Cover(Nodes(a)), Cover({{5, 5, 10, 7}, {20, 5, 25, 7}}));
}

TEST_F(RectListTest, AListCombinedWithItselfGivesTheRightRegion)
{
    const std::vector<RectEdges> region = {{0, 0, 10, 10}, {20, 0, 30, 5}, {5, 20, 8, 40}};
    LRectList list;
    for (const RectEdges& r : region)
        list.AddRect(r);

    list.Intersect(list);
    EXPECT_TRUE(Disjoint(list));
    EXPECT_EQ(Cover(Nodes(list)), Cover(region));

    LRectList covered;
    list.SubtractList(list, &covered);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(Cover(Nodes(covered)), Cover(region));
}

TEST_F(RectListTest, RectanglesThatShareOnlyAnEdgeDoNotOverlap)
{
    LRectList list;
    list.AddRect({10, 10, 20, 20});
    const struct {
        RectEdges other;
        bool overlaps;
    } cases[] = {
        {{20, 10, 30, 20}, false}, {{0, 10, 10, 20}, false}, {{10, 20, 20, 30}, false}, {{10, 0, 20, 10}, false},
        {{20, 20, 30, 30}, false}, {{19, 19, 30, 30}, true}, {{0, 0, 11, 11}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list.Intersects(c.other), c.overlaps) << c.other.left << "," << c.other.top;
        // Adding an edge neighbour keeps both whole.
        LRectList copy(list);
        copy.AddRect(c.other);
        if (!c.overlaps) {
            EXPECT_EQ(copy.Count(), 2);
        }
        EXPECT_EQ(Cover(Nodes(copy)), Cover({{10, 10, 20, 20}, c.other}));
        EXPECT_TRUE(Disjoint(copy));
    }
}

TEST_F(RectListTest, AppendReversesAndCopiesShareNoNodes)
{
    LRectList a;
    a.AddRect({0, 0, 1, 1});
    a.AddRect({2, 0, 3, 1});
    LRectList b;
    b.Append(a);
    EXPECT_EQ(Nodes(b), (std::vector<RectEdges>{{0, 0, 1, 1}, {2, 0, 3, 1}}));
    LRectList c = a;
    c.Offset(1, 2);
    EXPECT_EQ(Nodes(c), (std::vector<RectEdges>{{3, 2, 4, 3}, {1, 2, 2, 3}}));
    EXPECT_EQ(Nodes(a), (std::vector<RectEdges>{{2, 0, 3, 1}, {0, 0, 1, 1}}));
    Array<RectT<int32_t>> array;
    c.ToArray(array);
    ASSERT_EQ(array.GetCount(), 2u);
    EXPECT_EQ(array.GetAt(0), (RectT<int32_t>{3, 2, 1, 1}));
}

TEST_F(RectListTest, IntersectsRectFCutsAtZeroAndRefusesEmpty)
{
    LRectList list;
    list.AddRect({0, 0, 4, 4});
    EXPECT_FALSE(list.IntersectsRectF({1.0, 1.0, 0.0, 5.0}, {}));
    EXPECT_TRUE(list.IntersectsRectF({-10.0, -10.0, 10.6, 10.6}, {}));
    EXPECT_FALSE(list.IntersectsRectF({-10.0, -10.0, 10.4, 10.4}, {}));
    EXPECT_TRUE(list.IntersectsRectF({10.0, 10.0, 2.0, 2.0}, {-9.0, -9.0}));
    EXPECT_FALSE(list.Intersects({4, 0, 8, 4}));
}

TEST_F(RectListTest, NormalizeMergesStacksAndBands)
{
    LRectList list;
    list.AddRect({0, 0, 10, 5});
    list.AddRect({0, 5, 10, 10});
    list.Normalize();
    EXPECT_EQ(Nodes(list), (std::vector<RectEdges>{{0, 0, 10, 10}}));

    LRectList row;
    row.AddRect({10, 0, 20, 5});
    row.AddRect({0, 0, 10, 5});
    row.AddRect({20, 0, 30, 5});
    row.Normalize();
    EXPECT_EQ(Nodes(row), (std::vector<RectEdges>{{0, 0, 30, 5}}));
}

TEST_F(RectListTest, RandomEditsKeepCoverageAndOverlapFree)
{
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> coord(0, 40);
    for (int round = 0; round < 50; ++round) {
        LRectList list;
        Pixels expected;
        for (int step = 0; step < 12; ++step) {
            const int x0 = coord(random), y0 = coord(random);
            const RectEdges r{x0, y0, x0 + coord(random) / 2, y0 + coord(random) / 2};
            if (step % 4 == 3) {
                list.SubtractRect(r, nullptr);
                for (const auto& p : Cover({r}))
                    expected.erase(p);
            } else {
                list.AddRect(r);
                const Pixels added = Cover({r});
                expected.insert(added.begin(), added.end());
            }
            ASSERT_TRUE(Disjoint(list));
            ASSERT_EQ(Cover(Nodes(list)), expected);
        }
        list.Normalize();
        ASSERT_TRUE(Disjoint(list));
        ASSERT_EQ(Cover(Nodes(list)), expected);
        // Touching spans of one band are merged, and so are equal spans stacked on each other.
        const auto nodes = Nodes(list);
        for (size_t i = 0; i < nodes.size(); ++i)
            for (size_t j = i + 1; j < nodes.size(); ++j) {
                const RectEdges& a = nodes[i];
                const RectEdges& b = nodes[j];
                const bool sameBand = a.top == b.top && a.bottom == b.bottom;
                const bool stacked = a.left == b.left && a.right == b.right && (a.bottom == b.top || b.bottom == a.top);
                ASSERT_FALSE(stacked);
                ASSERT_FALSE(sameBand && (a.right == b.left || b.right == a.left));
            }
    }
}

TEST_F(RectListTest, MoreThanThePoolHoldsComesFromTheHeapAndGoesBack)
{
    LRectList list;
    for (int i = 0; i < 700; ++i)
        list.AddRect({2 * i, 0, 2 * i + 1, 1});
    EXPECT_EQ(list.Count(), 700);
    EXPECT_GE(LRectList::GetPoolStatistics().highestInUse, 700);
}

} // namespace KX::Test
