#pragma once
// The pitch and modulation wheels: their 5-byte values are the moveable record without its relative
// flag. The tile "pitchWheel"/"modWheel" prints the record, the edit panel "wheelEditPanel" edits it
// with the moveable editor, and the group "wheels" holds the two tiles.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Label.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"
#include "Panel/UI/KivoSeriesCommon/ControlGroupPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlViewPanel.h"

class LWheelEditPanel : public LUIEditPanel<IWheel, KX::LControlWithHandler<KX::LPanel, LWheelEditPanel>> {
public:
    LWheelEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;
    // "P. WHEEL" for wheel 0, "M. WHEEL" for wheel 1; another index leaves the name.
    void OnRepointed() override;

private:
    [[nodiscard]] KXRESULT OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<LMoveableControlEditPanel> m_editor;
    KX::RCPtr<KX::LLabel> m_name;
};

class LWheelPanel : public LUIModuleLeaf<IWheel> {
public:
    LWheelPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    KXRESULT BreakCycles() override;

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
