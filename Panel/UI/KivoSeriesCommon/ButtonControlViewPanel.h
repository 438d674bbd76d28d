#pragma once
// The read-only summary inside a push-button, pad or sustain pedal tile: the channel in its channel
// view and, in its two-line info label, what the control sends.
#include "KXFramework/Controls/Panel.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlRecord.h"

class LButtonControlViewPanel : public KX::LPanel {
public:
    using KX::LPanel::LPanel;

    // Normalises the record in place; a record that is not 10 bytes changes nothing.
    virtual void ShowControlRecord(ButtonControlRecord& record);
};

// The info label's string key for a record (after normalising) and whether "%u" takes a number,
// which `number` then holds. The MMC words are chosen by command number, so any language's texts
// stay right; a type code that no entry of the editor's lists names gives "UNKNOWN_LABEL".
const char16_t* ButtonViewLabelKey(const ButtonControlRecord& record, bool& hasNumber, unsigned& number);
