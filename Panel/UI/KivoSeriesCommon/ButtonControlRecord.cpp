#include "Panel/UI/KivoSeriesCommon/ButtonControlRecord.h"

namespace ButtonRecord {

int At(const ButtonControlRecord& record, unsigned i)
{
    return i < record.GetCount() ? static_cast<int>(static_cast<signed char>(record.GetAt(i))) : 0;
}

void NormalizeControlRecord(ButtonControlRecord& record)
{
    if (record.GetCount() != kSize || At(record, kKind) <= 0)
        return;
    const bool fullList = At(record, kNoSecondStep) == 0 || At(record, kNoThirdStep) == 0;
    const int code = At(record, kCode);
    if ((code == kCCDecrement || code == kCCIncrement) && fullList)
        record.GetAt(kCode) = kCCCycle;
    if ((code == kProgramDecrement || code == kProgramIncrement) && fullList)
        record.GetAt(kCode) = kProgramCycle;
}

const char16_t* PageFor(const ButtonControlRecord& record)
{
    const int code = At(record, kCode);
    if (At(record, kKind) == 0)
        return u"ccAbsolutePage";
    switch (code) {
    case kCCCycle:
        return u"ccCyclePage";
    case kProgram:
        return u"programPage";
    case kNoteLatchOff:
    case kNoteLatchOn:
        return u"notePage";
    case kCCDecrement:
    case kCCIncrement:
        return u"ccIncDecPage";
    case kProgramCycle:
        return u"programCyclePage";
    case kProgramDecrement:
    case kProgramIncrement:
        return u"programIncDecPage";
    case kMmc:
        return u"mmcPage";
    default:
        return code < kRpnCoarse || code > kNrpnFine ? u"otherPage" : u"nrpnRpnPage";
    }
}

int OtherPositionOfCode(int code)
{
    if (code >= 0 && code < kRpnCoarse)
        return code;
    if (code > kNrpnFine && code <= kPitchBend)
        return code - 4;
    if (code >= 22 && code <= 24)
        return code - 9;
    return -1;
}

int OtherCodeOfPosition(int position)
{
    if (position >= 0 && position < 4)
        return position;
    if (position >= 4 && position <= 12)
        return position + 4;
    if (position >= 13 && position <= 15)
        return position + 9;
    return -1;
}

int MmcPositionOfCommand(int command)
{
    if (command >= 1 && command <= 11)
        return command - 1;
    return command == kMmcReset ? kMmcResetPosition : kMmcOtherPosition;
}

int MmcCommandOfPosition(int position)
{
    return position >= 0 && position < kMmcResetPosition ? position + 1 : kMmcReset;
}

CycleType CycleTypeOf(const ButtonControlRecord& record)
{
    const int noSecond = At(record, kNoSecondStep), noThird = At(record, kNoThirdStep);
    if (noSecond == 1 && noThird == 1)
        return kTwoValues;
    if (noSecond == 0 && noThird == 1)
        return kThreeValues;
    return kFourValues;
}

void WriteNoSteps(ButtonControlRecord& record)
{
    record.GetAt(kNoSecondStep) = 1;
    record.GetAt(kSecondStep) = 0;
    record.GetAt(kNoThirdStep) = 1;
    record.GetAt(kThirdStep) = 0;
}

void WriteStepList(ButtonControlRecord& record, CycleType type, const int values[4])
{
    auto put = [&record](unsigned i, int v) { record.GetAt(i) = static_cast<char>(v); };
    put(kLow, values[0]);
    switch (type) {
    case kTwoValues:
        WriteNoSteps(record);
        put(kHigh, values[1]);
        break;
    case kThreeValues:
        put(kNoSecondStep, 0), put(kSecondStep, values[1]), put(kNoThirdStep, 1), put(kThirdStep, 0);
        put(kHigh, values[2]);
        break;
    case kFourValues:
        put(kNoSecondStep, 0), put(kSecondStep, values[1]), put(kNoThirdStep, 0), put(kThirdStep, values[2]);
        put(kHigh, values[3]);
        break;
    }
}

} // namespace ButtonRecord
