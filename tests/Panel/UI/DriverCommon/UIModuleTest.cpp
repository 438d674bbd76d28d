// The UI module tree's bases: a group numbers its items, hands out its edit panel in place of the item
// it shows once numbering is over, and routes the edit panel's values on to that item; leaves take
// only their own identifier and exact size; edits reach the module root, and nothing without one.
#include "KXFramework/Controls/Panel.h"
#include "Panel/UI/DriverCommon/UIModuleGroup.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"

#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace KX::Test {
namespace {

struct Shown {
    std::vector<unsigned char> bytes;
    int flag;
};

class TestItem : public LUIModuleLeaf<IPushButton> {
public:
    using LUIModuleLeaf::LUIModuleLeaf;
    KXRESULT Edit(const unsigned char* bytes) { return ReportParamValue(bytes); }
    std::vector<Shown> shown;
    // As a panel whose fields answer being filled with their change notifications.
    bool editWhileShowing = false;

protected:
    KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override
    {
        shown.push_back({{bytes, bytes + kValueSize}, flag});
        if (editWhileShowing) {
            EXPECT_EQ(Edit(bytes), 1);
        }
        return S_OK;
    }
};

class TestEditPanel : public LUIEditPanel<IPushButton> {
public:
    using LUIEditPanel::LUIEditPanel;
    std::vector<Shown> shown;
    int repointed = 0;

protected:
    KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override
    {
        shown.push_back({{bytes, bytes + kValueSize}, flag});
        // As an edit panel does: the value goes on to the item through the group.
        KX::Variant v;
        v.SetBlob(bytes, kValueSize);
        return SetParamValue(KX::ParamDescriptor(GetFirstParamID()), v);
    }
    void OnRepointed() override { ++repointed; }
};

class TestGroup : public LUIModuleGroup<IPushButtons, IPushButton> {
public:
    TestGroup(const RCPtr<LControl>& parent, const String& name, const RCPtr<TestEditPanel>& editPanel)
        : LUIModuleGroup(parent, name)
    {
        for (int i = 0; i < kChildCount; ++i)
            m_items.push_back(
                RCPtr<IPushButton>(new TestItem(RCPtr<LControl>(this), String::Format(u"button%d", i + 1))));
        m_editPanel = RCPtr<IPushButton>(editPanel);
    }
    KX::ConstRCPtr<IPushButton> GetPushButton(int32_t i) const override { return HandOut(i); }
    TestItem& Item(int i) { return dynamic_cast<TestItem&>(*m_items[size_t(i)]); }
};

class FakeRoot : public LPanel, public IUIModuleRoot {
public:
    using LPanel::LPanel;
    KXRESULT ReportParamValueChange(const KX::ParamDescriptor& d, const KX::Variant& v) override
    {
        unsigned size = 0;
        const unsigned char* bytes = v.GetData(&size);
        reports.push_back({d.id, std::vector<unsigned char>(bytes, bytes + size)});
        return S_OK;
    }
    KXRESULT RequestParamValue(int32_t id) override
    {
        requests.push_back(id);
        return S_OK;
    }
    std::vector<std::pair<int32_t, std::vector<unsigned char>>> reports;
    std::vector<int32_t> requests;
};

KX::Variant Blob(unsigned size, unsigned char fill)
{
    std::vector<unsigned char> bytes(size, fill);
    KX::Variant v;
    v.SetBlob(bytes.data(), size);
    return v;
}

class UIModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = RCPtr<FakeRoot>(new FakeRoot(nullptr, u"mainControl"));
        editPanel = RCPtr<TestEditPanel>(new TestEditPanel(RCPtr<LControl>(root), u"buttonEditPanel"));
        group = RCPtr<TestGroup>(new TestGroup(RCPtr<LControl>(root), u"buttons", editPanel));
        ASSERT_EQ(group->SetFirstParamID(nullptr, kFirst, 5), S_OK);
    }
    void TearDown() override { static_cast<void>(root->BreakCycles()); }

    static constexpr int32_t kFirst = 125;
    FakeFrameworkServices services;
    RCPtr<FakeRoot> root;
    RCPtr<TestEditPanel> editPanel;
    RCPtr<TestGroup> group;
};

TEST_F(UIModuleTest, TheGroupNumbersItsItemsAndHandsOutTheEditPanelForTheItemItShows)
{
    for (int i : {0, 3, 35})
        EXPECT_EQ(group->Item(i).GetFirstParamID(), kFirst + i);
    EXPECT_EQ(group->GetModule(kFirst + 3).Get(), static_cast<LParameterizedModule*>(&group->Item(3)));
    EXPECT_FALSE(group->GetModule(kFirst + 36));
    EXPECT_TRUE(root->requests.empty());

    // A click on item 3 re-points the edit panel, which asks for its value.
    ASSERT_EQ(editPanel->SetFirstParamID(group.Get(), kFirst + 3, 3), S_OK);
    EXPECT_EQ(root->requests, std::vector<int32_t>{kFirst + 3});
    EXPECT_EQ(editPanel->repointed, 1);
    EXPECT_EQ(group->GetModule(kFirst + 3).Get(), static_cast<LParameterizedModule*>(editPanel.Get()));
    EXPECT_EQ(group->GetModule(kFirst + 4).Get(), static_cast<LParameterizedModule*>(&group->Item(4)));

    // Numbering again gives the items, not the edit panel, their identifiers.
    ASSERT_EQ(group->SetFirstParamID(nullptr, kFirst, 5), S_OK);
    EXPECT_EQ(root->requests.size(), 1u);
    EXPECT_EQ(group->Item(3).GetFirstParamID(), kFirst + 3);
    EXPECT_EQ(editPanel->GetIndex(), 3);
}

TEST_F(UIModuleTest, ValuesReachTheEditPanelFirstAndGoOnToItsItemOnly)
{
    ASSERT_EQ(editPanel->SetFirstParamID(group.Get(), kFirst + 3, 3), S_OK);
    RCPtr<LParameterizedModule> owner = group->GetModule(kFirst + 3);
    ASSERT_EQ(owner->SetParamValueLocal(KX::ParamDescriptor(kFirst + 3), Blob(17, 0x2A), 1), S_OK);
    ASSERT_EQ(editPanel->shown.size(), 1u);
    EXPECT_EQ(editPanel->shown[0].flag, 1);
    ASSERT_EQ(group->Item(3).shown.size(), 1u);
    EXPECT_EQ(group->Item(3).shown[0].flag, 0) << "passed on by the group";
    EXPECT_EQ(group->Item(3).shown[0].bytes, std::vector<unsigned char>(17, 0x2A));
    for (int i : {2, 4})
        EXPECT_TRUE(group->Item(i).shown.empty());
    EXPECT_TRUE(root->reports.empty()) << "showing a value never reports it";
}

TEST_F(UIModuleTest, ALeafRefusesAnotherIdentifierOrSizeAndChangesNothing)
{
    TestItem& item = group->Item(7);
    const std::pair<int32_t, KX::Variant> refused[] = {
        {kFirst + 7, Blob(16, 1)}, {kFirst + 7, Blob(18, 1)}, {kFirst + 7, KX::Variant()},
        {kFirst + 8, Blob(17, 1)}, {-1, Blob(17, 1)},         {kFirst + 6, Blob(17, 1)},
    };
    for (const auto& [id, value] : refused)
        EXPECT_EQ(item.SetParamValueLocal(KX::ParamDescriptor(id), value, 1), E_FAIL) << id;
    EXPECT_TRUE(item.shown.empty());
    item.editWhileShowing = true;
    EXPECT_EQ(item.SetParamValueLocal(KX::ParamDescriptor(kFirst + 7), Blob(17, 0x7F), 1), S_OK);
    EXPECT_EQ(item.shown.size(), 1u);
    EXPECT_TRUE(root->reports.empty()) << "a value being shown is nobody's edit";
    // The group routes nothing while its edit panel shows no item.
    EXPECT_EQ(group->SetParamValue(KX::ParamDescriptor(kFirst + 7), Blob(17, 1)), 1);
    EXPECT_EQ(item.shown.size(), 1u);
}

TEST_F(UIModuleTest, AnEditReachesTheModuleRootAndIsNotReportedWithoutOne)
{
    const std::vector<unsigned char> bytes(17, 0x11);
    EXPECT_EQ(group->Item(2).Edit(bytes.data()), S_OK);
    ASSERT_EQ(root->reports.size(), 1u);
    EXPECT_EQ(root->reports[0].first, kFirst + 2);
    EXPECT_EQ(root->reports[0].second, bytes);

    RCPtr<LControl> alone(new TestItem(nullptr, u"alone"));
    ASSERT_EQ(dynamic_cast<TestItem&>(*alone).SetFirstParamID(nullptr, 40, 0), S_OK);
    EXPECT_EQ(dynamic_cast<TestItem&>(*alone).Edit(bytes.data()), 1);
    RCPtr<TestEditPanel> lone(new TestEditPanel(nullptr, u"lone"));
    EXPECT_EQ(lone->SetFirstParamID(nullptr, 41, 0), S_OK) << "a re-pointing without a root asks nobody";
    EXPECT_EQ(root->reports.size(), 1u);
    EXPECT_EQ(root->requests.size(), 0u);
}

} // namespace
} // namespace KX::Test
