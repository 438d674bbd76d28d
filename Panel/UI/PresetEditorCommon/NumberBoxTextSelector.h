#pragma once
// A numeric up-down with a label naming its number, from the rank-ordered entries of the label's own
// string table (controller names for the CC selector). The owner gives the box its range.
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Notification/NotificationHandler.h"

class LNumberBoxTextSelector : public KX::LPanel {
public:
    LNumberBoxTextSelector(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // The label takes the text of the number's rank; a number past the table leaves it unchanged.
    void UpdateLabelText();

    [[nodiscard]] KXRESULT ReceiveNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n) override;
    [[nodiscard]] KXRESULT UnregisterForNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                     const char16_t* name) override;
    [[nodiscard]] KXRESULT BreakCycles() override;

private:
    [[nodiscard]] KXRESULT OnNumericValueChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<KX::LNotificationHandler<LNumberBoxTextSelector>> m_handler;
    KX::RCPtr<KX::LControl> m_label;
    KX::RCPtr<KX::LNumericUpDown> m_numberBox;
};
