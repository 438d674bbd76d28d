#pragma once
// The keyboard's SysEx protocol as pure functions over bytes: the messages the editor sends, the
// tests that recognise the device's replies, the firmware rule and the table of global settings.
// Every message of the keyboard's own protocol is F0, the six header bytes, a command letter, the
// payload and F7.
#include "KXFramework/ObjectBase/Result.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace KX::DeviceProtocol {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline constexpr std::uint8_t kSysExStart = 0xF0;
inline constexpr std::uint8_t kSysExEnd = 0xF7;
// Bytes 1-6 of every device message: the manufacturer ID 00 6E 2D, then 7F 31 06.
inline constexpr std::array<std::uint8_t, 6> DeviceSysExHeader{0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06};
inline constexpr std::size_t kHeaderEnd = 1 + DeviceSysExHeader.size(); // offset of the command byte

enum Command : std::uint8_t {
    PresetDump = 0x61,         // a, to the device
    PresetDumpRequest = 0x62,  // b, to the device
    PresetDumpReply = 0x63,    // c, from the device
    GlobalParamSet = 0x6A,     // j, to the device
    GlobalParamRequest = 0x6B, // k, to the device
    GlobalParamReply = 0x6C,   // l, from the device
    SysExModeMessage = 0x6D,   // m, to the device
};

// Slot 0 is RAM, 1-12 the stored presets.
inline constexpr int kPresetSlotCount = 13;
inline constexpr int kPresetParamCount = 131;
inline constexpr std::size_t kPresetValueBytes = 1338;
inline constexpr std::size_t kPresetValueOffset = 11;
inline constexpr std::size_t kPresetDumpSize = kPresetValueOffset + kPresetValueBytes + 1; // 1350, framed
inline constexpr std::size_t kGlobalParamCount = 17;
inline constexpr std::size_t kGlobalParamReplySize = 15;
inline constexpr std::size_t kIdentityReplySize = 15;
// The largest piece handed to the transport in one send.
inline constexpr std::size_t kPieceSize = 256;

// Messages the editor sends. The mode message, the dump request and the dump head are unframed
// (SendSysEx adds F0 and F7); the others carry their own F0 and F7.
Bytes ModeMessage();                               // 00 6E 2D 7F 31 06 6D 00 01 01
Bytes PresetDumpRequestMessage(std::uint8_t slot); // hdr 62 nn
// hdr 61 0A 3B nn: the first ten bytes of an unframed preset dump, whose 1338 value bytes follow.
Bytes PresetDumpHead(std::uint8_t slot);
Bytes GlobalParamRequestMessage(std::uint8_t index); // F0 hdr 6B 00 02 00 ii F7
// F0 hdr 6A 00 04 00 ii hh ll F7; value must lie in 0 .. 16383.
Bytes GlobalParamSetMessage(std::uint8_t index, int value);
Bytes IdentityRequestMessage(); // F0 7E 7F 06 01 F7

// Frames a message in place for sending: F0 in front unless it begins with F0, F7 at the end unless
// it ends with F7; a lone data byte b becomes F0 b F7. E_INVALIDARG for an empty message, E_FAIL for a
// lone F0 or F7; the message is then unchanged.
[[nodiscard]] KXRESULT Frame(Bytes& message);
// True when every byte between the framing bytes is a data byte (below 0x80).
bool HasSevenBitBody(ByteView framed);

// At least seven bytes, and bytes 0-6 are F0 and the header.
bool IsDeviceSysExReply(ByteView message);
// Exactly 1350 bytes, a device reply, command c.
bool IsPresetDumpReply(ByteView message);
// Exactly 15 bytes, a device reply, command l, and an index of the list: the index and the value
// (high digit × 128 + low digit).
bool ParseGlobalParamReply(ByteView message, int& index, int& value);
// Exactly 15 bytes: F0, 7E at 1, 06 at 3, 02 at 4.
bool IsIdentityReply(ByteView message);
// A 15-byte reply whose four version digits at offsets 10-13 are above 1.0.4.0, digit by digit.
bool IsFirmwareVersionNewer(ByteView reply);

// The 17 global keys in wire order; the index of a key is its number on the wire.
const std::array<std::u16string_view, kGlobalParamCount>& GlobalParameterNames();
// The index of the key equal to name (exact, case-sensitive), or -1.
int GlobalParameterIndex(std::u16string_view name);
// The key's own range; refused for unknown keys, the three XY-pad keys and negative values.
bool IsValidGlobalParameterValue(std::u16string_view name, int value);

} // namespace KX::DeviceProtocol
