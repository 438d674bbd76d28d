#include "KXFramework/Controls/MultiColumnListBox.h"
#include "KXFramework/Controls/ListBox.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {
namespace {

std::string Column(int n)
{
    const std::string x = std::to_string((n - 1) * 100);
    return R"(
     <SubControl Class="Framework.Button" Name="buttonColumnHeader)" +
           std::to_string(n) + R"(" XPositionAbs=")" + x +
           R"(" XSizeAbs="100" YSizeAbs="20"><Skin Name="h" LookList="row"/></SubControl>
     <SubControl Class="Framework.listboxNoScroll" Name="listboxNoScroll)" +
           std::to_string(n) + R"(" XPositionAbs=")" + x + R"(" YPositionAbs="20" XSizeAbs="100" YSizeAbs="56">
      <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
       <Skin Name="t" LookList="row"/>
      </SubControl>
     </SubControl>)";
}

std::string Controls()
{
    return R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.listbox2ColumnSortable" Name="table" XSizeAbs="300" YSizeAbs="80">)" +
           Column(1) + Column(2) + Column(3) + R"(
    </SubControl>
   </SubControl>)";
}

// Rows of (name, number, colour); the numbers sort as text.
const std::vector<std::vector<const char*>> kRows = {
    {"delta", "4", "red"},   {"Alpha", "1", "blue"}, {"charlie", "3", "Green"},
    {"bravo", "2", "amber"}, {"echo", "5", "cyan"},
};

class MultiColumnListBoxTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("row"), Controls()));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        table = RCPtr<LMultiColumnListBox>(main->FindChild(u"table"));
        ASSERT_TRUE(table);
        ASSERT_EQ(table->GetColumnCount(), 3);
        ASSERT_EQ(table->GetHeaderCount(), 3);
        for (int32_t c = 0; c < 3; ++c)
            for (size_t r = 0; r < kRows.size(); ++r)
                static_cast<void>(table->GetColumn(c)->InsertItem(
                    int32_t(r), RCPtr<LTaggableObject>(LListBoxText::Create(
                                    String(kRows[r][size_t(c)]))))); // an index past the end appends
        Idle();
    }
    void TearDown() override
    {
        if (recorder)
            recorder->UnregisterForAllNotifications();
        recorder = nullptr;
        table = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }

    // Column c's texts from the top row down, joined by blanks.
    std::string ColumnTexts(int32_t c)
    {
        std::string out;
        for (int32_t r = 0; r < table->GetColumn(c)->GetItemCount(); ++r) {
            String text;
            table->GetCellText(text, c, r);
            out += (r ? " " : "") + std::string(text.ToNarrow().GetData());
        }
        return out;
    }
    void ClickHeader(int32_t c) { Click(c * 100 + 50, 10); }

    RCPtr<LControl> main;
    RCPtr<LMultiColumnListBox> table;
    RCPtr<Recorder> recorder;
};

TEST_F(MultiColumnListBoxTest, EachHeaderSortsTheWholeTableByItsColumnInTurn)
{
    struct Step {
        int32_t header;
        const char* names;
        const char* numbers;
        const char* colours;
    };
    const Step steps[] = {
        {0, "Alpha bravo charlie delta echo", "1 2 3 4 5", "blue amber Green red cyan"},
        {0, "echo delta charlie bravo Alpha", "5 4 3 2 1", "cyan red Green amber blue"},
        // Another column in between keeps the first one's next direction.
        {2, "bravo Alpha echo charlie delta", "2 1 5 3 4", "amber blue cyan Green red"},
        {1, "Alpha bravo charlie delta echo", "1 2 3 4 5", "blue amber Green red cyan"},
        {1, "echo delta charlie bravo Alpha", "5 4 3 2 1", "cyan red Green amber blue"},
        {0, "Alpha bravo charlie delta echo", "1 2 3 4 5", "blue amber Green red cyan"},
        {2, "delta charlie echo Alpha bravo", "4 3 5 1 2", "red Green cyan blue amber"},
    };
    for (const Step& s : steps) {
        ClickHeader(s.header);
        EXPECT_EQ(ColumnTexts(0), s.names) << s.header;
        EXPECT_EQ(ColumnTexts(1), s.numbers) << s.header;
        EXPECT_EQ(ColumnTexts(2), s.colours) << s.header;
    }
}

TEST_F(MultiColumnListBoxTest, SelectionAndMarksMoveWithTheirRows)
{
    recorder = RCPtr<Recorder>(new Recorder("r"));
    recorder->RegisterForNotification(RCPtr<LNotificationDistributor>(table), u"NID_SELECTION_CHANGE", 0);
    // A click on "charlie"'s number selects its row in every column, with one notification.
    Click(150, 20 + 2 * 14 + 7);
    for (int32_t c = 0; c < 3; ++c)
        EXPECT_TRUE(table->GetColumn(c)->IsItemSelected(2)) << c;
    EXPECT_FALSE(table->GetColumn(0)->IsItemSelected(0));
    EXPECT_EQ(recorder->received, 1);
    for (int32_t c = 0; c < 3; ++c)
        table->GetColumn(c)->SetItemMarked(0, true); // "delta"

    ClickHeader(0);
    EXPECT_EQ(recorder->received, 1);
    for (int32_t c = 0; c < 3; ++c) {
        EXPECT_TRUE(table->GetColumn(c)->IsItemSelected(2)) << c; // charlie stays third
        EXPECT_TRUE(table->GetColumn(c)->IsItemMarked(3)) << c;   // delta is fourth now
        EXPECT_FALSE(table->GetColumn(c)->IsItemMarked(0)) << c;
    }
    ClickHeader(0);
    for (int32_t c = 0; c < 3; ++c) {
        EXPECT_TRUE(table->GetColumn(c)->IsItemSelected(2)) << c;
        EXPECT_TRUE(table->GetColumn(c)->IsItemMarked(1)) << c;
        EXPECT_EQ(table->GetColumn(c)->GetSelectedCount(), 1) << c;
    }
}

TEST_F(MultiColumnListBoxTest, SortingMovesTheEntriesOwnDataObjects)
{
    // Tagged objects stand in for an owner's own entry types: the very objects must follow their rows.
    std::vector<std::vector<const LTaggableObject*>> before(3);
    for (int32_t c = 0; c < 3; ++c)
        for (int32_t r = 0; r < 5; ++r) {
            RCPtr<LTaggableObject> data = table->GetColumn(c)->GetItemData(r);
            ASSERT_TRUE(data);
            data->SetTag(RCPtr<LRefCountedObject>(LListBoxText::Create(String::Format(u"%d", int(r)))));
            before[size_t(c)].push_back(data.Get());
        }
    EXPECT_FALSE(table->GetColumn(0)->GetItemData(5));
    ClickHeader(1);
    for (int32_t r = 0; r < 5; ++r) {
        const RCPtr<LTaggableObject> first = table->GetColumn(0)->GetItemData(r);
        ASSERT_TRUE(first && first->GetTag());
        const int32_t from = String(first->GetTag()->ToString()).ToInt();
        for (int32_t c = 0; c < 3; ++c)
            EXPECT_EQ(table->GetColumn(c)->GetItemData(r).Get(), before[size_t(c)][size_t(from)]) << c << r;
    }
    EXPECT_EQ(ColumnTexts(1), "1 2 3 4 5");
}

TEST_F(MultiColumnListBoxTest, HoverAndScrollingFollowAcrossColumns)
{
    Move(50, 20 + 14 + 7);
    const int32_t row = table->GetColumn(2)->GetItemControlIndexOfEntry(1);
    ASSERT_GE(row, 0);
    EXPECT_TRUE(table->GetColumn(2)->GetItemControl(row)->ComputeConditions() & Condition::kHoverOrHighlighted);
    Move(350, 250);
    EXPECT_FALSE(table->GetColumn(2)->GetItemControl(row)->ComputeConditions() & Condition::kHoverOrHighlighted);

    table->GetColumn(1)->SetScrollOffset({3.0, 0.0});
    table->SetScrollOffset({0.0, 14.0});
    EXPECT_DOUBLE_EQ(table->GetColumn(0)->GetScrollOffset().y, 14.0);
    EXPECT_DOUBLE_EQ(table->GetColumn(2)->GetScrollOffset().y, 14.0);
    EXPECT_DOUBLE_EQ(table->GetColumn(1)->GetScrollOffset().x, 3.0);
}

TEST_F(MultiColumnListBoxTest, AColumnPastTheLastSortsNothingAndHasNoText)
{
    table->PerformSort(7);
    table->PerformSort(-1);
    EXPECT_EQ(ColumnTexts(0), "delta Alpha charlie bravo echo");
    String text(u"x");
    table->GetCellText(text, 3, 0);
    EXPECT_TRUE(text.IsEmpty());
    table->GetCellText(text, 0, 5);
    EXPECT_TRUE(text.IsEmpty());
}

} // namespace
} // namespace KX::Test
