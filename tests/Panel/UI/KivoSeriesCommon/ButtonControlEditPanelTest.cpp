// The push-button MIDI-type editor built from its generated skin block: every record the editor can
// make is shown and built back byte for byte; records it cannot show are refused or shown by the
// rules; edits report once, showing never.
#include "../EditorSamples.h"

#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"

#include "NotificationDoubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

using Bytes = std::array<int, 10>;

ButtonControlRecord Record(const Bytes& bytes)
{
    ButtonControlRecord record;
    for (int b : bytes)
        record.Add(static_cast<char>(b));
    return record;
}

Bytes BytesOf(const ButtonControlRecord& record)
{
    Bytes bytes{};
    for (unsigned i = 0; i < 10 && i < record.GetCount(); ++i)
        bytes[i] = static_cast<unsigned char>(record.GetAt(i));
    return bytes;
}

std::string Show(const Bytes& bytes)
{
    std::string text;
    for (int b : bytes)
        text += std::to_string(b) + " ";
    return text;
}

// Every record the editor can build, with each value field at `v` and the channel at `channel`.
std::vector<Bytes> EveryBuildableRecord(int v, int channel)
{
    std::vector<Bytes> records;
    records.push_back({channel, 0, v, 0, v, 0, 0, 0, 0, v}); // control change, absolute
    for (int code : {0, 1, 2, 3, 8, 9, 10, 11, 12, 13, 14, 15, 16, 22, 23, 24})
        records.push_back({channel, 1, code, 0, v, 0, 0, 0, 0, 0});
    for (int code : {4, 5, 6, 7})
        records.push_back({channel, 1, code, v, v, 0, 0, 0, 0, v});
    records.push_back({channel, 1, 17, v, v, 0, 0, 0, 0, v});
    for (int code : {18, 29}) {
        const int data = code == 18 ? v : 0;
        records.push_back({channel, 1, code, data, v, 1, 0, 1, 0, v});
        records.push_back({channel, 1, code, data, v, 0, v, 1, 0, v});
        records.push_back({channel, 1, code, data, v, 0, v, 0, v, v});
    }
    for (int code : {19, 20})
        records.push_back({channel, 1, code, v, v, 0, 0, 0, 0, v});
    for (int command : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13})
        records.push_back({channel, 1, 21, 0, command, 0, 0, 0, 0, 0});
    for (int code : {25, 26})
        records.push_back({channel, 1, code, v, v, 1, 0, 1, 0, v});
    for (int code : {27, 28})
        records.push_back({channel, 1, code, 0, v, 1, 0, 1, 0, v});
    return records;
}

class ButtonControlEditPanelTest : public EditorSamplesFixture {
protected:
    void SetUp() override
    {
        EditorSamplesFixture::SetUp();
        if (HasFatalFailure())
            return;
        editor = RCPtr<LButtonControlEditPanel>(samples->FindChild(u"midiPage"));
        ASSERT_TRUE(editor);
        tabs = RCPtr<LTabControl>(editor->FindChild(u"tabControl"));
        ASSERT_TRUE(tabs);
        reports = RCPtr<Recorder>(new Recorder("owner"));
        ASSERT_TRUE(
            reports->RegisterForNotification(RCPtr<LNotificationDistributor>(editor), u"NID_PARAMETERS_CHANGED", 0));
    }
    void TearDown() override
    {
        reports = nullptr;
        EditorSamplesFixture::TearDown();
    }

    RCPtr<LControl> Page(const char16_t* name) { return tabs->GetPageByName(name); }
    RCPtr<LControl> At(const RCPtr<LControl>& from, std::initializer_list<const char16_t*> path)
    {
        RCPtr<LControl> at = from;
        for (const char16_t* name : path)
            at = at ? at->FindChild(name) : nullptr;
        return at;
    }
    // A left click on the middle of a control, as the window delivers it.
    void Click(const RCPtr<LControl>& control)
    {
        ASSERT_TRUE(control);
        const PointT<double> at = control->GetPositionInRoot();
        const PointT<int32_t> p{int32_t(at.x + control->GetRect().width / 2),
                                int32_t(at.y + control->GetRect().height / 2)};
        root->DispatchMouseMove(p, 0, 0);
        root->DispatchMouseButton(LRootWindow::kPress, kLeftButton, 0, p, 0);
        root->DispatchMouseButton(LRootWindow::kRelease, kLeftButton, 0, p, 0);
        root->ProcessEvents(true);
    }

    RCPtr<LButtonControlEditPanel> editor;
    RCPtr<LTabControl> tabs;
    RCPtr<Recorder> reports;
};

TEST_F(ButtonControlEditPanelTest, EveryRecordTheEditorBuildsIsShownAndBuiltBackByteForByte)
{
    // The button's editor, and the sustain pedal's with its cycle pages' tabs hidden.
    for (const char16_t* name : {u"midiPage", u"buttonTypePanel"}) {
        RCPtr<LButtonControlEditPanel> panel(samples->FindChild(name));
        ASSERT_TRUE(panel);
        for (const auto& [v, channel] : {std::pair{0, 0}, std::pair{127, 21}, std::pair{64, 16}}) {
            for (const Bytes& bytes : EveryBuildableRecord(v, channel)) {
                ASSERT_EQ(panel->ShowControlRecord(Record(bytes)), S_OK) << Show(bytes);
                EXPECT_EQ(BytesOf(panel->BuildControlRecord()), bytes) << Show(bytes);
            }
        }
    }
    EXPECT_EQ(reports->received, 0) << "showing never reports";
    RCPtr<LTabControl> sustainTabs(samples->FindChild(u"buttonTypePanel")->FindChild(u"tabControl"));
    for (const char16_t* page : {u"ccCyclePage", u"programCyclePage"})
        EXPECT_FALSE(sustainTabs->GetButtonByName(page)->IsVisible(false));
    EXPECT_TRUE(sustainTabs->GetButtonByName(u"notePage")->IsVisible(false));
}

TEST_F(ButtonControlEditPanelTest, EachCaptionedBoxShowsAndEditsItsOwnByte)
{
    const struct {
        const char16_t* page;
        std::vector<int> record;
        std::vector<CaptionedByte> boxes;
    } cases[] = {
        {u"ccAbsolutePage", {11, 0, 2, 0, 4, 0, 0, 0, 0, 9}, {{u"CC", 2}, {u"DOWN", 9}, {u"UP", 4}}},
        {u"ccIncDecPage", {11, 1, 25, 3, 4, 1, 0, 1, 0, 9}, {{u"CC", 3}, {u"MIN", 4}, {u"MAX", 9}}},
        {u"programIncDecPage", {11, 1, 28, 0, 4, 1, 0, 1, 0, 9}, {{u"MIN", 4}, {u"MAX", 9}}},
        {u"notePage", {11, 1, 19, 3, 4, 0, 0, 0, 0, 9}, {{u"NOTE", 3}, {u"OFF", 4}, {u"ON", 9}}},
        {u"nrpnRpnPage", {11, 1, 6, 3, 4, 0, 0, 0, 0, 9}, {{u"VALUE", 3}, {u"LSB", 4}, {u"MSB", 9}}},
        {u"programPage", {11, 1, 17, 3, 4, 0, 0, 0, 0, 9}, {{u"PROGRAM", 3}, {u"LSB", 4}, {u"MSB", 9}}},
        {u"ccCyclePage", {11, 1, 18, 3, 4, 1, 0, 1, 0, 9}, {{u"CC", 3}, {u"FIRST", 4}, {u"LAST", 9}}},
        {u"ccCyclePage",
         {11, 1, 18, 3, 4, 0, 6, 0, 8, 9},
         {{u"FIRST", 4}, {u"VALUE 2", 6}, {u"VALUE 3", 8}, {u"LAST", 9}}},
        {u"programCyclePage", {11, 1, 29, 0, 4, 0, 6, 1, 0, 9}, {{u"FIRST", 4}, {u"VALUE 2", 6}, {u"LAST", 9}}},
    };
    for (const auto& c : cases) {
        CheckCaptionedBytes(
            Page(c.page), c.record, c.boxes,
            [&](const std::vector<int>& record) {
                Bytes bytes{};
                std::copy(record.begin(), record.end(), bytes.begin());
                ASSERT_EQ(editor->ShowControlRecord(Record(bytes)), S_OK);
                ASSERT_EQ(tabs->GetSelectedName(), String(c.page));
            },
            [&] {
                const Bytes built = BytesOf(editor->BuildControlRecord());
                return std::vector<int>(built.begin(), built.end());
            });
    }
}

TEST_F(ButtonControlEditPanelTest, CodesWithAListEntrySelectTheEntryNamingThemAndItBuildsThemBack)
{
    const struct {
        int code;
        const char16_t* page;
        const char16_t* list;
        const char16_t* entry;
        int other; // a code of the same list
    } cases[] = {
        {22, u"otherPage", u"type", u"Reverb Type (Sysex)", 23},
        {23, u"otherPage", u"type", u"Reverb Time (Sysex)", 24},
        {24, u"otherPage", u"type", u"Chorus Type (Sysex)", 22},
        {25, u"ccIncDecPage", u"incDec", u"Decrement", 26},
        {26, u"ccIncDecPage", u"incDec", u"Increment", 25},
        {27, u"programIncDecPage", u"incDecType", u"Decrement", 28},
        {28, u"programIncDecPage", u"incDecType", u"Increment", 27},
    };
    const auto record = [](int code) { return Record({0, 1, code, 0, 5, 1, 0, 1, 0, 9}); };
    for (const auto& c : cases) {
        const RCPtr<LComboBox> list(ControlUtilities::GetComboBoxChild(Page(c.page)->FindChild(c.list)));
        ASSERT_EQ(editor->ShowControlRecord(record(c.code)), S_OK);
        EXPECT_EQ(list->GetText(), String(c.entry)) << c.code;
        ASSERT_EQ(editor->ShowControlRecord(record(c.other)), S_OK);
        list->SetSelectedIndex(EntryOf(list, c.entry));
        EXPECT_EQ(BytesOf(editor->BuildControlRecord())[2], c.code);
    }
}

TEST_F(ButtonControlEditPanelTest, RecordsTheEditorDoesNotMakeAreShownByTheRules)
{
    struct Case {
        Bytes shown;
        const char16_t* page;
        Bytes built;
    };
    const Case cases[] = {
        // Kind 0: the CC absolute page whatever else the record holds; unused bytes come back 0.
        {{3, 0, 74, 9, 10, 1, 2, 3, 4, 11}, u"ccAbsolutePage", {3, 0, 74, 0, 10, 0, 0, 0, 0, 11}},
        // Inc/dec with a step list of three or four values is the matching cycle.
        {{0, 1, 25, 7, 1, 0, 2, 1, 0, 3}, u"ccCyclePage", {0, 1, 18, 7, 1, 0, 2, 1, 0, 3}},
        {{0, 1, 26, 7, 1, 1, 0, 0, 5, 3}, u"ccCyclePage", {0, 1, 18, 7, 1, 0, 0, 0, 5, 3}},
        {{0, 1, 28, 0, 1, 0, 2, 0, 4, 3}, u"programCyclePage", {0, 1, 29, 0, 1, 0, 2, 0, 4, 3}},
        // A kind byte of 0x80 and above is not normalised, yet shown as a typed record.
        {{0, 0x80, 25, 7, 1, 0, 2, 1, 0, 3}, u"ccIncDecPage", {0, 1, 25, 7, 1, 1, 0, 1, 0, 3}},
        {{0, 0xFF, 17, 5, 0, 0, 0, 0, 0, 0}, u"programPage", {0, 1, 17, 5, 0, 0, 0, 0, 0, 0}},
        // Note, controller and value bytes of 0x80 and above read negative and show as 0.
        {{0, 1, 19, 0x80, 0xFF, 0, 0, 0, 0, 0x90}, u"notePage", {0, 1, 19, 0, 0, 0, 0, 0, 0, 0}},
        {{0, 0, 0xC0, 0, 0x81, 0, 0, 0, 0, 127}, u"ccAbsolutePage", {0, 0, 0, 0, 0, 0, 0, 0, 0, 127}},
        // MMC commands outside the list show "Other" and come back as 13.
        {{0, 1, 21, 0, 0, 0, 0, 0, 0, 0}, u"mmcPage", {0, 1, 21, 0, 13, 0, 0, 0, 0, 0}},
        {{0, 1, 21, 0, 12, 0, 0, 0, 0, 0}, u"mmcPage", {0, 1, 21, 0, 13, 0, 0, 0, 0, 0}},
        {{0, 1, 21, 0, 0x85, 0, 0, 0, 0, 0}, u"mmcPage", {0, 1, 21, 0, 13, 0, 0, 0, 0, 0}},
        // A code above 29 (or negative) has no entry: no type is selected and the code stays.
        {{0, 1, 30, 0, 5, 0, 0, 0, 0, 0}, u"otherPage", {0, 1, 30, 0, 5, 0, 0, 0, 0, 0}},
        {{0, 1, 127, 0, 5, 0, 0, 0, 0, 0}, u"otherPage", {0, 1, 127, 0, 5, 0, 0, 0, 0, 0}},
        {{0, 1, 0xF0, 0, 5, 0, 0, 0, 0, 0}, u"otherPage", {0, 1, 0xF0, 0, 5, 0, 0, 0, 0, 0}},
        // A channel beyond the list selects none and stays as the keyboard sent it.
        {{22, 1, 17, 5, 0, 0, 0, 0, 0, 0}, u"programPage", {22, 1, 17, 5, 0, 0, 0, 0, 0, 0}},
        {{0x90, 1, 17, 5, 0, 0, 0, 0, 0, 0}, u"programPage", {0x90, 1, 17, 5, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(editor->ShowControlRecord(Record(c.shown)), S_OK) << Show(c.shown);
        EXPECT_EQ(tabs->GetSelectedName(), String(c.page)) << Show(c.shown);
        EXPECT_EQ(BytesOf(editor->BuildControlRecord()), c.built) << Show(c.shown);
    }
    RCPtr<LComboBox> mmc(ControlUtilities::GetComboBoxChild(Page(u"mmcPage")->FindChild(u"mmc")));
    ASSERT_EQ(editor->ShowControlRecord(Record({0, 1, 21, 0, 12, 0, 0, 0, 0, 0})), S_OK);
    EXPECT_EQ(mmc->GetListBox()->GetItemCount(), 13);
    EXPECT_EQ(mmc->GetText(), String(u"Other"));
    ASSERT_EQ(editor->ShowControlRecord(Record({0, 1, 21, 0, 5, 0, 0, 0, 0, 0})), S_OK);
    EXPECT_EQ(mmc->GetListBox()->GetItemCount(), 12) << "Other only while such a record is shown";
    EXPECT_EQ(mmc->GetText(), String(u"Rewind"));
    EXPECT_EQ(reports->received, 0);
}

TEST_F(ButtonControlEditPanelTest, ARecordOfTheWrongSizeIsRefusedAndChangesNothing)
{
    const Bytes shown{4, 1, 17, 9, 8, 0, 0, 0, 0, 7};
    ASSERT_EQ(editor->ShowControlRecord(Record(shown)), S_OK);
    for (unsigned size : {0u, 1u, 9u, 11u, 64u}) {
        ButtonControlRecord record;
        for (unsigned i = 0; i < size; ++i)
            record.Add(static_cast<char>(i == 1 ? 0 : 0x7F));
        EXPECT_EQ(editor->ShowControlRecord(record), E_FAIL) << size;
        EXPECT_EQ(BytesOf(editor->BuildControlRecord()), shown) << size;
    }
    EXPECT_EQ(reports->received, 0);
}

TEST_F(ButtonControlEditPanelTest, CycleTypesShowAndLabelTheirValuesAndOnlyTheUsersChangeReports)
{
    ASSERT_EQ(editor->ShowControlRecord(Record({0, 1, 18, 7, 1, 0, 2, 1, 0, 3})), S_OK);
    const RCPtr<LControl> page = Page(u"ccCyclePage");
    auto visible = [&](const char16_t* name) { return page->FindChild(name)->IsVisible(false); };
    auto caption = [&](const char16_t* name) {
        return std::u16string(ControlUtilities::GetControlNameLabelChild(page->FindChild(name))->GetText().GetString());
    };
    EXPECT_TRUE(visible(u"ccValue2") && visible(u"ccValue3"));
    EXPECT_FALSE(visible(u"ccValue4"));
    EXPECT_EQ(caption(u"ccValue1"), u"FIRST");
    EXPECT_EQ(caption(u"ccValue2"), u"VALUE 2");
    EXPECT_EQ(caption(u"ccValue3"), u"LAST");
    EXPECT_EQ(reports->received, 0);

    RCPtr<LComboBox> type(ControlUtilities::GetComboBoxChild(page->FindChild(u"cycleType")));
    type->SetSelectedIndex(0);
    EXPECT_EQ(reports->received, 1);
    EXPECT_FALSE(visible(u"ccValue3"));
    EXPECT_EQ(caption(u"ccValue2"), u"LAST");
    // The hidden fields keep their numbers but a 2-value list carries none of them.
    EXPECT_EQ(BytesOf(editor->BuildControlRecord()), (Bytes{0, 1, 18, 7, 1, 1, 0, 1, 0, 2}));
    type->SetSelectedIndex(2);
    EXPECT_EQ(reports->received, 2);
    EXPECT_TRUE(visible(u"ccValue4"));
    EXPECT_EQ(caption(u"ccValue3"), u"VALUE 3");
    EXPECT_EQ(caption(u"ccValue4"), u"LAST");

    ASSERT_EQ(editor->ShowControlRecord(Record({0, 1, 29, 0, 1, 0, 2, 0, 4, 3})), S_OK);
    const RCPtr<LControl> programs = Page(u"programCyclePage");
    EXPECT_TRUE(programs->FindChild(u"program4")->IsVisible(false));
    EXPECT_EQ(ControlUtilities::GetControlNameLabelChild(programs->FindChild(u"program4"))->GetText(), String(u"LAST"));
    EXPECT_EQ(reports->received, 2);
}

TEST_F(ButtonControlEditPanelTest, ACyclePageVisitedBeforeAnyCycleRecordShowsTheFieldsOfItsCount)
{
    // As the user first opens each page, before the record its visit reports comes back.
    const struct {
        const char16_t* name;
        std::u16string prefix;
    } pages[] = {{u"ccCyclePage", u"ccValue"}, {u"programCyclePage", u"program"}};
    for (const auto& [name, prefix] : pages) {
        Click(tabs->GetButtonByName(name));
        const RCPtr<LControl> page = Page(name);
        EXPECT_EQ(ControlUtilities::GetComboBoxChild(page->FindChild(u"cycleType"))->GetText(), String(u"2 Values"));
        std::u16string shown;
        for (char16_t n = u'1'; n <= u'4'; ++n) {
            const RCPtr<LControl> field = page->FindChild((prefix + n).c_str());
            if (field->IsVisible(false))
                shown +=
                    std::u16string(ControlUtilities::GetControlNameLabelChild(field)->GetText().GetString()) + u" ";
        }
        EXPECT_EQ(shown, u"FIRST LAST ") << (prefix == u"program" ? "program" : "CC") << " cycle";
    }
}

TEST_F(ButtonControlEditPanelTest, OnAndOffFollowLatchingOnlyWhenAsked)
{
    const RCPtr<LControl> onOff = Page(u"notePage")->FindChild(u"onOffSelectors");
    RCPtr<LControl> latch = ControlUtilities::GetButtonChild(Page(u"notePage")->FindChild(u"latching"));
    ASSERT_EQ(editor->ShowControlRecord(Record({0, 1, 19, 60, 0, 0, 0, 0, 0, 127})), S_OK);
    EXPECT_EQ(latch->GetValue(), 0.0);
    EXPECT_TRUE(onOff->IsVisible(false)) << "the flag is off after creation";
    EXPECT_TRUE(editor->SetOnOffFollowsLatching(true));
    ASSERT_EQ(editor->ShowControlRecord(Record({0, 1, 19, 60, 0, 0, 0, 0, 0, 127})), S_OK);
    EXPECT_FALSE(onOff->IsVisible(false));
    ASSERT_EQ(editor->ShowControlRecord(Record({0, 1, 20, 60, 0, 0, 0, 0, 0, 127})), S_OK);
    EXPECT_TRUE(onOff->IsVisible(false));
    EXPECT_EQ(latch->GetValue(), 1.0);
    EXPECT_EQ(reports->received, 0);
}

TEST_F(ButtonControlEditPanelTest, TheUserChoosesAPageAndChangesAFieldAndEachStepReportsOnce)
{
    ASSERT_EQ(editor->ShowControlRecord(Record({5, 0, 7, 0, 0, 0, 0, 0, 0, 127})), S_OK);
    Click(tabs->GetButtonByName(u"programPage"));
    EXPECT_EQ(tabs->GetSelectedName(), String(u"programPage"));
    EXPECT_EQ(reports->received, 1);
    EXPECT_EQ(BytesOf(editor->BuildControlRecord()), (Bytes{5, 1, 17, 0, 0, 0, 0, 0, 0, 0}))
        << "the channel is every page's";

    Click(At(Page(u"programPage"), {u"program", u"numericUpDown", u"buttonUp"}));
    EXPECT_EQ(reports->received, 2);
    EXPECT_EQ(BytesOf(editor->BuildControlRecord()), (Bytes{5, 1, 17, 1, 0, 0, 0, 0, 0, 0}));

    Click(tabs->GetButtonByName(u"notePage"));
    Click(ControlUtilities::GetButtonChild(Page(u"notePage")->FindChild(u"latching")));
    EXPECT_EQ(tabs->GetSelectedName(), String(u"notePage"));
    EXPECT_EQ(BytesOf(editor->BuildControlRecord())[2], 20) << "the ticked latch box gives code 20";
    EXPECT_EQ(reports->received, 5) << "the page, then the latch box's click and its value";
}

TEST_F(ButtonControlEditPanelTest, AMissingPageOrChildEndsInitialisationWithTheNullPointerError)
{
    auto initialiseError = [](const RCPtr<LControl>& panel) {
        try {
            static_cast<void>(panel->Initialize());
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("<no error>");
    };
    RCPtr<LControl> bare(new LButtonControlEditPanel(nullptr, u"bare"));
    EXPECT_EQ(initialiseError(bare).rfind("Runtime Error : Null Pointer : Couldn't find child tabControl : "
                                          "LButtonControlEditPanel::Initialize : "
                                          "UI\\KivoSeriesCommon\\ButtonControlEditPanel : Line ",
                                          0),
              0u)
        << initialiseError(bare);
    RCPtr<LControl> pageless(new LButtonControlEditPanel(nullptr, u"pageless"));
    RCPtr<LControl> emptyTabs(new LTabControl(pageless, u"tabControl"));
    EXPECT_NE(initialiseError(pageless).find("Null Pointer : Couldn't find ccAbsolutePage : "), std::string::npos);
    bare->BreakCycles();
    pageless->BreakCycles();
}

TEST_F(ButtonControlEditPanelTest, EachPageIsPaintedForPeopleToLookAt)
{
    const std::pair<const char*, Bytes> pages[] = {
        {"ccAbsolutePage", {1, 0, 64, 0, 0, 0, 0, 0, 0, 127}}, {"ccCyclePage", {2, 1, 18, 74, 0, 0, 40, 0, 80, 127}},
        {"ccIncDecPage", {3, 1, 25, 7, 10, 1, 0, 1, 0, 100}},  {"mmcPage", {4, 1, 21, 0, 6, 0, 0, 0, 0, 0}},
        {"notePage", {17, 1, 20, 61, 0, 0, 0, 0, 0, 127}},     {"nrpnRpnPage", {5, 1, 6, 64, 2, 0, 0, 0, 0, 1}},
        {"programCyclePage", {6, 1, 29, 0, 1, 0, 5, 1, 0, 9}}, {"programIncDecPage", {7, 1, 27, 0, 0, 1, 0, 1, 0, 127}},
        {"programPage", {8, 1, 17, 12, 0, 0, 0, 0, 0, 3}},     {"otherPage", {21, 1, 12, 0, 99, 0, 0, 0, 0, 0}},
    };
    int index = 0;
    for (const auto& [name, bytes] : pages) {
        ++index;
        ASSERT_EQ(editor->ShowControlRecord(Record(bytes)), S_OK);
        ASSERT_EQ(tabs->GetSelectedName(), String(std::u16string(name, name + std::strlen(name)).c_str()));
        WritePicture(PicturePath("button-type-" + std::string(index < 10 ? "0" : "") + std::to_string(index) + "-" +
                                 name + ".png"),
                     {0, 0, 1060, 280});
    }
}

} // namespace
} // namespace KX::Test
