"""The editor's skin: the top-level controls of "Skin1", put together from the building blocks.

Later panels are added here: a table row in layout.py and a call of a building block below.
"""

PE = "PresetEditor."

# Keys the program reads from tables that no control of this file carries yet.
READS = {
    "|PresetEditor": [
        "GHK_WIN.NID_EDIT_COPY_REQ", "GHK_WIN.NID_EDIT_CUT_REQ", "GHK_WIN.NID_EDIT_PASTE_REQ",
        "USER_GUIDE_FILE_NAME", "LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_TEXT",
        "LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_CAPTION", "CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_1",
        "CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_2", "LOAD_PRESET_DIALOG_TITLE", "SAVE_PRESET_DIALOG_TITLE",
        "SETTINGS_FILE_LOAD_CAPTION", "SETTINGS_FILE_LOAD_NEWER_MESSAGE", "SETTINGS_FILE_LOAD_OLDER_MESSAGE",
        "SETTINGS_FILE_LOAD_CORRUPT_MESSAGE", "SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE",
        "SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE", "APP_VERSION",
    ],
    "PresetEditor|mainControl": ["LABEL", "HARDWARE_CONFIG_ERROR_TITLE", "HARDWARE_CONFIG_ERROR_MESSAGE"],
    "PresetEditor.MainControl|mainMenu": [
        "MENU_LABEL.00", "MENU_LABEL.01", "CONTEXT_MENU0.00.NID_MENU_FILE_SEND_PRESET_TO_DEVICE",
        "CONTEXT_MENU0.08.NID_MENU_FILE_EXIT_REQ", "CONTEXT_MENU1.01.NID_MENU_HELP_ABOUT_REQ",
    ],
}

WIDTH, HEIGHT = 1200, 772


def build(doc, style, b):
    bar = style.metric("MENU_BAR")
    main = b.ctl(PE + "MainControl", "mainControl", (0, 0, WIDTH, HEIGHT), "Body",
                 XMinSizeAbs=WIDTH, YMinSizeAbs=HEIGHT, XMaxSizeAbs=WIDTH, YMaxSizeAbs=HEIGHT)
    main.add(b.main_menu(style, "mainMenu", (0, 0, WIDTH, bar), LayoutOrder=0))
    main.add(b.ctl(PE + "MainControl.DeviceView", "viewDevice", (0, bar, WIDTH, HEIGHT - bar), "DeviceView",
                   LayoutOrder=1))
    doc.top += [main, b.tool_tip(style, "toolTip"), b.popup_menu(style, "contextMenu", (0, 0, 200, 88))]
