"""The editor's English texts, one entry per string table: table ID → {key: text}.

Texts are kept exactly as the program shows them, misspellings included. "\n" is a line break.
Tables whose entries are read by rank hold only their item keys.
"""

PE = "PresetEditor."
CTRL = PE + "Control."


def items(texts, digits=2, prefix="ITEM."):
    return {f"{prefix}{i:0{digits}d}": t for i, t in enumerate(texts)}


CHANNELS = [f"Channel {n}" for n in range(1, 17)]

CC_NAMES = (
    ["Bank Select", "Modulation", "Breath Control", "Controller 3", "Foot Control", "Portamento Time",
     "Data Entry MSB", "Channel Volume", "Balance", "Controller 9", "Pan", "Expression", "Effects Controller1",
     "Effects Controller 2", "Controller 14", "Controller 15"]
    + [f"General Purpose {n}" for n in range(1, 5)]
    + [f"Controller {n}" for n in range(20, 32)]
    + ["Bank Select LSB", "Modulation LSB", "Breath Control LSB", "Controller 35", "Foot Control LSB",
       "Portamento Time LSB", "Data Entry LSB", "Channel Volume LSB", "Balance LSB", "Controller 41", "Pan LSB",
       "Expression LSB"]
    + [f"Controller {n}" for n in range(44, 48)]
    + [f"General Purpose {n} LSB" for n in range(1, 5)]
    + [f"Controller {n}" for n in range(52, 64)]
    + ["Sustain Pedal", "Portamento", "Sostenuto", "Soft Pedal", "Legato Pedal", "Hold 2", "Sound Variation",
       "Resonance", "Release Time", "Attack Time", "Cutoff Frequency"]
    + [f"Controller {n}" for n in range(75, 80)]
    + [f"General Purpose {n}" for n in range(5, 9)]
    + ["Portamento Control"]
    + [f"Controller {n}" for n in range(85, 88)]
    + ["Hi-Res Velocity Prefix", "Controller 89", "Controller 90"]
    + [f"Effects {n} Depth" for n in range(1, 6)]
    + ["Data Increment", "Data Decrement", "NRPN LSB", "NRPN MSB", "RPN LSB", "RPN MSB"]
    + [f"Controller {n}" for n in range(102, 120)]
    + ["All Sounds Off", "Reset All Controllers", "Local Control On/Off", "All Notes Off", "Omni Mode Off",
       "Omni Mode On", "Mono Mode On", "Poly Mode On"]
)

KEY_NAMES = (
    ["Off"]
    + [str(n) for n in range(10)]
    + [chr(c) for c in range(ord("A"), ord("Z") + 1)]
    + ["Space"]
    + [f"F{n}" for n in range(1, 13)]
    + ["Back Space", "Return", "Up", "Down", "Left", "Right", "Tab"]
    + [",", ".", "'", "[", "]", "\\", "/", "`", ";", "-", "+", "*", "="]
    + ["Esc", "Insert", "Home", "Page Up", "Delete", "End", "Page Down"]
    + [f"Num {n}" for n in range(1, 10)]
    + ["Num 0"]
)

MODIFIER_NAMES = [
    "None", "Shift (Windows)", "Ctrl (Windows)", "Win (Windows)", "Alt (Windows)", "Shift + Ctrl (Windows)",
    "Shift + Win (Windows)", "Ctrl + Win (Windows)", "Ctrl + Alt (Windows)", "Win + Alt (Windows)",
    "Shift + Ctrl + Win (Windows)", "Shift + Ctrl + Alt (Windows)", "Shift + Win + Alt (Windows)",
    "Ctrl + Win + Alt (Windows)", "Shift (Mac)", "Ctrl (Mac)", "Cmd (Mac)", "Option (Mac)", "Shift + Ctrl (Mac)",
    "Shift + Option (Mac)", "Shift  + Cmd (Mac)", "Ctrl + Cmd (Mac)", "Ctrl + Option (Mac)", "Cmd + Option (Mac)",
    "Cmd + Option (Mac)", "Shift + Ctrl + Cmd (Mac)", "Shift + Ctrl + Option (Mac)", "Shift + Option + Cmd (Mac)",
    "Ctrl + Cmd + Option (Mac)",
]

# (name, 0xAARRGGBB) by list position; position 0 is "Off".
BUTTON_COLOURS = [
    ("Off", 0x00FFFFFF), ("Green", 0xFF008000), ("Cyan", 0xFF00FFFF), ("Blue", 0xFF0000FF),
    ("Magenta", 0xFFFF00FF), ("Red", 0xFFFF0000), ("Yellow", 0xFFFFFF00), ("White", 0xFFFFFFFF),
]
PAD_COLOURS = [
    ("Off", 0x00FFFFFF), ("Chartreuse", 0xFF7FFF00), ("Green", 0xFF008000), ("Aquamarine", 0xFF7FFFD4),
    ("Cyan", 0xFF00FFFF), ("Azure", 0xFF007FFF), ("Blue", 0xFF0000FF), ("Violet", 0xFFEE82EE),
    ("Magenta", 0xFFFF00FF), ("Rose", 0xFFFF007F), ("Red", 0xFFFF0000), ("Orange", 0xFFFFA500),
    ("Yellow", 0xFFFFFF00), ("White", 0xFFFFFFFF),
]

MIDI_OFFLINE = "Error connecting to device. Verify your Kivo Keyboard is plugged into the USB port and try again."
FIRMWARE = ("The firmware version of your device is not compatible with this version of the Preset Editor.  "
            "Visit www.velmora.example for the latest firmware updates.")
INCOMPATIBLE = "Preset file is not compatible with this vesion of the preset editor"

APPLICATION = {
    "GHK.NID_EDIT_DELETE_REQ": "VKEY_DELETE",
    "GHK.NID_BUTTON_TOGGLE_DIALOG_BUTTON": "VKEY_D",
    "GHK_WIN.NID_EDIT_COPY_REQ": "Ctrl+VKEY_C",
    "GHK_WIN.NID_EDIT_CUT_REQ": "Ctrl+VKEY_X",
    "GHK_WIN.NID_EDIT_PASTE_REQ": "Ctrl+VKEY_V",
    "GHK_WIN.NID_MENU_FILE_LOAD_PRESET_FROM_FILE": "Ctrl+VKEY_O",
    "GHK_WIN.NID_MENU_FILE_SAVE_PRESET_TO_FILE": "Ctrl+VKEY_S",
    "GHK_WIN.NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE": "Ctrl+Shift+VKEY_R",
    "GHK_WIN.NID_MENU_FILE_SEND_PRESET_TO_DEVICE": "Ctrl+Shift+VKEY_S",
    "USER_GUIDE_FILE_NAME": "Kivo 61 Preset Editor - User Guide - v1.2.pdf",
    "LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_TEXT": "The user guide could not be opened.",
    "LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_CAPTION": "Open User Guide Error",
    "CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_1": "Control Panel Settings (*.",
    "CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_2": "|All Files (*.*)|*.*",
    "LOAD_PRESET_DIALOG_TITLE": "Select Preset File",
    "SAVE_PRESET_DIALOG_TITLE": "Select Save Location",
    "SETTINGS_FILE_LOAD_CAPTION": "Preset File Load",
    "SETTINGS_FILE_LOAD_NEWER_MESSAGE": "Preset file is not compatible with this version of the editor",
    "SETTINGS_FILE_LOAD_OLDER_MESSAGE": INCOMPATIBLE,
    "SETTINGS_FILE_LOAD_CORRUPT_MESSAGE": INCOMPATIBLE,
    "SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE": INCOMPATIBLE,
    "SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE": INCOMPATIBLE,
    "LABEL_GET_PRESET_SUCEESS_MSGBOX_CAPTION": "Retrieve Sucessful",
    "LABEL_GET_PRESET_SUCEESS_MSGBOX_TEXT": "The preset has been sucessfully retreived.",
    "LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION": "Retrieve Preset Error",
    "LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT": (
        "The Preset has failed to get from the device. Verify the device is connected to your computer via the "
        "USB cable."),
    "LABEL_GET_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT": FIRMWARE,
    "LABEL_SEND_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT": FIRMWARE,
    "LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION": "Send Sucess",
    "LABEL_SEND_PRESET_SUCEESS_MSGBOX_TEXT": "The preset has been sucessfully sent to the device",
    "LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION": "Send Preset Error",
    "LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT": MIDI_OFFLINE,
    "LABEL_GLOBALSETTINGS_FAILED_MIDI_ERROR_MESSAGEBOX_TEXT": MIDI_OFFLINE,
    "LABEL_GLOBALSETTINGS_FAILED_MIDI_ERROR_MESSAGEBOX_CAPTION": "Global Settings Error",
    "APP_VERSION": "Version",
    "SETTINGS_FILE_SAVE_CAPTION": "Preset File Save",
    "SETTINGS_FILE_SAVE_FAILED_MESSAGE": "The preset file could not be saved.",
    "SETTINGS_FILE_LOAD_FAILED_MESSAGE": "The preset file could not be loaded.",
}

TOP_LEVEL = {
    "mainControl": {
        "LABEL": "Velmora Kivo 61 Preset Editor",
        "HARDWARE_CONFIG_ERROR_TITLE": "Hardware Configuration Error",
        "HARDWARE_CONFIG_ERROR_MESSAGE": ("The list of connected devices could not be read. The editor will now "
                                          "close."),
    },
    "dialogRetrievePresetFromHardware": {"LABEL": "Get Preset From Device"},
    "dialogSendPreset": {"LABEL": "Send Preset To Device"},
    "dialogAbout": {"LABEL": "About Velmora Kivo 61 Preset Editor"},
    "globalEditorControl": {"LABEL": "Global Settings"},
}

MAIN_MENU = {
    "MENU_LABEL.00": "File",
    "MENU_LABEL.01": "Help",
    "CONTEXT_MENU0.00.NID_MENU_FILE_SEND_PRESET_TO_DEVICE": "Send Preset| Send this preset to the controller.",
    "CONTEXT_MENU0.01.NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE": "Retrieve Preset| Retreive a preset from the controller.",
    "CONTEXT_MENU0.02.-": "-",
    "CONTEXT_MENU0.03.NID_MENU_FILE_LOAD_PRESET_FROM_FILE": "Load Preset | Load Preset from disk.",
    "CONTEXT_MENU0.04.NID_MENU_FILE_SAVE_PRESET_TO_FILE": "Save Preset | Save Preset to disk",
    "CONTEXT_MENU0.05.-": "-",
    "CONTEXT_MENU0.06.NID_MENU_FILE_GLOBALSETTINGS_REQ": "Global Settings",
    "CONTEXT_MENU0.07.-": "-",
    "CONTEXT_MENU0.08.NID_MENU_FILE_EXIT_REQ": "Exit|Exit Kivo 61 Preset Editor",
    "CONTEXT_MENU1.00.NID_MENU_HELP_OPEN_USER_GUIDE_REQ": "Open User Guide",
    "CONTEXT_MENU1.01.NID_MENU_HELP_ABOUT_REQ": "About Kivo 61 Preset Editor|About Kivo 61 Preset Editor",
}

# Item lists of the selectors' combo boxes: class (without "PresetEditor.Control.") → texts.
LISTS = {
    "LabeledMidiChannelSelector": ["Global"] + CHANNELS + [f"Zone {n}" for n in range(1, 5)] + ["Omni"],
    "LabeledKeyZoneMidiChannelSelector": ["Global"] + CHANNELS,
    "LabeledCycleTypeSelector": ["2 Values", "3 Values", "4 Values"],
    "LabeledINCDecTypeSelector": ["Increment", "Decrement"],
    "LabeledMMCSelector": ["Stop", "Play", "Deferred Play", "Fast Forward", "Rewind", "Record Strobe",
                           "Record Exit", "Record Pause", "Pause", "Eject", "Chase", "MMC Reset", "Other"],
    "LabeledNrpnRpnSelector": ["RPN Coarse", "RPN Fine", "NRPN Coarse", "NRPN Fine"],
    "LabeledOtherSelector": ["Pitch Bend Sensitivity(RPN)", "Fine Tune (RPN)", "Coarse Tune (RPN)",
                             "Channel Pressure", "Master Volume (Sysex)", "Master Pan (Sysex)",
                             "Coarse Tune (Sysex)", "Fine Tune(Sysex)", "Chorus Mod. Rate (Sysex)",
                             "Chorus Mod. Depth (Sysex)", "Feedback (Sysex)", "Send to Reverb (Sysex)", "Pitch Bend",
                             "Reverb Type (Sysex)", "Reverb Time (Sysex)", "Chorus Type (Sysex)"],
    "LabeledRelativeTypeSelector": ["Up (Type 1)", "Down (Type 1)", "Up (Type 2)", "Down (Type 2)"],
    "LabeledButtonColorSelector": [name for name, _ in BUTTON_COLOURS],
    "LabeledPadColorSelector": [name for name, _ in PAD_COLOURS],
    "LabeledKeySelector": KEY_NAMES,
    "LabeledModifierKeySelector": MODIFIER_NAMES,
    "LabeledNoteModeTypeSelector": ["Range"] + [f"{n} Notes" for n in range(3, 9)],
    "LabeledNoteScaleSelector": ["Off", "Major", "Minor", "Phrygian", "Melodic Minor", "Harmonic Minor",
                                 "Mixolydian", "Dorian", "Lydian", "Locrian", "Chromatic"],
    "PresetSlotCombobox": ["RAM"] + [f"Preset {n}" for n in range(1, 13)],
    "Global.LabeledGlobalChannel": CHANNELS,
    "Global.LabeledMackieHUIToggle": ["Mackie Control", "HUI"],
    "Global.LabeledKeySensitivity": ["C1", "C2", "C3", "C4", "F1", "F2", "F3"],
    "Global.LabeledPadSensitivity": ["C1", "C2", "C3", "C4", "F1", "F2", "F3", "S2", "S3", "S4"],
    "Global.LabeledControlCurve": ["Off", "C1", "C2", "C3"],
    "Global.LabeledxyPadSensitivity": ["F1", "F2", "F3", "S2", "S3", "S4", "S5", "S6", "S7", "S8"],
    "Global.LabeledMidiDin": ["Off", "On"],
}

# Name tables read by rank: item keys only.
RANKED = {
    CTRL + "NoteSelector|noteNameLabel": items(["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]),
    CTRL + "NoteSelector|octaveNameLabel": items([f"({n})" for n in range(-1, 10)]),
    CTRL + "ZoneNoteSelector|noteNameLabel": items(["C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B"]),
    CTRL + "ZoneNoteSelector|octaveNameLabel": items([f"({n})" for n in range(1, 12)]),
    CTRL + "CCSelector|label": items(CC_NAMES, 3, "TEXT."),
}

PUSH_INFO = {
    "CC_LABEL": "CC:\n%u", "PROGRAM_LABEL": "PG:\n%u", "NOTE_LABEL": "NT:\n%u", "RPN_LABEL": "RPN:\n%u",
    "NRPN_LABEL": "NRPN:\n%u", "PROGRAM_INC_DEC_LABEL": "PG\nINC/DEC", "PROGRAM_CYCLE_LABEL": "PG\nCYCLE",
    "OTHER_LABEL": "OTHER", "AFTERTOUCH_LABEL": "CH. AFT.", "PITCHBEND_LABEL": "PITCH\nBEND", "SYSEX_LABEL": "SYSEX",
    "MMC_OTHER_LABEL": "MMC", "MMC_STOP_LABEL": "STOP", "MMC_PLAY_LABEL": "PLAY", "MMC_DEFERREDPLAY_LABEL": "PLAY",
    "MMC_FASTFORWARD_LABEL": "FF", "MMC_REWIND_LABEL": "RR", "MMC_RECORDSTROBE_LABEL": "REC",
    "MMC_RECORDEXIT_LABEL": "REC", "MMC_RECORDPAUSE_LABEL": "REC", "MMC_PAUSE_LABEL": "PAUSE",
    "MMC_EJECT_LABEL": "EJECT", "MMC_CHASE_LABEL": "CHASE", "MMC_MMCRESET_LABEL": "RESET", "UNKNOWN_LABEL": "?",
}
MOVEABLE_INFO = {k: PUSH_INFO[k] for k in
                 ["CC_LABEL", "RPN_LABEL", "NRPN_LABEL", "PITCHBEND_LABEL", "AFTERTOUCH_LABEL", "SYSEX_LABEL",
                  "OTHER_LABEL", "UNKNOWN_LABEL"]}

MAIN = PE + "MainControl."
PAGE = PE + "MainPage."

LABELS = {
    PAGE + "ButtonEditPanel|buttonName": {"LABEL": "BUTTON %d"},
    PAGE + "ButtonEditPanel|bankName": {"LABEL": "BANK %d"},
    PAGE + "KnobEditPanel|knobName": {"LABEL": "ENCODER %d"},
    PAGE + "KnobEditPanel|bankName": {"LABEL": "BANK %d"},
    PAGE + "FaderEditPanel|faderName": {"LABEL": "FADER %d"},
    PAGE + "FaderEditPanel|bankName": {"LABEL": "BANK %d"},
    PAGE + "PadEditPanel|padName": {"LABEL": "PAD %d"},
    PAGE + "ZoneEditPanel|zoneName": {"LABEL": "ZONE %d"},
    PAGE + "KnobEditPanel|midiLabel": {"LABEL": "MIDI"},
    PAGE + "FaderEditPanel|midiLabel": {"LABEL": "MIDI"},
    PAGE + "VolumeEditPanel|midiLabel": {"LABEL": "MIDI"},
    PAGE + "SustainEditPanel|midiLabel": {"LABEL": "MIDI"},
    PE + "TabControl.PageHolder.WheelsPage.Wheel|midiLabel": {"LABEL": "MIDI"},
    MAIN + "ButtonView.Button|buttonNumberLabel": {"LABEL": "B%d"},
    MAIN + "EncoderView.Encoder|encoderNameLabel": {"LABEL": "E%d"},
    MAIN + "FaderView.Fader|faderNumberLabel": {"LABEL": "F%d"},
    MAIN + "PadView.Pad|padNumberLabel": {"LABEL": "P%d"},
    MAIN + "KeybedZones.Zone|zoneName": {"LABEL": "ZONE %d"},
    MAIN + "KeybedZones.Zone|infoLabel": {"LABEL": "Start: 24 | End: 53", "INFO_TEXT": "First: %s %s | Last %s %s"},
    PAGE + "XYPadEditPanel|axisName": {"LABEL_X_AXIS": "X-AXIS", "LABEL_Y_AXIS": "Y-AXIS"},
    PE + "TabControl.PageHolder.WheelsPage.Wheel|wheelName": {"LABEL": "", "PITCH_LABEL": "P. WHEEL",
                                                              "MOD_LABEL": "M. WHEEL"},
    PAGE + "SustainEditPanel|controlNameLabel": {"LABEL": "SUSTAIN"},
    PAGE + "VolumeEditPanel|controlNameLabel": {"LABEL": "VOLUME"},
    MAIN + "DeviceView.PresetNameEditPanel|controlNameLabel": {"LABEL": "PRESET NAME"},
    MAIN + "DeviceView.PresetNameEditPanel|textBox": {"LABEL": "PRESET"},
    CTRL + "LabeledKeyZoneNoteSelector|controlNameLabel": {"START_NOTE_LABEL": "FIRST", "END_NOTE_LABEL": "LAST"},
    CTRL + "LabeledNoteSelector|controlNameLabel": {"LABEL": "NOTE", "START_NOTE_LABEL": "FIRST",
                                                    "END_NOTE_LABEL": "LAST", "MULTI_NOTE_LABEL": "NOTE %d",
                                                    "KEY_LABEL": "KEY"},
    CTRL + "LabeledCCValueSelector|controlNameLabel": {"LABEL": "VALUE", "VALUE1_LABEL": "FIRST",
                                                       "VALUE2_LABEL": "LAST", "VALUE3_LABEL": "VALUE 2",
                                                       "VALUE4_LABEL": "VALUE 3"},
    CTRL + "LabeledProgramSelector|controlNameLabel": {"LABEL": "PROGRAM", "PROGRAM1_LABEL": "FIRST",
                                                       "PROGRAM2_LABEL": "LAST", "PROGRAM3_LABEL": "VALUE 2",
                                                       "PROGRAM4_LABEL": "VALUE 3"},
    CTRL + "LabeledButtonColorSelector|colorNameLabel": {"NUMBERED_COLOR_LABEL": "COLOR %d",
                                                         "ASCII_COLOR_LABEL": "HID COLOR"},
    CTRL + "LabeledPadColorSelector|colorNameLabel": {"NUMBERED_COLOR_LABEL": "COLOR %d"},
    MAIN + "MIDIChannelView|label": {"GLOBAL_LABEL": "CH:G", "CHANNEL_LABEL": "CH:%d", "ZONE_LABEL": "CH:Z%d",
                                     "OMNI_LABEL": "CH:OM", "UNKNOWN_LABEL": "CH:?"},
    MAIN + "PushButtonType.ViewPanel|infoLabel": PUSH_INFO,
    MAIN + "MoveableType.ViewPanel|infoLabel": MOVEABLE_INFO,
    PAGE + "ZoneEditPanel|zoneEnabledToggleButton": {"LABEL": "ON/OFF"},
}

# Captions of the labelled selectors ("<class>|controlNameLabel", LABEL).
CAPTIONS = {
    "LabeledCCSelector": "CC",
    "LabeledMidiChannelSelector": "CHANNEL",
    "LabeledKeyZoneMidiChannelSelector": "CHANNEL",
    "LabeledPressedSelector": "DOWN",
    "LabeledReleasedSelector": "UP",
    "LabeledMinSelector": "MIN",
    "LabeledMaxSelector": "MAX",
    "LabeledMSBSelector": "MSB",
    "LabeledLSBSelector": "LSB",
    "LabeledOnSelector": "ON",
    "LabeledOffSelector": "OFF",
    "LabeledLatchingSelector": "LATCH",
    "LabeledCycleTypeSelector": "VALUES",
    "LabeledINCDecTypeSelector": "TYPE",
    "LabeledMMCSelector": "COMMAND",
    "LabeledNrpnRpnSelector": "TYPE",
    "LabeledOtherSelector": "TYPE",
    "LabeledRelativeTypeSelector": "TYPE",
    "LabeledOctaveSelector": "OCTAVE",
    "LabeledTransposeSelector": "TRANSPOSE",
    "LabeledKeySelector": "KEY",
    "LabeledModifierKeySelector": "MOD KEY",
    "LabeledNoteModeTypeSelector": "MODE",
    "LabeledNoteScaleSelector": "SCALE",
}

# Tab buttons: button-holder class → page name → caption.
BUTTON_MODE_PAGES = {
    "ccAbsolutePage": "CC ABSOLUTE", "ccCyclePage": "CC CYCLE", "ccIncDecPage": "CC INC/DEC", "mmcPage": "MMC",
    "notePage": "NOTE", "nrpnRpnPage": "RPN/NRPN", "programCyclePage": "PROGRAM CYCLE",
    "programIncDecPage": "PROGRAM INC/DEC", "programPage": "PROGRAM", "otherPage": "OTHER",
}
MOVEABLE_PAGES = {"ccAbsolutePage": "CC ABSOLUTE", "ccRelativePage": "CC RELATIVE", "nrpnRpnPage": "RPN/NRPN",
                  "otherPage": "OTHER"}
TAB_BUTTONS = {
    CTRL + "ButtonModesControl.TabControl.ButtonHolder": BUTTON_MODE_PAGES,
    CTRL + "MovementTypes.TabControl.ButtonHolder": MOVEABLE_PAGES,
    PAGE + "ButtonEditPanel.TabControl.ButtonHolder": {"midiPage": "MIDI", "colorPage": "COLORS",
                                                       "asciiPage": "HID"},
    PAGE + "PadEditPanel.TabControl.ButtonHolder": {"midiPage": "MIDI", "colorPage": "COLOR"},
    PAGE + "XYPadEditPanel.TabControl.ButtonHolder": {"midiPage": "MIDI", "noteModePage": "NOTE"},
}

# Global settings groups: class (without "PresetEditor.Control.Global.") → caption of its "label".
GLOBAL_CAPTIONS = {
    "LabeledMackieHUIToggle": "MACKIE CONTROL / HUI",
    "LabeledKeyOctave": "KEY OCTAVE",
    "LabeledKeyTranspose": "KEY TRANSPOSE",
    "LabeledKeySensitivity": "KEY CURVE",
    "LabeledPadOctave": "PAD OCTAVE",
    "LabeledPadTranspose": "PAD TRANSPOSE",
    "LabeledPadSensitivity": "PAD CURVE",
    "LabeledControlCurve": "ENCODER CURVE",
    "LabeledxyPadSensitivity": "XY PAD CURVE",
    "LabeledMidiDin": "MIDI DIN OUT",
}


def tables():
    """Every table: ID → {key: text}."""
    out = {"|PresetEditor": APPLICATION, PE + "MainControl|mainMenu": MAIN_MENU}
    for name, entries in TOP_LEVEL.items():
        out["PresetEditor|" + name] = entries
    for cls, texts in LISTS.items():
        out[CTRL + cls + "|comboBox"] = items(texts)
    out.update(RANKED)
    out.update(LABELS)
    for cls, caption in CAPTIONS.items():
        entry = out.setdefault(CTRL + cls + "|controlNameLabel", {})
        entry.setdefault("LABEL", caption)
    for holder, pages in TAB_BUTTONS.items():
        for page, caption in pages.items():
            out[holder + "|" + page] = {"LABEL": caption}
    out[CTRL + "Global.LabeledGlobalChannel|label"] = {"LABEL": "CHANNEL", "GLOBAL_LABEL": "GLOBAL CHANNEL"}
    # The global dialog's program and bank groups use the editor's selector classes, captioned by "label".
    for cls, caption in (("LabeledProgramSelector", "PROGRAM"), ("LabeledMSBSelector", "MSB"),
                         ("LabeledLSBSelector", "LSB")):
        out[CTRL + cls + "|label"] = {"LABEL": caption}
    for cls, caption in GLOBAL_CAPTIONS.items():
        out[CTRL + "Global." + cls + "|label"] = {"LABEL": caption}
    return out
