#pragma once
// The two pedals. The volume pedal's 6-byte value is the moveable record; the sustain pedal's 6 bytes
// hold the button record without its step-list bytes 5..8. The group "pedals" holds the tiles
// "volumePedal" and "sustainPedal" and hands values to a pedal's editor while it is shown, else to
// its tile.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlViewPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlPanels.h"

#include <array>

namespace SustainValue {
constexpr unsigned kSize = 6;
// The record of a value, for the editor and the tile alike: without a step list, so that an inc/dec
// code reads as inc/dec in both and never as a cycle.
ButtonControlRecord ToRecord(const unsigned char* value);
// Record bytes 0..4 and 9; false for a record that is not 10 bytes.
bool FromRecord(const ButtonControlRecord& record, std::array<unsigned char, kSize>& out);
} // namespace SustainValue

class LSustainPedalEditPanel
    : public LUIEditPanel<ISustainPedal, KX::LControlWithHandler<KX::LPanel, LSustainPedalEditPanel>> {
public:
    LSustainPedalEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;

private:
    [[nodiscard]] KXRESULT OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<LButtonControlEditPanel> m_editor;
};

class LSustainPedalPanel : public LUIModuleLeaf<ISustainPedal> {
public:
    LSustainPedalPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;

private:
    KX::RCPtr<LButtonControlViewPanel> m_viewPanel;
};

class LVolumePedalEditPanel : public LMoveableLeafEditPanel<IVolumePedal> {
public:
    LVolumePedalEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
};

class LVolumePedalPanel : public LMoveableTilePanel<IVolumePedal> {
public:
    LVolumePedalPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
};

class LPedalGroupPanel : public KX::LControlWithHandler<KX::LPanel, LPedalGroupPanel>, public IPedals {
public:
    static constexpr int32_t kVolumeIndex = 0;
    static constexpr int32_t kSustainIndex = 1;

    LPedalGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // The pedal's editor while it is shown, else its tile.
    KX::ConstRCPtr<IVolumePedal> GetVolumePedal() const override;
    KX::ConstRCPtr<ISustainPedal> GetSustainPedal() const override;
    // A value an editor passes on goes to that pedal's tile; E_FAIL for another identifier.
    [[nodiscard]] KXRESULT SetParamValue(const KX::ParamDescriptor& d, const KX::Variant& v) override;

    KXRESULT BreakCycles() override;

private:
    [[nodiscard]] KXRESULT OnPedalClicked(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                          const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnEditPanelVisibilityChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                       const KX::RCPtr<KX::LNotification>& n);
    static bool IsShown(const KX::RCPtr<KX::LControl>& editor);
    // Shows `editor` as the device view's edit panel (index 0 volume, 1 sustain).
    void ShowEditor(int32_t index, const KX::RCPtr<KX::LControl>& editor, const KX::RCPtr<KX::LControl>& other);

    KX::RCPtr<LVolumePedalPanel> m_volumeTile;
    KX::RCPtr<LSustainPedalPanel> m_sustainTile;
    KX::RCPtr<LVolumePedalEditPanel> m_volumeEditor;
    KX::RCPtr<LSustainPedalEditPanel> m_sustainEditor;
    KX::RCPtr<KX::LControl> m_volumeButton, m_sustainButton;
};
