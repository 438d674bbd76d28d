#include "Panel/UI/KivoSeriesCommon/PushButtonValue.h"

namespace PushButtonValue {

ButtonControlRecord RecordOf(const unsigned char* value)
{
    ButtonControlRecord record;
    record.Add(static_cast<char>(value[kChannel]));
    for (unsigned i = kRecordPart; i < kRecordPart + ButtonRecord::kSize - 1; ++i)
        record.Add(static_cast<char>(value[i]));
    return record;
}

int KeyPositionOfByte(int byte)
{
    if (byte == kKeyOff || byte == -1)
        return 0;
    return byte >= 0 && byte < kKeyCount - 1 ? byte + 1 : -1;
}

int KeyByteOfPosition(int position)
{
    return position == 0 ? kKeyOff : position - 1;
}

KX::Array<char> Pack(const ButtonControlRecord& record, const int colours[4], int hidColour, int keyByte, int modifier)
{
    KX::Array<char> value;
    if (record.GetCount() != ButtonRecord::kSize)
        return value;
    value.SetCount(kSize);
    value.GetAt(kChannel) = record.GetAt(0);
    for (unsigned i = 0; i < 4; ++i)
        value.GetAt(kColour1 + i) = static_cast<char>(colours[i]);
    for (unsigned i = 1; i < ButtonRecord::kSize; ++i)
        value.GetAt(kRecordPart + i - 1) = record.GetAt(i);
    value.GetAt(kHidColour) = static_cast<char>(hidColour);
    value.GetAt(kHidKey) = static_cast<char>(keyByte);
    value.GetAt(kModifier) = static_cast<char>(modifier);
    return value;
}

} // namespace PushButtonValue
