#pragma once
// The 36 push buttons (4 banks of 9): the tile on the device picture, the edit panel
// "buttonEditPanel" with its MIDI, COLORS and HID pages, and the group "buttons" that holds the tiles.
// Button i is button i mod 9 + 1 of bank i / 9 + 1; its value is the 17-byte push-button value.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Controls/TabControl.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlViewPanel.h"
#include "Panel/UI/KivoSeriesCommon/ControlGroupPanel.h"
#include "Panel/UI/KivoSeriesCommon/PushButtonValue.h"

#include <vector>

// A tile: number label, summary of the MIDI record and a colour indicator showing one of the four
// light colours; Shift-click steps through them (1, 2, 3, 4, 1 ...).
class LButtonPanel : public LUIModuleLeaf<IPushButton, KX::LControlWithHandler<KX::LPanel, LButtonPanel>> {
public:
    LButtonPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    KXRESULT SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index) override;
    // Shows the chosen colour of the value shown last; a colour byte outside the list shows as unknown.
    void UpdateColorIndicator();
    // Which of the four colours the indicator shows: -1 before the first Shift-click, then 0..3.
    int32_t GetShownColor() const { return m_shownColor; }

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;

private:
    [[nodiscard]] KXRESULT OnLeftClick(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                       const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<KX::LControl> m_colorIndicator;
    KX::RCPtr<LButtonControlViewPanel> m_viewPanel;
    int32_t m_shownColor = -1;
    // The value shown last (the engine's value for this button): the indicator's colours.
    std::vector<unsigned char> m_value;
};

class LButtonEditPanel : public LUIEditPanel<IPushButton, KX::LControlWithHandler<KX::LPanel, LButtonEditPanel>> {
public:
    LButtonEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // "BUTTON %d" and "BANK %d" for button index 0..35; nothing for any other index.
    virtual void SetButtonLabelText(int32_t index);

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;
    void OnRepointed() override { SetButtonLabelText(GetIndex()); }

private:
    enum Selector {
        kColour1Selector,
        kColour2Selector,
        kColour3Selector,
        kColour4Selector,
        kHidColourSelector,
        kKeySelector,
        kModifierSelector,
        kSelectorCount
    };

    [[nodiscard]] KXRESULT OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n);
    // A selector's position, or what the shown value's byte says when a byte outside the list left
    // it without a selection: packing never turns a byte it could not show into another.
    int Position(Selector s, int shownPosition) const;

    KX::RCPtr<KX::LLabel> m_buttonName;
    KX::RCPtr<LButtonControlEditPanel> m_midiEditor;
    KX::RCPtr<KX::LComboBox> m_selectors[kSelectorCount];
    // The value shown last.
    std::vector<unsigned char> m_shown;
};

class LButtonGroupPanel : public LControlGroupPanel<IPushButtons, IPushButton> {
public:
    LButtonGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
    KX::ConstRCPtr<IPushButton> GetPushButton(int32_t i) const override { return HandOut(i); }
};
