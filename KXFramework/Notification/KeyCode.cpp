#include "KXFramework/Notification/KeyCode.h"

#include <string>
#include <string_view>

namespace KX {

namespace {

// The Windows virtual-key numbers that key expressions name; the Linux window layer maps its key
// symbols onto the same numbers.
struct NamedKey {
    std::u16string_view name; // after "VKEY_"
    uint32_t virtualKey;
    std::u16string_view display;
};

constexpr NamedKey kNamedKeys[] = {
    {u"BACK", VirtualKey::kBack, u"Backspace"},
    {u"TAB", VirtualKey::kTab, u"Tab"},
    {u"RETURN", VirtualKey::kEnter, u"Enter"},
    {u"SHIFT", 0x10, u"Shift"},
    {u"CONTROL", 0x11, u"Ctrl"},
    {u"MENU", 0x12, u"Alt"},
    {u"PAUSE", 0x13, u"Pause"},
    {u"CAPITAL", 0x14, u"Caps Lock"},
    {u"ESCAPE", VirtualKey::kEscape, u"Esc"},
    {u"SPACE", VirtualKey::kSpace, u"Space"},
    {u"PRIOR", VirtualKey::kPageUp, u"Page Up"},
    {u"NEXT", VirtualKey::kPageDown, u"Page Down"},
    {u"END", VirtualKey::kEnd, u"End"},
    {u"HOME", VirtualKey::kHome, u"Home"},
    {u"LEFT", VirtualKey::kLeft, u"Left"},
    {u"UP", VirtualKey::kUp, u"Up"},
    {u"RIGHT", VirtualKey::kRight, u"Right"},
    {u"DOWN", VirtualKey::kDown, u"Down"},
    {u"INSERT", 0x2D, u"Insert"},
    {u"DELETE", VirtualKey::kDelete, u"Delete"},
    {u"MULTIPLY", 0x6A, u"Num *"},
    {u"ADD", 0x6B, u"Num +"},
    {u"SUBTRACT", 0x6D, u"Num -"},
    {u"DECIMAL", 0x6E, u"Num ."},
    {u"DIVIDE", 0x6F, u"Num /"},
};

bool IsLetterOrDigit(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// A run of decimal digits (held at 1000 once larger); -1 when the text is empty or holds anything else.
int DecimalNumber(std::u16string_view text)
{
    if (text.empty())
        return -1;
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
        if (value > 1000)
            value = 1000;
    }
    return value;
}

std::u16string Decimal(uint32_t n)
{
    std::u16string digits;
    do
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
    while ((n /= 10) != 0);
    return digits;
}

// The virtual key of an upper-case name without "VKEY_"; -1 when unknown.
int FindVirtualKey(std::u16string_view name)
{
    if (name.size() == 1 && IsLetterOrDigit(name[0]))
        return name[0];
    if (name.size() >= 2 && name[0] == u'F' && name[1] != u'0') {
        const int n = DecimalNumber(name.substr(1));
        if (n >= 1 && n <= 24)
            return int(VirtualKey::kF1) + n - 1;
    }
    if (name.size() == 7 && name.starts_with(u"NUMPAD") && name[6] >= u'0' && name[6] <= u'9')
        return 0x60 + (name[6] - u'0');
    for (const NamedKey& k : kNamedKeys)
        if (k.name == name)
            return k.virtualKey;
    return -1;
}

std::u16string VirtualKeyDisplayName(uint32_t vk)
{
    if (vk <= 0xFF && IsLetterOrDigit(static_cast<char16_t>(vk)))
        return std::u16string(1, static_cast<char16_t>(vk));
    if (vk >= VirtualKey::kF1 && vk < VirtualKey::kF1 + 24)
        return u"F" + Decimal(vk - VirtualKey::kF1 + 1);
    if (vk >= 0x60 && vk <= 0x69)
        return u"Num " + Decimal(vk - 0x60);
    for (const NamedKey& k : kNamedKeys)
        if (k.virtualKey == vk)
            return std::u16string(k.display);
    return std::u16string();
}

uint32_t PackedModifiers(uint32_t flags)
{
    uint32_t packed = 0;
    if (flags & KeyCode::kCtrlFlag)
        packed |= KeyCode::kCtrlKey;
    if (flags & KeyCode::kShiftFlag)
        packed |= KeyCode::kShiftKey;
    if (flags & KeyCode::kAltFlag)
        packed |= KeyCode::kAltKey;
    if (flags & KeyCode::kCommandFlag)
        packed |= KeyCode::kCommandKey;
    return packed;
}

} // namespace

KeyCode::KeyCode(uint32_t code, uint32_t modifierFlags)
    : key((code & 0xFFFF) | PackedModifiers(ModifierMaskFromFlags(modifierFlags))),
      modifiers(ModifierMaskFromFlags(modifierFlags))
{
}

KeyCode::KeyCode(const String& expression)
{
    const String upper = expression.ToUpper();
    const std::u16string_view text(upper.GetString(), upper.GetLength());
    if (text.empty())
        return;

    // Modifier words are looked for before the key name only, so that "VKEY_SHIFT" names the
    // Shift key without also meaning Shift held.
    const size_t namePos = text.find(u"VKEY_");
    const std::u16string_view modifierText = namePos == std::u16string_view::npos ? text : text.substr(0, namePos);
    uint32_t flags = 0;
    if (modifierText.find(u"CTRL") != std::u16string_view::npos)
        flags |= kCtrlFlag;
    if (modifierText.find(u"ALT") != std::u16string_view::npos)
        flags |= kAltFlag;
    if (modifierText.find(u"SHIFT") != std::u16string_view::npos)
        flags |= kShiftFlag;
    if (modifierText.find(u"COMMAND") != std::u16string_view::npos)
        flags |= kCommandFlag;

    int virtualKey = -1;
    uint32_t character = 0;
    if (namePos != std::u16string_view::npos) {
        size_t end = namePos + 5;
        while (end < text.size() && (IsLetterOrDigit(text[end]) || text[end] == u'_'))
            ++end;
        virtualKey = FindVirtualKey(text.substr(namePos + 5, end - namePos - 5));
        if (virtualKey < 0)
            return;
    } else {
        const size_t open = text.find(u'[');
        const size_t close = open == std::u16string_view::npos ? open : text.find(u']', open);
        const int number =
            close == std::u16string_view::npos ? -1 : DecimalNumber(text.substr(open + 1, close - open - 1));
        if (number > 255)
            return;
        if (number >= 0) {
            virtualKey = number;
        } else if (IsLetterOrDigit(text.back())) {
            virtualKey = text.back();
        } else {
            character = text.back();
        }
    }

    modifiers = flags;
    if (virtualKey >= 0)
        key = Press(static_cast<uint32_t>(virtualKey), PackedModifiers(flags));
    else
        // A typed character is matched against the character records of typed text, which are
        // not key-down records.
        key = character | PackedModifiers(flags);
}

uint32_t KeyCode::ModifierMaskFromFlags(uint32_t flags)
{
    if (flags & 0x006)
        flags |= kCtrlFlag;
    if (flags & 0x030)
        flags |= kShiftFlag;
    if (flags & 0x180)
        flags |= kAltFlag;
    if (flags & 0xC00)
        flags |= kCommandFlag;
    return flags;
}

bool KeyCode::KeysMatch(uint32_t a, uint32_t b)
{
    constexpr uint32_t kCharacterBits = 0x7F00FFFF;
    constexpr uint32_t kIgnoredForCharacters = kShiftKey | kCtrlKey;
    if (((a | b) & ~kCharacterBits) == 0)
        return (a & ~kIgnoredForCharacters) == (b & ~kIgnoredForCharacters);
    return a == b;
}

String KeyCode::GetDisplayText() const
{
    std::u16string text;
    if (key & kCtrlKey)
        text += u"Ctrl+";
    if (key & kAltKey)
        text += u"Alt+";
    if (key & kShiftKey)
        text += u"Shift+";
    if (key & kCommandKey)
        text += u"Cmd+";
    const uint32_t virtualKey = VirtualKeyOf(key);
    const uint32_t character = key & 0xFFFF;
    if (virtualKey != 0) {
        text += VirtualKeyDisplayName(virtualKey);
    } else if (character >= 1 && character <= 26) {
        text += u"Ctrl+";
        text += static_cast<char16_t>(character + 64);
    } else if (character >= 33 && character <= 126) {
        text += static_cast<char16_t>(character);
    }
    return String(text.c_str());
}

} // namespace KX
