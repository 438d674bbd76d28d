#pragma once
// The tabbed editor of what a continuous control sends: four pages ("CC ABSOLUTE", "CC RELATIVE",
// "RPN/NRPN", "OTHER"), one per record shape. It shows a 6-byte record by choosing and filling a
// page and builds the record back from the page the user works on. It never writes the model: every
// edit sends NID_PARAMETERS_CHANGED (no payload) through the panel itself, and its owner then asks
// for the record. Nothing is reported before the first record was shown, nor while one is shown.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/TabControl.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlRecord.h"

class LMoveableControlEditPanel : public KX::LControlWithHandler<KX::LPanel, LMoveableControlEditPanel> {
public:
    LMoveableControlEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // Bytes beyond the sixth are not looked at; a shorter record shows zeros for the missing bytes
    // (the owners check sizes).
    virtual void ShowControlRecord(const MoveableControlRecord& record);
    virtual MoveableControlRecord BuildControlRecord();
    virtual void RegisterForAllParameterNotifications();

    KXRESULT BreakCycles() override;

private:
    using Boxes = KX::RCPtrArray<KX::LNumericUpDown, 1, 0>;
    using Combos = KX::RCPtrArray<KX::LComboBox, 1, 0>;

    [[nodiscard]] KXRESULT OnParameterControlChanged(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                     const KX::RCPtr<KX::LNotification>& n);
    void SelectPage(const char16_t* page);

    KX::RCPtr<KX::LTabControl> m_typeTabControl;
    Combos m_midiChannels; // ccAbsolutePage, ccRelativePage, nrpnRpnPage, otherPage
    Boxes m_minimums;      // ccAbsolutePage, otherPage
    Boxes m_maximums;      // ccAbsolutePage, otherPage
    Boxes m_ccNumbers;     // ccAbsolutePage, ccRelativePage
    KX::RCPtr<KX::LNumericUpDown> m_lsb, m_msb;
    KX::RCPtr<KX::LComboBox> m_nrpnRpnType, m_relativeType, m_otherType;
    // The record shown last, whose bytes stand in for a list left without a selection.
    MoveableControlRecord m_shown;
    bool m_subscribed = false;
    // Set while a record is being shown: the fields' notifications are then not edits.
    bool m_showing = false;
};
