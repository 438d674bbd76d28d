#include "KXFramework/Controls/ListBoxItem.h"

#include "ControlsFixture.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

class ListBoxItemTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("row"), R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.ListBoxItem" Name="row" XSizeAbs="100" YSizeAbs="14"><Skin Name="r" LookList="row"/></SubControl>
   </SubControl>)"));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        row = RCPtr<LListBoxItem>(main->FindChild(u"row"));
        ASSERT_TRUE(row);
    }
    void TearDown() override
    {
        row = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }

    RCPtr<LControl> main;
    RCPtr<LListBoxItem> row;
};

TEST_F(ListBoxItemTest, TheLookFollowsTheEntryAndTheRow)
{
    struct Case {
        bool selected, marked, highlighted, enabled, blank;
        int look;
    };
    const Case cases[] = {
        {false, false, false, true, false, 0},
        {false, false, true, true, false, 1},
        {false, true, false, true, false, 3},
        {false, true, true, true, false, 4},
        {false, false, false, false, false, 6},
        {true, false, false, true, false, 7},
        {true, false, true, true, false, 8},
        {true, true, false, true, false, 10},
        {true, true, true, true, false, 11},
        // A selected row of a disabled list shows the blank look.
        {true, false, false, false, false, 13},
        {false, false, true, true, true, 13},
    };
    for (const Case& c : cases) {
        row->SetEnabled(true);
        row->SetBlank(false);
        row->SetMarked(c.marked);
        row->SetHighlighted(c.highlighted);
        row->SetValue(c.selected ? 1.0 : 0.0);
        row->SetBlank(c.blank);
        row->SetEnabled(c.enabled);
        row->ApplyConditions(row->GetConditions());
        EXPECT_EQ(row->GetLookIndex(), c.look) << c.selected << c.marked << c.highlighted << c.enabled << c.blank;
        EXPECT_EQ(row->GetActiveLookIndex(), c.look);
    }
    EXPECT_TRUE(row->IsNotFocusable());
}

TEST_F(ListBoxItemTest, ABlankRowKeepsNoText)
{
    row->SetText(u"entry");
    row->SetBlank(true);
    EXPECT_TRUE(row->GetText().IsEmpty());
}

} // namespace
} // namespace KX::Test
