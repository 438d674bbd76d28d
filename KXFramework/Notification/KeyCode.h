#pragma once
// A key as the framework passes it around: a packed key word, the modifier flags and a third word.
//
// Packed key word: 0x20000000 key down | virtual key << 16 (bits 16-23) | Ctrl 0x01000000 |
// Shift 0x02000000 | Alt 0x04000000 | Command 0x08000000. A typed character has virtual key 0 and
// the character in the low 16 bits. Bit 31 set means "no key".
// Modifier flags: Ctrl 0x01, Shift 0x08, Alt 0x40, Command 0x200 (the mouse modifier bits); key
// events add the sides: Ctrl left 0x02 / right 0x04, Shift 0x10 / 0x20, Alt 0x80 / 0x100,
// Command 0x400 / 0x800.
// The third word carries the repeat byte of a key event; it takes no part in matching.
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

// Virtual keys, the numbers in bits 16-23 of a packed key word (the Windows numbers, onto which
// the Linux window layer maps its key symbols).
namespace VirtualKey {
inline constexpr uint32_t kBack = 0x08;
inline constexpr uint32_t kTab = 0x09;
inline constexpr uint32_t kEnter = 0x0D;
inline constexpr uint32_t kEscape = 0x1B;
inline constexpr uint32_t kSpace = 0x20;
inline constexpr uint32_t kPageUp = 0x21;
inline constexpr uint32_t kPageDown = 0x22;
inline constexpr uint32_t kEnd = 0x23;
inline constexpr uint32_t kHome = 0x24;
inline constexpr uint32_t kLeft = 0x25;
inline constexpr uint32_t kUp = 0x26;
inline constexpr uint32_t kRight = 0x27;
inline constexpr uint32_t kDown = 0x28;
inline constexpr uint32_t kDelete = 0x2E;
inline constexpr uint32_t kF1 = 0x70;
} // namespace VirtualKey

struct KeyCode {
    static constexpr uint32_t kNoKey = 0x80000000;
    static constexpr uint32_t kKeyDown = 0x20000000;
    static constexpr uint32_t kCtrlKey = 0x01000000;
    static constexpr uint32_t kShiftKey = 0x02000000;
    static constexpr uint32_t kAltKey = 0x04000000;
    static constexpr uint32_t kCommandKey = 0x08000000;

    static constexpr uint32_t kCtrlFlag = 0x01;
    static constexpr uint32_t kShiftFlag = 0x08;
    static constexpr uint32_t kAltFlag = 0x40;
    static constexpr uint32_t kCommandFlag = 0x200;
    // The modifiers a pointer event carries.
    static constexpr uint32_t kMouseModifierFlags = kCtrlFlag | kShiftFlag | kAltFlag;

    // The key-down word of a virtual key with modifier bits (kCtrlKey, kShiftKey, ...).
    static constexpr uint32_t Press(uint32_t virtualKey, uint32_t modifierKeys = 0)
    {
        return kKeyDown | virtualKey << 16 | modifierKeys;
    }
    // Of a packed key word: the virtual key (0 for a typed character or no key), a key-down record,
    // a key-up record, Tab going down (with any modifiers), and the modifiers held.
    static constexpr uint32_t VirtualKeyOf(uint32_t key) { return (key >> 16) & 0xFF; }
    static constexpr bool IsPressed(uint32_t key) { return (key & kKeyDown) && !(key & kNoKey); }
    static constexpr bool IsTabPress(uint32_t key) { return VirtualKeyOf(key) == VirtualKey::kTab && IsPressed(key); }
    static constexpr bool IsReleased(uint32_t key) { return !(key & (kKeyDown | kNoKey)); }
    static constexpr bool HasCtrl(uint32_t key) { return (key & kCtrlKey) != 0; }
    static constexpr bool HasShift(uint32_t key) { return (key & kShiftKey) != 0; }
    static constexpr bool HasAlt(uint32_t key) { return (key & kAltKey) != 0; }

    uint32_t key = kNoKey;
    uint32_t modifiers = 0;
    uint32_t extra = 0;

    KeyCode() = default;
    KeyCode(uint32_t key, uint32_t modifiers, uint32_t extra) : key(key), modifiers(modifiers), extra(extra) {}
    // The record of a typed character, or of a modifier-only key (code 0): the character in the
    // low 16 bits and the modifier bits of the flags, not a key-down record.
    KeyCode(uint32_t code, uint32_t modifierFlags);
    // Parses a key expression such as "Ctrl+VKEY_C", "Alt+VKEY_F4", "Shift+[46]" or "Ctrl+Q"
    // (letter case is ignored). Unknown key names, numbers above 255 and empty texts give the
    // default, invalid key.
    explicit KeyCode(const String& expression);

    // The flags with each modifier's general bit set whenever one of its side bits is.
    static uint32_t ModifierMaskFromFlags(uint32_t flags);
    // When neither word has a bit outside 0x7F00FFFF (no virtual key, a key), they match when
    // equal apart from Shift and Ctrl; otherwise they must be equal.
    static bool KeysMatch(uint32_t a, uint32_t b);

    bool IsValid() const { return (key & kNoKey) == 0; }
    // "Ctrl+", "Alt+", "Shift+", "Cmd+" for the modifiers set, then the key's name ("Delete",
    // "F4", "A"); a typed control character 1-26 reads "Ctrl+" and its letter, a typed 33-126 the
    // character itself.
    String GetDisplayText() const;

    bool operator==(const KeyCode& other) const = default;
};

} // namespace KX
