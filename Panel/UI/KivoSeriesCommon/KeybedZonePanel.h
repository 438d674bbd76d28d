#pragma once
// One keybed zone's tile on the device picture: its title, a summary line naming the first and last
// key, and the channel it sends on.
#include "KXFramework/Controls/Label.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"

class LKeybedZonePanel : public LUIModuleLeaf<IKeybedZone> {
public:
    LKeybedZonePanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // Stores the numbering and titles the tile "ZONE <index + 1>"; requests nothing.
    KXRESULT SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index) override;
    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;

private:
    KX::RCPtr<KX::LLabel> m_info;
};
