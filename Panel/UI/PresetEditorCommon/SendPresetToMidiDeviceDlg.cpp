#include "Panel/UI/PresetEditorCommon/SendPresetToMidiDeviceDlg.h"

#include "Panel/Application.h"

using namespace KX;

namespace {

constexpr LPresetTransferDlg::Texts kTexts{
    u"LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION", u"LABEL_SEND_PRESET_SUCEESS_MSGBOX_TEXT",
    u"LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION", u"LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT",
    u"LABEL_SEND_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT"};
constexpr LPresetTransferDlg::Place kPlace{"LSendPresetToMidiDeviceDlg::Initialize",
                                           "UI/PresetEditorCommon/SendPresetToMidiDeviceDlg", 45, 46};

} // namespace

LSendPresetToMidiDeviceDlg::LSendPresetToMidiDeviceDlg(const RCPtr<LControl>& parent, const String& name)
    : LPresetTransferDlg(parent, name, u"send", kTexts, kPlace)
{
}

int32_t LSendPresetToMidiDeviceDlg::Run()
{
    return RunNamedDialog(kSkinName);
}

KXRESULT LSendPresetToMidiDeviceDlg::Transfer(LMidiManager& manager, int32_t slot)
{
    return manager.SendPresetToDevice(slot);
}
