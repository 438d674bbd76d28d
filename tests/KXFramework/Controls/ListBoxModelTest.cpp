// The list box's selection rules without a window: which entries a rule selects, where it leaves
// the anchor and the current entry, and which entries it reports for drawing again.
#include "KXFramework/Controls/ListBoxModel.h"
#include "KXFramework/Controls/ListBox.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace KX::Test {
namespace {

struct List {
    std::vector<int32_t> told;
    LListBoxModel model{[this](int32_t index) { told.push_back(index); }};

    explicit List(std::initializer_list<const char16_t*> texts)
    {
        for (const char16_t* text : texts)
            EXPECT_TRUE(model.Insert(model.GetCount(), RCPtr<LTaggableObject>(LListBoxText::Create(String(text)))));
    }
    // Selects exactly these, leaving anchor and current as given.
    void Preset(std::initializer_list<int32_t> selected, int32_t anchor, int32_t current)
    {
        for (int32_t i : selected)
            EXPECT_TRUE(model.SetSelectionValue(i, 1.0));
        model.SetAnchorIndex(anchor);
        model.SetCurrentIndex(current);
        told.clear();
    }
};

TEST(ListBoxModelTest, SelectsRangesAndTellsOnlyChangedEntries)
{
    struct Case {
        std::initializer_list<int32_t> before;
        int32_t first;
        int32_t last;
        bool exclusive;
        std::vector<int32_t> after;
        std::vector<int32_t> told;
        int32_t shown;
        bool changed;
    };
    const Case cases[] = {
        {{}, 1, 3, true, {1, 2, 3}, {3, 2, 1}, 3, true},
        {{0, 4}, 3, 1, true, {1, 2, 3}, {4, 3, 2, 1, 0}, 1, true},
        {{0}, 2, 9, false, {0, 2, 3, 4}, {2, 3, 4}, 4, true},
        {{2}, 2, -1, true, {2}, {}, 2, false}, // already the lone selection: anchor and current stay
        {{2, 3}, 2, -1, true, {2}, {3}, 2, true},
    };
    for (const Case& c : cases) {
        List list{u"a", u"b", u"c", u"d", u"e"};
        list.Preset(c.before, 4, 4);
        bool changed = false;
        EXPECT_EQ(list.model.Select(c.first, c.last, c.exclusive, changed), c.shown) << c.first << ".." << c.last;
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(list.model.GetSelectedIndices(), c.after);
        EXPECT_EQ(list.model.GetSelectedCount(), int32_t(c.after.size()));
        EXPECT_EQ(list.told, c.told);
    }
}

TEST(ListBoxModelTest, DeselectingMovesTheCurrentAndAnchorToASelectedNeighbour)
{
    struct Case {
        std::initializer_list<int32_t> selected;
        int32_t anchor;
        int32_t current;
        int32_t deselect;
        int32_t anchorAfter;
        int32_t currentAfter;
    };
    const Case cases[] = {
        {{1, 2, 3}, 1, 3, 3, 1, 2}, // the current goes to the neighbour below it
        {{2, 3}, 3, 3, 3, 2, 2},    // an anchor that was the current goes with it
        {{0, 3}, 0, 3, 3, 0, 0},    // no selected neighbour: to the anchor
        {{0, 3}, -1, 3, 3, 0, 0},   // no anchor either: to the highest selected
        {{1, 2, 4}, 2, 4, 2, 1, 4}, // the anchor alone moves
        {{2}, 2, 2, 2, -1, -1},     // the last selection takes both
    };
    for (const Case& c : cases) {
        List list{u"a", u"b", u"c", u"d", u"e"};
        list.Preset(c.selected, c.anchor, c.current);
        EXPECT_TRUE(list.model.Deselect(c.deselect));
        EXPECT_EQ(list.model.GetAnchorIndex(), c.anchorAfter) << c.deselect;
        EXPECT_EQ(list.model.GetCurrentIndex(), c.currentAfter) << c.deselect;
        EXPECT_FALSE(list.model.Deselect(c.deselect)) << "not selected any more";
    }
}

TEST(ListBoxModelTest, AnchorAndCurrentFollowTheirEntries)
{
    List list{u"delta", u"Alpha", u"charlie", u"bravo"};
    list.Preset({}, 2, 3);
    EXPECT_TRUE(list.model.Insert(0, RCPtr<LTaggableObject>(LListBoxText::Create(String(u"echo")))));
    EXPECT_FALSE(list.model.Insert(9, nullptr));
    EXPECT_EQ(list.model.GetAnchorIndex(), 3);
    EXPECT_EQ(list.model.GetCurrentIndex(), 4);
    // Sorted without regard to case; "charlie" and "bravo" keep the anchor and the current.
    ASSERT_EQ(list.model.Sort(0, 5), S_OK);
    EXPECT_EQ(list.model.GetText(0), String(u"Alpha"));
    EXPECT_EQ(list.model.GetText(4), String(u"echo"));
    EXPECT_EQ(list.model.GetAnchorIndex(), 2);
    EXPECT_EQ(list.model.GetCurrentIndex(), 1);
    EXPECT_EQ(list.model.Sort(0, 0), S_FALSE);
    EXPECT_EQ(list.model.Sort(3, 3), E_INVALIDARG);
    EXPECT_EQ(list.model.FindByText(String(u"ECHO"), 4, false), 4);
    EXPECT_EQ(list.model.FindByText(String(u"ECHO"), -1, true), -1);
    // Removing an entry before both moves them up; removing one between them loses both.
    list.model.Remove(0);
    EXPECT_EQ(list.model.GetAnchorIndex(), 1);
    EXPECT_EQ(list.model.GetCurrentIndex(), 0);
    list.model.Remove(0);
    EXPECT_EQ(list.model.GetAnchorIndex(), -1);
    EXPECT_EQ(list.model.GetCurrentIndex(), -1);
}

TEST(ListBoxModelTest, StepsSkipHiddenAndUnselectableEntries)
{
    List list{u"a", u"b", u"c", u"d", u"e"};
    EXPECT_TRUE(list.model.SetHidden(1, true));
    EXPECT_FALSE(list.model.SetHidden(1, true));
    EXPECT_TRUE(list.model.SetHidden(3, true));
    EXPECT_EQ(list.model.GetHiddenCount(), 2);
    EXPECT_EQ(list.model.StepVisible(0, 1), 2);
    EXPECT_EQ(list.model.StepVisible(1, 0), 2);
    EXPECT_EQ(list.model.StepVisible(0, 9), 4);
    EXPECT_EQ(list.model.StepVisibleBack(4, 1), 2);
    EXPECT_EQ(list.model.StepVisibleBack(3, 0), 2);
    EXPECT_EQ(list.model.StepVisibleBack(4, 9), 0);
    EXPECT_EQ(list.model.VisibleBefore(4), 2);
    const auto notC = [](int32_t i) { return i != 2; };
    EXPECT_EQ(list.model.NextSelectable(1, 1, notC), 4);
    EXPECT_EQ(list.model.NextSelectable(3, -1, notC), 0);
    EXPECT_EQ(list.model.NextSelectable(-1, -1, notC), -1);
}

} // namespace
} // namespace KX::Test
