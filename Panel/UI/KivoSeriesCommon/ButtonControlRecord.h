#pragma once
// The 10-byte MIDI assignment of push buttons, pads and the sustain pedal: channel, kind, CC number
// or type code and up to seven value bytes, read as signed bytes.
#include "KXFramework/Utilities/Storage/Array.h"

#include <cstdint>

using ButtonControlRecord = KX::Array<char>;

namespace ButtonRecord {

constexpr unsigned kSize = 10;

// Byte positions.
enum Byte : unsigned {
    kChannel = 0,
    kKind = 1,
    kCode = 2,
    kData = 3,
    kLow = 4,
    kNoSecondStep = 5,
    kSecondStep = 6,
    kNoThirdStep = 7,
    kThirdStep = 8,
    kHigh = 9,
};

// Type codes of a typed record (kind 1) that the editor treats specially.
enum Code : int {
    kChannelPressure = 3,
    kRpnCoarse = 4,
    kNrpnFine = 7,
    kPitchBend = 16,
    kProgram = 17,
    kCCCycle = 18,
    kNoteLatchOff = 19,
    kNoteLatchOn = 20,
    kMmc = 21,
    kCCDecrement = 25,
    kCCIncrement = 26,
    kProgramDecrement = 27,
    kProgramIncrement = 28,
    kProgramCycle = 29,
};

// MMC list position 11 stands for command 13; position 12 ("Other") only exists while a record with
// another command is shown.
constexpr int kMmcReset = 13;
constexpr int kMmcResetPosition = 11;
constexpr int kMmcOtherPosition = 12;

// Cycle type list positions.
enum CycleType : int { kTwoValues = 0, kThreeValues = 1, kFourValues = 2 };

// Byte i read as a signed number; 0 outside the record.
int At(const ButtonControlRecord& record, unsigned i);

// An inc/dec record carrying a 3- or 4-step list becomes the matching cycle; only a 10-byte record
// whose kind byte is above 0 is touched.
void NormalizeControlRecord(ButtonControlRecord& record);

// The editor page that shows a record (of 10 bytes).
const char16_t* PageFor(const ButtonControlRecord& record);

// Other-list position of a code and back; -1 for a code the list does not hold (4 to 7, 17 to 21,
// 25 and above).
int OtherPositionOfCode(int code);
int OtherCodeOfPosition(int position);

// MMC list position of a command: 1..11 -> 0..10, 13 -> 11, anything else "Other" (12); and back,
// "Other" and positions outside the list giving 13.
int MmcPositionOfCommand(int command);
int MmcCommandOfPosition(int position);

// The cycle type a step list (bytes 5 and 7) encodes.
CycleType CycleTypeOf(const ButtonControlRecord& record);
// Writes bytes 5 to 8 as a list without a second and a third step (1, 0, 1, 0), as inc/dec records
// and two-value cycles carry it.
void WriteNoSteps(ButtonControlRecord& record);
// Writes bytes 4 to 9 from up to four values (first, second, third, last) of the cycle type.
void WriteStepList(ButtonControlRecord& record, CycleType type, const int values[4]);

} // namespace ButtonRecord
