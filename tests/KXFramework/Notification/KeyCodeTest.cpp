#include "KXFramework/Notification/KeyCode.h"
#include "KXFramework/Utilities/Storage/Array.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {

namespace {

using KX::KeyCode;

std::u16string Display(const KeyCode& k)
{
    const KX::String text = k.GetDisplayText();
    return std::u16string(text.GetString(), text.GetLength());
}

uint32_t Parse(const char16_t* expression)
{
    return KeyCode(KX::String(expression)).key;
}

TEST(KeyCode, DefaultIsNoKeyAndIsWhatArraysAdd)
{
    const KeyCode none;
    EXPECT_EQ(none.key, 0x80000000u);
    EXPECT_EQ(none.modifiers, 0u);
    EXPECT_EQ(none.extra, 0u);
    EXPECT_FALSE(none.IsValid());

    KX::Array<KeyCode> keys;
    keys.SetCount(2);
    EXPECT_EQ(keys.GetAt(1), none);
}

TEST(KeyCode, NamedKeysPackAndReadBackAsTheKeyWordLaysThemOut)
{
    struct Case {
        uint32_t word;
        uint32_t expected;
        uint32_t virtualKey;
        bool pressed, released, ctrl, shift, alt;
    };
    const Case cases[] = {
        {KeyCode::Press(VirtualKey::kEnter), 0x200D0000u, 0x0D, true, false, false, false, false},
        {KeyCode::Press(VirtualKey::kDown, KeyCode::kShiftKey), 0x22280000u, 0x28, true, false, false, true, false},
        {KeyCode::Press(VirtualKey::kF1 + 3, KeyCode::kAltKey), 0x24730000u, 0x73, true, false, false, false, true},
        {KeyCode::Press('C', KeyCode::kCtrlKey), 0x21430000u, 0x43, true, false, true, false, false},
        {VirtualKey::kLeft << 16, 0x00250000u, 0x25, false, true, false, false, false},
        {KeyCode::kNoKey | KeyCode::kKeyDown, 0xA0000000u, 0, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.word, c.expected);
        EXPECT_EQ(KeyCode::VirtualKeyOf(c.word), c.virtualKey);
        EXPECT_EQ(KeyCode::IsPressed(c.word), c.pressed);
        EXPECT_EQ(KeyCode::IsReleased(c.word), c.released);
        EXPECT_EQ(KeyCode::HasCtrl(c.word), c.ctrl);
        EXPECT_EQ(KeyCode::HasShift(c.word), c.shift);
        EXPECT_EQ(KeyCode::HasAlt(c.word), c.alt);
    }
}

TEST(KeyCode, ExpressionsPackModifiersAndVirtualKeys)
{
    EXPECT_EQ(Parse(u"Ctrl+VKEY_C"), 0x21430000u);
    EXPECT_EQ(Parse(u"Alt+VKEY_F4"), 0x24730000u);
    EXPECT_EQ(Parse(u"Ctrl+Shift+VKEY_R"), 0x23520000u);
    EXPECT_EQ(Parse(u"VKEY_DELETE"), 0x202E0000u);
    EXPECT_EQ(Parse(u"Command+VKEY_ESCAPE"), 0x281B0000u);
    EXPECT_EQ(Parse(u"VKEY_NUMPAD7"), 0x20670000u);
    EXPECT_EQ(Parse(u"VKEY_F24"), 0x20870000u);

    // Letter case is ignored, and the second word holds the modifier flags found.
    const KeyCode lower(KX::String(u"ctrl+shift+vkey_r"));
    EXPECT_EQ(lower.key, 0x23520000u);
    EXPECT_EQ(lower.modifiers, KeyCode::kCtrlFlag | KeyCode::kShiftFlag);
    EXPECT_EQ(lower.extra, 0u);

    // A key named after a modifier is that key alone, not the key with the modifier held.
    EXPECT_EQ(Parse(u"VKEY_SHIFT"), 0x20100000u);
    EXPECT_EQ(Parse(u"Ctrl+VKEY_SHIFT"), 0x21100000u);

    // "[n]" names a virtual key by number; a last letter or digit is a virtual key.
    EXPECT_EQ(Parse(u"Shift+[46]"), 0x222E0000u);
    EXPECT_EQ(Parse(u"Alt+Q"), 0x24510000u);
    EXPECT_EQ(Parse(u"ctrl+7"), 0x21370000u);
}

TEST(KeyCode, OtherLastCharactersAreTypedCharacters)
{
    const KeyCode plus(KX::String(u"Ctrl++"));
    EXPECT_EQ(plus.key, 0x0100002Bu);
    EXPECT_TRUE(plus.IsValid());
    // Typed text is matched whatever Shift was doing.
    EXPECT_TRUE(KeyCode::KeysMatch(plus.key, KeyCode(u'+', KeyCode::kCtrlFlag | 0x10 | KeyCode::kShiftFlag).key));
}

TEST(KeyCode, BadExpressionsGiveTheInvalidKey)
{
    for (const char16_t* bad : {u"", u"VKEY_NOSUCH", u"Ctrl+VKEY_", u"VKEY_F25", u"VKEY_F0", u"[256]", u"Alt+[100000]"})
        EXPECT_EQ(KeyCode(KX::String(bad)), KeyCode()) << std::u16string(bad).size();
}

TEST(KeyCode, ComparisonIgnoresShiftAndCtrlOnlyForCharacters)
{
    // Typed Ctrl+C arrives as character 3.
    const uint32_t typedCtrlC = KeyCode(3, KeyCode::kCtrlFlag).key;
    EXPECT_TRUE(KeyCode::KeysMatch(typedCtrlC, 3));
    EXPECT_TRUE(KeyCode::KeysMatch(KeyCode(3, KeyCode::kCtrlFlag | KeyCode::kShiftFlag).key, 3));
    EXPECT_FALSE(KeyCode::KeysMatch(KeyCode(3, KeyCode::kAltFlag).key, 3));
    EXPECT_FALSE(KeyCode::KeysMatch(4, 3));

    // With a virtual key the words must be equal.
    EXPECT_TRUE(KeyCode::KeysMatch(0x21430000, 0x21430000));
    EXPECT_FALSE(KeyCode::KeysMatch(0x23430000, 0x21430000));
    EXPECT_FALSE(KeyCode::KeysMatch(0x01430000, 0x21430000));
    // The no-key bit is outside the character bits as well.
    EXPECT_FALSE(KeyCode::KeysMatch(0x80000003, 0x00000003));
}

TEST(KeyCode, CharacterRecordsCompleteTheModifierMask)
{
    EXPECT_EQ(KeyCode::ModifierMaskFromFlags(0x10), 0x18u);   // left Shift
    EXPECT_EQ(KeyCode::ModifierMaskFromFlags(0x04), 0x05u);   // right Ctrl
    EXPECT_EQ(KeyCode::ModifierMaskFromFlags(0x100), 0x140u); // right Alt
    EXPECT_EQ(KeyCode::ModifierMaskFromFlags(0x400), 0x600u); // left Win
    EXPECT_EQ(KeyCode::ModifierMaskFromFlags(0x41), 0x41u);

    const KeyCode typed(u'a', 0x10 | 0x02);
    EXPECT_EQ(typed.key, 0x03000061u);
    EXPECT_EQ(typed.modifiers, 0x1Bu);
    EXPECT_EQ(typed.extra, 0u);
    EXPECT_EQ(KeyCode(0, 0x80).key, 0x04000000u); // Alt pressed on its own
}

TEST(KeyCode, FunctionKeysHaveTheirOwnCodes)
{
    const struct {
        const char16_t* name;
        uint32_t virtualKey;
    } cases[] = {{u"F1", 0x70}, {u"F11", 0x7A}, {u"F12", 0x7B}, {u"F13", 0x7C}, {u"F24", 0x87}};
    for (const auto& c : cases) {
        const KeyCode key(KX::String(u"VKEY_") + KX::String(c.name));
        EXPECT_EQ(key.key, 0x20000000u | (c.virtualKey << 16)) << KX::String(c.name).ToNarrow().GetData();
        EXPECT_EQ(Display(key), std::u16string(c.name));
    }
}

TEST(KeyCode, DisplayText)
{
    EXPECT_EQ(Display(KeyCode(KX::String(u"Ctrl+VKEY_C"))), u"Ctrl+C");
    EXPECT_EQ(Display(KeyCode(KX::String(u"Alt+VKEY_F4"))), u"Alt+F4");
    EXPECT_EQ(Display(KeyCode(KX::String(u"Shift+VKEY_DELETE"))), u"Shift+Delete");
    EXPECT_EQ(Display(KeyCode(KX::String(u"Shift+Command+Alt+Ctrl+VKEY_F12"))), u"Ctrl+Alt+Shift+Cmd+F12");
    EXPECT_EQ(Display(KeyCode(KX::String(u"VKEY_NEXT"))), u"Page Down");
    EXPECT_EQ(Display(KeyCode(KX::String(u"VKEY_NUMPAD3"))), u"Num 3");
    EXPECT_EQ(Display(KeyCode(KX::String(u"VKEY_ESCAPE"))), u"Esc");
    EXPECT_EQ(Display(KeyCode(26, 0)), u"Ctrl+Z");
    EXPECT_EQ(Display(KeyCode(u'~', 0)), u"~");
    EXPECT_EQ(Display(KeyCode(u' ', 0)), u"");
    EXPECT_EQ(Display(KeyCode(0x7F, 0)), u"");
    EXPECT_EQ(Display(KeyCode()), u"");
}

} // namespace

} // namespace KX::Test
