#pragma once
// The 17-byte value of a push button: the 10-byte MIDI record in two pieces (byte 0, bytes 5 to 13),
// the four light colours (bytes 1 to 4), and the HID part: colour (14), key (15) and modifier (16).
// Colours and the modifier are list positions; the key byte is the key-list position minus 1, with
// 87 for "Off" (position 0).
#include "KXFramework/Utilities/Storage/Array.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlRecord.h"

namespace PushButtonValue {

constexpr unsigned kSize = 17;

enum Offset : unsigned { kChannel = 0, kColour1 = 1, kRecordPart = 5, kHidColour = 14, kHidKey = 15, kModifier = 16 };

constexpr int kColourCount = 8;
constexpr int kKeyCount = 87;
constexpr int kKeyOff = 87;

// The MIDI record of a 17-byte value.
ButtonControlRecord RecordOf(const unsigned char* value);

// Key-list position of a stored key byte (read signed): 87 and -1 are "Off" (0), 0..85 are 1..86;
// -1 for any other byte, which selects nothing.
int KeyPositionOfByte(int byte);
// The stored byte of a key-list position: 87 for "Off", else the position minus 1 (no selection, -1,
// gives -2, stored as 0xFE).
int KeyByteOfPosition(int position);

// The value from a record, the colour positions (1 to 4 and HID), the stored key byte and the
// modifier position; empty when the record is not 10 bytes.
KX::Array<char> Pack(const ButtonControlRecord& record, const int colours[4], int hidColour, int keyByte, int modifier);

} // namespace PushButtonValue
