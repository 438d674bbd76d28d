#pragma once
// A number entry: the child text box "textBox" shows the ranged value and takes typed numbers,
// which are corrected into the range; the auto-repeating buttons "buttonUp" and "buttonDown" and
// the Up and Down keys step it by one range unit. A panel, so that keys the text box leaves go on
// up through the parents. It can show a text in place of a number, for a value its owner cannot
// name; the first number set, typed or stepped to ends that and counts as a change.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Panel.h"

namespace KX {

class LTextBox;

class LNumericUpDown : public LControlWithHandler<LPanel, LNumericUpDown> {
public:
    using LControlWithHandler::LControlWithHandler;
    ~LNumericUpDown() override;

    // E_FAIL when a required child is missing; the control then does nothing.
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;
    // The text's leading number becomes the value, clamped into the range.
    KXRESULT SetText(const String& text) override;
    // Leaving the text shown in place of a number sends NID_VALUE_CHANGE even when the value stays.
    double SetValue(double t) override;
    void OnValueChanged() override;
    KXRESULT SetRange(double minimum, double maximum, int32_t scaleType) override;
    [[nodiscard]] KXRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
    // The value as the field shows it: the number, or the text shown in its place.
    String FormatValueText() const;
    // Shows `text` in place of the number until a number is set, typed or stepped to; the value
    // underneath stays as it was.
    void ShowInPlaceOfNumber(const String& text);
    bool ShowsNumber() const { return m_showsNumber; }

    const RCPtr<LTextBox>& GetTextBox() const { return m_textBox; }

    KXRESULT BreakCycles() override;

private:
    bool IsComplete() const { return m_textBox && m_buttonUp && m_buttonDown; }
    void UpdateAllowedCharacters();
    void Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload);
    [[nodiscard]] KXRESULT OnTextValidating(const RCPtr<LNotificationDistributor>& sender,
                                            const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnTextValidated(const RCPtr<LNotificationDistributor>& sender,
                                           const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnButtonAutoRepeat(const RCPtr<LNotificationDistributor>& sender,
                                              const RCPtr<LNotification>& n);

    RCPtr<LTextBox> m_textBox;
    RCPtr<LControl> m_buttonUp;
    RCPtr<LControl> m_buttonDown;
    double m_step = 1.0;
    int32_t m_decimalPlaces = 0;
    bool m_showsNumber = true;
    String m_inPlaceOfNumber;
};

} // namespace KX
