#include "Panel/UI/KivoSeriesCommon/MoveableControlViewPanel.h"

#include "KXFramework/Controls/Label.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "Panel/UI/KivoSeriesCommon/MIDIChannelViewPanel.h"

using namespace MoveableRecord;

namespace {

// A byte of 0x80 and above reads negative; it shows as 0, as the editor's fields show it.
unsigned Shown(int value)
{
    return value < 0 ? 0u : static_cast<unsigned>(value);
}

} // namespace

const char16_t* MoveableViewLabelKey(const MoveableControlRecord& record, bool& hasNumber, unsigned& number)
{
    const int code = At(record, kCode);
    hasNumber = true;
    if (At(record, kKind) == 0) {
        number = Shown(code);
        return u"CC_LABEL";
    }
    if (code >= kRpnCoarse && code <= kNrpnFine) {
        number = Shown(At(record, kHigh) * 128 + At(record, kLow));
        return code <= kRpnFine ? u"RPN_LABEL" : u"NRPN_LABEL";
    }
    hasNumber = false;
    // A code that the editor's type list does not hold is shown as unknown there too.
    if (OtherPositionOfCode(code) < 0)
        return u"UNKNOWN_LABEL";
    if (code < kChannelPressure)
        return u"OTHER_LABEL";
    if (code == kChannelPressure)
        return u"AFTERTOUCH_LABEL";
    if (code == kPitchBend)
        return u"PITCHBEND_LABEL";
    return u"SYSEX_LABEL"; // 8 to 15, 17 and 18
}

void LMoveableControlViewPanel::ShowControlRecord(const MoveableControlRecord& record)
{
    if (record.GetCount() != kSize)
        return;
    if (const KX::RCPtr<LMIDIChannelViewPanel> channel{FindChild(u"midiChannel")})
        channel->ShowMidiChannel(record.GetAt(kChannel), LMIDIChannelViewPanel::kChannelPositions);
    const KX::RCPtr<KX::LLabel> info{FindChild(u"infoLabel")};
    if (!info)
        return;
    bool hasNumber = false;
    unsigned number = 0;
    const char16_t* key = MoveableViewLabelKey(record, hasNumber, number);
    ControlUtilities::ShowKeyText(info, key, hasNumber, number);
}
