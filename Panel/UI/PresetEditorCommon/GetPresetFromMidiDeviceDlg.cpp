#include "Panel/UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg.h"

#include "Panel/Application.h"

using namespace KX;

namespace {

constexpr LPresetTransferDlg::Texts kTexts{
    u"LABEL_GET_PRESET_SUCEESS_MSGBOX_CAPTION", u"LABEL_GET_PRESET_SUCEESS_MSGBOX_TEXT",
    u"LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION", u"LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT",
    u"LABEL_GET_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT"};
constexpr LPresetTransferDlg::Place kPlace{"LGetPresetFromMidiDeviceDlg::Initialize",
                                           "UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg", 46, 47};

} // namespace

LGetPresetFromMidiDeviceDlg::LGetPresetFromMidiDeviceDlg(const RCPtr<LControl>& parent, const String& name)
    : LPresetTransferDlg(parent, name, u"getButton", kTexts, kPlace)
{
}

int32_t LGetPresetFromMidiDeviceDlg::Run()
{
    return RunNamedDialog(kSkinName);
}

KXRESULT LGetPresetFromMidiDeviceDlg::Transfer(LMidiManager& manager, int32_t slot)
{
    return manager.GetPresetFromMidiDevice(slot);
}
