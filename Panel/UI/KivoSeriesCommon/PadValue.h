#pragma once
// The 14-byte pad value: the 10-byte button record with the four pad colours (positions 0..13 of the
// pad colour list) between its first and second byte.
#include "Panel/UI/KivoSeriesCommon/ButtonControlRecord.h"

#include <array>

namespace PadValue {
constexpr unsigned kSize = 14;
constexpr unsigned kColours = 4;
constexpr unsigned kFirstColour = 1;
constexpr unsigned kColourCount = 14; // "Off" and 13 colours

// The record in bytes 0 and 5..13; `value` holds kSize bytes.
ButtonControlRecord ToRecord(const unsigned char* value);
// The value of a 10-byte record and four colour bytes; false (and `out` untouched) for a record of
// another size.
bool FromRecord(const ButtonControlRecord& record, const std::array<unsigned char, kColours>& colours,
                std::array<unsigned char, kSize>& out);
} // namespace PadValue
