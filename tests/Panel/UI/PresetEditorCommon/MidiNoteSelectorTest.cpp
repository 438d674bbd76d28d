// The note selectors and the CC selector built from their generated skin blocks: the labels follow
// the number whoever sets it; and the scale builder against the notes of its step tables.
#include "../EditorSamples.h"

#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/TextBox.h"
#include "Panel/UI/PresetEditorCommon/MidiNoteSelector.h"
#include "Panel/UI/PresetEditorCommon/NumberBoxTextSelector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {
namespace {

using SelectorTest = EditorSamplesFixture;

TEST_F(SelectorTest, NoteNamesAndOctavesFollowTheNumberInBothVariants)
{
    struct Case {
        double note;
        const char16_t *sharp, *sharpOctave, *flat, *flatOctave;
    };
    const Case cases[] = {
        {60, u"C", u"(4)", u"C", u"(6)"},   {61, u"C#", u"(4)", u"Db", u"(6)"}, {0, u"C", u"(-1)", u"C", u"(1)"},
        {127, u"G", u"(9)", u"G", u"(11)"}, {70, u"A#", u"(4)", u"Bb", u"(6)"}, {-5, u"C", u"(-1)", u"C", u"(1)"},
        {300, u"G", u"(9)", u"G", u"(11)"},
    };
    RCPtr<LMidiNoteSelector> sharp(samples->FindChild(u"noteSelector"));
    RCPtr<LMidiNoteSelector> flat(samples->FindChild(u"zoneNoteSelector"));
    ASSERT_TRUE(sharp && flat);
    for (const Case& c : cases) {
        sharp->FindChild(u"numericUpDown")->SetValueInRange(c.note);
        flat->FindChild(u"numericUpDown")->SetValueInRange(c.note);
        EXPECT_EQ(sharp->FindChild(u"noteNameLabel")->GetText(), String(c.sharp)) << c.note;
        EXPECT_EQ(sharp->FindChild(u"octaveNameLabel")->GetText(), String(c.sharpOctave)) << c.note;
        EXPECT_EQ(flat->FindChild(u"noteNameLabel")->GetText(), String(c.flat)) << c.note;
        EXPECT_EQ(flat->FindChild(u"octaveNameLabel")->GetText(), String(c.flatOctave)) << c.note;
    }
}

TEST_F(SelectorTest, TheCCSelectorNamesTheControllerAndKeepsTheLastNameBeyondTheTable)
{
    RCPtr<LNumberBoxTextSelector> cc(samples->FindChild(u"ccSelector"));
    ASSERT_TRUE(cc);
    const RCPtr<LControl>& box = cc->FindChild(u"numericUpDown");
    const RCPtr<LControl>& label = cc->FindChild(u"label");
    ASSERT_EQ(box->SetRange(0.0, 200.0, 0), S_OK) << "the owner gives the range";
    const std::pair<double, const char16_t*> cases[] = {
        {64, u"Sustain Pedal"},   {66, u"Sostenuto"},       {127, u"Poly Mode On"}, {7, u"Channel Volume"},
        {128, u"Channel Volume"}, {199, u"Channel Volume"}, {10, u"Pan"},           {0, u"Bank Select"},
    };
    for (const auto& [number, text] : cases) {
        box->SetValueInRange(number);
        EXPECT_EQ(label->GetText(), String(text)) << number;
    }
}

TEST(ScaleBuilder, StepTablesGiveTheNotesOfEachScale)
{
    struct Case {
        int32_t type;
        double root;
        uint32_t count;
        std::vector<double> notes;
    };
    const Case cases[] = {
        {0, 60, 8, {60, 62, 64, 65, 67, 69, 71, 72}},
        {1, 60, 8, {60, 62, 63, 65, 67, 68, 70, 72}},
        {2, 60, 8, {60, 61, 63, 65, 67, 68, 70, 72}},
        {3, 60, 8, {60, 62, 63, 65, 67, 69, 71, 72}},
        {4, 60, 8, {60, 62, 63, 65, 67, 68, 71, 72}},
        {5, 60, 8, {60, 62, 64, 65, 67, 69, 70, 72}},
        {6, 60, 8, {60, 62, 64, 66, 67, 69, 71, 72}},
        {7, 60, 8, {60, 62, 63, 65, 67, 69, 70, 72}},
        {8, 60, 8, {60, 61, 63, 65, 66, 68, 70, 72}},
        {9, 60, 8, {60, 61, 62, 63, 64, 65, 66, 67}},
        {10, 60, 8, {60, 59, 58, 57, 56, 55, 54, 53}},
        {9, 0, 14, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
        {10, 60, 13, {60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 72}},
        {0, 120, 9, {120, 122, 124, 125, 127, 129, 131, 132, 134}},
        {0, 60, 0, {}},
        {11, 60, 8, {}},
        {-1, 60, 8, {}},
    };
    for (const Case& c : cases) {
        const Array<double> notes = BuildScaleNotes(c.type, c.root, c.count);
        ASSERT_EQ(notes.GetCount(), c.notes.size()) << c.type;
        for (unsigned i = 0; i < notes.GetCount(); ++i)
            EXPECT_EQ(notes.GetAt(i), c.notes[i]) << c.type << " note " << i;
    }
}

TEST_F(SelectorTest, ApplyingAScaleSetsTheBoxesAfterTheRootClampedIntoTheirRanges)
{
    RCPtr<LControl> row(new LPanel(nullptr, u"row"));
    RCPtrArray<LNumericUpDown, 1, 0> boxes;
    for (int i = 0; i < 8; ++i) {
        RCPtr<LNumericUpDown> box(new LNumericUpDown(row, String::Format(u"note%d", i + 1)));
        ASSERT_EQ(box->SetRange(0.0, 127.0, 0), S_OK);
        boxes.AddItem(box);
    }
    auto values = [&boxes] {
        std::vector<double> v;
        for (unsigned i = 0; i < boxes.GetCount(); ++i)
            v.push_back(boxes.GetAt(i)->NormalizedToValue(boxes.GetAt(i)->GetValue()));
        return v;
    };
    boxes.GetAt(0)->SetValueInRange(60);
    EXPECT_EQ(ApplyScaleToNoteSelectors(boxes, 0), S_OK);
    EXPECT_EQ(values(), (std::vector<double>{60, 62, 64, 65, 67, 69, 71, 72}));
    EXPECT_EQ(ApplyScaleToNoteSelectors(boxes, 9), S_OK);
    EXPECT_EQ(values(), (std::vector<double>{60, 61, 62, 63, 64, 65, 66, 67}));
    EXPECT_EQ(ApplyScaleToNoteSelectors(boxes, 12), S_OK);
    EXPECT_EQ(values(), (std::vector<double>{60, 61, 62, 63, 64, 65, 66, 67})) << "an unknown type changes nothing";
    boxes.GetAt(0)->SetValueInRange(120);
    EXPECT_EQ(ApplyScaleToNoteSelectors(boxes, 0), S_OK);
    EXPECT_EQ(values(), (std::vector<double>{120, 122, 124, 125, 127, 127, 127, 127}));
    boxes.GetAt(0)->SetValueInRange(3);
    EXPECT_EQ(ApplyScaleToNoteSelectors(boxes, 10), S_OK);
    EXPECT_EQ(values(), (std::vector<double>{3, 2, 1, 0, 0, 0, 0, 0}));
    RCPtrArray<LNumericUpDown, 1, 0> empty;
    EXPECT_EQ(ApplyScaleToNoteSelectors(empty, 0), S_OK);
    static_cast<void>(row->BreakCycles());
}

} // namespace
} // namespace KX::Test
