#pragma once
// A combo box whose drop-down list is a checked list box. The optional "checkBox" child shows the
// selected entry's check state and icon; looks 7 to 13 repeat looks 0 to 6 while any entry is
// checked, and the list's check changes reach the combo box's own listeners.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/ComboBox.h"

#include <cstdint>

namespace KX {

class LButton;
class LCheckedListBox;

class LCheckedComboBox : public LControlWithHandler<LComboBox, LCheckedComboBox> {
public:
    using LControlWithHandler::LControlWithHandler;
    ~LCheckedComboBox() override;

    // E_FAIL when the combo box fails or its "listBox" child is not a checked list box.
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;
    int32_t SetItemCount(int32_t n) override;
    int32_t SetSelectedIndex(int32_t index) override;
    KXRESULT UpdateLook() override;
    KXRESULT BreakCycles() override;

    void SetCheckBoxPassive(bool passive);
    const RCPtr<LCheckedListBox>& GetCheckedList() const { return m_checkedList; }

    // The chosen look also goes to the "checkBox" child.
    bool checkBoxFollowsLook = false;

private:
    RCPtr<LButton> GetCheckBox() const;
    // Puts the entry's icon (null removes it) into every look of the check box.
    void SetCheckBoxIcon(int32_t index);
    [[nodiscard]] KXRESULT OnListCheckChange(const RCPtr<LNotificationDistributor>& sender,
                                             const RCPtr<LNotification>& n);

    RCPtr<LCheckedListBox> m_checkedList;
    bool m_checkBoxPassive = false;
};

} // namespace KX
