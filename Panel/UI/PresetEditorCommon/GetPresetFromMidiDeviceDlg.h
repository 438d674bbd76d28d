#pragma once
// Fetches the preset held in a slot of the keyboard into the device model.
#include "Panel/UI/PresetEditorCommon/PresetTransferDlg.h"

class LGetPresetFromMidiDeviceDlg : public LPresetTransferDlg {
public:
    // The skin's name of the dialog.
    static constexpr const char16_t* kSkinName = u"dialogRetrievePresetFromHardware";

    LGetPresetFromMidiDeviceDlg(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    // Opens the dialog modally over the main window; answers the value it closed with, or E_FAIL
    // when the skin lacks it.
    static int32_t Run();

protected:
    KXRESULT Transfer(KX::LMidiManager& manager, int32_t slot) override;
};
