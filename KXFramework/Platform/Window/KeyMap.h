#pragma once
// Desktop keys to the framework's virtual keys (the usual Windows numbers) and modifier flags.
#include <cstdint>

namespace KX::Platform {

// Modifier flags of key records: a general bit and one bit per side.
inline constexpr uint32_t kKeyCtrl = 0x01;
inline constexpr uint32_t kKeyCtrlLeft = 0x02;
inline constexpr uint32_t kKeyCtrlRight = 0x04;
inline constexpr uint32_t kKeyShift = 0x08;
inline constexpr uint32_t kKeyShiftLeft = 0x10;
inline constexpr uint32_t kKeyShiftRight = 0x20;
inline constexpr uint32_t kKeyAlt = 0x40;
inline constexpr uint32_t kKeyAltLeft = 0x80;
inline constexpr uint32_t kKeyAltRight = 0x100;
inline constexpr uint32_t kKeyWin = 0x200;
inline constexpr uint32_t kKeyWinLeft = 0x400;
inline constexpr uint32_t kKeyWinRight = 0x800;

// The virtual key of an SDL key code, 0 when it has none. Letters on layouts whose letter keys give no
// Latin key code (Russian, Greek...) take it from the scan code, so that Ctrl+C stays Ctrl+C.
uint32_t VirtualKeyFromSdl(int32_t keycode, int32_t scancode);
// The flags of an SDL modifier state.
uint32_t KeyFlagsFromSdl(uint16_t modifiers);

} // namespace KX::Platform
