// The channel view and the push-button view built from their generated skin blocks: the label of
// every row of their rules.
#include "../EditorSamples.h"

#include "KXFramework/Controls/Label.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlViewPanel.h"
#include "Panel/UI/KivoSeriesCommon/MIDIChannelViewPanel.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace KX::Test {
namespace {

using ViewPanelsTest = EditorSamplesFixture;

ButtonControlRecord Record(const std::array<int, 10>& bytes, unsigned size = 10)
{
    ButtonControlRecord record;
    for (unsigned i = 0; i < size; ++i)
        record.Add(static_cast<char>(bytes[i]));
    return record;
}

TEST_F(ViewPanelsTest, TheChannelViewNamesEveryPositionOfTheChannelList)
{
    RCPtr<LMIDIChannelViewPanel> view(samples->FindChild(u"channelView"));
    ASSERT_TRUE(view);
    const RCPtr<LControl>& label = view->FindChild(u"label");
    constexpr int kAll = LMIDIChannelViewPanel::kChannelPositions, kZone = 17;
    const struct {
        int channel, positions;
        const char16_t* text;
    } cases[] = {
        {0, kAll, u"CH:G"},    {1, kAll, u"CH:1"},    {9, kAll, u"CH:9"},   {16, kAll, u"CH:16"}, {17, kAll, u"CH:Z1"},
        {20, kAll, u"CH:Z4"},  {21, kAll, u"CH:OM"},  {22, kAll, u"CH:?"},  {127, kAll, u"CH:?"}, {0x80, kAll, u"CH:?"},
        {0xFF, kAll, u"CH:?"}, {16, kZone, u"CH:16"}, {17, kZone, u"CH:?"}, {21, kZone, u"CH:?"},
    };
    for (const auto& c : cases) {
        view->ShowMidiChannel(5, kAll);
        view->ShowMidiChannel(static_cast<char>(c.channel), c.positions);
        EXPECT_EQ(label->GetText(), String(c.text)) << c.channel << " of " << c.positions;
    }
    RCPtr<LControl> bare(new LMIDIChannelViewPanel(nullptr, u"bare"));
    try {
        static_cast<void>(bare->Initialize());
        ADD_FAILURE() << "a channel view without its label";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Runtime Error : Null Pointer : Cannot find child midiChannelLabel : "
                                         "LMIDIChannelViewPanel::Initialize : "
                                         "UI\\KivoSeriesCommon\\MIDIChannelViewPanel : Line 26");
    }
}

TEST_F(ViewPanelsTest, TheButtonViewSaysWhatTheButtonSendsByTheFirstMatchingRule)
{
    RCPtr<LButtonControlViewPanel> view(samples->FindChild(u"viewPanel"));
    ASSERT_TRUE(view);
    const RCPtr<LControl>& info = view->FindChild(u"infoLabel");
    const RCPtr<LControl>& channel = view->FindChild(u"midiChannel")->FindChild(u"label");
    struct Case {
        std::array<int, 10> bytes;
        const char16_t* text;
    };
    const Case cases[] = {
        {{0, 0, 74, 9, 9, 9, 9, 9, 9, 9}, u"CC:\n74"},     {{0, 0, 0x90, 0, 0, 0, 0, 0, 0, 0}, u"CC:\n0"},
        {{0, 1, 17, 12, 0, 0, 0, 0, 0, 0}, u"PG:\n12"},    {{0, 1, 19, 60, 0, 0, 0, 0, 0, 0}, u"NT:\n60"},
        {{0, 1, 20, 127, 0, 0, 0, 0, 0, 0}, u"NT:\n127"},  {{0, 1, 18, 7, 74, 0, 0, 0, 0, 0}, u"CC:\n7"},
        {{0, 1, 25, 8, 0, 1, 0, 1, 0, 0}, u"CC:\n8"},      {{0, 1, 26, 9, 0, 1, 0, 1, 0, 0}, u"CC:\n9"},
        {{0, 1, 25, 10, 0, 0, 0, 0, 0, 0}, u"CC:\n10"}, // normalised to a CC cycle first
        {{0, 1, 27, 0, 0, 1, 0, 1, 0, 0}, u"PG\nINC/DEC"}, {{0, 1, 28, 0, 0, 1, 0, 1, 0, 0}, u"PG\nINC/DEC"},
        {{0, 1, 28, 0, 0, 0, 0, 1, 0, 0}, u"PG\nCYCLE"},   {{0, 1, 29, 0, 0, 0, 0, 0, 0, 0}, u"PG\nCYCLE"},
        {{0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, u"OTHER"},        {{0, 1, 2, 0, 0, 0, 0, 0, 0, 0}, u"OTHER"},
        {{0, 1, 0xF0, 0, 0, 0, 0, 0, 0, 0}, u"?"}, // no type of the editor's list
        {{0, 1, 3, 0, 0, 0, 0, 0, 0, 0}, u"CH. AFT."},     {{0, 1, 16, 0, 0, 0, 0, 0, 0, 0}, u"PITCH\nBEND"},
        {{0, 1, 8, 0, 0, 0, 0, 0, 0, 0}, u"SYSEX"},        {{0, 1, 15, 0, 0, 0, 0, 0, 0, 0}, u"SYSEX"},
        {{0, 1, 22, 0, 0, 0, 0, 0, 0, 0}, u"SYSEX"},       {{0, 1, 24, 0, 0, 0, 0, 0, 0, 0}, u"SYSEX"},
        {{0, 1, 30, 0, 0, 0, 0, 0, 0, 0}, u"?"},           {{0, 1, 127, 0, 0, 0, 0, 0, 0, 0}, u"?"},
        {{0, 1, 4, 0, 2, 0, 0, 0, 0, 1}, u"RPN:\n130"},    {{0, 1, 5, 0, 127, 0, 0, 0, 0, 127}, u"RPN:\n16383"},
        {{0, 1, 6, 0, 0, 0, 0, 0, 0, 0}, u"NRPN:\n0"},     {{0, 1, 7, 0, 1, 0, 0, 0, 0, 2}, u"NRPN:\n257"},
        {{0, 0x80, 17, 3, 0, 0, 0, 0, 0, 0}, u"PG:\n3"}, // a kind of 0x80 and above is typed
    };
    for (const Case& c : cases) {
        ButtonControlRecord record = Record(c.bytes);
        view->ShowControlRecord(record);
        EXPECT_EQ(info->GetText(), String(c.text)) << c.bytes[2];
    }
    const std::pair<int, const char16_t*> mmc[] = {
        {1, u"STOP"}, {2, u"PLAY"}, {3, u"PLAY"},  {4, u"FF"},     {5, u"RR"},     {6, u"REC"},
        {7, u"REC"},  {8, u"REC"},  {9, u"PAUSE"}, {10, u"EJECT"}, {11, u"CHASE"}, {13, u"RESET"},
        {0, u"MMC"},  {12, u"MMC"}, {14, u"MMC"},  {127, u"MMC"},  {0x80, u"MMC"},
    };
    for (const auto& [command, text] : mmc) {
        ButtonControlRecord record = Record({0, 1, 21, 0, command, 0, 0, 0, 0, 0});
        view->ShowControlRecord(record);
        EXPECT_EQ(info->GetText(), String(text)) << command;
    }
    ButtonControlRecord zone = Record({18, 1, 17, 3, 0, 0, 0, 0, 0, 0});
    view->ShowControlRecord(zone);
    EXPECT_EQ(channel->GetText(), String(u"CH:Z2"));
    // Nine bytes change neither label.
    ButtonControlRecord shortRecord = Record({5, 0, 1, 0, 0, 0, 0, 0, 0, 0}, 9);
    view->ShowControlRecord(shortRecord);
    EXPECT_EQ(channel->GetText(), String(u"CH:Z2"));
    EXPECT_EQ(info->GetText(), String(u"PG:\n3"));
    // The record is normalised in place.
    ButtonControlRecord incDec = Record({0, 1, 27, 0, 0, 0, 5, 1, 0, 0});
    view->ShowControlRecord(incDec);
    EXPECT_EQ(incDec.GetAt(2), 29);
    WritePicture(PicturePath("button-view.png"), {640, 214, 84, 64});
}

} // namespace
} // namespace KX::Test
