#pragma once
// The editor of one keybed zone: the 9-byte value (enabled, channel 0..16, program, bank MSB and LSB,
// first and last key 0..60, octave shift stored + 5, transpose stored + 12) spread over its controls.
// The keys stay within the keybed and the first key never lies above the last: it is pulled down to
// it. A key byte that is no key of the keybed shows as unknown and goes back as it came until the
// user sets that key. Every change reports the whole value.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Utilities/Storage/IArray.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"

#include <array>

namespace KeybedZoneValue {
enum Offset { kEnabled, kChannel, kProgram, kBankMSB, kBankLSB, kFirstKey, kLastKey, kOctave, kTranspose, kSize };
constexpr int kChannelPositions = 17; // global and channels 1..16: no zone or omni
constexpr int kHighestKey = 60;
// Whether a key byte, read signed, names one of the keybed's 61 keys.
constexpr bool IsKey(int key)
{
    return key >= 0 && key <= kHighestKey;
}
constexpr int kOctaveOffset = 5;
constexpr int kTransposeOffset = 12;
} // namespace KeybedZoneValue

class LKeybedZoneEditPanel
    : public LUIEditPanel<IKeybedZone, KX::LControlWithHandler<KX::LPanel, LKeybedZoneEditPanel>> {
public:
    LKeybedZoneEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    virtual std::array<unsigned char, KeybedZoneValue::kSize> BuildParamValue() const;

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int flag) override;
    void OnRepointed() override;

private:
    [[nodiscard]] KXRESULT OnZoneToggleClick(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                             const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnZoneControlChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n);
    void Subscribe(Handler::Member member, const KX::RCPtr<KX::LControl>& sender, const char16_t* name, int line);

    KX::RCPtr<KX::LComboBox> m_channel;
    KX::RCPtr<KX::LNumericUpDown> m_firstKey, m_lastKey;
    KX::RCPtr<KX::LNumericUpDown> m_octave, m_transpose;
    KX::RCPtr<KX::LNumericUpDown> m_bankLSB, m_bankMSB;
    KX::RCPtr<KX::LNumericUpDown> m_program;
    KX::RCPtr<KX::LButton> m_enabled;
    KX::RCPtr<KX::LLabel> m_title;
    // The value last shown: the channel and key bytes that no entry names go back from here.
    std::array<unsigned char, KeybedZoneValue::kSize> m_shown{};
};
