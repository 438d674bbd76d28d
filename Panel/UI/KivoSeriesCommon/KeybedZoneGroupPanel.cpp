#include "Panel/UI/KivoSeriesCommon/KeybedZoneGroupPanel.h"

LKeybedZoneGroupPanel::LKeybedZoneGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlGroupPanel(parent, name, kKeybedZoneGroup,
                         {{u"", u"zone1", u"zoneEditPanel"},
                          {u"", u"zone2", u"zoneEditPanel"},
                          {u"", u"zone3", u"zoneEditPanel"},
                          {u"", u"zone4", u"zoneEditPanel"}},
                         "LKeybedZoneGroupPanel::Initialize", "UI\\KivoSeriesCommon\\KeybedZoneGroupPanel")
{
}
