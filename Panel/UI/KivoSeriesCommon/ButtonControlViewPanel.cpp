#include "Panel/UI/KivoSeriesCommon/ButtonControlViewPanel.h"

#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "Panel/UI/KivoSeriesCommon/MIDIChannelViewPanel.h"

using namespace ButtonRecord;

namespace {

// A byte of 0x80 and above reads negative; it shows as 0, as the editor's fields show it.
unsigned Shown(int value)
{
    return value < 0 ? 0u : static_cast<unsigned>(value);
}

const char16_t* MmcKey(int command)
{
    static const char16_t* const kWords[] = {
        u"MMC_STOP_LABEL",   u"MMC_PLAY_LABEL",         u"MMC_DEFERREDPLAY_LABEL", u"MMC_FASTFORWARD_LABEL",
        u"MMC_REWIND_LABEL", u"MMC_RECORDSTROBE_LABEL", u"MMC_RECORDEXIT_LABEL",   u"MMC_RECORDPAUSE_LABEL",
        u"MMC_PAUSE_LABEL",  u"MMC_EJECT_LABEL",        u"MMC_CHASE_LABEL",        u"MMC_MMCRESET_LABEL",
    };
    const int position = MmcPositionOfCommand(command);
    return position < kMmcOtherPosition ? kWords[position] : u"MMC_OTHER_LABEL";
}

} // namespace

const char16_t* ButtonViewLabelKey(const ButtonControlRecord& record, bool& hasNumber, unsigned& number)
{
    hasNumber = true;
    const int code = At(record, kCode);
    if (At(record, kKind) == 0) {
        number = Shown(code);
        return u"CC_LABEL";
    }
    number = Shown(At(record, kData));
    switch (code) {
    case kProgram:
        return u"PROGRAM_LABEL";
    case kNoteLatchOff:
    case kNoteLatchOn:
        return u"NOTE_LABEL";
    case kCCCycle:
    case kCCDecrement:
    case kCCIncrement:
        return u"CC_LABEL";
    default:
        break;
    }
    if (code >= kRpnCoarse && code <= kNrpnFine) {
        number = Shown(At(record, kHigh) * 128 + At(record, kLow));
        return code <= 5 ? u"RPN_LABEL" : u"NRPN_LABEL";
    }
    hasNumber = false;
    if (code == kProgramDecrement || code == kProgramIncrement)
        return u"PROGRAM_INC_DEC_LABEL";
    if (code == kProgramCycle)
        return u"PROGRAM_CYCLE_LABEL";
    if (code == kMmc)
        return MmcKey(At(record, kLow));
    // A code that the editor's type list does not hold is shown as unknown there too.
    if (OtherPositionOfCode(code) < 0)
        return u"UNKNOWN_LABEL";
    if (code < kChannelPressure)
        return u"OTHER_LABEL";
    if (code == kChannelPressure)
        return u"AFTERTOUCH_LABEL";
    if (code == kPitchBend)
        return u"PITCHBEND_LABEL";
    return u"SYSEX_LABEL"; // 8 to 15 and 22 to 24
}

void LButtonControlViewPanel::ShowControlRecord(ButtonControlRecord& record)
{
    NormalizeControlRecord(record);
    if (record.GetCount() != kSize)
        return;
    if (auto* channel = dynamic_cast<LMIDIChannelViewPanel*>(FindChild(u"midiChannel").Get()))
        channel->ShowMidiChannel(record.GetAt(kChannel), LMIDIChannelViewPanel::kChannelPositions);
    const KX::RCPtr<KX::LControl>& label = FindChild(u"infoLabel");
    if (!label)
        return;
    bool hasNumber = false;
    unsigned number = 0;
    const char16_t* key = ButtonViewLabelKey(record, hasNumber, number);
    ControlUtilities::ShowKeyText(label, key, hasNumber, number);
}
