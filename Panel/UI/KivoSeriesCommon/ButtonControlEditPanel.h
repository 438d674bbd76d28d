#pragma once
// The tabbed editor of what a push-type control sends: it shows a 10-byte button record by choosing
// and filling one of ten pages, and builds the record back from the page the user works on. It never
// writes the model: every edit sends NID_PARAMETERS_CHANGED (no payload) through the panel itself,
// and its owner then asks for the record. Showing a record sends nothing.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/TabControl.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlRecord.h"

class LButtonControlEditPanel : public KX::LControlWithHandler<KX::LPanel, LButtonControlEditPanel> {
public:
    LButtonControlEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // E_FAIL for a record that is not 10 bytes, which changes nothing; else 0.
    [[nodiscard]] virtual KXRESULT ShowControlRecord(const ButtonControlRecord& record);
    virtual ButtonControlRecord BuildControlRecord();
    virtual bool SetOnOffFollowsLatching(bool follows);

    void RegisterForAllParameterNotifications();
    // Show the value fields of the selected cycle type and relabel them; a user's change of the type
    // then reports the edit.
    void UpdateCCCycleTypeVisibleParameters(bool userChange);
    void UpdateProgramCycleTypeVisibleParameters(bool userChange);

    KXRESULT BreakCycles() override;

private:
    using Boxes = KX::RCPtrArray<KX::LNumericUpDown, 1, 0>;
    using Combos = KX::RCPtrArray<KX::LComboBox, 1, 0>;

    // The value fields of a cycle page: composites, their caption labels and the label keys.
    struct CycleFields {
        KX::RCPtr<KX::LControl> composite[4];
        KX::RCPtr<KX::LControl> label[4];
        const char16_t* keyPrefix;
    };

    [[nodiscard]] KXRESULT OnEdit(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                  const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnCCCycleTypeChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnProgramCycleTypeChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                    const KX::RCPtr<KX::LNotification>& n);
    void ReportEdit();
    void UpdateCycleFields(const CycleFields& fields, const KX::RCPtr<KX::LComboBox>& type, const char* method,
                           bool userChange);
    void ShowMmcCommand(int command);
    // The selected position, or `fallback` (taken from the shown record) when nothing is selected.
    static int Position(const KX::RCPtr<KX::LComboBox>& combo, int fallback);

    KX::RCPtr<KX::LTabControl> m_tabControl;
    Combos m_channelSelectors;
    KX::RCPtr<KX::LNumericUpDown> m_note, m_onValue, m_offValue;
    KX::RCPtr<KX::LButton> m_latching;
    KX::RCPtr<KX::LControl> m_onOffSelectors;
    KX::RCPtr<KX::LComboBox> m_mmcCommand;
    Boxes m_ccNumbers, m_firstValues, m_secondValues;
    KX::RCPtr<KX::LNumericUpDown> m_ccValue3, m_ccValue4;
    Boxes m_firstPrograms, m_secondPrograms;
    KX::RCPtr<KX::LNumericUpDown> m_program3, m_program4;
    KX::RCPtr<KX::LComboBox> m_ccIncDecType, m_programIncDecType;
    KX::RCPtr<KX::LNumericUpDown> m_programLSB, m_programMSB, m_programMinimum, m_programMaximum;
    KX::RCPtr<KX::LNumericUpDown> m_parameterMSB, m_parameterLSB, m_parameterValue;
    KX::RCPtr<KX::LComboBox> m_parameterType, m_otherType;
    KX::RCPtr<KX::LNumericUpDown> m_otherValue;
    KX::RCPtr<KX::LComboBox> m_ccCycleType, m_programCycleType;
    CycleFields m_ccCycleFields{{}, {}, u"VALUE"};
    CycleFields m_programCycleFields{{}, {}, u"PROGRAM"};
    bool m_onOffFollowsLatching = false;
    // Set while a record is being shown: the fields' notifications are then not edits.
    bool m_showing = false;
    // The record shown last, whose bytes stand in for a list left without a selection.
    ButtonControlRecord m_shown;
};
