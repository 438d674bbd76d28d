#pragma once
// The pitch and modulation wheels: their 5-byte values are the moveable record without its relative
// flag. The tile "pitchWheel"/"modWheel" prints the record, the edit panel "wheelEditPanel" edits it
// with the moveable editor, and the group "wheels" holds the two tiles.
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Notification/NotificationHandler.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"
#include "Panel/UI/KivoSeriesCommon/ControlGroupPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlViewPanel.h"

class LWheelEditPanel : public LUIEditPanel<IWheel> {
public:
    LWheelEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;

    [[nodiscard]] KXRESULT ReceiveNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n) override;
    [[nodiscard]] KXRESULT UnregisterForNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                     const char16_t* name) override;
    [[nodiscard]] KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;
    // "P. WHEEL" for wheel 0, "M. WHEEL" for wheel 1; another index leaves the name.
    void OnRepointed() override;

private:
    using Handler = KX::LNotificationHandler<LWheelEditPanel>;

    [[nodiscard]] KXRESULT OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<Handler> m_handler;
    KX::RCPtr<LMoveableControlEditPanel> m_editor;
    KX::RCPtr<KX::LLabel> m_name;
};

class LWheelPanel : public LUIModuleLeaf<IWheel> {
public:
    LWheelPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;

private:
    KX::RCPtr<LMoveableControlViewPanel> m_viewPanel;
};

class LWheelGroupPanel : public LControlGroupPanel<IWheels, IWheel> {
public:
    LWheelGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
    KX::ConstRCPtr<IWheel> GetWheel(int32_t i) const override { return HandOut(i); }
};
