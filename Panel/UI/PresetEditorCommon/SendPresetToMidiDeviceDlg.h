#pragma once
// Writes the device model's preset into a slot of the keyboard.
#include "Panel/UI/PresetEditorCommon/PresetTransferDlg.h"

class LSendPresetToMidiDeviceDlg : public LPresetTransferDlg {
public:
    // The skin's name of the dialog.
    static constexpr const char16_t* kSkinName = u"dialogSendPreset";

    LSendPresetToMidiDeviceDlg(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    // Opens the dialog modally over the main window; answers the value it closed with, or E_FAIL
    // when the skin lacks it.
    static int32_t Run();

protected:
    KXRESULT Transfer(KX::LMidiManager& manager, int32_t slot) override;
};
