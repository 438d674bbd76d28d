#pragma once
// The 16 pads: the tile on the device picture (number, one of its four colours, its assignment), the
// edit panel "padEditPanel" (the push-button MIDI-type editor and a page of four colours) and the
// group "pads" that holds the tiles "pad1"–"pad16".
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/Label.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlViewPanel.h"
#include "Panel/UI/KivoSeriesCommon/ControlGroupPanel.h"
#include "Panel/UI/KivoSeriesCommon/PadValue.h"

#include <array>

class LPadEditPanel : public LUIEditPanel<IPad, KX::LControlWithHandler<KX::LPanel, LPadEditPanel>> {
public:
    LPadEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;
    // "PAD <index + 1>" for pads 0..15; another index leaves the title.
    void OnRepointed() override;

private:
    [[nodiscard]] KXRESULT OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<KX::LLabel> m_name;
    KX::RCPtr<LButtonControlEditPanel> m_editor;
    std::array<KX::RCPtr<KX::LComboBox>, PadValue::kColours> m_colours;
    // The colour bytes last shown: a byte that no list entry stands for is kept, not lost.
    std::array<unsigned char, PadValue::kColours> m_shownColours{};
    uint32_t m_padIndex = 0;
};

class LPadPanel : public LUIModuleLeaf<IPad, KX::LControlWithHandler<KX::LPanel, LPadPanel>> {
public:
    LPadPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // Stores the numbering and labels the tile "P<index + 1>".
    KXRESULT SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index) override;
    // Shows colour `shownColour` (0..3; any other number colour 1) of the last value the tile took.
    void ShowColour();

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;

private:
    // Shift-click: the next of the four colours.
    [[nodiscard]] KXRESULT OnTileClicked(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                         const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<KX::LControl> m_colour;
    KX::RCPtr<LButtonControlViewPanel> m_viewPanel;
    int32_t m_shownColour = -1;
    std::array<unsigned char, PadValue::kSize> m_value{};
    bool m_hasValue = false;
};

class LPadGroupPanel : public LControlGroupPanel<IPads, IPad> {
public:
    LPadGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
    KX::ConstRCPtr<IPad> GetPad(int32_t i) const override { return HandOut(i); }
};
