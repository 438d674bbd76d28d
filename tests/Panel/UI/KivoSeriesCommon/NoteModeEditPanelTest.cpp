// The XY pad's note page from its generated skin block: records shown and built back byte for byte,
// the count clamp, every scale recognised and applied, and what a user's change does to the scale.
#include "../OthersSamples.h"

#include "KXFramework/Controls/ComboBox.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "Panel/UI/KivoSeriesCommon/NoteModeEditPanel.h"
#include "Panel/UI/PresetEditorCommon/MidiNoteSelector.h"

#include "NotificationDoubles.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

using Bytes = std::vector<int>;

KX::Array<char> Record(const Bytes& bytes)
{
    KX::Array<char> record;
    for (int b : bytes)
        record.Add(static_cast<char>(b));
    return record;
}

class NoteModeEditPanelTest : public OthersSamplesFixture {
protected:
    void SetUp() override
    {
        OthersSamplesFixture::SetUp();
        if (HasFatalFailure())
            return;
        page = RCPtr<LNoteModeEditPanel>(view->FindChild(u"noteModePage"));
        ASSERT_TRUE(page);
        static_cast<void>(page->SetVisible(true));
        type = RCPtr<LComboBox>(ControlUtilities::GetComboBoxChild(page->FindChild(u"noteModeType")));
        scale = RCPtr<LComboBox>(ControlUtilities::GetComboBoxChild(page->FindChild(u"noteScaleType")));
        for (int k = 1; k <= 8; ++k)
            notes.push_back(
                ControlUtilities::GetNoteSelectorNumericUpDown(page->FindChild(String::Format(u"note%d", k))));
        reports = RCPtr<Recorder>(new Recorder("owner"));
        ASSERT_TRUE(
            reports->RegisterForNotification(RCPtr<LNotificationDistributor>(page), u"NID_PARAMETERS_CHANGED", 0));
    }
    void TearDown() override
    {
        reports = nullptr;
        page = nullptr;
        type = scale = nullptr;
        notes.clear();
        OthersSamplesFixture::TearDown();
    }
    Bytes Notes() const
    {
        Bytes values;
        for (const auto& box : notes)
            values.push_back(int(box->NormalizedToValue(box->GetValue())));
        return values;
    }
    String Label(int k)
    {
        return page->FindChild(String::Format(u"note%d", k))->FindChild(u"controlNameLabel")->GetText();
    }
    bool Shown(int k) { return page->FindChild(String::Format(u"note%d", k))->IsVisible(false); }

    RCPtr<LNoteModeEditPanel> page;
    RCPtr<LComboBox> type, scale;
    std::vector<RCPtr<LNumericUpDown>> notes;
    RCPtr<Recorder> reports;
};

TEST_F(NoteModeEditPanelTest, RecordsAreShownWithTheirScaleAndBuiltBackByteForByte)
{
    const struct {
        Bytes record;
        int count;
        Bytes notes; // notes 1..count
        const char16_t* scaleText;
        Bytes built; // empty: the record itself
    } cases[] = {
        {{8, 0x3C, 0x48, 0x3E, 0x40, 0x41, 0x43, 0x45, 0x47}, 8, {60, 62, 64, 65, 67, 69, 71, 72}, u"Major", {}},
        {{8, 0x45, 0x51, 0x47, 0x48, 0x4A, 0x4C, 0x4D, 0x4F}, 8, {69, 71, 72, 74, 76, 77, 79, 81}, u"Minor", {}},
        {{5, 0x3C, 0x43, 0x3E, 0x40, 0x41, 0, 0, 0}, 5, {60, 62, 64, 65, 67}, u"Off", {}},
        {{5, 0x3C, 0x43, 0x3E, 0x40, 0x41, 0x45, 0x47, 0x48}, 5, {60, 62, 64, 65, 67}, u"Major", {}},
        {{2, 0x30, 0x48, 0, 0, 0, 0, 0, 0}, 2, {48, 72}, u"Off", {}},
        {{3, 0, 127, 1, 0, 0, 0, 0, 0}, 3, {0, 1, 127}, u"Off", {}},
        // A count outside 2..8 is clamped into it.
        {{1, 0x30, 0x48, 0, 0, 0, 0, 0, 0}, 2, {48, 72}, u"Off", {2, 0x30, 0x48, 0, 0, 0, 0, 0, 0}},
        {{0x80, 0x30, 0x48, 0, 0, 0, 0, 0, 0}, 2, {48, 72}, u"Off", {2, 0x30, 0x48, 0, 0, 0, 0, 0, 0}},
        {{9, 60, 72, 62, 64, 65, 67, 69, 71},
         8,
         {60, 62, 64, 65, 67, 69, 71, 72},
         u"Major",
         {8, 60, 72, 62, 64, 65, 67, 69, 71}},
        // Notes of 0x80 and above read negative and show as 0.
        {{4, 0x90, 0xFF, 5, 6, 0, 0, 0, 0}, 4, {0, 5, 6, 0}, u"Off", {4, 0, 0, 5, 6, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(page->ShowControlRecord(Record(c.record)), S_OK);
        EXPECT_EQ(type->GetSelectedIndex(), c.count - 2);
        const Bytes shown = Notes();
        EXPECT_EQ(Bytes(shown.begin(), shown.begin() + c.count), c.notes);
        EXPECT_EQ(scale->GetText(), String(c.scaleText));
        for (int k = 2; k <= 8; ++k)
            EXPECT_EQ(Shown(k), k <= c.count) << k;
        EXPECT_EQ(Label(c.count), String(u"LAST"));
        EXPECT_EQ(Label(1), String(c.count > 2 && String(c.scaleText) != String(u"Off") ? u"KEY" : u"FIRST"));
        if (c.count < 8) {
            EXPECT_EQ(Label(c.count + 1), String::Format(u"NOTE %d", c.count + 1));
        }
        EXPECT_EQ(BytesOf(page->BuildControlRecord()), c.built.empty() ? c.record : c.built);
    }
    EXPECT_EQ(reports->received, 0) << "showing never reports";
    for (unsigned size : {0u, 8u, 10u})
        EXPECT_EQ(page->ShowControlRecord(Record(Bytes(size, 3))), E_FAIL);
    EXPECT_EQ(BytesOf(page->BuildControlRecord()), (Bytes{4, 0, 0, 5, 6, 0, 0, 0, 0}));
}

TEST_F(NoteModeEditPanelTest, EveryScaleIsWrittenFromTheKeyAndRecognisedAgain)
{
    const struct {
        int item;
        const char16_t* name;
        Bytes steps;
    } scales[] = {
        {1, u"Major", {0, 2, 4, 5, 7, 9, 11, 12}},          {2, u"Minor", {0, 2, 3, 5, 7, 8, 10, 12}},
        {3, u"Phrygian", {0, 1, 3, 5, 7, 8, 10, 12}},       {4, u"Melodic Minor", {0, 2, 3, 5, 7, 9, 11, 12}},
        {5, u"Harmonic Minor", {0, 2, 3, 5, 7, 8, 11, 12}}, {6, u"Mixolydian", {0, 2, 4, 5, 7, 9, 10, 12}},
        {7, u"Dorian", {0, 2, 3, 5, 7, 9, 10, 12}},         {8, u"Lydian", {0, 2, 4, 6, 7, 9, 11, 12}},
        {9, u"Locrian", {0, 1, 3, 5, 6, 8, 10, 12}},        {10, u"Chromatic", {0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const auto& s : scales) {
        ASSERT_EQ(page->ShowControlRecord(Record({8, 62, 0, 0, 0, 0, 0, 0, 0})), S_OK);
        const int before = reports->received;
        static_cast<void>(scale->SetSelectedIndex(s.item));
        EXPECT_EQ(scale->GetText(), String(s.name));
        Bytes expected;
        for (int step : s.steps)
            expected.push_back(62 + step);
        EXPECT_EQ(Notes(), expected) << s.item;
        EXPECT_EQ(Label(1), String(u"KEY"));
        EXPECT_EQ(reports->received, before + 1);
        // Shown again, the notes name the scale.
        const KX::Array<char> built = page->BuildControlRecord();
        static_cast<void>(scale->SetSelectedIndex(0));
        ASSERT_EQ(page->ShowControlRecord(built), S_OK);
        EXPECT_EQ(scale->GetSelectedIndex(), s.item) << s.item;
    }
    // Dorian on 62, the worked example.
    ASSERT_EQ(page->ShowControlRecord(Record({8, 62, 0, 0, 0, 0, 0, 0, 0})), S_OK);
    static_cast<void>(scale->SetSelectedIndex(7));
    EXPECT_EQ(Notes(), (Bytes{62, 64, 65, 67, 69, 71, 72, 74}));
    // A key of 120: notes above 127 are written as 127, and the record then names no scale.
    ASSERT_EQ(page->ShowControlRecord(Record({8, 120, 0, 0, 0, 0, 0, 0, 0})), S_OK);
    static_cast<void>(scale->SetSelectedIndex(1));
    EXPECT_EQ(Notes(), (Bytes{120, 122, 124, 125, 127, 127, 127, 127}));
    ASSERT_EQ(page->ShowControlRecord(page->BuildControlRecord()), S_OK);
    EXPECT_EQ(scale->GetText(), String(u"Off"));
    // A record that follows no scale.
    ASSERT_EQ(page->ShowControlRecord(Record({8, 60, 70, 61, 63, 64, 66, 68, 69})), S_OK);
    EXPECT_EQ(scale->GetText(), String(u"Off"));
}

TEST_F(NoteModeEditPanelTest, UserChangesTellTheOwnerAndMoveOrDropTheScale)
{
    ASSERT_EQ(page->ShowControlRecord(Record({8, 0x3C, 0x48, 0x3E, 0x40, 0x41, 0x43, 0x45, 0x47})), S_OK);
    // Note 1 moves every note with the scale.
    notes[0]->SetValueInRange(62);
    EXPECT_EQ(Notes(), (Bytes{62, 64, 66, 67, 69, 71, 73, 74}));
    EXPECT_EQ(scale->GetText(), String(u"Major"));
    EXPECT_EQ(reports->received, 1);
    // Another note by hand: the scale is off, note 1 is the first again.
    notes[2]->SetValueInRange(65);
    EXPECT_EQ(scale->GetText(), String(u"Off"));
    EXPECT_EQ(Label(1), String(u"FIRST"));
    EXPECT_EQ(reports->received, 2);
    // "Range" with first 48 and last 72; a scale there changes no note.
    static_cast<void>(type->SetSelectedIndex(0));
    EXPECT_EQ(reports->received, 3);
    EXPECT_FALSE(Shown(3));
    EXPECT_EQ(Label(2), String(u"LAST"));
    notes[0]->SetValueInRange(48);
    notes[1]->SetValueInRange(72);
    static_cast<void>(scale->SetSelectedIndex(1));
    EXPECT_EQ(Notes()[0], 48);
    EXPECT_EQ(Notes()[1], 72);
    EXPECT_EQ(BytesOf(page->BuildControlRecord()), (Bytes{2, 0x30, 0x48, 0, 0, 0, 0, 0, 0}));
    // Five notes.
    static_cast<void>(type->SetSelectedIndex(3));
    EXPECT_TRUE(Shown(5));
    EXPECT_FALSE(Shown(6));
    EXPECT_EQ(Label(5), String(u"LAST"));
    EXPECT_EQ(Label(4), String(u"NOTE 4"));
    ASSERT_EQ(page->ShowControlRecord(Record({5, 0x3C, 0x43, 0x3E, 0x40, 0x41, 0, 0, 0})), S_OK);
    WritePicture(PicturePath("xy-pad-notes.png"), {0, 450, 1200, 322});
}

} // namespace
} // namespace KX::Test
