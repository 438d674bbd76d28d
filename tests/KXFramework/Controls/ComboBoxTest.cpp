#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/ListBox.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {
namespace {

std::string Combo(const char* name, int y, int maxHeight = 200)
{
    return std::string(R"(
    <SubControl Class="Framework.ComboBox" Name=")") +
           name + R"(" XPositionAbs="10" YPositionAbs=")" + std::to_string(y) + R"(" XSizeAbs="120" YSizeAbs="20">
     <Skin Name="c" LookList="row"/>
     <SubControl Class="Framework.ListBox" Name="listBox" ClipToParent="False" Z_Order="4" IsVisible="False"
                 YPositionRel="1" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="80" YMaxSizeAbs=")" +
           std::to_string(maxHeight) + R"(">
      <Skin Name="l" LookList="row"/>
      <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
       <Skin Name="t" LookList="row"/>
      </SubControl>
     </SubControl>
    </SubControl>)";
}

std::string Controls()
{
    return R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">)" +
           Combo("slot", 10) + Combo("low", 255) + Combo("mid", 170, 60) + Combo("ten", 40, 140) + R"(
    <SubControl Class="Framework.ComboBox" Name="noList" YPositionAbs="100" XSizeAbs="50" YSizeAbs="20"/>
   </SubControl>
   <SubControl Class="Test.Panel" Name="dialog" XSizeAbs="345" YSizeAbs="165">)" +
           Combo("slot", 66) + R"(
   </SubControl>)";
}

// The thirteen slots, RAM and Preset 1 to 12, as the lists "slot" and "ten".
std::string Strings()
{
    std::string slots = R"(  <String ID="ITEM.00"><Locale LCID="0x0009">RAM</Locale></String>
)";
    for (int i = 1; i <= 12; ++i) {
        char key[8];
        std::snprintf(key, sizeof key, "%02d", i);
        slots += std::string("  <String ID=\"ITEM.") + key + "\"><Locale LCID=\"0x0009\">Preset " + std::to_string(i) +
                 "</Locale></String>\n";
    }
    std::string items;
    for (const char* name : {"slot", "ten"})
        items += std::string(" <StringTable ID=\"Test.Panel|") + name + "\">\n" + slots + " </StringTable>\n";
    items += " <StringTable ID=\"Test.Panel|low\">\n";
    for (int i = 0; i < 10; ++i)
        items += "  <String ID=\"ITEM.0" + std::to_string(i) + "\"><Locale LCID=\"0x0009\">Channel " +
                 std::to_string(i + 1) + "</Locale></String>\n";
    return items + " </StringTable>";
}

constexpr uint32_t kDown = KeyCode::Press(VirtualKey::kDown), kEscape = KeyCode::Press(VirtualKey::kEscape),
                   kUp = KeyCode::Press(VirtualKey::kUp), kEnter = KeyCode::Press(VirtualKey::kEnter),
                   kHome = KeyCode::Press(VirtualKey::kHome), kEnd = KeyCode::Press(VirtualKey::kEnd),
                   kPageUp = KeyCode::Press(VirtualKey::kPageUp), kPageDown = KeyCode::Press(VirtualKey::kPageDown);

class ComboBoxTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("row"), Controls()), StringDocument(Strings()));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        combo = RCPtr<LComboBox>(main->FindChild(u"slot"));
        ASSERT_TRUE(combo);
        ASSERT_TRUE(combo->GetListBox());
        changes = RCPtr<Recorder>(new Recorder("changes"));
        changes->RegisterForNotification(RCPtr<LNotificationDistributor>(combo), u"NID_SELECTION_CHANGE", 0);
    }
    void TearDown() override
    {
        changes->UnregisterForAllNotifications();
        changes = nullptr;
        combo = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }
    void ComboKey(const RCPtr<LControl>& target, uint32_t key)
    {
        target->OnKeyInput(RCPtr<LKeyParam>(new LKeyParam({key, 0, 0})));
    }

    RCPtr<LControl> main;
    RCPtr<LComboBox> combo;
    RCPtr<Recorder> changes;
};

TEST_F(ComboBoxTest, StartsWithTheFirstEntryWithoutReporting)
{
    EXPECT_EQ(combo->GetListBox()->GetItemCount(), 13);
    EXPECT_EQ(combo->GetSelectedIndex(), 0);
    EXPECT_EQ(combo->GetText(), String(u"RAM"));
    EXPECT_EQ(changes->received, 0);
    EXPECT_FALSE(combo->IsDropDownShown());
}

TEST_F(ComboBoxTest, SelectionByIndexAndText)
{
    EXPECT_EQ(combo->SetSelectedIndex(3), 3);
    EXPECT_EQ(combo->GetText(), String(u"Preset 3"));
    EXPECT_EQ(changes->received, 1);
    EXPECT_EQ(combo->SetSelectedIndex(3), 3);
    EXPECT_EQ(changes->received, 1);
    EXPECT_EQ(combo->SetSelectedIndex(-1), -1);
    EXPECT_EQ(combo->GetText(), String(u"Preset 3"));
    // Past the end: the list's own selection goes too, the text stays.
    combo->SetSelectedIndex(5);
    EXPECT_EQ(combo->SetSelectedIndex(40), -1);
    EXPECT_EQ(combo->GetListBox()->GetSelectedCount(), 0);
    EXPECT_EQ(combo->GetText(), String(u"Preset 5"));

    EXPECT_EQ(combo->SetText(u"preset 7"), S_OK);
    EXPECT_EQ(combo->GetSelectedIndex(), 7);
    EXPECT_EQ(combo->GetText(), String(u"Preset 7"));
    combo->SetText(u"nothing like it");
    EXPECT_EQ(combo->GetSelectedIndex(), -1);
}

TEST_F(ComboBoxTest, RemoveItemClearsASelectionAtOrAfterIt)
{
    combo->SetSelectedIndex(4);
    const int before = changes->received;
    EXPECT_EQ(combo->RemoveItem(6), 12);
    EXPECT_EQ(combo->GetSelectedIndex(), 4);
    EXPECT_EQ(combo->RemoveItem(2), 11);
    EXPECT_EQ(combo->GetSelectedIndex(), -1);
    EXPECT_EQ(combo->GetListBox()->GetSelectedCount(), 0);
    EXPECT_EQ(combo->GetText(), String(u"Preset 4"));
    EXPECT_EQ(changes->received, before);
    EXPECT_EQ(combo->RemoveItem(11), E_INVALIDARG);
    EXPECT_EQ(combo->RemoveItem(-1), E_INVALIDARG);

    RCPtr<LComboBox> noList(main->FindChild(u"noList"));
    ASSERT_TRUE(noList);
    EXPECT_EQ(noList->RemoveItem(0), E_FAIL);
    EXPECT_EQ(noList->AddItem(u"x"), E_FAIL);
    EXPECT_EQ(noList->SetSelectedIndex(0), -1);
    EXPECT_FALSE(noList->IsDropDownShown());
    EXPECT_EQ(noList->ShowDropDown(true), E_FAIL);
}

TEST_F(ComboBoxTest, PressOpensAndClosesAndAClickChooses)
{
    Move(50, 20);
    Press(50, 20);
    Release(50, 20);
    ASSERT_TRUE(combo->IsDropDownShown());
    EXPECT_EQ(combo->GetListBox()->GetRect().y, 20.0);
    // Choose the third row.
    const double rowY = combo->GetListBox()->GetPositionInRoot().y + 2 * 14 + 5;
    Move(50, int32_t(rowY));
    Press(50, int32_t(rowY));
    Release(50, int32_t(rowY));
    EXPECT_FALSE(combo->IsDropDownShown());
    EXPECT_EQ(combo->GetSelectedIndex(), 2);
    EXPECT_EQ(combo->GetText(), String(u"Preset 2"));
    EXPECT_EQ(changes->received, 1);

    // A press while open closes and does not reopen.
    Press(50, 20);
    Release(50, 20);
    ASSERT_TRUE(combo->IsDropDownShown());
    Press(50, 20);
    Release(50, 20);
    EXPECT_FALSE(combo->IsDropDownShown());
}

TEST_F(ComboBoxTest, KeysOpenAndClose)
{
    ASSERT_EQ(combo->SetFocus(true), S_OK);
    ComboKey(combo, kDown);
    EXPECT_TRUE(combo->IsDropDownShown());
    combo->OnKey(RCPtr<LKeyParam>(new LKeyParam({kEscape, 0, 0})));
    EXPECT_FALSE(combo->IsDropDownShown());
}

// "ten" opens ten of its thirteen rows. Keys in the open list move the selection; the rows scroll
// only as far as it needs to stay in view, Enter takes it, and the list opens again as it was.
TEST_F(ComboBoxTest, KeysInTheOpenListSelectWithTheLeastScroll)
{
    RCPtr<LComboBox> ten(main->FindChild(u"ten"));
    ASSERT_TRUE(ten);
    const RCPtr<LListBox>& list = ten->GetListBox();
    struct Case {
        const char* what;
        int32_t opensOn;
        std::vector<uint32_t> keys;
        int32_t reached, top;
    };
    const Case cases[] = {
        {"Down to a row in view", 3, {kDown}, 4, 0},
        {"Up to a row in view", 5, {kUp}, 4, 0},
        {"Down past the last row scrolls by one", 9, {kDown}, 10, 1},
        {"Home selects the first entry", 12, {kHome}, 0, 0},
        {"End selects the last entry", 0, {kEnd}, 12, 3},
        {"Page Down selects the last row, then a page below it", 0, {kPageDown, kPageDown}, 12, 3},
        {"Page Up selects the first row, Up past it scrolls by one", 12, {kPageUp, kUp}, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // From the top, whatever the case before left.
        ASSERT_EQ(ten->SetSelectedIndex(0), 0);
        ASSERT_EQ(ten->SetSelectedIndex(c.opensOn), c.opensOn);
        ASSERT_EQ(ten->SetFocus(true), S_OK);
        Key(kDown);
        ASSERT_TRUE(ten->IsDropDownShown());
        ASSERT_EQ(list->GetItemControlCount(), 10);
        for (const uint32_t key : c.keys)
            Key(key);
        EXPECT_EQ(list->GetCurrentIndex(), c.reached);
        EXPECT_EQ(list->GetTopIndex(), c.top);
        Key(kEnter);
        EXPECT_FALSE(ten->IsDropDownShown());
        EXPECT_EQ(ten->GetSelectedIndex(), c.reached);
        Key(kDown);
        ASSERT_TRUE(ten->IsDropDownShown());
        EXPECT_EQ(list->GetCurrentIndex(), c.reached);
        EXPECT_EQ(list->GetTopIndex(), c.top);
        Key(kEscape);
    }
}

TEST_F(ComboBoxTest, OpensAboveWhenTheRoomBelowIsShort)
{
    RCPtr<LComboBox> low(main->FindChild(u"low"));
    ASSERT_TRUE(low);
    ASSERT_EQ(low->ShowDropDown(true), S_OK);
    ASSERT_TRUE(low->IsDropDownShown());
    const RectT<double>& list = low->GetListBox()->GetRect();
    EXPECT_LT(list.y, 0.0);
    EXPECT_EQ(list.y + list.height, 0.0);
    EXPECT_EQ(list.height, 140.0); // ten rows fit in the 250 pixels above
}

// "mid" has 165 pixels above it and 105 below, a skin maximum of 60 and 13 rows of 14 (182).
TEST_F(ComboBoxTest, WithoutAMaximumNowTheEntriesChooseTheSide)
{
    RCPtr<LComboBox> mid(main->FindChild(u"mid"));
    ASSERT_TRUE(mid);
    for (int i = 0; i < 13; ++i)
        ASSERT_EQ(mid->AddItem(String::Format(u"Entry %d", i)), i);
    RCPtr<LListBox> list = mid->GetListBox();
    struct Case {
        const char* what;
        bool clearMaximum;
        bool above;
    };
    const Case cases[] = {
        {"the skin's maximum fits below", false, false},
        {"no maximum now: the 182 pixels fit neither room, and there is more above", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(mid->ShowDropDown(false), S_OK);
        SizeLimitSpec minimum, maximum;
        ASSERT_EQ(list->GetLayoutDescriptor()->GetSizeLimitSpecs(1, minimum, maximum), S_OK);
        ASSERT_GT(maximum.absolute, 0.0);
        if (c.clearMaximum) {
            maximum.absolute = 0.0;
            ASSERT_GE(list->SetSizeLimits(1, minimum, maximum), 0);
        }
        ASSERT_EQ(mid->ShowDropDown(true), S_OK);
        const RectT<double>& r = list->GetRect();
        EXPECT_EQ(r.height, 56.0); // the skin's 60 in whole rows, either way
        if (c.above)
            EXPECT_EQ(r.y + r.height, 0.0);
        else
            EXPECT_EQ(r.y, 20.0);
    }
}

// A window the size of a small dialog: the 13 entries (182 pixels) fit neither above the box (61)
// nor below it (74).
TEST_F(ComboBoxTest, ListStaysInsideAShortWindowAndScrollsToTheLastEntry)
{
    root->SetWindowArea({0, 0, 345, 165});
    RCPtr<LControl> dialog = CreateMain(u"dialog");
    ASSERT_TRUE(dialog);
    RCPtr<LComboBox> slot(dialog->FindChild(u"slot"));
    ASSERT_TRUE(slot);
    ASSERT_EQ(slot->SetSelectedIndex(12), 12);
    ASSERT_EQ(slot->ShowDropDown(true), S_OK);
    ASSERT_TRUE(slot->IsDropDownShown());
    RCPtr<LListBox> list = slot->GetListBox();
    const PointT<double> at = list->GetPositionInRoot();
    const RectT<double>& r = list->GetRect();
    const PointT<int32_t> client = root->GetClientSize();
    EXPECT_EQ(client.y, 165);
    EXPECT_GE(at.x, 0.0);
    EXPECT_GE(at.y, 0.0);
    EXPECT_LE(at.x + r.width, double(client.x));
    EXPECT_LE(at.y + r.height, double(client.y));
    EXPECT_GE(r.height, 3 * 14.0);
    // The chosen last entry is scrolled into the rows that show.
    EXPECT_EQ(list->GetTopIndex() + int32_t(list->GetClientRect().height / 14.0), 13);
}

TEST_F(ComboBoxTest, InsertingBeforeTheSelectionKeepsItsTextAndIndexInStep)
{
    ASSERT_EQ(combo->SetSelectedIndex(3), 3);
    const int reported = changes->received;
    struct Case {
        int32_t at;
        int32_t selected;
    };
    // At the selected index, before it, after it.
    const Case cases[] = {{3, 4}, {0, 5}, {6, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        ASSERT_EQ(combo->InsertItem(c.at, RCPtr<LTaggableObject>(LListBoxText::Create(String(u"new")))), c.at);
        EXPECT_EQ(combo->GetSelectedIndex(), c.selected);
        String text;
        combo->GetListBox()->GetItemText(text, combo->GetSelectedIndex());
        EXPECT_EQ(text, String(u"Preset 3"));
        EXPECT_EQ(combo->GetText(), String(u"Preset 3"));
        EXPECT_TRUE(combo->GetListBox()->IsItemSelected(c.selected));
    }
    EXPECT_EQ(changes->received, reported);
}

TEST_F(ComboBoxTest, ListIsAtLeastAsWideAsTheComboAndHoldsWholeRows)
{
    RCPtr<LListBox> list = combo->GetListBox();
    SizeLimitSpec minimum, maximum;
    ASSERT_EQ(list->GetLayoutDescriptor()->GetSizeLimitSpecs(0, minimum, maximum), S_OK);
    EXPECT_EQ(minimum.absolute, 120.0);
    ASSERT_EQ(list->GetLayoutDescriptor()->GetSizeLimitSpecs(1, minimum, maximum), S_OK);
    EXPECT_EQ(minimum.absolute, 14.0);
    EXPECT_EQ(maximum.absolute, 196.0); // the skin's 200 cut to whole rows

    // Opening sets the maximum to the room there is, again in whole rows.
    ASSERT_EQ(combo->ShowDropDown(true), S_OK);
    ASSERT_EQ(list->GetLayoutDescriptor()->GetSizeLimitSpecs(1, minimum, maximum), S_OK);
    EXPECT_EQ(maximum.absolute, 196.0);
    EXPECT_EQ(list->GetRect().height, 182.0);

    RCPtr<LComboBox> noList(main->FindChild(u"noList"));
    ASSERT_TRUE(noList);
    EXPECT_EQ(noList->FitListBoxSize(), E_FAIL);
}

} // namespace
} // namespace KX::Test
