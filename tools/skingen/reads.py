"""The keys the editor's code reads from the string tables, table by table. The texts themselves are
skin content (Panel/Resources/skin/texts.py); a key listed here that the texts lack fails the build,
so no table loses a text the program shows. Panels that the building blocks make add their own."""

PE = "PresetEditor."
CTRL = PE + "Control."
MAIN = PE + "MainControl."
PAGE = PE + "MainPage."


def items(count, prefix="ITEM.", digits=2):
    return [f"{prefix}{i:0{digits}d}" for i in range(count)]


APPLICATION = [
    "GHK.NID_EDIT_DELETE_REQ", "GHK.NID_BUTTON_TOGGLE_DIALOG_BUTTON", "GHK_WIN.NID_EDIT_COPY_REQ",
    "GHK_WIN.NID_EDIT_CUT_REQ", "GHK_WIN.NID_EDIT_PASTE_REQ", "GHK_WIN.NID_MENU_FILE_LOAD_PRESET_FROM_FILE",
    "GHK_WIN.NID_MENU_FILE_SAVE_PRESET_TO_FILE", "GHK_WIN.NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE",
    "GHK_WIN.NID_MENU_FILE_SEND_PRESET_TO_DEVICE", "USER_GUIDE_FILE_NAME",
    "LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_TEXT", "LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_CAPTION",
    "CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_1", "CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_2", "LOAD_PRESET_DIALOG_TITLE",
    "SAVE_PRESET_DIALOG_TITLE", "SETTINGS_FILE_LOAD_CAPTION", "SETTINGS_FILE_LOAD_NEWER_MESSAGE",
    "SETTINGS_FILE_LOAD_OLDER_MESSAGE", "SETTINGS_FILE_LOAD_CORRUPT_MESSAGE", "SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE",
    "SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE", "LABEL_GET_PRESET_SUCEESS_MSGBOX_CAPTION",
    "LABEL_GET_PRESET_SUCEESS_MSGBOX_TEXT", "LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION",
    "LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT", "LABEL_GET_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT",
    "LABEL_SEND_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT", "LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION",
    "LABEL_SEND_PRESET_SUCEESS_MSGBOX_TEXT", "LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION",
    "LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT", "LABEL_GLOBALSETTINGS_FAILED_MIDI_ERROR_MESSAGEBOX_TEXT",
    "LABEL_GLOBALSETTINGS_FAILED_MIDI_ERROR_MESSAGEBOX_CAPTION", "APP_VERSION", "SETTINGS_FILE_SAVE_CAPTION",
    "SETTINGS_FILE_SAVE_FAILED_MESSAGE", "SETTINGS_FILE_LOAD_FAILED_MESSAGE",
]

MAIN_MENU = [
    "MENU_LABEL.00", "MENU_LABEL.01", "CONTEXT_MENU0.00.NID_MENU_FILE_SEND_PRESET_TO_DEVICE",
    "CONTEXT_MENU0.01.NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE", "CONTEXT_MENU0.02.-",
    "CONTEXT_MENU0.03.NID_MENU_FILE_LOAD_PRESET_FROM_FILE", "CONTEXT_MENU0.04.NID_MENU_FILE_SAVE_PRESET_TO_FILE",
    "CONTEXT_MENU0.05.-", "CONTEXT_MENU0.06.NID_MENU_FILE_GLOBALSETTINGS_REQ", "CONTEXT_MENU0.07.-",
    "CONTEXT_MENU0.08.NID_MENU_FILE_EXIT_REQ", "CONTEXT_MENU1.00.NID_MENU_HELP_OPEN_USER_GUIDE_REQ",
    "CONTEXT_MENU1.01.NID_MENU_HELP_ABOUT_REQ",
]

# Item counts of the selectors' lists (class without "PresetEditor.Control.").
LIST_LENGTHS = {
    "LabeledMidiChannelSelector": 22, "LabeledKeyZoneMidiChannelSelector": 17, "LabeledCycleTypeSelector": 3,
    "LabeledINCDecTypeSelector": 2, "LabeledMMCSelector": 13, "LabeledNrpnRpnSelector": 4,
    "LabeledOtherSelector": 16, "LabeledRelativeTypeSelector": 4, "LabeledButtonColorSelector": 8,
    "LabeledPadColorSelector": 14, "LabeledKeySelector": 87, "LabeledModifierKeySelector": 29,
    "LabeledNoteModeTypeSelector": 7, "LabeledNoteScaleSelector": 11, "PresetSlotCombobox": 13,
    "Global.LabeledGlobalChannel": 16, "Global.LabeledMackieHUIToggle": 2, "Global.LabeledKeySensitivity": 7,
    "Global.LabeledPadSensitivity": 10, "Global.LabeledControlCurve": 4, "Global.LabeledxyPadSensitivity": 10,
    "Global.LabeledMidiDin": 2,
}

PUSH_INFO = [
    "CC_LABEL", "PROGRAM_LABEL", "NOTE_LABEL", "RPN_LABEL", "NRPN_LABEL", "PROGRAM_INC_DEC_LABEL",
    "PROGRAM_CYCLE_LABEL", "OTHER_LABEL", "AFTERTOUCH_LABEL", "PITCHBEND_LABEL", "SYSEX_LABEL", "MMC_OTHER_LABEL",
    "MMC_STOP_LABEL", "MMC_PLAY_LABEL", "MMC_DEFERREDPLAY_LABEL", "MMC_FASTFORWARD_LABEL", "MMC_REWIND_LABEL",
    "MMC_RECORDSTROBE_LABEL", "MMC_RECORDEXIT_LABEL", "MMC_RECORDPAUSE_LABEL", "MMC_PAUSE_LABEL", "MMC_EJECT_LABEL",
    "MMC_CHASE_LABEL", "MMC_MMCRESET_LABEL", "UNKNOWN_LABEL",
]

LABELS = {
    PAGE + "ButtonEditPanel|buttonName": ["LABEL"],
    PAGE + "ButtonEditPanel|bankName": ["LABEL"],
    PAGE + "KnobEditPanel|knobName": ["LABEL"],
    PAGE + "KnobEditPanel|bankName": ["LABEL"],
    PAGE + "FaderEditPanel|faderName": ["LABEL"],
    PAGE + "FaderEditPanel|bankName": ["LABEL"],
    PAGE + "PadEditPanel|padName": ["LABEL"],
    PAGE + "ZoneEditPanel|zoneName": ["LABEL"],
    MAIN + "ButtonView.Button|buttonNumberLabel": ["LABEL"],
    MAIN + "EncoderView.Encoder|encoderNameLabel": ["LABEL"],
    MAIN + "FaderView.Fader|faderNumberLabel": ["LABEL"],
    MAIN + "PadView.Pad|padNumberLabel": ["LABEL"],
    MAIN + "KeybedZones.Zone|zoneName": ["LABEL"],
    MAIN + "KeybedZones.Zone|infoLabel": ["LABEL", "INFO_TEXT"],
    PAGE + "XYPadEditPanel|axisName": ["LABEL_X_AXIS", "LABEL_Y_AXIS"],
    PE + "TabControl.PageHolder.WheelsPage.Wheel|wheelName": ["LABEL", "PITCH_LABEL", "MOD_LABEL"],
    PAGE + "SustainEditPanel|controlNameLabel": ["LABEL"],
    PAGE + "VolumeEditPanel|controlNameLabel": ["LABEL"],
    MAIN + "DeviceView.PresetNameEditPanel|controlNameLabel": ["LABEL"],
    MAIN + "DeviceView.PresetNameEditPanel|textBox": ["LABEL"],
    CTRL + "LabeledKeyZoneNoteSelector|controlNameLabel": ["START_NOTE_LABEL", "END_NOTE_LABEL"],
    CTRL + "LabeledNoteSelector|controlNameLabel": ["START_NOTE_LABEL", "END_NOTE_LABEL", "MULTI_NOTE_LABEL",
                                                    "KEY_LABEL"],
    CTRL + "LabeledCCValueSelector|controlNameLabel": [f"VALUE{n}_LABEL" for n in range(1, 5)],
    CTRL + "LabeledProgramSelector|controlNameLabel": [f"PROGRAM{n}_LABEL" for n in range(1, 5)],
    CTRL + "LabeledButtonColorSelector|colorNameLabel": ["NUMBERED_COLOR_LABEL", "ASCII_COLOR_LABEL"],
    CTRL + "LabeledPadColorSelector|colorNameLabel": ["NUMBERED_COLOR_LABEL"],
    MAIN + "MIDIChannelView|label": ["GLOBAL_LABEL", "CHANNEL_LABEL", "ZONE_LABEL", "OMNI_LABEL", "UNKNOWN_LABEL"],
    MAIN + "PushButtonType.ViewPanel|infoLabel": PUSH_INFO,
    MAIN + "MoveableType.ViewPanel|infoLabel": ["CC_LABEL", "RPN_LABEL", "NRPN_LABEL", "PITCHBEND_LABEL",
                                                "AFTERTOUCH_LABEL", "SYSEX_LABEL", "OTHER_LABEL", "UNKNOWN_LABEL"],
    PAGE + "ZoneEditPanel|zoneEnabledToggleButton": ["LABEL"],
    CTRL + "Global.LabeledGlobalChannel|label": ["LABEL", "GLOBAL_LABEL"],
}
for panel in ("KnobEditPanel", "FaderEditPanel", "VolumeEditPanel", "SustainEditPanel"):
    LABELS[PAGE + panel + "|midiLabel"] = ["LABEL"]
LABELS[PE + "TabControl.PageHolder.WheelsPage.Wheel|midiLabel"] = ["LABEL"]


def tables():
    """Table ID → keys read."""
    out = {"|PresetEditor": APPLICATION,
           "PresetEditor|mainControl": ["LABEL", "HARDWARE_CONFIG_ERROR_TITLE", "HARDWARE_CONFIG_ERROR_MESSAGE"],
           PE + "MainControl|mainMenu": MAIN_MENU}
    for name in ("dialogRetrievePresetFromHardware", "dialogSendPreset", "dialogAbout", "globalEditorControl"):
        out["PresetEditor|" + name] = ["LABEL"]
    for cls, count in LIST_LENGTHS.items():
        out[CTRL + cls + "|comboBox"] = items(count)
    out[CTRL + "NoteSelector|noteNameLabel"] = items(12)
    out[CTRL + "NoteSelector|octaveNameLabel"] = items(11)
    out[CTRL + "ZoneNoteSelector|noteNameLabel"] = items(12)
    out[CTRL + "ZoneNoteSelector|octaveNameLabel"] = items(11)
    out[CTRL + "CCSelector|label"] = items(128, "TEXT.", 3)
    out.update(LABELS)
    return out
