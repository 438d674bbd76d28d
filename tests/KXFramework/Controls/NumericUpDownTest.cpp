#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/FileDropper.h"
#include "KXFramework/Controls/TextBox.h"

#include "ControlsFixture.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.NumericUpDown" Name="number" XSizeAbs="80" YSizeAbs="20" TabStop="1">
     <SubControl Class="Framework.TextBox" Name="textBox" XSizeAbs="57" YSizeAbs="20"><Skin Name="t" LookList="button"/></SubControl>
     <SubControl Class="Framework.Button" Name="buttonUp" XPositionAbs="57" XSizeAbs="23" YSizeAbs="10"><Skin Name="u" LookList="button"/></SubControl>
     <SubControl Class="Framework.Button" Name="buttonDown" XPositionAbs="57" YPositionAbs="10" XSizeAbs="23" YSizeAbs="10"><Skin Name="d" LookList="button"/></SubControl>
    </SubControl>
    <SubControl Class="Framework.NumericUpDown" Name="broken" YPositionAbs="40" XSizeAbs="80" YSizeAbs="20"/>
    <SubControl Class="Test.KeyPanel" Name="holder" YPositionAbs="200" XSizeAbs="100" YSizeAbs="40">
     <SubControl Class="Framework.NumericUpDown" Name="held" XSizeAbs="80" YSizeAbs="20">
      <SubControl Class="Framework.TextBox" Name="textBox" XSizeAbs="57" YSizeAbs="20"><Skin Name="t" LookList="button"/></SubControl>
      <SubControl Class="Framework.Button" Name="buttonUp" XPositionAbs="57" XSizeAbs="23" YSizeAbs="10"><Skin Name="u" LookList="button"/></SubControl>
      <SubControl Class="Framework.Button" Name="buttonDown" XPositionAbs="57" YPositionAbs="10" XSizeAbs="23" YSizeAbs="10"><Skin Name="d" LookList="button"/></SubControl>
     </SubControl>
    </SubControl>
    <SubControl Class="Framework.FileDropper" Name="fileDropper1" XPositionAbs="10" YPositionAbs="100" XSizeAbs="54" YSizeAbs="38"><Skin Name="f" LookList="button"/></SubControl>
   </SubControl>)";

constexpr uint32_t kUp = KeyCode::Press(VirtualKey::kUp), kDown = KeyCode::Press(VirtualKey::kDown),
                   kEnter = KeyCode::Press(VirtualKey::kEnter);

class NumericUpDownTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        Load(SkinDocument(FourteenLooks("button"), kControls));
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        number = RCPtr<LNumericUpDown>(main->FindChild(u"number"));
        ASSERT_TRUE(number);
        ASSERT_TRUE(number->GetTextBox());
        ASSERT_EQ(number->SetRange(0.0, 127.0, 0), S_OK);
        services.milliseconds = 1000;
    }
    void TearDown() override
    {
        for (auto& r : recorders)
            r->UnregisterForAllNotifications();
        recorders.clear();
        number = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }
    RCPtr<Recorder> Record(const char16_t* name)
    {
        RCPtr<Recorder> r(new Recorder("r"));
        r->RegisterForNotification(RCPtr<LNotificationDistributor>(number), name, 0);
        recorders.push_back(r);
        return r;
    }
    double Ranged() const { return number->NormalizedToValue(number->GetValue()); }
    // Replaces the field's text as typing or pasting would, then presses Enter.
    String Enter(const String& text)
    {
        const RCPtr<LTextBox>& box = number->GetTextBox();
        box->ApplyText(text, false);
        box->OnKey(RCPtr<LKeyParam>(new LKeyParam({kEnter, 0, 0})));
        return box->GetText();
    }

    RCPtr<LControl> main;
    RCPtr<LNumericUpDown> number;
    std::vector<RCPtr<Recorder>> recorders;
};

TEST_F(NumericUpDownTest, TypedNumbersAreCorrectedIntoTheRange)
{
    RCPtr<Recorder> changes = Record(u"NID_VALUE_CHANGE");
    number->SetText(u"5");
    EXPECT_EQ(number->GetTextBox()->GetText(), String(u"5"));
    struct Case {
        const char16_t* typed;
        const char16_t* shown;
        double value;
        bool overText = false; // typed over "?" shown in place of the number
    };
    const Case cases[] = {
        {u"200", u"127", 127.0},
        {u"12", u"12", 12.0},
        {u"012", u"012", 12.0}, // equal to the value and not at a bound: kept as typed
        {u"", u"12", 12.0},
        {u"abc", u"12", 12.0},
        {u"1-2", u"12", 12.0},
        {u"-", u"12", 12.0},
        {u"1.2.3", u"12", 12.0},
        {u"-5", u"0", 0.0},
        {u"0", u"0", 0.0},
        {u"99999999999999999999999", u"127", 127.0},
        // No number typed keeps the text; any number is a change, the one underneath included.
        {u"", u"?", 127.0, true},
        {u"abc", u"?", 127.0, true},
        {u"127", u"127", 127.0, true},
        {u"5", u"5", 5.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(String(c.typed).ToNarrow().GetData());
        if (c.overText)
            number->ShowInPlaceOfNumber(u"?");
        const int before = changes->received;
        EXPECT_EQ(Enter(c.typed), String(c.shown));
        EXPECT_EQ(Ranged(), c.value);
        if (c.overText) {
            EXPECT_EQ(changes->received - before, String(c.shown) == u"?" ? 0 : 1);
        }
    }
    // A number set by the program ends the text too, and is sent, the same number included.
    number->ShowInPlaceOfNumber(u"?");
    const int before = changes->received;
    number->SetValueInRange(5);
    EXPECT_EQ(number->GetTextBox()->GetText(), String(u"5"));
    EXPECT_EQ(changes->received, before + 1);
}

TEST_F(NumericUpDownTest, NegativeRangesAcceptTheMinusSign)
{
    ASSERT_EQ(number->SetRange(-64.0, 63.0, 0), S_OK);
    number->GetTextBox()->SetText(u"");
    number->GetTextBox()->SetFocus(true);
    Key(u'-');
    Key(u'1');
    Key(u'2');
    EXPECT_EQ(number->GetTextBox()->GetText(), String(u"-12"));
    Key(kEnter);
    EXPECT_EQ(Ranged(), -12.0);
    EXPECT_EQ(number->SetRange(0.0, 100.0, 1), E_INVALIDARG);
    EXPECT_EQ(number->SetRange(1.0, 100.0, 1), S_OK);
}

TEST_F(NumericUpDownTest, ButtonsAndKeysStepOneUnit)
{
    RCPtr<Recorder> changes = Record(u"NID_VALUE_CHANGE");
    number->SetText(u"126");
    const int before = changes->received;
    Move(60, 5);
    Press(60, 5);
    Release(60, 5);
    EXPECT_EQ(Ranged(), 127.0);
    Press(60, 5);
    Release(60, 5);
    EXPECT_EQ(Ranged(), 127.0);
    EXPECT_EQ(changes->received, before + 1);
    EXPECT_EQ(number->GetTextBox()->GetText(), String(u"127"));
    // A step over "?" at the bound shows the number and is sent as a change.
    number->ShowInPlaceOfNumber(u"?");
    Press(60, 5);
    Release(60, 5);
    EXPECT_EQ(number->GetTextBox()->GetText(), String(u"127"));
    EXPECT_EQ(changes->received, before + 2);

    // Down is a simulated press of buttonDown, which clicks after its hold time.
    number->HandleKey(RCPtr<LKeyParam>(new LKeyParam({kDown, 0, 0})));
    IdleAfter(200);
    EXPECT_EQ(Ranged(), 126.0);
    number->HandleKey(RCPtr<LKeyParam>(new LKeyParam({kUp | KeyCode::kShiftKey, 0, 0})));
    IdleAfter(200);
    EXPECT_EQ(Ranged(), 126.0);
}

// Dialogs and panels bind keys of their own; a number field inside them must not swallow them.
TEST_F(NumericUpDownTest, KeysTheFieldLeavesReachThePanelThatHoldsIt)
{
    RCPtr<KeyRecordingPanel> holder(main->FindChild(u"holder"));
    ASSERT_TRUE(holder);
    RCPtr<LNumericUpDown> held(holder->FindChild(u"held"));
    ASSERT_TRUE(held);
    ASSERT_EQ(held->SetRange(0.0, 127.0, 0), S_OK);
    held->SetText(u"5");
    ASSERT_EQ(held->GetTextBox()->SetFocus(true), S_OK);
    const uint32_t kF5 = KeyCode::Press(VirtualKey::kF1 + 4), kShiftUp = kUp | KeyCode::kShiftKey;
    for (const uint32_t key : {kF5, kShiftUp}) {
        SCOPED_TRACE(key);
        holder->keys.clear();
        Key(key);
        IdleAfter(200);
        EXPECT_EQ(holder->keys, std::vector<uint32_t>{key});
        EXPECT_EQ(held->NormalizedToValue(held->GetValue()), 5.0);
    }
}

TEST_F(NumericUpDownTest, MissingChildrenGiveAnInertControl)
{
    RCPtr<LNumericUpDown> broken(main->FindChild(u"broken"));
    ASSERT_TRUE(broken);
    EXPECT_FALSE(broken->GetTextBox());
    EXPECT_EQ(broken->Initialize(), E_FAIL);
    EXPECT_EQ(broken->SetRange(0.0, 10.0, 0), S_OK);
    broken->SetText(u"4");
    EXPECT_EQ(broken->NormalizedToValue(broken->GetValue()), 4.0);
    broken->HandleKey(RCPtr<LKeyParam>(new LKeyParam({kUp, 0, 0})));
}

TEST_F(NumericUpDownTest, FileDropperMovesWithThePointerThenLeaves)
{
    RCPtr<LControl> dropper = main->FindChild(u"fileDropper1");
    ASSERT_TRUE(dropper);
    Move(20, 110);
    Press(20, 110);
    Move(21, 110);
    Move(60, 150);
    EXPECT_EQ(dropper->GetRect().x, 50.0);
    EXPECT_EQ(dropper->GetRect().y, 140.0);
    Release(60, 150);
    EXPECT_FALSE(dropper->IsVisible(false));
    Idle(); // removed children are destroyed on the next idle pass
    EXPECT_FALSE(main->FindChild(u"fileDropper1"));
}

} // namespace
} // namespace KX::Test
