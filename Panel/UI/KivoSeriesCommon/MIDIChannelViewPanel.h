#pragma once
// The small label on a control of the device picture naming the channel it sends on: a position of
// the channel list (0 global, 1..16 a channel, 17..20 a keybed zone's, 21 omni), or "CH:?" for a
// byte that the control's list does not hold.
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Controls/Panel.h"

class LMIDIChannelViewPanel : public KX::LPanel {
public:
    LMIDIChannelViewPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    // Positions of the full channel list; a keybed zone's list stops after channel 16.
    static constexpr int kChannelPositions = 22;

    [[nodiscard]] KXRESULT Initialize() override;
    // Names position `channel` of a list of the first `positions` positions (at most 22).
    virtual void ShowMidiChannel(char channel, int positions);

    KXRESULT BreakCycles() override;

private:
    KX::RCPtr<KX::LLabel> m_label;
};
