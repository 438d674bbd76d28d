#pragma once
// A numeric up-down with a label naming its number, from the rank-ordered entries of the label's own
// string table (controller names for the CC selector). The owner gives the box its range.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/Panel.h"

class LNumberBoxTextSelector : public KX::LControlWithHandler<KX::LPanel, LNumberBoxTextSelector> {
public:
    LNumberBoxTextSelector(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // The label takes the text of the number's rank; a number past the table leaves it unchanged.
    void UpdateLabelText();

    KXRESULT BreakCycles() override;

private:
    [[nodiscard]] KXRESULT OnNumericValueChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<KX::LControl> m_label;
    KX::RCPtr<KX::LNumericUpDown> m_numberBox;
};
