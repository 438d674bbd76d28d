#pragma once
// The strip of the four keybed zone tiles. A click on a tile marks it, points the zone editor at that
// zone and shows the editor; values of the zone being edited go to the editor first, which passes
// them on to the tile.
#include "KXFramework/Notification/NotificationHandler.h"
#include "Panel/UI/DriverCommon/UIModuleGroup.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZoneEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZonePanel.h"

#include <vector>

class LKeybedZoneGroupPanel : public LUIModuleGroup<IKeybedZones, IKeybedZone> {
public:
    static constexpr int kGroupNumber = 5;

    LKeybedZoneGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    KX::ConstRCPtr<IKeybedZone> GetKeybedZone(int32_t i) const override { return HandOut(i); }

    [[nodiscard]] KXRESULT ReceiveNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n) override;
    [[nodiscard]] KXRESULT UnregisterForNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                     const char16_t* name) override;
    [[nodiscard]] KXRESULT BreakCycles() override;

private:
    using Handler = KX::LNotificationHandler<LKeybedZoneGroupPanel>;

    [[nodiscard]] KXRESULT OnZoneButtonClick(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                             const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnEditPanelVisibilityChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                       const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<Handler> m_handler;
    std::vector<KX::RCPtr<LKeybedZonePanel>> m_tiles;
    std::vector<KX::RCPtr<KX::LControl>> m_buttons;
    KX::RCPtr<LKeybedZoneEditPanel> m_editor;
};
