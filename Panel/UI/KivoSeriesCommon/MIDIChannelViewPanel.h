#pragma once
// The small label on a control of the device picture naming the channel it sends on: a position of
// the channel list (0 global, 1..16 a channel, 17..20 a keybed zone's, 21 omni).
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Controls/Panel.h"

class LMIDIChannelViewPanel : public KX::LPanel {
public:
    LMIDIChannelViewPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // A position of 22 and above (or below 0) leaves the label as it is.
    virtual void ShowMidiChannel(char channel);

    KXRESULT BreakCycles() override;

private:
    KX::RCPtr<KX::LLabel> m_label;
};
