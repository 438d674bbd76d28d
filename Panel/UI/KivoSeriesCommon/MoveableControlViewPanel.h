#pragma once
// The read-only summary on a fader, encoder, wheel, volume pedal or touch-pad axis tile: the channel
// in its channel view and, in its two-line info label, what the control sends.
#include "KXFramework/Controls/Panel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlRecord.h"

class LMoveableControlViewPanel : public KX::LPanel {
public:
    using KX::LPanel::LPanel;

    // A record that is not 6 bytes changes nothing; a missing child leaves its part as it is.
    virtual void ShowControlRecord(const MoveableControlRecord& record);
};

// The info label's string key for a 6-byte record and whether "%u" takes a number, which `number`
// then holds; a type code that no entry of the editor's lists names gives "UNKNOWN_LABEL".
const char16_t* MoveableViewLabelKey(const MoveableControlRecord& record, bool& hasNumber, unsigned& number);
