#pragma once
// The two axes of the XY touch pad. An axis value is 15 bytes: the moveable record (6) and the
// note-mode record (9). The tiles "xAxis"/"yAxis" print the record; the edit panel "xyPadEditPanel"
// edits both parts on its "midiPage" and "noteModePage" and reports them together; the group "xyPad"
// holds the tiles.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Label.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"
#include "Panel/UI/KivoSeriesCommon/ControlGroupPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlViewPanel.h"
#include "Panel/UI/KivoSeriesCommon/NoteModeEditPanel.h"

class LXYPadEditPanel : public LUIEditPanel<ITouchPadAxis, KX::LControlWithHandler<KX::LPanel, LXYPadEditPanel>> {
public:
    LXYPadEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;
    // "X-AXIS" for axis 0, "Y-AXIS" for axis 1; another index leaves the title.
    void OnRepointed() override;

private:
    [[nodiscard]] KXRESULT OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<LMoveableControlEditPanel> m_midiPage;
    KX::RCPtr<LNoteModeEditPanel> m_notePage;
};

class LXYPadDirectionPanel : public LUIModuleLeaf<ITouchPadAxis> {
public:
    LXYPadDirectionPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    KXRESULT BreakCycles() override;

protected:
    // Only the MIDI part is shown on the tile.
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;

private:
    KX::RCPtr<LMoveableControlViewPanel> m_viewPanel;
};

class LXYPadDirectionGroupPanel : public LControlGroupPanel<ITouchPadAxises, ITouchPadAxis> {
public:
    LXYPadDirectionGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
    KX::ConstRCPtr<ITouchPadAxis> GetTouchPadAxis(int32_t i) const override { return HandOut(i); }
};
