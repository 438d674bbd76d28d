#pragma once
// The preset's six-character name, edited in a one-line text box of the device view. Only the
// device's 71 characters can be entered; space and apostrophe are stored under the device's own codes.
// Every change of the text reports the full 6-byte value; showing a value reports nothing.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/TextBox.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"

#include <array>

class LPresetNamePanel : public LUIModuleLeaf<IPresetName, KX::LControlWithHandler<KX::LPanel, LPresetNamePanel>> {
public:
    // The characters the device can show, in the text box's filter.
    static constexpr char16_t kAllowedCharacters[] =
        u" abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-./=[\\]'";
    static constexpr int kLength = 6;

    LPresetNamePanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // Reports the text box's text as the 6-byte value; 1.
    [[nodiscard]] virtual KXRESULT BuildParamValue();

    static std::array<unsigned char, kLength> TextToValue(const KX::String& text);
    static KX::String ValueToText(const unsigned char* bytes, unsigned count);

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;

private:
    [[nodiscard]] KXRESULT OnTextChanged(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                         const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<KX::LTextBox> m_textBox;
};
