#pragma once
// What the two preset transfer dialogs share: a slot list, one action button that moves a whole
// preset between the device model and a slot of the keyboard through the MIDI manager, and the
// message box that reports how it went.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/Dialog.h"
#include "Panel/Engine/PresetEditorCommon/MidiManager.h"

class LPresetTransferDlg : public KX::LControlWithHandler<KX::LDialog, LPresetTransferDlg> {
public:
    // The application-table keys of one direction's boxes.
    struct Texts {
        const char16_t* successCaption;
        const char16_t* successText;
        const char16_t* failedCaption;
        const char16_t* midiErrorText;
        const char16_t* firmwareText;
    };
    // Where the dialog's Initialize throws from: its method, source unit and lines.
    struct Place {
        const char* method;
        const char* unit;
        int buttonLine;
        int bindLine;
    };

    LPresetTransferDlg(const KX::RCPtr<KX::LControl>& parent, const KX::String& name, const char16_t* buttonName,
                       const Texts& texts, const Place& place);

    [[nodiscard]] KXRESULT Initialize() override;

    // Runs the transfer for the slot and shows its box; answers the manager's result.
    KXRESULT TransferSlot(int32_t slot);

protected:
    // The manager's operation for this direction.
    virtual KXRESULT Transfer(KX::LMidiManager& manager, int32_t slot) = 0;

private:
    [[nodiscard]] KXRESULT OnButtonClick(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                         const KX::RCPtr<KX::LNotification>& n);

    const char16_t* m_buttonName;
    Texts m_texts;
    Place m_place;
    KX::RCPtr<KX::LButton> m_button;
};
