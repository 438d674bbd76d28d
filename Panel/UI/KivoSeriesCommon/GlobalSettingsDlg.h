#pragma once
// The keyboard's global settings: one control per setting, read from the device one named parameter
// at a time by "Get Settings" and written back by "Send Settings". The controls are the state.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/Dialog.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "Panel/Engine/PresetEditorCommon/MidiManager.h"

#include <functional>
#include <mutex>
#include <vector>

class LGlobalSettingsDlg : public KX::LControlWithHandler<KX::LDialog, LGlobalSettingsDlg> {
public:
    static constexpr const char16_t* kSkinName = u"globalEditorControl";

    LGlobalSettingsDlg(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    // Opens the dialog modally over the main window; answers the value it closed with, or E_FAIL
    // when the skin lacks it.
    static int32_t Run();

    [[nodiscard]] KXRESULT Initialize() override;
    void OnClosed() override;

    // Runs on the thread that delivers MIDI input: keeps the reply for the UI thread.
    [[nodiscard]] virtual KXRESULT OnParameterReceived(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                       const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] virtual KXRESULT SendSettings(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] virtual KXRESULT RequestSettings(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                   const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] virtual KXRESULT OnKeyOctaveChanged(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                      const KX::RCPtr<KX::LNotification>& n);

    // Shows a received value in its control, as a reply does; other names change nothing.
    void ShowParameter(const KX::String& name, int32_t value);
    // The wire value of a setting's control; false for a name without a control.
    bool GetWireValue(const KX::String& name, int32_t& value) const;

    // One setting's control, key and conversions (see the source).
    struct Setting;

private:
    struct Field {
        const Setting* setting = nullptr;
        KX::RCPtr<KX::LComboBox> combo;
        KX::RCPtr<KX::LNumericUpDown> number;
    };
    const Field* FindField(const KX::String& name) const;
    // One request; its reply is shown after the manager returns.
    KXRESULT RequestOne(const KX::String& name);
    void ShowFailure(const char16_t* caption, const char16_t* text);
    // The keyboard is connected and its firmware accepted; otherwise the box that says which not.
    bool CheckDevice();
    // After CheckDevice, `transfer` for every global parameter in order; the first failure stops
    // the run with the MIDI-error box.
    void TransferEach(const std::function<KXRESULT(const KX::String& name)>& transfer);

    std::vector<Field> m_fields;
    KX::RCPtr<KX::LNumericUpDown> m_keyOctave;
    KX::RCPtr<KX::LButton> m_getButton;
    KX::RCPtr<KX::LButton> m_sendButton;
    KX::RCPtr<KX::LMidiManager> m_midiManager;

    // Replies wait here for the UI thread; only while one of our requests runs are they kept.
    std::mutex m_replyLock;
    bool m_awaiting = false;
    KX::String m_awaited;
    bool m_hasReply = false;
    int32_t m_reply = 0;
};
