#pragma once
// A drop-down list: the child list box "listBox" opens below (or above) the control, the chosen
// entry's text is shown as the control's text and in the optional child text box "textBox", and
// changes of the selection are reported with NID_SELECTION_CHANGE.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/DropDownControl.h"

#include <cstdint>

namespace KX {

class LListBox;
class LTextBox;

class LComboBox : public LControlWithHandler<LDropDownControl, LComboBox> {
public:
    using LControlWithHandler::LControlWithHandler;
    ~LComboBox() override;

    // E_FAIL without a "listBox" child; every list operation then fails.
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT ReadCreateParams() override;
    [[nodiscard]] KXRESULT PostInitialize() override;
    // 0 when the text changed; selects the last entry of that text (ignoring case), or none.
    KXRESULT SetText(const String& text) override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    [[nodiscard]] KXRESULT OnKey(const RCPtr<LKeyParam>& key) override;
    [[nodiscard]] KXRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
    String GetToolTipText() const override;
    bool IsDropDownShown() const override;
    [[nodiscard]] KXRESULT ShowDropDown(bool show) override;
    // Where the list's skin gives no size limits: at least as wide as the combo box and one row
    // high; a maximum height holds whole rows. E_FAIL without a list box.
    [[nodiscard]] KXRESULT FitListBoxSize();

    virtual int32_t SetItemCount(int32_t n);
    // The new index; E_INVALIDARG for null data, E_FAIL without a list box.
    [[nodiscard]] KXRESULT InsertItem(int32_t index, const RCPtr<LTaggableObject>& data);
    [[nodiscard]] KXRESULT AddItem(const String& text);
    // The new count; E_INVALIDARG outside the list, E_FAIL without a list box. A selection at or
    // after the index is cleared (the shown text stays) and nothing is sent.
    [[nodiscard]] KXRESULT RemoveItem(int32_t index);
    // The new selected index; -1 clears the selection and keeps the shown text.
    virtual int32_t SetSelectedIndex(int32_t index);
    int32_t GetSelectedIndex() const { return m_selectedIndex; }
    // Returns the look change, for the record only; callers may ignore it.
    virtual KXRESULT UpdateLook();
    // The look for the current state: 6 disabled, 4/5 open, 2/3 hovered, 0/1 otherwise (odd with
    // the focus, or hovered while open).
    unsigned StateLookIndex();
    const RCPtr<LListBox>& GetListBox() const { return m_listBox; }

    KXRESULT BreakCycles() override;

private:
    RCPtr<LTextBox> GetTextBox() const;
    // The last (or first) entry whose text equals text, ignoring case; -1 for none.
    int32_t FindByText(const String& text, bool last) const;
    void Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload);
    [[nodiscard]] KXRESULT OnListVisibility(const RCPtr<LNotificationDistributor>& sender,
                                            const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnListItemActivated(const RCPtr<LNotificationDistributor>& sender,
                                               const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnTextValidated(const RCPtr<LNotificationDistributor>& sender,
                                           const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnTextPassOn(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnTextFocus(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);

    RCPtr<LListBox> m_listBox;
    int32_t m_selectedIndex = -1;
    int32_t m_initialSelectedIndex = 0;
};

} // namespace KX
