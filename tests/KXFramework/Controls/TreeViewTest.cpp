#include "KXFramework/Controls/TreeView.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {
namespace {

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.TreeView" Name="tree" XSizeAbs="200" YSizeAbs="70">
     <SubControl Class="Framework.TreeViewItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
      <Skin Name="t" LookList="row"/>
      <SubControl Class="Framework.Button" Name="checkBox" XSizeAbs="12" YSizeAbs="12"><Skin Name="c" LookList="row"/></SubControl>
     </SubControl>
    </SubControl>
   </SubControl>)";

class TreeViewTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("row"), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        tree = RCPtr<LTreeView>(main->FindChild(u"tree"));
        ASSERT_TRUE(tree);
    }
    void TearDown() override
    {
        if (recorder)
            recorder->UnregisterForAllNotifications();
        recorder = nullptr;
        tree = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }

    // Appends an entry of that text under the parent (-1: top level); its index.
    int32_t Add(const std::string& text, int32_t parent)
    {
        const int32_t index = tree->GetItemCount();
        static_cast<void>(tree->InsertItem(index, RCPtr<LTaggableObject>(LListBoxText::Create(
                                                      String(text.c_str()))))); // an index past the end appends
        return tree->SetParent(index, parent);
    }
    std::string Texts()
    {
        std::string out;
        for (int32_t i = 0; i < tree->GetItemCount(); ++i) {
            String text;
            tree->GetItemText(text, i);
            out += (i ? " " : "") + std::string(text.ToNarrow().GetData());
        }
        return out;
    }
    int32_t VisibleCount() { return tree->GetContentHeight() / tree->GetItemHeight(); }
    // The row control showing the entry.
    RCPtr<LTreeViewItem> Row(int32_t index)
    {
        const int32_t row = tree->GetItemControlIndexOfEntry(index);
        return row >= 0 ? RCPtr<LTreeViewItem>(tree->GetItemControl(row)) : RCPtr<LTreeViewItem>();
    }

    RCPtr<LControl> main;
    RCPtr<LTreeView> tree;
    RCPtr<Recorder> recorder;
};

TEST_F(TreeViewTest, AttachedEntriesFollowTheirParentIndentedAndExpanded)
{
    const int32_t root = Add("root", -1);
    Add("a", root);
    Add("b", root);
    EXPECT_EQ(Texts(), "root a b");
    EXPECT_TRUE(tree->IsItemChecked(root));
    EXPECT_EQ(tree->GetDepth(1), 1);
    EXPECT_EQ(tree->GetDescendantCount(root), 2);
    EXPECT_DOUBLE_EQ(Row(1)->GetRect().x, 12.0);
    EXPECT_DOUBLE_EQ(Row(0)->GetRect().x, 0.0);
    // An entry without children has a disabled expander.
    EXPECT_FALSE(Row(2)->GetCheckBox()->IsEnabled(false));
    EXPECT_TRUE(Row(0)->GetCheckBox()->IsEnabled(false));

    // Attaching to "a" moves the new entry directly after a's subtree and expands "a".
    EXPECT_EQ(Add("a1", 1), 2);
    EXPECT_EQ(Texts(), "root a a1 b");
    EXPECT_EQ(tree->GetParentIndex(2), 1);
    EXPECT_EQ(tree->GetParentIndex(3), 0);
    EXPECT_TRUE(tree->IsItemChecked(1));
    EXPECT_EQ(tree->GetDepth(2), 2);
    EXPECT_DOUBLE_EQ(Row(2)->GetRect().x, 24.0);
    // The first entry cannot move, and a parent after the entry is refused.
    EXPECT_EQ(tree->SetParent(0, 3), 0);
    EXPECT_EQ(tree->SetParent(1, 3), 1);
    EXPECT_EQ(tree->GetParentIndex(1), 0);
    EXPECT_FALSE(tree->SortAllItems());
}

TEST_F(TreeViewTest, TheExpanderCollapsesAndExpandsTheSubtree)
{
    recorder = RCPtr<Recorder>(new Recorder("r"));
    recorder->RegisterForNotification(RCPtr<LNotificationDistributor>(tree), u"NID_ITEM_CHECK_CHANGE", 0);
    const int32_t root = Add("root", -1);
    const int32_t a = Add("a", root);
    Add("a1", a);
    Add("b", root);
    ASSERT_EQ(Texts(), "root a a1 b");
    EXPECT_EQ(VisibleCount(), 4);
    // Attaching expanded the root and "a" through their expanders.
    EXPECT_EQ(recorder->received, 2);
    recorder->received = 0;
    // Collapse "a" by its expander (indented one level), then the root.
    Click(12 + 6, 14 + 6);
    EXPECT_FALSE(tree->IsItemChecked(1));
    EXPECT_EQ(VisibleCount(), 3);
    EXPECT_EQ(recorder->received, 1);
    Click(6, 6);
    EXPECT_EQ(VisibleCount(), 1);
    EXPECT_TRUE(tree->IsItemSelected(0));
    // Expanding the root again leaves the grandchild hidden under the collapsed "a".
    Click(6, 6);
    EXPECT_EQ(VisibleCount(), 3);
    EXPECT_EQ(recorder->received, 3);
    EXPECT_TRUE(tree->IsItemChecked(0));
}

TEST_F(TreeViewTest, RemovingAnEntryRemovesItsSubtreeAndRenumbersParents)
{
    const int32_t root = Add("root", -1);
    const int32_t a = Add("a", root);
    Add("a1", a);
    Add("a2", a);
    const int32_t b = Add("b", root);
    Add("b1", b);
    Add("top", -1);
    ASSERT_EQ(Texts(), "root a a1 a2 b b1 top");
    EXPECT_EQ(tree->RemoveItem(1), S_OK);
    EXPECT_EQ(Texts(), "root b b1 top");
    EXPECT_EQ(tree->GetParentIndex(1), 0);
    EXPECT_EQ(tree->GetParentIndex(2), 1);
    EXPECT_EQ(tree->GetParentIndex(3), -1);
    EXPECT_EQ(tree->RemoveItem(9), E_INVALIDARG);
    EXPECT_EQ(tree->RemoveItem(0), S_OK);
    EXPECT_EQ(Texts(), "top");
}

TEST_F(TreeViewTest, ACycleLeftBySwappedEntriesEndsEveryWalk)
{
    const int32_t root = Add("root", -1);
    const int32_t a = Add("a", root);
    Add("a1", a);
    // Swapping does not renumber: "a1" (now at 1) names 1 as its parent, "a" names 0.
    tree->SwapEntries(1, 2);
    tree->SwapEntries(0, 1);
    EXPECT_GE(tree->GetDepth(0), 0);
    EXPECT_GE(tree->GetDescendantCount(0), 0);
    tree->UpdateHiddenStates(0);
    tree->ExpandItem(2);
    EXPECT_EQ(tree->GetItemCount(), 3);
}

TEST_F(TreeViewTest, TenThousandNodesCollapseAndExpand)
{
    // 100 top-level entries with 99 children each; every tenth child has a child of its own.
    int32_t total = 0;
    for (int32_t t = 0; t < 100; ++t) {
        const int32_t top = Add("t" + std::to_string(t), -1);
        ++total;
        for (int32_t c = 0; c < 89; ++c) {
            const int32_t child = Add("c", top);
            ++total;
            if (c % 9 == 0) {
                Add("g", child);
                ++total;
            }
        }
    }
    ASSERT_EQ(total, 10000);
    ASSERT_EQ(tree->GetItemCount(), 10000);
    EXPECT_EQ(VisibleCount(), 10000);
    EXPECT_EQ(tree->GetDescendantCount(0), 99);

    // Collapse every top-level entry: only they remain.
    for (int32_t i = 0; i < tree->GetItemCount(); ++i) {
        if (tree->GetParentIndex(i) < 0) {
            tree->SetItemChecked(i, false);
            tree->UpdateHiddenStates(i);
        }
    }
    EXPECT_EQ(VisibleCount(), 100);
    // Expanding them shows the children again, and the grandchildren under expanded children.
    for (int32_t i = 0; i < tree->GetItemCount(); ++i) {
        if (tree->GetParentIndex(i) < 0)
            tree->ExpandItem(i);
    }
    EXPECT_EQ(VisibleCount(), 10000);
    // Collapsing one child hides its grandchild only.
    tree->SetItemChecked(1, false);
    tree->UpdateHiddenStates(1);
    EXPECT_EQ(VisibleCount(), 9999);
}

} // namespace
} // namespace KX::Test
