// The keybed zone editor, tiles and strip from their generated skin blocks: the 9-byte value through
// show and build, the key rules, the toggle, the tile's summary and the strip's clicks and hand-out.
#include "../OthersSamples.h"

#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZoneEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZoneGroupPanel.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZonePanel.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

using Bytes = std::vector<int>;

class KeybedZonePanelsTest : public OthersSamplesFixture {
protected:
    void SetUp() override
    {
        OthersSamplesFixture::SetUp();
        if (HasFatalFailure())
            return;
        editor = RCPtr<LKeybedZoneEditPanel>(view->FindChild(u"zoneEditPanel"));
        group = RCPtr<LKeybedZoneGroupPanel>(view->FindChild(u"keybedZones"));
        ASSERT_TRUE(editor && group);
        ASSERT_EQ(group->SetFirstParamID(nullptr, kFirst, 0), S_OK);
        const RCPtr<LControl>& keys = editor->FindChild(u"startEndNoteSelector");
        firstKey = ControlUtilities::GetNoteSelectorNumericUpDown(keys->FindChild(u"startNote"));
        lastKey = ControlUtilities::GetNoteSelectorNumericUpDown(keys->FindChild(u"endNote"));
        ASSERT_TRUE(firstKey && lastKey);
    }
    void TearDown() override
    {
        editor = nullptr;
        group = nullptr;
        firstKey = lastKey = nullptr;
        OthersSamplesFixture::TearDown();
    }
    RCPtr<LControl> Tile(int i) { return group->FindChild(String::Format(u"zone%d", i + 1)); }
    Bytes Built() const
    {
        const auto v = editor->BuildParamValue();
        return Bytes(v.begin(), v.end());
    }
    // Points the editor at zone i as a click does and shows `bytes` as the engine's answer.
    void Edit(int i, const Bytes& bytes)
    {
        ASSERT_EQ(editor->SetFirstParamID(group.Get(), kFirst + i, i), S_OK);
        ASSERT_EQ(editor->SetParamValueLocal(ParamDescriptor(kFirst + i), Blob(bytes), 1), S_OK);
        main->reports.clear();
    }

    static constexpr int32_t kFirst = 40;
    RCPtr<LKeybedZoneEditPanel> editor;
    RCPtr<LKeybedZoneGroupPanel> group;
    RCPtr<LNumericUpDown> firstKey, lastKey;
};

TEST_F(KeybedZonePanelsTest, TheValueIsShownAndBuiltBackWithItsOffsets)
{
    const RCPtr<LComboBox> channel(ControlUtilities::GetComboBoxChild(editor->FindChild(u"midiChannel")));
    const RCPtr<LNumericUpDown> octave(ControlUtilities::GetNumericUpDownChild(editor->FindChild(u"octave")));
    const RCPtr<LNumericUpDown> transpose(ControlUtilities::GetNumericUpDownChild(editor->FindChild(u"transpose")));
    const struct {
        Bytes bytes;
        const char16_t* channelText;
        int octave, transpose;
        Bytes built;
    } cases[] = {
        {{1, 0, 0, 0, 0, 0, 60, 5, 12}, u"Global", 0, 0, {}}, // zone 1's default
        {{0, 0, 0, 0, 0, 0, 60, 5, 12}, u"Global", 0, 0, {}}, // zones 2 to 4
        {{1, 16, 127, 127, 127, 60, 60, 10, 24}, u"Channel 16", 5, 12, {}},
        {{0, 1, 5, 1, 2, 13, 40, 0, 0}, u"Channel 1", -5, -12, {}},
        // The documented clamps: bytes of 0x80 and above read negative to the lowest; key bytes that
        // are no key of the keybed go back as they came.
        {{1, 3, 0x80, 0xFF, 0x90, 0x80, 0x7F, 0xF0, 0x81}, u"Channel 3", -5, -12, {1, 3, 0, 0, 0, 0x80, 0x7F, 0, 0}},
        {{2, 0, 100, 1, 1, 61, 30, 11, 25}, u"Global", 5, 12, {1, 0, 100, 1, 1, 61, 30, 10, 24}},
    };
    for (const auto& c : cases) {
        Edit(0, c.bytes);
        EXPECT_EQ(channel->GetText(), String(c.channelText));
        EXPECT_EQ(int(octave->NormalizedToValue(octave->GetValue())), c.octave);
        EXPECT_EQ(int(transpose->NormalizedToValue(transpose->GetValue())), c.transpose);
        EXPECT_EQ(Built(), c.built.empty() ? c.bytes : c.built);
        EXPECT_TRUE(main->reports.empty()) << "showing never reports";
    }
    // Loading a zone that moves up keeps its first key: the last key is set first.
    Edit(0, {1, 0, 0, 0, 0, 10, 20, 5, 12});
    Edit(0, {1, 0, 0, 0, 0, 40, 50, 5, 12});
    EXPECT_EQ(Built(), (Bytes{1, 0, 0, 0, 0, 40, 50, 5, 12}));
    // Foreign identifiers and other sizes are refused and change nothing.
    for (const auto& [id, bytes] : {std::pair{kFirst + 1, Bytes(9, 0)}, std::pair{kFirst, Bytes(8, 0)},
                                    std::pair{kFirst, Bytes(10, 0)}, std::pair{kFirst, Bytes{}}})
        EXPECT_EQ(editor->SetParamValueLocal(ParamDescriptor(id), Blob(bytes), 1), E_FAIL);
    EXPECT_EQ(Built(), (Bytes{1, 0, 0, 0, 0, 40, 50, 5, 12}));
}

TEST_F(KeybedZonePanelsTest, EachCaptionedBoxShowsAndReportsItsOwnByte)
{
    CheckCaptionedBytes(
        editor, {1, 2, 3, 4, 5, 6, 7, 8, 9},
        {{u"PROGRAM", 2}, {u"MSB", 3}, {u"LSB", 4}, {u"FIRST", 5, 0}, {u"LAST", 6, 50}},
        [&](const Bytes& bytes) { Edit(1, bytes); }, [&] { return LastReport(); });
}

TEST_F(KeybedZonePanelsTest, KeysStayOnTheKeybedAndTheFirstIsPulledDownToTheLast)
{
    const struct {
        bool typedLast;
        int typed, first, last;
    } cases[] = {
        {true, 75, 20, 60},   {true, 10, 10, 10}, {false, 50, 40, 40},
        {false, 127, 40, 40}, {false, 0, 0, 40},  {true, 41, 20, 41},
    };
    for (const auto& c : cases) {
        Edit(2, {1, 0, 0, 0, 0, 20, 40, 5, 12});
        (c.typedLast ? lastKey : firstKey)->SetValueInRange(c.typed);
        EXPECT_EQ(int(firstKey->NormalizedToValue(firstKey->GetValue())), c.first) << c.typed;
        EXPECT_EQ(int(lastKey->NormalizedToValue(lastKey->GetValue())), c.last) << c.typed;
        ASSERT_FALSE(main->reports.empty()) << c.typed;
        EXPECT_EQ(main->reports.back().first, kFirst + 2);
        EXPECT_EQ(LastReport(), (Bytes{1, 0, 0, 0, 0, c.first, c.last, 5, 12})) << c.typed;
        for (const auto& [id, bytes] : main->reports)
            EXPECT_LE(bytes[5], bytes[6]);
    }
    // The toggle switches on its click and reports the value with byte 0 changed.
    Edit(2, {1, 0, 0, 0, 0, 20, 40, 5, 12});
    const RCPtr<LControl> toggle = editor->FindChild(u"zoneEnabledToggleButton");
    static_cast<void>(editor->SetVisible(true));
    for (int expected : {0, 1, 0}) {
        Click(toggle);
        EXPECT_EQ(toggle->GetValue(), double(expected));
        EXPECT_EQ(LastReport(), (Bytes{expected, 0, 0, 0, 0, 20, 40, 5, 12}));
    }
}

// A key shown as unknown bounds nothing: the key set beside it is taken as typed, and the unknown
// byte goes back as it came, whatever number its box held from the zone shown before.
TEST_F(KeybedZonePanelsTest, AKeySetBesideAnUnknownOneIsTakenAsTypedAndTheUnknownStays)
{
    const struct {
        Bytes shown;
        bool typedLast;
        int typed;
        Bytes reported;
    } cases[] = {
        {{1, 0, 0, 0, 0, 20, 0x7F, 5, 12}, false, 50, {1, 0, 0, 0, 0, 50, 0x7F, 5, 12}},
        {{1, 0, 0, 0, 0, 0x80, 40, 5, 12}, true, 10, {1, 0, 0, 0, 0, 0x80, 10, 5, 12}},
    };
    for (const auto& c : cases) {
        Edit(3, {1, 0, 0, 0, 0, 20, 40, 5, 12}); // leaves 20 and 40 in the boxes
        Edit(3, c.shown);
        (c.typedLast ? lastKey : firstKey)->SetValueInRange(c.typed);
        EXPECT_EQ(LastReport(), c.reported) << c.typed;
        EXPECT_FALSE((c.typedLast ? firstKey : lastKey)->ShowsNumber()) << c.typed;
    }
}

TEST_F(KeybedZonePanelsTest, TilesSummariseTheirZoneAndTheStripRoutesClicksAndValues)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Tile(i)->FindChild(u"zoneName")->GetText(), String::Format(u"ZONE %d", i + 1));
    EXPECT_EQ(Tile(0)->FindChild(u"infoLabel")->GetText(), String(u"Start: 24 | End: 53"));
    const struct {
        Bytes bytes;
        const char16_t* info;
        const char16_t* channel;
    } cases[] = {
        {{1, 0, 0, 0, 0, 0, 60, 5, 12}, u"First: C (1) | Last C (6)", u"CH:G"},
        {{1, 16, 0, 0, 0, 13, 59, 5, 12}, u"First: Db (2) | Last B (5)", u"CH:16"},
        // Key bytes that are no key of the keybed and a channel past the zone's list are unknown,
        // never the key or channel before.
        {{1, 5, 0, 0, 0, 0x80, 0x90, 5, 12}, u"First: ? ? | Last ? ?", u"CH:5"},
        {{1, 17, 0, 0, 0, 13, 59, 5, 12}, u"First: Db (2) | Last B (5)", u"CH:?"},
        {{1, 5, 0, 0, 0, 10, 127, 5, 12}, u"First: Bb (1) | Last ? ?", u"CH:5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(group->GetModule(kFirst + 1)->SetParamValueLocal(ParamDescriptor(kFirst + 1), Blob(c.bytes), 1),
                  S_OK);
        EXPECT_EQ(Tile(1)->FindChild(u"infoLabel")->GetText(), String(c.info));
        EXPECT_EQ(Tile(1)->FindChild(u"midiChannel")->FindChild(u"label")->GetText(), String(c.channel));
    }
    EXPECT_EQ(group->GetModule(kFirst + 1)->SetParamValueLocal(ParamDescriptor(kFirst + 1), Blob(Bytes(6, 0)), 1),
              E_FAIL);

    // A click on zone 3 marks only its tile, titles and shows the editor and asks for the value.
    Click(Tile(2));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Tile(i)->FindChild(u"button")->GetValue(), i == 2 ? 1.0 : 0.0);
    EXPECT_EQ(editor->FindChild(u"zoneName")->GetText(), String(u"ZONE 3"));
    EXPECT_TRUE(editor->IsVisible(false));
    EXPECT_EQ(main->requests, std::vector<int32_t>{kFirst + 2});
    // The engine's answer reaches the editor first, then the tile.
    ASSERT_EQ(group->GetModule(kFirst + 2).Get(), static_cast<LParameterizedModule*>(editor.Get()));
    EXPECT_EQ(group->GetModule(kFirst + 2)
                  ->SetParamValueLocal(ParamDescriptor(kFirst + 2), Blob({1, 2, 0, 0, 0, 24, 53, 5, 12}), 1),
              S_OK);
    EXPECT_EQ(Tile(2)->FindChild(u"infoLabel")->GetText(), String(u"First: C (3) | Last F (5)"));
    EXPECT_EQ(Tile(2)->FindChild(u"midiChannel")->FindChild(u"label")->GetText(), String(u"CH:2"));
    // An edit reaches the tile the same way once the engine echoes it.
    lastKey->SetValueInRange(30);
    EXPECT_EQ(LastReport(), (Bytes{1, 2, 0, 0, 0, 24, 30, 5, 12}));
    WritePicture(PicturePath("keybed-zones.png"), {0, 330, 1200, 442});
    // Hiding the editor clears every mark.
    static_cast<void>(editor->SetVisible(false));
    root->ProcessEvents(true);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Tile(i)->FindChild(u"button")->GetValue(), 0.0);
}

} // namespace
} // namespace KX::Test
