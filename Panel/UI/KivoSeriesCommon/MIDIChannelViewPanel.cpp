#include "Panel/UI/KivoSeriesCommon/MIDIChannelViewPanel.h"

#include "Panel/UI/DriverCommon/PanelErrors.h"

#include <algorithm>

LMIDIChannelViewPanel::LMIDIChannelViewPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : KX::LPanel(parent, name)
{
}

KXRESULT LMIDIChannelViewPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (base < 0)
        return KX::E_FAIL;
    m_label = RequireChild(KX::RCPtr<KX::LLabel>(FindChild(u"label")), "Cannot find child midiChannelLabel",
                           "LMIDIChannelViewPanel::Initialize", "UI\\KivoSeriesCommon\\MIDIChannelViewPanel", 26);
    return base;
}

void LMIDIChannelViewPanel::ShowMidiChannel(char channel, int positions)
{
    const int c = static_cast<signed char>(channel);
    if (!m_label)
        return;
    KX::String format;
    KX::String text;
    if (c < 0 || c >= std::min(positions, kChannelPositions))
        m_label->GetString(text, u"UNKNOWN_LABEL");
    else if (c == 0)
        m_label->GetString(text, u"GLOBAL_LABEL");
    else if (c == 21)
        m_label->GetString(text, u"OMNI_LABEL");
    else if (c <= 16)
        text = KX::String::Format(m_label->GetString(format, u"CHANNEL_LABEL").GetString(), c);
    else
        text = KX::String::Format(m_label->GetString(format, u"ZONE_LABEL").GetString(), c - 16);
    m_label->SetText(text);
}

KXRESULT LMIDIChannelViewPanel::BreakCycles()
{
    m_label = nullptr;
    return KX::LPanel::BreakCycles();
}
