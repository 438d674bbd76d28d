#include "KXFramework/Controls/CheckedComboBox.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/CheckedListBox.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.CheckedComboBox" Name="combo" XPositionAbs="10" YPositionAbs="10" XSizeAbs="120" YSizeAbs="20">
     <Skin Name="c" LookList="row"/>
     <SubControl Class="Framework.Button" Name="checkBox" XPositionAbs="100" XSizeAbs="16" YSizeAbs="16"><Skin Name="b" LookList="row"/></SubControl>
     <SubControl Class="Framework.CheckedListBox" Name="listBox" ClipToParent="False" Z_Order="4" IsVisible="False"
                 YPositionRel="1" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="56" YMaxSizeAbs="200">
      <!-- No fourth look: a list with one takes its icons from it and makes its check boxes passive. -->
      <SubControl Class="Framework.CheckedListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
       <Skin Name="t" LookList="row"/>
       <SubControl Class="Framework.Button" Name="checkBox" XSizeAbs="12" YSizeAbs="12"><Skin Name="k" LookList="row"/></SubControl>
      </SubControl>
     </SubControl>
    </SubControl>
    <SubControl Class="Framework.CheckedComboBox" Name="plain" YPositionAbs="200" XSizeAbs="120" YSizeAbs="20">
     <SubControl Class="Framework.ListBox" Name="listBox" IsVisible="False" XSizeAbs="120" YSizeAbs="40"/>
    </SubControl>
   </SubControl>)";

class CheckedComboBoxTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("row"), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        combo = RCPtr<LCheckedComboBox>(main->FindChild(u"combo"));
        ASSERT_TRUE(combo);
        ASSERT_TRUE(combo->GetCheckedList());
        for (const char16_t* text : {u"Bass", u"Lead", u"Pad"})
            ASSERT_GE(combo->AddItem(text), 0);
        box = RCPtr<LButton>(combo->FindChild(u"checkBox"));
        ASSERT_TRUE(box);
        recorder = RCPtr<Recorder>(new Recorder("combo"));
        recorder->react = [this](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
            const auto* p = dynamic_cast<const LIndexedDataWithValueParam*>(n->GetPayload().Get());
            reports.push_back({n->GetName(), p ? p->index : -1, p ? p->value : -1.0});
        };
        RCPtr<LNotificationDistributor> sender(combo);
        recorder->RegisterForNotification(sender, u"NID_ITEM_CHECK_CHANGE", 0);
        recorder->RegisterForNotification(sender, u"NID_SELECTION_CHANGE", 0);
        Idle();
    }
    void TearDown() override
    {
        recorder->UnregisterForAllNotifications();
        recorder = nullptr;
        box = nullptr;
        combo = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }
    // Opens the drop-down and clicks the check box of the entry's row.
    void ClickCheckBoxOf(int32_t entry)
    {
        if (!combo->IsDropDownShown()) {
            Click(50, 20);
            ASSERT_TRUE(combo->IsDropDownShown());
        }
        const PointT<double> list = combo->GetListBox()->GetPositionInRoot();
        Click(int32_t(list.x) + 5, int32_t(list.y) + entry * 14 + 5);
    }

    struct Report {
        String name;
        int32_t index;
        double value;
    };
    RCPtr<LControl> main;
    RCPtr<LCheckedComboBox> combo;
    RCPtr<LButton> box;
    RCPtr<Recorder> recorder;
    std::vector<Report> reports;
};

TEST_F(CheckedComboBoxTest, ChecksInTheListSwitchTheLookGroupAndAreForwarded)
{
    EXPECT_EQ(combo->GetActiveLookIndex(), 0);
    EXPECT_TRUE(box->UsesParentToolTip());
    struct Step {
        int32_t entry;
        bool checked;
        int32_t checkedCount;
    };
    const Step steps[] = {{0, true, 1}, {2, true, 2}, {0, false, 1}, {2, false, 0}};
    for (const Step& s : steps) {
        ClickCheckBoxOf(s.entry);
        EXPECT_EQ(combo->GetCheckedList()->IsItemChecked(s.entry), s.checked) << s.entry;
        EXPECT_EQ(combo->GetCheckedList()->GetCheckedCount(), s.checkedCount);
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back().name, String(u"NID_ITEM_CHECK_CHANGE"));
        EXPECT_EQ(reports.back().index, s.entry);
        EXPECT_EQ(reports.back().value, s.checked ? 1.0 : 0.0);
        // The drop-down stays open: looks 4/5 without checks, 11/12 with.
        const int look = combo->GetActiveLookIndex();
        EXPECT_EQ(look % 7 == 4 || look % 7 == 5, true) << look;
        EXPECT_EQ(look >= 7, s.checkedCount > 0) << look;
    }
    EXPECT_EQ(reports.size(), 4u);
    combo->ShowDropDown(false);
    Move(300, 250);
    Idle();
    EXPECT_EQ(combo->GetActiveLookIndex(), 1); // focused by the clicks

    // Checked entries while disabled: the last look of the second group.
    combo->GetCheckedList()->SetItemChecked(1, true);
    combo->UpdateLook();
    EXPECT_EQ(combo->GetActiveLookIndex(), 8);
    combo->SetEnabled(false);
    EXPECT_EQ(combo->GetActiveLookIndex(), 13);
}

TEST_F(CheckedComboBoxTest, SelectingShowsTheEntrysCheckStateAndText)
{
    combo->GetCheckedList()->SetItemChecked(2, true);
    reports.clear();
    EXPECT_EQ(combo->SetSelectedIndex(2), 2);
    EXPECT_EQ(combo->GetText(), String(u"Pad"));
    EXPECT_EQ(box->GetValue(), 1.0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].name, String(u"NID_SELECTION_CHANGE"));
    EXPECT_EQ(combo->SetSelectedIndex(1), 1);
    EXPECT_EQ(box->GetValue(), 0.0);
    // No entry: the check box keeps its state, the text stays.
    combo->GetCheckedList()->SetItemChecked(1, true);
    combo->SetSelectedIndex(1);
    EXPECT_EQ(combo->SetSelectedIndex(-1), -1);
    EXPECT_EQ(box->GetValue(), 1.0);
    EXPECT_EQ(combo->GetText(), String(u"Lead"));

    // Fewer entries drop the selection; the look group follows what is left checked.
    combo->SetItemCount(1);
    EXPECT_EQ(combo->GetSelectedIndex(), -1);
    EXPECT_EQ(combo->GetActiveLookIndex() >= 7, combo->GetCheckedList()->GetCheckedCount() > 0);
}

TEST_F(CheckedComboBoxTest, APlainListBoxIsRefused)
{
    RCPtr<LCheckedComboBox> plain(main->FindChild(u"plain"));
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->GetCheckedList());
    EXPECT_EQ(plain->Initialize(), E_FAIL);
}

} // namespace
} // namespace KX::Test
