#include "KXFramework/Controls/CheckedListBox.h"

#include "ControlsFixture.h"
#include "FourteenLooks.h"
#include "NotificationDoubles.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace KX::Test
