// The moveable record through its editor and view, and the fader and encoder families on the
// generated skin: every byte at its bounds shown and built back, the pages and lists of the editor,
// the view's labels, the storage of the record per control kind, hand-out, routing and reports.
#include "DeviceViewFixture.h"

#include "KXFramework/ControlBase/EventParams.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/TextBox.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace KX::Test {
namespace {

using Record6 = std::array<int, 6>;

MoveableControlRecord Record(const Record6& bytes)
{
    MoveableControlRecord record;
    for (int b : bytes)
        static_cast<void>(record.Add(static_cast<char>(b)));
    return record;
}

String ItemText(const RCPtr<LComboBox>& combo, int32_t index)
{
    String text;
    combo->GetListBox()->GetItemText(text, index);
    return text;
}

Bytes BytesOf(const MoveableControlRecord& record)
{
    Bytes out;
    for (unsigned i = 0; i < record.GetCount(); ++i)
        out.push_back(static_cast<unsigned char>(record.GetAt(i)));
    return out;
}

class MoveablePanelsTest : public DeviceViewFixture {
protected:
    RCPtr<LMoveableControlEditPanel> Editor() const { return faderEdit->GetEditor(); }
    RCPtr<LTabControl> Tabs() const { return RCPtr<LTabControl>(Editor()->FindChild(u"tabControl")); }
    RCPtr<LComboBox> Combo(const char16_t* page, const char16_t* name) const
    {
        return RCPtr<LComboBox>(ControlUtilities::GetComboBoxChild(Tabs()->GetPageByName(page)->FindChild(name)));
    }
    RCPtr<LControl> Fader(int i) const { return device->faders->GetTiles()[size_t(i)]; }
    RCPtr<LControl> Encoder(int i) const { return device->encoders->GetTiles()[size_t(i)]; }
    static String Info(const RCPtr<LControl>& tile)
    {
        return tile->FindChild(u"viewPanel")->FindChild(u"infoLabel")->GetText();
    }
};

TEST_F(MoveablePanelsTest, EveryRecordShapeIsShownOnItsPageAndBuiltBackUnchanged)
{
    struct Case {
        Record6 bytes;
        const char16_t* page;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0}, u"ccAbsolutePage"}, {{21, 0, 127, 0, 127, 127}, u"ccAbsolutePage"},
        {{0, 0, 7, 1, 2, 0}, u"ccRelativePage"}, {{16, 0, 127, 1, 3, 0}, u"ccRelativePage"},
        {{0, 0, 0, 1, 0, 0}, u"ccRelativePage"}, {{3, 1, 6, 0, 5, 1}, u"nrpnRpnPage"},
        {{21, 1, 4, 0, 0, 0}, u"nrpnRpnPage"},   {{1, 1, 7, 0, 127, 127}, u"nrpnRpnPage"},
        {{0, 1, 0, 0, 0, 0}, u"otherPage"},      {{0, 1, 3, 0, 0, 127}, u"otherPage"},
        {{0, 1, 8, 0, 0, 127}, u"otherPage"},    {{0, 1, 13, 0, 10, 20}, u"otherPage"},
        {{0, 1, 17, 0, 0, 127}, u"otherPage"},   {{21, 1, 18, 0, 127, 0}, u"otherPage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        Editor()->ShowControlRecord(Record(c.bytes));
        EXPECT_EQ(Tabs()->GetSelectedName(), String(c.page));
        EXPECT_EQ(Tabs()->GetButtonByName(c.page)->GetValue(), 1.0);
        EXPECT_EQ(BytesOf(Editor()->BuildControlRecord()), Bytes(c.bytes.begin(), c.bytes.end()));
    }
    // The lists behind the positions: code 13 at "other" position 9, code 17 at 13, code 18 at 14.
    const RCPtr<LComboBox> other = Combo(u"otherPage", u"otherType");
    EXPECT_EQ(other->GetListBox()->GetItemCount(), 15);
    const std::pair<Record6, const char16_t*> named[] = {
        {{0, 1, 13, 0, 0, 0}, u"Chorus Mod. Depth (Sysex)"},
        {{0, 1, 16, 0, 0, 0}, u"Pitch Bend"},
        {{0, 1, 17, 0, 0, 0}, u"Reverb Time (Sysex)"},
        {{0, 1, 18, 0, 0, 0}, u"Chorus Type (Sysex)"},
    };
    for (const auto& [bytes, text] : named) {
        Editor()->ShowControlRecord(Record(bytes));
        EXPECT_EQ(ItemText(other, other->GetSelectedIndex()), String(text));
    }
    Editor()->ShowControlRecord(Record({3, 1, 6, 0, 5, 1}));
    EXPECT_EQ(Combo(u"nrpnRpnPage", u"NrpnRpnSelector")->GetSelectedIndex(), 2);
    EXPECT_EQ(Combo(u"nrpnRpnPage", u"midiChannel")->GetSelectedIndex(), 3);
}

TEST_F(MoveablePanelsTest, EachCaptionedBoxShowsAndEditsItsOwnByte)
{
    const struct {
        const char16_t* page;
        std::vector<int> record;
        std::vector<CaptionedByte> boxes;
    } cases[] = {
        {u"ccAbsolutePage", {2, 0, 3, 0, 4, 5}, {{u"CC", 2}, {u"MIN", 4}, {u"MAX", 5}}},
        {u"nrpnRpnPage", {2, 1, 6, 0, 4, 5}, {{u"LSB", 4}, {u"MSB", 5}}},
        {u"otherPage", {2, 1, 8, 0, 4, 5}, {{u"MIN", 4}, {u"MAX", 5}}},
    };
    for (const auto& c : cases) {
        CheckCaptionedBytes(
            Tabs()->GetPageByName(c.page), c.record, c.boxes,
            [&](const std::vector<int>& record) {
                Record6 bytes{};
                std::copy(record.begin(), record.end(), bytes.begin());
                Editor()->ShowControlRecord(Record(bytes));
                ASSERT_EQ(Tabs()->GetSelectedName(), String(c.page));
            },
            [&] {
                const Bytes built = BytesOf(Editor()->BuildControlRecord());
                return std::vector<int>(built.begin(), built.end());
            });
    }
}

// A control change moved to the OTHER page with no type chosen there builds code 0, not its CC
// number; choosing a type then reports once, with that type's code.
TEST_F(MoveablePanelsTest, AControlChangeMovedToTheOtherPageTakesItsCodeFromTheList)
{
    Click(Fader(2));
    EXPECT_EQ(Deliver(kFaders + 2, {2, 1, 19, 0, 4, 5}), S_OK); // no entry: the list selects nothing
    EXPECT_EQ(Deliver(kFaders + 2, {2, 0, 74, 0, 4, 5}), S_OK);
    ASSERT_EQ(Combo(u"otherPage", u"otherType")->GetSelectedIndex(), -1);
    main->reports.clear();
    ShowTab(Tabs(), u"otherPage");
    ASSERT_EQ(main->reports.size(), 1u);
    EXPECT_EQ(main->reports.back(), std::make_pair(kFaders + 2, Bytes{2, 1, 0, 0, 4, 5}));
    main->reports.clear();
    Combo(u"otherPage", u"otherType")->SetSelectedIndex(EntryOf(Combo(u"otherPage", u"otherType"), u"Pitch Bend"));
    ASSERT_EQ(main->reports.size(), 1u);
    EXPECT_EQ(main->reports.back(), std::make_pair(kFaders + 2, Bytes{2, 1, 16, 0, 4, 5}));
}

TEST_F(MoveablePanelsTest, BytesOutsideTheListsAndRangesAreNeverBuiltIntoOthers)
{
    // A type code with no list position (19, 0x80) and a channel of 22 select nothing; building keeps them.
    for (const Record6& bytes :
         {Record6{0, 1, 19, 0, 1, 2}, Record6{22, 1, 0x80, 0, 1, 2}, Record6{0, 0, 5, 1, 9, 0}}) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        Editor()->ShowControlRecord(Record(bytes));
        Bytes expected(bytes.begin(), bytes.end());
        EXPECT_EQ(BytesOf(Editor()->BuildControlRecord()), expected);
    }
    // Numbers are held to 0..127 in every box; the CC, minimum and maximum boxes take three characters.
    Editor()->ShowControlRecord(Record({0, 0, 0, 0, 0, 0}));
    const RCPtr<LControl> absolute = Tabs()->GetPageByName(u"ccAbsolutePage");
    const RCPtr<LNumericUpDown> max(ControlUtilities::GetMaxNumericUpDown(absolute));
    const RCPtr<LNumericUpDown> cc(ControlUtilities::GetCCSelectorNumericUpDown(absolute->FindChild(u"cc")));
    const RCPtr<LNumericUpDown> lsb(ControlUtilities::GetLSBNumericUpDown(Tabs()->GetPageByName(u"nrpnRpnPage")));
    for (const RCPtr<LNumericUpDown>& box : {max, cc, lsb}) {
        EXPECT_EQ(box->SetValueInRange(300), 127.0);
        EXPECT_EQ(box->SetValueInRange(-5), 0.0);
    }
    const auto type = [](const RCPtr<LNumericUpDown>& box, const char16_t* text) {
        box->GetTextBox()->SetText(String(u""), true);
        for (const char16_t* c = text; *c; ++c)
            static_cast<void>(box->GetTextBox()->OnKey(RCPtr<LKeyParam>(new LKeyParam({uint32_t(*c), 0, 0}))));
        return box->GetTextBox()->GetText();
    };
    EXPECT_EQ(type(cc, u"12345"), String(u"123"));
    EXPECT_EQ(type(max, u"1000"), String(u"100"));
    EXPECT_EQ(type(lsb, u"12345"), String(u"12345")) << "no limit on the parameter number boxes";
}

TEST_F(MoveablePanelsTest, TheEditorReportsEditsOnlyAfterItsFirstRecordAndNeverWhileShowing)
{
    // The encoder edit panel's editor has not shown a record yet: its fields report nothing.
    const RCPtr<LMoveableControlEditPanel> fresh = knobEdit->GetEditor();
    RCPtr<LTabControl>(fresh->FindChild(u"tabControl"))->GetButtonByName(u"otherPage")->SetValue(1.0);
    static_cast<void>(RCPtr<LTabControl>(fresh->FindChild(u"tabControl"))->SelectTab(u"otherPage"));
    Click(Encoder(12));
    EXPECT_TRUE(main->reports.empty());
    EXPECT_EQ(knobEdit->FindChild(u"knobName")->GetText(), String(u"ENCODER 5"));
    EXPECT_EQ(knobEdit->FindChild(u"bankName")->GetText(), String(u"BANK 2"));
    ASSERT_EQ(main->requests.back(), kEncoders + 12);
    EXPECT_EQ(Deliver(kEncoders + 12, {2, 0, 20, 0, 5, 100}), S_OK);
    EXPECT_TRUE(main->reports.empty()) << "showing a value is no edit";
    EXPECT_EQ(Info(Encoder(12)), String(u"CC:\n20"));
    // Choosing the OTHER tab reports at once a typed record built from that page's fields.
    ShowTab(fresh->FindChild(u"tabControl"), u"otherPage");
    ASSERT_FALSE(main->reports.empty());
    EXPECT_EQ(main->reports.back().first, kEncoders + 12);
    ASSERT_EQ(main->reports.back().second.size(), 6u);
    EXPECT_EQ(main->reports.back().second[1], 1);
    EXPECT_EQ(main->reports.back().second[0], 2);
    // A 17-byte value and another identifier are refused and reach no tile.
    EXPECT_EQ(knobEdit->SetParamValueLocal(KX::ParamDescriptor(kEncoders + 12), Value(Bytes(17, 1)), 1), E_FAIL);
    EXPECT_EQ(knobEdit->SetParamValueLocal(KX::ParamDescriptor(kEncoders + 11), Value({0, 0, 1, 0, 0, 1}), 1), E_FAIL);
    EXPECT_EQ(Info(Encoder(12)), String(u"CC:\n20"));
    knobEdit->SetLabelText(32);
    EXPECT_EQ(knobEdit->FindChild(u"knobName")->GetText(), String(u"ENCODER 5"));
    knobEdit->SetLabelText(31);
    EXPECT_EQ(knobEdit->FindChild(u"knobName")->GetText(), String(u"ENCODER 8"));
    EXPECT_EQ(knobEdit->FindChild(u"bankName")->GetText(), String(u"BANK 4"));
}

TEST_F(MoveablePanelsTest, FadersAndEncodersAreHandedOutInOrderAndChosenByClick)
{
    for (int i = 0; i < IFaders::kChildCount; ++i)
        EXPECT_EQ(device->faders->GetFader(i)->GetFirstParamID(), kFaders + i);
    for (int i = 0; i < IEncoders::kChildCount; ++i)
        EXPECT_EQ(device->encoders->GetEncoder(i)->GetFirstParamID(), kEncoders + i);
    EXPECT_EQ(device->encoders->GetEncoder(31)->GetFirstParamID(), kFirst + 128);
    EXPECT_FALSE(device->faders->GetFader(40));
    EXPECT_EQ(Fader(0)->FindChild(u"faderNumberLabel")->GetText(), String(u"F1"));
    EXPECT_EQ(Fader(35)->FindChild(u"faderNumberLabel")->GetText(), String(u"F9"));
    EXPECT_EQ(Encoder(31)->FindChild(u"encoderNameLabel")->GetText(), String(u"E8"));

    Click(Fader(22));
    EXPECT_TRUE(faderEdit->IsVisible(false));
    EXPECT_EQ(faderEdit->FindChild(u"faderName")->GetText(), String(u"FADER 5"));
    EXPECT_EQ(faderEdit->FindChild(u"bankName")->GetText(), String(u"BANK 3"));
    EXPECT_EQ(faderEdit->GetFirstParamID(), kFaders + 22);
    for (int i = 0; i < 36; ++i) {
        EXPECT_EQ(Fader(i)->FindChild(u"button")->GetValue(), i == 22 ? 1.0 : 0.0) << i;
        EXPECT_EQ(device->faders->GetFader(i).Get(),
                  i == 22 ? static_cast<const IFader*>(faderEdit.Get()) : dynamic_cast<const IFader*>(Fader(i).Get()));
    }
    // The default of every fader and encoder is shown as it is; the edit panel's value reaches its tile.
    for (int i = 0; i < 36; ++i) {
        const Bytes value = Default(61 + i);
        EXPECT_EQ(Deliver(kFaders + i, value), S_OK);
        EXPECT_EQ(Info(Fader(i)), String::Format(u"CC:\n%u", unsigned(value[2]))) << i;
    }
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(Deliver(kEncoders + i, Default(97 + i)), S_OK);
    Editor()->ShowControlRecord(Record({0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Deliver(kFaders + 22, Default(61 + 22)), S_OK);
    EXPECT_EQ(BytesOf(Editor()->BuildControlRecord()), Default(61 + 22));
    // An edit is reported as the complete record; a 5-byte value is refused by tile and edit panel.
    main->reports.clear();
    Combo(u"ccAbsolutePage", u"midiChannel")->SetSelectedIndex(21);
    ASSERT_EQ(main->reports.size(), 1u);
    Bytes edited = Default(61 + 22);
    edited[0] = 21;
    EXPECT_EQ(main->reports.back(), std::make_pair(kFaders + 22, edited));
    EXPECT_EQ(faderEdit->SetParamValueLocal(KX::ParamDescriptor(kFaders + 22), Value(Bytes(5, 0)), 1), E_FAIL);
    EXPECT_EQ(RCPtr<IFader>(Fader(3))->SetParamValueLocal(KX::ParamDescriptor(kFaders + 3), Value(Bytes(5, 0)), 0),
              E_FAIL);
    // Choosing an encoder hides nothing here (the view does that); hiding the fader panel releases its tiles.
    faderEdit->SetVisible(false);
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(Fader(i)->FindChild(u"button")->GetValue(), 0.0);
}

TEST_F(MoveablePanelsTest, TheViewSaysWhatTheControlSendsAndEachKindStoresTheRecord)
{
    const RCPtr<LMoveableControlViewPanel> view(Fader(0)->FindChild(u"viewPanel"));
    const RCPtr<LControl> channel = view->FindChild(u"midiChannel")->FindChild(u"label");
    const std::pair<Record6, const char16_t*> cases[] = {
        {{0, 0, 74, 0, 0, 127}, u"CC:\n74"}, {{0, 0, 74, 1, 2, 0}, u"CC:\n74"},
        {{0, 1, 4, 0, 6, 0}, u"RPN:\n6"},    {{0, 1, 5, 0, 5, 1}, u"RPN:\n133"},
        {{0, 1, 6, 0, 0, 1}, u"NRPN:\n128"}, {{0, 1, 7, 0, 127, 127}, u"NRPN:\n16383"},
        {{0, 1, 0, 0, 0, 127}, u"OTHER"},    {{0, 1, 2, 0, 0, 0}, u"OTHER"},
        {{0, 1, 3, 0, 0, 0}, u"CH. AFT."},   {{0, 1, 16, 0, 0, 0}, u"PITCH\nBEND"},
        {{0, 1, 17, 0, 0, 0}, u"SYSEX"},     {{0, 1, 8, 0, 0, 0}, u"SYSEX"},
    };
    for (const auto& [bytes, text] : cases) {
        view->ShowControlRecord(Record(bytes));
        EXPECT_EQ(view->FindChild(u"infoLabel")->GetText(), String(text)) << ::testing::PrintToString(bytes);
    }
    view->ShowControlRecord(Record({21, 0, 1, 0, 0, 0}));
    EXPECT_EQ(channel->GetText(), String(u"CH:OM"));
    MoveableControlRecord five = Record({5, 0, 9, 0, 0, 0});
    static_cast<void>(five.RemoveItems(5, 1));
    view->ShowControlRecord(five);
    EXPECT_EQ(channel->GetText(), String(u"CH:OM"));
    EXPECT_EQ(view->FindChild(u"infoLabel")->GetText(), String(u"CC:\n1"));

    // A wheel keeps the record without its relative flag; reading it back gives the flag 0.
    const unsigned char pitch[] = {0, 1, 16, 0, 127};
    const MoveableControlRecord fromWheel = MoveableRecord::FromWheelValue(pitch, 5);
    EXPECT_EQ(BytesOf(fromWheel), (Bytes{0, 1, 16, 0, 0, 127}));
    EXPECT_EQ(BytesOf(MoveableRecord::ToWheelValue(Record({3, 0, 1, 1, 2, 9}))), (Bytes{3, 0, 1, 2, 9}));
    EXPECT_EQ(MoveableRecord::FromWheelValue(pitch, 4).GetCount(), 0u);
    EXPECT_EQ(MoveableRecord::ToWheelValue(five).GetCount(), 0u);
    Editor()->ShowControlRecord(fromWheel);
    EXPECT_EQ(Tabs()->GetSelectedName(), String(u"otherPage"));
    EXPECT_EQ(ItemText(Combo(u"otherPage", u"otherType"), 12), String(u"Pitch Bend"));
    EXPECT_EQ(BytesOf(MoveableRecord::ToWheelValue(Editor()->BuildControlRecord())), Bytes(pitch, pitch + 5));
}

TEST_F(MoveablePanelsTest, PicturesOfTheFadersEncodersAndTheirEditPanels)
{
    const Record6 samples[] = {{0, 0, 7, 0, 0, 127},    {1, 0, 10, 1, 0, 0},    {17, 1, 4, 0, 5, 1},
                               {21, 1, 7, 0, 127, 127}, {16, 1, 16, 0, 0, 127}, {2, 1, 3, 0, 0, 127},
                               {3, 1, 12, 0, 0, 127},   {4, 1, 0, 0, 0, 12},    {9, 0, 127, 0, 0, 127}};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(Deliver(kFaders + i, BytesOf(Record(samples[i]))), S_OK);
        if (i < 8) {
            EXPECT_EQ(Deliver(kEncoders + i, BytesOf(Record(samples[8 - i]))), S_OK);
        }
    }
    WritePicture(PicturePath("encoders.png"), {290, 22 + 50, 692, 90});
    WritePicture(PicturePath("faders.png"), {290, 22 + 130, 686, 130});
    Click(Fader(4));
    EXPECT_EQ(Deliver(kFaders + 4, BytesOf(Record(samples[4]))), S_OK);
    const std::pair<const char16_t*, Record6> pages[] = {{u"ccAbsolutePage", samples[0]},
                                                         {u"ccRelativePage", samples[1]},
                                                         {u"nrpnRpnPage", samples[2]},
                                                         {u"otherPage", samples[4]}};
    for (const auto& [page, bytes] : pages) {
        Editor()->ShowControlRecord(Record(bytes));
        const std::u16string name(page);
        WritePicture(PicturePath("fader-edit-" + std::string(name.begin(), name.end()) + ".png"),
                     {0, 22 + 430, 1200, 320});
    }
    faderEdit->SetVisible(false); // as the device view does when another group's panel is shown
    Click(Encoder(30));
    EXPECT_EQ(Deliver(kEncoders + 30, BytesOf(Record(samples[3]))), S_OK);
    WritePicture(PicturePath("encoder-edit.png"), {0, 22 + 430, 1200, 320});
}

} // namespace
} // namespace KX::Test
