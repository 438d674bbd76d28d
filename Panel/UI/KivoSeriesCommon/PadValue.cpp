#include "Panel/UI/KivoSeriesCommon/PadValue.h"

ButtonControlRecord PadValue::ToRecord(const unsigned char* value)
{
    ButtonControlRecord record;
    record.Add(static_cast<char>(value[0]));
    for (unsigned k = 1; k < ButtonRecord::kSize; ++k)
        record.Add(static_cast<char>(value[k + kColours]));
    return record;
}

bool PadValue::FromRecord(const ButtonControlRecord& record, const std::array<unsigned char, kColours>& colours,
                          std::array<unsigned char, kSize>& out)
{
    if (record.GetCount() != ButtonRecord::kSize)
        return false;
    out[0] = static_cast<unsigned char>(record.GetAt(0));
    for (unsigned c = 0; c < kColours; ++c)
        out[kFirstColour + c] = colours[c];
    for (unsigned k = 1; k < ButtonRecord::kSize; ++k)
        out[k + kColours] = static_cast<unsigned char>(record.GetAt(k));
    return true;
}
