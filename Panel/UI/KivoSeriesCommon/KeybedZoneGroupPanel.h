#pragma once
// The strip of the four keybed zone tiles ("zone1"–"zone4"), all edited by "zoneEditPanel".
#include "Panel/UI/KivoSeriesCommon/ControlGroupPanel.h"

class LKeybedZoneGroupPanel : public LControlGroupPanel<IKeybedZones, IKeybedZone> {
public:
    LKeybedZoneGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
    KX::ConstRCPtr<IKeybedZone> GetKeybedZone(int32_t i) const override { return HandOut(i); }
};
