#include "Panel/UI/KivoSeriesCommon/MoveableControlRecord.h"

namespace MoveableRecord {

int At(const MoveableControlRecord& record, unsigned i)
{
    return i < record.GetCount() ? static_cast<signed char>(record.GetAt(i)) : 0;
}

int OtherPositionOfCode(int code)
{
    if (code >= 0 && code < kRpnCoarse)
        return code;
    if (code > kNrpnFine && code < kOtherCount + 4)
        return code - 4;
    return -1;
}

int OtherCodeOfPosition(int position)
{
    if (position < 0 || position >= kOtherCount)
        return -1;
    return position < kRpnCoarse ? position : position + 4;
}

MoveableControlRecord FromBytes(const unsigned char* bytes, unsigned size)
{
    MoveableControlRecord record;
    for (unsigned i = 0; bytes && i < size; ++i)
        record.Add(static_cast<char>(bytes[i]));
    return record;
}

MoveableControlRecord FromWheelValue(const unsigned char* bytes, unsigned size)
{
    MoveableControlRecord record;
    if (!bytes || size != kWheelValueSize)
        return record;
    for (unsigned i : {0u, 1u, 2u})
        record.Add(static_cast<char>(bytes[i]));
    record.Add(0);
    for (unsigned i : {3u, 4u})
        record.Add(static_cast<char>(bytes[i]));
    return record;
}

KX::Array<char> ToWheelValue(const MoveableControlRecord& record)
{
    KX::Array<char> value;
    if (record.GetCount() != kSize)
        return value;
    for (unsigned i : {kChannel, kKind, kCode, kLow, kHigh})
        value.Add(record.GetAt(i));
    return value;
}

} // namespace MoveableRecord
