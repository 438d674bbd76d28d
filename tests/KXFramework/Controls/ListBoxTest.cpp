#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/Scrollbar.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {
namespace {

const char kBar[] = R"(
     <SubControl Class="Framework.ScrollBar" Name="vBar" XPositionToControl="Client" XPositionRel="1" XPlacementAnchor="1"
                 XIsDocked="True" YIsDocked="True" XSizeAbs="16" YSizeToControl="Client" YSizeRel="1" YSizeAbs="0">
      <SubControl Class="Framework.Button" Name="dec" XSizeAbs="16" YSizeAbs="16"/>
      <SubControl Class="Framework.Button" Name="inc" YPositionToControl="Client" YPositionRel="1" YPlacementAnchor="1" XSizeAbs="16" YSizeAbs="16"/>
      <SubControl Class="Test.Panel" Name="channel" YPositionAbs="16" XSizeAbs="16" YSizeToControl="Client" YSizeRel="1" YSizeAbs="-32">
       <SubControl Class="Framework.Button" Name="thumb" XSizeAbs="16" YSizeAbs="16"/>
      </SubControl>
     </SubControl>)";

const char kHorizontalBar[] = R"(
     <SubControl Class="Framework.ScrollBar" Name="hBar" YPositionToControl="Client" YPositionRel="1" YPlacementAnchor="1"
                 XIsDocked="True" YIsDocked="True" YSizeAbs="16" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0">
      <SubControl Class="Framework.Button" Name="dec" XSizeAbs="16" YSizeAbs="16"/>
      <SubControl Class="Framework.Button" Name="inc" XPositionToControl="Client" XPositionRel="1" XPlacementAnchor="1" XSizeAbs="16" YSizeAbs="16"/>
      <SubControl Class="Test.Panel" Name="channel" XPositionAbs="16" YSizeAbs="16" XSizeToControl="Client" XSizeRel="1" XSizeAbs="-32">
       <SubControl Class="Framework.Button" Name="thumb" XSizeAbs="16" YSizeAbs="16"/>
      </SubControl>
     </SubControl>)";

// The bar as a skin may also write it: placed, not docked.
std::string UndockedBar()
{
    std::string bar = kBar;
    const std::string docked = R"(XIsDocked="True" YIsDocked="True" )";
    return bar.erase(bar.find(docked), docked.size());
}

std::string Controls()
{
    return std::string(R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.ListBox" Name="list" XSizeAbs="200" YSizeAbs="140">
     <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="-16" YSizeAbs="14">
      <Skin Name="t" LookList="row"/>
     </SubControl>)") +
           kBar + R"(
    </SubControl>
    <SubControl Class="Framework.ListBox" Name="empty" XPositionAbs="210" XSizeAbs="100" YSizeAbs="70">
     <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
      <Skin Name="e" LookList="row"/>
     </SubControl>
    </SubControl>
    <SubControl Class="Framework.ListBox" Name="bare" XPositionAbs="210" YPositionAbs="100" XSizeAbs="100" YSizeAbs="70"/>
    <SubControl Class="Framework.ListBox" Name="wide" YPositionAbs="180" XSizeAbs="60" YSizeAbs="42">
     <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="-16" YSizeAbs="14" TextOverflowXType="Expand">
      <Skin Name="w" LookList="row"/>
     </SubControl>)" +
           kBar + R"(
    </SubControl>
    <SubControl Class="Framework.ListBox" Name="fitted" XPositionAbs="210" YPositionAbs="180" XSizeAbs="100" YSizeAbs="72">
     <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeAbs="40" YSizeAbs="14">
      <Skin Name="t" LookList="row"/>
     </SubControl>)" +
           kHorizontalBar + R"(
    </SubControl>
    <SubControl Class="Framework.ListBox" Name="undocked" XPositionAbs="320" XSizeAbs="70" YSizeAbs="70">
     <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="-16" YSizeAbs="14">
      <Skin Name="t" LookList="row"/>
     </SubControl>)" +
           UndockedBar() + R"(
    </SubControl>
   </SubControl>
   <SubControl Class="Framework.ListBox" Name="tallRows" XSizeAbs="200" YSizeAbs="140">
    <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="20">
     <Skin Name="t" LookList="row"/>
    </SubControl>
   </SubControl>)";
}

const char kStrings[] = R"(
 <StringTable ID="Test.Panel|empty">
  <String ID="ITEM.00"><Locale LCID="0x0009">b</Locale></String>
  <String ID="ITEM.02"><Locale LCID="0x0009">c</Locale></String>
  <String ID="ITEM.01"><Locale LCID="0x0009">A</Locale></String>
  <String ID="ITEM.99999999999"><Locale LCID="0x0009">far away</Locale></String>
 </StringTable>)";

constexpr uint32_t kDown = KeyCode::Press(VirtualKey::kDown);
constexpr uint32_t kUp = KeyCode::Press(VirtualKey::kUp);
constexpr uint32_t kShiftDown = KeyCode::Press(VirtualKey::kDown, KeyCode::kShiftKey);
constexpr uint32_t kShiftUp = KeyCode::Press(VirtualKey::kUp, KeyCode::kShiftKey);
constexpr uint32_t kPageDown = KeyCode::Press(VirtualKey::kPageDown);
constexpr uint32_t kEnd = KeyCode::Press(VirtualKey::kEnd);
constexpr uint32_t kHome = KeyCode::Press(VirtualKey::kHome);
constexpr uint32_t kEnter = KeyCode::Press(VirtualKey::kEnter);

class ListBoxTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("row"), Controls()), StringDocument(kStrings));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        list = RCPtr<LListBox>(main->FindChild(u"list"));
        ASSERT_TRUE(list);
    }
    void TearDown() override
    {
        for (auto& r : recorders)
            r->UnregisterForAllNotifications();
        recorders.clear();
        list = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }

    void Fill(int32_t count)
    {
        RCPtr<LStringTable> table(new LStringTable);
        for (int32_t i = 0; i < count; ++i)
            static_cast<void>(table->SetString(String::Format(u"ITEM.%05d", i),
                                               String::Format(u"entry %d", i))); // setting a string cannot fail
        ASSERT_EQ(list->LoadItemsFromStringTable(table), S_OK);
        ASSERT_EQ(list->GetItemCount(), count);
    }
    RCPtr<Recorder> Record(const RCPtr<LControl>& control, const char16_t* name)
    {
        RCPtr<Recorder> r(new Recorder("r"));
        r->RegisterForNotification(RCPtr<LNotificationDistributor>(control), name, 0);
        recorders.push_back(r);
        return r;
    }
    String RowText(int32_t row) { return list->GetItemControl(row)->GetText(); }

    RCPtr<LControl> main;
    RCPtr<LListBox> list;
    std::vector<RCPtr<Recorder>> recorders;
};

TEST_F(ListBoxTest, TenThousandEntriesScrollAndSelectByKeysAndWheel)
{
    Fill(10000);
    EXPECT_EQ(list->GetItemHeight(), 14);
    // Ten whole rows fit the 140-pixel list; no more rows are made for the many entries.
    EXPECT_GE(list->GetItemControlCount(), 10);
    EXPECT_LE(list->GetItemControlCount(), 11);
    EXPECT_EQ(RowText(0), String(u"entry 0"));
    RCPtr<Recorder> changes = Record(list, u"NID_SELECTION_CHANGE");
    RCPtr<Recorder> activations = Record(list, u"NID_ITEM_ACTIVATED");

    list->SetFocus(true);
    ASSERT_EQ(root->GetFocusControl(), RCPtr<LControl>(list));
    Key(kDown);
    EXPECT_TRUE(list->IsItemSelected(0));
    EXPECT_EQ(changes->received, 1);
    for (int i = 0; i < 12; ++i)
        Key(kDown);
    EXPECT_EQ(list->GetCurrentIndex(), 12);
    EXPECT_EQ(list->GetSelectedCount(), 1);
    // The current entry is kept in view: it is on the last whole row.
    EXPECT_EQ(list->GetTopIndex(), 3);
    EXPECT_EQ(RowText(9), String(u"entry 12"));
    EXPECT_EQ(list->GetItemControl(9)->GetValue(), 1.0);

    // End and Home select the last and the first entry, and the rows follow; Page Down selects the
    // last whole row, then the entry a page below it.
    Key(kEnd);
    EXPECT_EQ(list->GetCurrentIndex(), 9999);
    EXPECT_EQ(RowText(9), String(u"entry 9999"));
    Key(kHome);
    EXPECT_EQ(list->GetCurrentIndex(), 0);
    EXPECT_EQ(list->GetTopIndex(), 0);
    Key(kPageDown);
    Key(kPageDown);
    EXPECT_EQ(list->GetCurrentIndex(), 18);
    EXPECT_EQ(list->GetTopIndex(), 9);

    // The wheel scrolls without changing the selection.
    const int32_t before = list->GetTopIndex();
    list->OnMouseWheel(LMouseWheelParam::Create({50, 50}, 0, 0));
    EXPECT_GT(list->GetTopIndex(), before);
    EXPECT_EQ(list->GetCurrentIndex(), 18);

    // A click selects the entry under the row; Enter activates the current entry.
    Click(50, 7);
    const int32_t clicked = list->GetTopIndex();
    EXPECT_TRUE(list->IsItemSelected(clicked));
    EXPECT_EQ(list->GetSelectedCount(), 1);
    Key(kEnter);
    EXPECT_EQ(activations->received, 1);
    Key(kUp);
    EXPECT_EQ(list->GetCurrentIndex(), clicked - 1);
}

TEST_F(ListBoxTest, MultipleSelectionExtendsByShiftAndTogglesByCtrl)
{
    Fill(20);
    list->multiSelect = true;
    list->SetFocus(true);
    Click(50, 7);
    Key(kShiftDown);
    Key(kShiftDown);
    EXPECT_EQ(list->GetSelectedIndices(), (std::vector<int32_t>{0, 1, 2}));
    services.modifiers = KeyCode::kCtrlFlag;
    Click(50, 7 + 14);
    EXPECT_EQ(list->GetSelectedIndices(), (std::vector<int32_t>{0, 2}));
    services.modifiers = 0;
    // Deselecting the current entry makes its selected neighbour current.
    list->SelectItems(4, 6, false);
    EXPECT_EQ(list->DeselectItem(6), S_OK);
    EXPECT_EQ(list->GetCurrentIndex(), 5);
    // Removing an entry between anchor and current resets both.
    list->SelectItems(8, 10, false);
    list->RemoveItem(9);
    EXPECT_EQ(list->GetAnchorIndex(), -1);
    EXPECT_EQ(list->GetCurrentIndex(), -1);
}

// Rows of 14 pixels from the list's top; Ctrl is 0x01 and Shift 0x08 in the pointer's modifiers.
TEST_F(ListBoxTest, ClicksInAMultipleSelectionFollowTheirModifiers)
{
    Fill(20);
    list->multiSelect = true;
    struct Case {
        const char* what;
        int32_t first, last; // selected before the click, anchor first
        int32_t clicked;
        uint32_t pressModifiers, releaseModifiers;
        std::vector<int32_t> selected;
    };
    const Case cases[] = {
        {"a plain click inside the selection keeps only that entry", 2, 5, 4, 0, 0, {4}},
        {"Shift+click replaces the selection with the range from the anchor", 7, 9, 4, 0x08, 0x08, {4, 5, 6, 7}},
        {"Ctrl held at the press and let go before the release toggles", 2, 4, 3, 0x01, 0, {2, 4}},
        {"Shift pressed only before the release is a plain click", 2, 4, 3, 0, 0x08, {3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list->DeselectAll();
        list->SelectItems(c.first, c.last, true);
        const int32_t y = 7 + 14 * c.clicked;
        Move(50, y);
        services.modifiers = c.pressModifiers;
        Press(50, y);
        services.modifiers = c.releaseModifiers;
        Release(50, y);
        services.modifiers = 0;
        EXPECT_EQ(list->GetSelectedIndices(), c.selected);
    }
}

TEST_F(ListBoxTest, ArrowKeysMoveTheSelectionToBothEnds)
{
    Fill(20);
    list->multiSelect = true;
    list->SetFocus(true);
    struct Case {
        const char* what;
        int32_t selectedBefore; // -1: a Shift+click on entry 5 left it current without an anchor
        std::vector<uint32_t> keys;
        std::vector<int32_t> selected;
    };
    const Case cases[] = {
        {"Up reaches the first entry", 2, {kUp, kUp, kUp}, {0}},
        {"Down reaches the last entry", 17, {kDown, kDown, kDown}, {19}},
        {"Shift+Up extends from the anchor", 5, {kShiftUp, kShiftUp}, {3, 4, 5}},
        {"Shift+Up without an anchor moves as Up", -1, {kShiftUp}, {4}},
        {"Shift+Down without an anchor moves as Down", -1, {kShiftDown}, {6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list->DeselectAll();
        if (c.selectedBefore >= 0) {
            list->SelectItems(c.selectedBefore, -1, true);
        } else {
            ASSERT_EQ(list->EnsureItemVisible(0), S_OK);
            services.modifiers = KeyCode::kShiftFlag;
            Click(50, 7 + 14 * 5);
            services.modifiers = 0;
            ASSERT_EQ(list->GetAnchorIndex(), -1);
            ASSERT_EQ(list->GetCurrentIndex(), 5);
        }
        ASSERT_EQ(list->SetFocus(true), S_OK);
        for (const uint32_t key : c.keys)
            Key(key);
        EXPECT_EQ(list->GetSelectedIndices(), c.selected);
    }
}

TEST_F(ListBoxTest, ItemsComeFromTheStringTableAndSortWithTheirSelection)
{
    RCPtr<LListBox> empty(main->FindChild(u"empty"));
    ASSERT_TRUE(empty);
    // ITEM.00 and ITEM.02 with ITEM.01 between; a number far beyond the table is not believed.
    ASSERT_EQ(empty->GetItemCount(), 3);
    String text;
    empty->GetItemText(text, 1);
    EXPECT_EQ(text, String(u"A"));
    empty->SelectItems(2, -1, true);
    EXPECT_TRUE(empty->SortAllItems());
    for (int32_t i = 0; i < 3; ++i) {
        empty->GetItemText(text, i);
        EXPECT_EQ(text, String(i == 0 ? u"A" : (i == 1 ? u"b" : u"c")));
    }
    EXPECT_TRUE(empty->IsItemSelected(2));
    EXPECT_EQ(empty->GetCurrentIndex(), 2);
    EXPECT_EQ(empty->FindItemByText(u"B", -1, false), 1);
    EXPECT_EQ(empty->FindItemByText(u"B", -1, true), -1);
}

TEST_F(ListBoxTest, ADropDownListFollowsThePointerAndClosesOnActivation)
{
    Fill(5);
    static_cast<void>(list->SetDropDownMode(true)); // a list box always takes the mode
    static_cast<void>(list->InsertItem(
        5, RCPtr<LTaggableObject>(LListBoxText::Create(String(u"sixth"))))); // an index past the end appends
    // The list's height follows its six entries.
    EXPECT_EQ(list->GetRect().height, 6 * 14.0);
    RCPtr<Recorder> changes = Record(list, u"NID_SELECTION_CHANGE");
    RCPtr<Recorder> activations = Record(list, u"NID_ITEM_ACTIVATED");
    Move(50, 7);
    EXPECT_TRUE(list->IsItemSelected(0));
    // A press starts the drag on the list, which selects what lies under the pointer.
    Press(50, 7);
    EXPECT_EQ(root->GetCaptureControl(), RCPtr<LControl>(list));
    Move(50, 8);
    Move(50, 14 * 3 + 7);
    EXPECT_TRUE(list->IsItemSelected(3));
    EXPECT_EQ(list->GetSelectedCount(), 1);
    Release(50, 14 * 3 + 7);
    EXPECT_EQ(activations->received, 1);
    EXPECT_FALSE(list->IsVisible(false));
    EXPECT_EQ(changes->received, 0);
}

TEST_F(ListBoxTest, HiddenEntriesAreSkippedByRowsAndKeys)
{
    Fill(30);
    EXPECT_EQ(list->SetItemHidden(1, true), S_OK);
    EXPECT_EQ(list->SetItemHidden(1, true), S_FALSE);
    EXPECT_EQ(list->SetItemHidden(40, true), E_INVALIDARG);
    list->SetItemHidden(2, true);
    EXPECT_EQ(list->GetContentHeight(), 28 * 14);
    RCPtr<LControl> row1 = list->GetItemControl(1);
    EXPECT_EQ(list->GetEntryIndexOfItemControl(row1.Get()), 3);
    list->SetFocus(true);
    Key(kDown);
    Key(kDown);
    EXPECT_EQ(list->GetCurrentIndex(), 3);
    static_cast<void>(list->EnsureItemVisible(29)); // an index out of range scrolls nowhere
    EXPECT_EQ(RowText(9), String(u"entry 29"));
    EXPECT_EQ(list->RemoveItem(1), 29);
    EXPECT_EQ(list->GetContentHeight(), 28 * 14);
}

TEST_F(ListBoxTest, EmptyListsAndBadIndicesAreInert)
{
    RCPtr<LListBox> bare(main->FindChild(u"bare"));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->GetItemControlCount(), 0);
    EXPECT_EQ(bare->InsertItem(0, RCPtr<LTaggableObject>(LListBoxText::Create(String(u"x")))), 0);
    EXPECT_EQ(bare->EnsureItemVisible(0), S_FALSE);
    EXPECT_EQ(bare->HitTestItem({5, 5}), -1);

    list->SetFocus(true);
    EXPECT_EQ(list->GetContentHeight(), 0);
    EXPECT_EQ(list->SelectItems(0, -1, true), E_INVALIDARG);
    EXPECT_EQ(list->EnsureItemVisible(0), E_INVALIDARG);
    EXPECT_EQ(list->RemoveItem(3), E_INVALIDARG);
    EXPECT_EQ(list->InsertItem(5, nullptr), E_INVALIDARG);
    EXPECT_EQ(list->SortItems(0, 4), E_INVALIDARG);
    Key(kDown);
    Key(kUp);
    Key(kEnter);
    EXPECT_EQ(list->GetSelectedCount(), 0);
    EXPECT_EQ(
        list->OnKey(RCPtr<LKeyParam>(new LKeyParam({KeyCode::Press(VirtualKey::kLeft, KeyCode::kShiftKey), 0, 0}))),
        S_FALSE);
    Fill(5);
    EXPECT_EQ(list->SetItemSelectionValue(7, 1.0), E_INVALIDARG);
    EXPECT_FALSE(list->SetItemMarked(-1, true));
    EXPECT_EQ(RowText(7), String());
    EXPECT_FALSE(list->GetItemControl(7)->IsEnabled(false));
}

TEST_F(ListBoxTest, ANewSkinMakesTheRowsAgainFromItsTemplate)
{
    Fill(20);
    ASSERT_EQ(list->EnsureItemVisible(15), S_OK);
    const int32_t top = list->GetTopIndex();
    ASSERT_GT(top, 0);
    const RCPtr<LListBoxItem> oldRow = list->GetItemControl(0);

    ASSERT_EQ(list->ApplyDescriptor(services.factory->FindControlDescriptor(u"tallRows")), S_OK);
    Idle();
    EXPECT_EQ(list->GetItemHeight(), 20);
    EXPECT_FALSE(oldRow->GetParent());
    // Seven rows of 20 fill the 140-pixel list, and they show the same entries.
    ASSERT_GE(list->GetItemControlCount(), 7);
    EXPECT_LE(list->GetItemControlCount(), 8);
    EXPECT_EQ(list->GetItemControl(1)->GetRect().y - list->GetItemControl(0)->GetRect().y, 20.0);
    EXPECT_EQ(list->GetTopIndex(), top);
    EXPECT_EQ(RowText(0), String::Format(u"entry %d", top));
    Click(5, 25);
    EXPECT_TRUE(list->IsItemSelected(top + 1));
}

// A list whose template overflows by "Expand" widens to its widest entry and its vertical bar,
// and never gets narrower than its skin made it.
TEST_F(ListBoxTest, AnExpandingListWidensToItsText)
{
    RCPtr<LListBox> wide(main->FindChild(u"wide"));
    ASSERT_TRUE(wide);
    struct Step {
        const char16_t* text;
        bool barShown;
    };
    const Step steps[] = {
        {u"a", false}, {u"a much longer entry than the list", false}, {u"b", false}, {u"c", true}, {u"d", true}};
    for (int32_t i = 0; i < int32_t(std::size(steps)); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(wide->InsertItem(i, RCPtr<LTaggableObject>(LListBoxText::Create(String(steps[i].text)))), i);
        Idle();
        const double bar = wide->GetScrollBarSize().x;
        EXPECT_EQ(bar > 0.0, steps[i].barShown);
        int32_t widest = 0;
        for (int32_t k = 0; k <= i; ++k)
            widest = std::max(widest, wide->MeasureItemWidth(k));
        // The rows' padding is the template's width without text; the bar's 16 pixels are outside it.
        EXPECT_EQ(wide->GetRect().width, std::max(60.0, bar + widest));
    }
    EXPECT_GT(wide->GetRect().width, 100.0);
}

// Rows of an absolute template width all take the widest entry's width: centred while they fit the
// 100-pixel view, else as wide as the content, which the horizontal bar scrolls to its end.
TEST_F(ListBoxTest, FixedWidthRowsTakeTheWidestEntryAndScrollToIt)
{
    RCPtr<LListBox> fitted(main->FindChild(u"fitted"));
    ASSERT_TRUE(fitted);
    fitted->SetFocus(true);
    const char16_t* const texts[] = {u"a", u"an entry a good deal wider than the list"};
    for (int32_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(fitted->InsertItem(i, RCPtr<LTaggableObject>(LListBoxText::Create(String(texts[i])))), i);
        Idle();
        ASSERT_GE(fitted->GetItemControlCount(), 4);
        const int32_t widest = std::max(fitted->MeasureItemWidth(0), fitted->MeasureItemWidth(i));
        ASSERT_GT(widest, 40);
        EXPECT_EQ(fitted->GetClientExtent().x, double(widest));
        const RectT<double>& row = fitted->GetItemControl(0)->GetRect();
        EXPECT_EQ(row.width, double(widest));
        Key(kEnd);
        const double visible = fitted->GetClientExtentRect().width;
        if (widest <= 100) {
            EXPECT_NEAR(row.x, (100.0 - widest) / 2.0, 0.5);
            EXPECT_EQ(fitted->GetScrollOffset().x, 0.0);
        } else {
            EXPECT_EQ(row.x, 0.0);
            // The end of the widest row shows at the right edge of the view.
            EXPECT_EQ(fitted->GetScrollOffset().x + visible, row.x + row.width);
        }
        Key(kHome);
        EXPECT_EQ(fitted->GetScrollOffset().x, 0.0);
    }
}

// However far the list scrolls, its bar stands at its right edge over its whole height, also when
// the skin did not dock it.
TEST_F(ListBoxTest, TheBarStaysAtTheRightEdgeAtEveryScrollOffset)
{
    RCPtr<LListBox> undocked(main->FindChild(u"undocked"));
    ASSERT_TRUE(undocked && undocked->GetVerticalBar());
    for (int32_t i = 0; i < 13; ++i)
        ASSERT_EQ(undocked->InsertItem(i, RCPtr<LTaggableObject>(LListBoxText::Create(String::Format(u"slot %d", i)))),
                  i);
    Idle();
    const LControl& bar = *undocked->GetVerticalBar();
    const RectT<double> client = undocked->GetLookClientRect(undocked->GetActiveLookIndex());
    for (int32_t i = 0; i < 13; ++i) {
        SCOPED_TRACE(i);
        undocked->EnsureItemVisible(i);
        const PointT<double> at = bar.GetPositionInRoot(), list = undocked->GetPositionInRoot();
        EXPECT_EQ((RectT<double>{at.x - list.x, at.y - list.y, bar.GetRect().width, bar.GetRect().height}),
                  (RectT<double>{client.x + client.width - 16.0, client.y, 16.0, client.height}));
    }
    EXPECT_EQ(undocked->GetTopIndex(), 13 - 5) << "the last entry is on the last of the five rows";
}

TEST_F(ListBoxTest, HeightLimitsSnapToWholeRows)
{
    RCPtr<LListBox> empty(main->FindChild(u"empty"));
    ASSERT_TRUE(empty);
    struct Case {
        double minimum, maximum, height;
        double snappedMinimum, snappedMaximum, snappedHeight;
    };
    // Rows of 14, no border.
    const Case cases[] = {
        {30, 200, 100, 28, 196, 98},
        {5, 0, 10, 14, 0, 14},
        {0, 0, 42, 0, 0, 42},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        SizeLimitSpec minimum, maximum;
        minimum.absolute = c.minimum;
        maximum.absolute = c.maximum;
        ASSERT_GE(empty->SetSizeLimits(1, minimum, maximum), 0);
        ASSERT_GE(empty->EditPlacement(1, [&c](PositionSpec&, SizeSpec& size) { size.absolute = c.height; }), 0);
        empty->SnapHeightLimitsToRows();
        ASSERT_EQ(empty->GetLayoutDescriptor()->GetSizeLimitSpecs(1, minimum, maximum), S_OK);
        EXPECT_EQ(minimum.absolute, c.snappedMinimum);
        EXPECT_EQ(maximum.absolute, c.snappedMaximum);
        EXPECT_EQ(empty->GetRect().height, c.snappedHeight);
    }
}

} // namespace
} // namespace KX::Test
