#include "KXFramework/Controls/CheckedListBox.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace KX::Test {
namespace {

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.CheckedListBox" Name="list" XSizeAbs="200" YSizeAbs="70">
     <SubControl Class="Framework.CheckedListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
      <Skin Name="t" LookList="row"/>
      <SubControl Class="Framework.Button" Name="checkBox" XSizeAbs="12" YSizeAbs="12"><Skin Name="c" LookList="row"/></SubControl>
     </SubControl>
    </SubControl>
   </SubControl>)";

class CheckedListBoxTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("row"), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        list = RCPtr<LCheckedListBox>(main->FindChild(u"list"));
        ASSERT_TRUE(list);
        for (int i = 0; i < 3; ++i)
            static_cast<void>(list->InsertItem(i, RCPtr<LTaggableObject>(LListBoxText::Create(String::Format(
                                                      u"entry %d", i))))); // an index past the end appends
        recorder = RCPtr<Recorder>(new Recorder("list"));
        recorder->react = [this](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
            const auto* p = dynamic_cast<const LIndexedDataWithValueParam*>(n->GetPayload().Get());
            reports.push_back({n->GetName(), p ? p->index : -1, p ? p->value : -1.0});
        };
        RCPtr<LNotificationDistributor> sender(list);
        recorder->RegisterForNotification(sender, u"NID_ITEM_CHECK_CHANGE", 0);
        recorder->RegisterForNotification(sender, u"NID_ITEM_CHECKBOX_CLICKED", 0);
    }
    void TearDown() override
    {
        recorder->UnregisterForAllNotifications();
        list = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }

    struct Report {
        String name;
        int32_t index;
        double value;
    };
    RCPtr<LControl> main;
    RCPtr<LCheckedListBox> list;
    RCPtr<Recorder> recorder;
    std::vector<Report> reports;
};

TEST_F(CheckedListBoxTest, AClickOnACheckBoxChecksTheEntryAndReportsIt)
{
    ASSERT_GE(list->GetItemControlCount(), 4);
    // Row 1's check box sits at its top left.
    Click(5, 14 + 5);
    EXPECT_TRUE(list->IsItemChecked(1));
    EXPECT_EQ(list->GetCheckedCount(), 1);
    EXPECT_TRUE(list->IsItemSelected(1));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].name, String(u"NID_ITEM_CHECK_CHANGE"));
    EXPECT_EQ(reports[0].index, 1);
    EXPECT_EQ(reports[0].value, 1.0);
    Click(5, 14 + 5);
    EXPECT_FALSE(list->IsItemChecked(1));
    EXPECT_EQ(list->GetCheckedCount(), 0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].value, 0.0);

    // Showing entries never reports a change.
    list->SetItemChecked(2, true);
    list->SetItemChecked(2, true);
    list->SetItemChecked(9, true);
    EXPECT_EQ(list->GetCheckedCount(), 1);
    EXPECT_EQ(list->GetCheckedItemControl(2)->GetCheckBox()->GetValue(), 1.0);
    EXPECT_EQ(reports.size(), 2u);
    // Rows past the last entry show no check box.
    EXPECT_FALSE(list->GetCheckedItemControl(3)->GetCheckBox()->IsVisible(false));
}

TEST_F(CheckedListBoxTest, WithoutAutoCheckAClickIsOnlyReported)
{
    list->SetAutoCheck(false);
    Click(5, 5);
    EXPECT_FALSE(list->IsItemChecked(0));
    EXPECT_EQ(list->GetCheckedCount(), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].name, String(u"NID_ITEM_CHECKBOX_CLICKED"));
    EXPECT_EQ(reports[0].value, 0.0);
    EXPECT_EQ(LIndexedDataWithValueParam(nullptr, 2, 1.0).ToString(),
              String(u"LIndexedDataParam: Index = 2, Data =  Value = 1.000000"));
}

const char kIconLooks[] = R"(
 <Parts>
  <Part Name="iconA" Width="4" Height="4" ResizeType="Stretch" ImageFile="sheet.png" ImageLocX="0" ImageLocY="0"/>
  <Part Name="iconB" Width="4" Height="4" ResizeType="Stretch" ImageFile="sheet.png" ImageLocX="4" ImageLocY="0"/>
 </Parts>
 <Looks>
  <Look Name="icons">
   <ClientPart Name="grey" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0"/>
   <NonClientParts><NonClientPart Name="iconA" OffsetLeft="0" OffsetTop="0"/>
    <NonClientPart Name="iconB" OffsetRight="0" OffsetTop="0"/></NonClientParts>
  </Look>
 </Looks>
 <LookLists>
  <LookList Name="withIcons" NumLooks="4"><Look Name="row0" Index="0"/><Look Name="icons" Index="3"/></LookList>
  <LookList Name="threeLooks" NumLooks="3"><Look Name="icons" Index="2"/></LookList>
 </LookLists>)";

class CheckedListBoxIconsTest : public ControlsFixture {
protected:
    // The list of kControls with the look list given, holding three entries.
    RCPtr<LCheckedListBox> MakeList(const char* lookList)
    {
        std::ifstream file(KX_RENDER_FIXTURES "/sheet-12x12.png", std::ios::binary);
        documents.Set(u"SHEET_PNG",
                      std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()),
                      u"GDIPLUS");
        std::string controls = kControls;
        const std::string at = "YSizeAbs=\"70\">";
        controls.insert(controls.find(at) + at.size(), std::string("<Skin Name=\"l\" LookList=\"") + lookList + "\"/>");
        Load(SkinDocument(FourteenLooks("row") + kIconLooks, controls));
        main = CreateMain(u"mainControl");
        RCPtr<LCheckedListBox> list(main ? main->FindChild(u"list") : nullptr);
        for (int i = 0; list && i < 3; ++i)
            EXPECT_EQ(list->InsertItem(i, RCPtr<LTaggableObject>(LListBoxText::Create(String::Format(u"entry %d", i)))),
                      i);
        return list;
    }
    void TearDown() override
    {
        main = nullptr;
        ControlsFixture::TearDown();
    }

    RCPtr<LControl> main;
};

// A plain checked list whose skin gives it a fourth look takes that look's bitmaps as row icons,
// cycling through them, and its rows are then clicked as a whole.
TEST_F(CheckedListBoxIconsTest, TheFourthLooksBitmapsBecomeTheRowIcons)
{
    struct Case {
        const char* lookList;
        bool takesIcons;
    };
    const Case cases[] = {{"withIcons", true}, {"threeLooks", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lookList);
        RCPtr<LCheckedListBox> list = MakeList(c.lookList);
        ASSERT_TRUE(list);
        const RCPtr<LBitmap> a = LBitmap::Load(u"::sheet.png", 0, 0, 4, 4);
        const RCPtr<LBitmap> b = LBitmap::Load(u"::sheet.png", 4, 0, 4, 4);
        ASSERT_TRUE(a && b);
        const LBitmap* expected[] = {a.Get(), b.Get(), a.Get()};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(list->GetItemIcon(i).Get(), c.takesIcons ? expected[i] : nullptr);
        ASSERT_GE(list->GetItemControlCount(), 1);
        EXPECT_EQ(list->GetCheckedItemControl(0)->GetCheckBox()->passive, c.takesIcons);
        list = nullptr;
        TearDown();
    }
}

} // namespace
} // namespace KX::Test
