#pragma once
// The 6-byte assignment of a continuous control (fader, encoder, volume pedal, wheel, touch-pad axis):
// channel, kind (0 control change, 1 typed message), CC number or type code, relative flag and a low
// and a high byte, read as signed bytes. Faders, encoders and the volume pedal store it unchanged;
// a wheel stores it without the relative flag (5 bytes), a touch-pad axis as the first 6 of 15 bytes.
#include "KXFramework/Utilities/Storage/Array.h"

using MoveableControlRecord = KX::Array<char>;

namespace MoveableRecord {

constexpr unsigned kSize = 6;
constexpr unsigned kWheelValueSize = 5;

enum Byte : unsigned { kChannel = 0, kKind = 1, kCode = 2, kRelative = 3, kLow = 4, kHigh = 5 };

// Type codes with a meaning of their own to the editor and the view.
enum Code : int { kChannelPressure = 3, kRpnCoarse = 4, kRpnFine = 5, kNrpnCoarse = 6, kNrpnFine = 7, kPitchBend = 16 };

// The "other" list after the editor dropped "Reverb Type (Sysex)": positions 0 to 14.
constexpr int kOtherCount = 15;

// Byte i read as a signed number; 0 outside the record.
int At(const MoveableControlRecord& record, unsigned i);

// "Other" list position of a code and back: p = code below 4, code - 4 from 8 on; -1 for a code the
// list does not hold (4 to 7, negative, above 18) or a position outside 0..14.
int OtherPositionOfCode(int code);
int OtherCodeOfPosition(int position);

// A record from `size` bytes, or an empty record when `bytes` is null.
MoveableControlRecord FromBytes(const unsigned char* bytes, unsigned size);

// A wheel's 5-byte value: record bytes 0, 1, 2, 4, 5, and back with the relative flag 0. A record or
// value of another size gives an empty result.
MoveableControlRecord FromWheelValue(const unsigned char* bytes, unsigned size);
KX::Array<char> ToWheelValue(const MoveableControlRecord& record);

} // namespace MoveableRecord
