"""The skin generator: equal runs give equal bytes, every rule breach fails naming the control or
definition at fault, and the string tables hold the editor's texts verbatim."""

import os
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

SOURCE = os.environ.get("KIVO_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "../../.."))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(SOURCE, "tools", "skingen"))

import blocks  # noqa: E402
import checks  # noqa: E402
import skingen  # noqa: E402
from model import Control, Look, SkinError  # noqa: E402

SKIN = os.path.join(SOURCE, "Panel", "Resources", "skin")
IMAGES = os.path.join(SOURCE, "Panel", "Resources", "images")
CLASSES = (skingen.framework_classes(os.path.join(SOURCE, "KXFramework", "Application", "FrameworkClassNames.cpp"))
           | skingen.editor_classes(os.path.join(SOURCE, "Panel", "SkinClassTable.h")))
PE = "PresetEditor."
CTRL = PE + "Control."


def arguments(out, samples=False):
    args = ["--source", SKIN, "--images", IMAGES, "--class-table", os.path.join(SOURCE, "Panel", "SkinClassTable.h"),
            "--framework-classes", os.path.join(SOURCE, "KXFramework", "Application", "FrameworkClassNames.cpp"),
            "--framework-strings", os.path.join(SOURCE, "KXFramework", "ControlBase", "FrameworkStrings.xml"),
            "--out", out]
    return args + (["--samples"] if samples else [])


def find(control, path):
    for name in path.split("/"):
        control = control.child(name)
    return control


def main_control(doc):
    return next(c for c in doc.top if c.name == "mainControl")


class Generation(unittest.TestCase):
    def test_two_runs_write_the_same_bytes(self):
        for samples in (False, True):
            with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
                self.assertEqual(skingen.main(arguments(a, samples)), 0)
                self.assertEqual(skingen.main(arguments(b, samples)), 0)
                for name in ("Skins.xml", "StringTables.xml", "FrameworkStrings.xml"):
                    with open(os.path.join(a, name), "rb") as fa, open(os.path.join(b, name), "rb") as fb:
                        self.assertEqual(fa.read(), fb.read(), name)

    def test_the_framework_table_is_copied_byte_for_byte(self):
        with tempfile.TemporaryDirectory() as out:
            self.assertEqual(skingen.main(arguments(out)), 0)
            with open(os.path.join(out, "FrameworkStrings.xml"), "rb") as f, \
                    open(os.path.join(SOURCE, "KXFramework", "ControlBase", "FrameworkStrings.xml"), "rb") as g:
                self.assertEqual(f.read(), g.read())

    def test_a_breach_fails_the_run_with_one_line_and_writes_nothing(self):
        with tempfile.TemporaryDirectory() as out:
            bad = os.path.join(out, "classes.h")
            with open(bad, "w") as f:
                f.write('KIVO_SKIN_CLASS(KX::LPanel, u"PresetEditor.MainControl")\n')
            args = arguments(out)
            args[args.index("--class-table") + 1] = bad
            self.assertEqual(skingen.main(args), 1)
            self.assertFalse(os.path.exists(os.path.join(out, "Skins.xml")))


class Breaches(unittest.TestCase):
    """Each case breaks one rule in the real document and expects the message to name the culprit."""

    def setUp(self):
        self.doc = skingen.build(SKIN)
        self.main = main_control(self.doc)
        # Tile classes come with the panels; these cases register them as the panels will.
        self.classes = CLASSES | {PE + "MainControl.KeybedZones.Zone", PE + "MainControl.PadView.Pad"}

    def expect(self, *fragments):
        with self.assertRaises(SkinError) as caught:
            checks.check(self.doc, self.classes, skingen.image_names(IMAGES))
        for fragment in fragments:
            self.assertIn(fragment, str(caught.exception))

    def add(self, control, parent=None):
        parent = parent or self.main
        control.parent = parent
        parent.children.append(control)
        return control

    def test_the_unbroken_document_passes(self):
        checks.check(self.doc, CLASSES, skingen.image_names(IMAGES))

    def test_an_unknown_class(self):
        self.add(Control("PresetEditor.NoSuchPanel", "stray", (0, 0, 10, 10)))
        self.expect("mainControl/stray", "unknown class")

    def test_two_siblings_of_one_name(self):
        self.add(Control("Framework.Panel", "viewDevice", (0, 0, 10, 10)))
        self.expect("mainControl", 'two children named "viewDevice"')

    def test_a_colour_without_alpha(self):
        self.doc.colorizers["body"].argb = "0x141518"
        self.expect('colorizer "body"', "0xAARRGGBB")

    def test_a_boolean_written_as_text(self):
        self.add(Control("Framework.Panel", "lower", (0, 0, 10, 10), IsVisible="true"))
        self.expect("mainControl/lower", "IsVisible must be True or False")

    def test_a_create_parameter_with_blanks(self):
        self.add(Control("Framework.Button", "radio", (0, 0, 10, 10), looks="Button", params={"IS_RADIO": " True"}))
        self.expect("mainControl/radio", "IS_RADIO")

    def test_text_drawn_with_an_image_part(self):
        self.doc.looks["Caption"].text.foreground = "DevicePicture"
        self.expect('look "Caption"', "must be a colour part")

    def test_text_drawn_invisible(self):
        self.doc.looks["Caption"].text.foreground = "clear"
        self.expect('look "Caption"', "fully transparent")

    def test_a_missing_image(self):
        self.doc.parts["DevicePicture"].image = "devices.png"
        self.expect('part "DevicePicture"', 'missing image "devices.png"')

    def test_an_image_name_in_capitals(self):
        self.doc.parts["DevicePicture"].image = "Device.png"
        self.expect('part "DevicePicture"', "lower case")

    def test_a_relative_size_without_reference(self):
        self.add(Control("Framework.Panel", "wide", (0, 0, 0, 10), XSizeRel=1.0))
        self.expect("mainControl/wide", "XSizeRel needs XSizeToControl")

    def test_a_position_relative_to_self(self):
        self.add(Control("Framework.Panel", "self", (0, 0, 10, 10), XPositionToControl="Self"))
        self.expect("mainControl/self", "Self")

    def test_a_size_that_is_not_whole(self):
        self.add(Control("Framework.Panel", "half", (0, 0, 10.5, 10)))
        self.expect("mainControl/half", "XSizeAbs and YSizeAbs")

    def test_a_top_level_control_with_a_tab_stop(self):
        self.main.extra["TabStop"] = 1
        self.expect("mainControl", "no TabStop or IsVisible")

    def test_a_button_with_too_few_looks(self):
        self.add(Control("Framework.Button", "short", (0, 0, 10, 10), looks="Caption"))
        self.expect("mainControl/short", "shows 14")

    def test_an_unknown_look_list(self):
        self.add(Control("Framework.Panel", "plain", (0, 0, 10, 10), looks="NoSuchList"))
        self.expect("mainControl/plain", 'unknown look list "NoSuchList"')

    def test_a_font_that_is_not_installed(self):
        self.add(Control("Framework.Label", "arial", (0, 0, 10, 10), looks="Caption", font=("Arial", 9, 0)))
        self.expect("mainControl/arial", 'font "Arial"')

    def test_a_look_defined_twice(self):
        with self.assertRaises(SkinError) as caught:
            self.doc.look(Look("Caption"))
        self.assertIn('look "Caption" defined twice', str(caught.exception))

    def test_a_combo_box_list_without_its_open_height(self):
        style = skingen.looks.Style.__new__(skingen.looks.Style)
        style.metrics, style.grid, style.fonts = {"ROW": 20, "FIELD": 22, "SPIN": 23, "SCROLL": 12,
                                                  "LIST_ROWS": 10}, 4, {"caption": ("Liberation Sans", 8.25, 1)}
        combo = self.add(blocks.combo_box(style, "combo", (0, 0, 100, 22)))
        del combo.child("listBox").extra["YMaxSizeAbs"]
        self.expect("mainControl/combo/listBox", "YMaxSizeAbs")

    def test_the_menu_after_the_device_view(self):
        find(self.main, "mainMenu").extra["LayoutOrder"] = 5
        self.expect("mainControl", '"mainMenu" must come before "viewDevice"')

    def test_a_gap_in_a_menu(self):
        self.doc.strings.update("Test|menu", {"CONTEXT_MENU0.00.NID_A": "A", "CONTEXT_MENU0.02.NID_B": "B"})
        self.expect('"Test|menu"', "menu 0 entries must run 00, 01")

    def test_a_separator_with_a_text(self):
        self.doc.strings.update("Test|menu", {"CONTEXT_MENU1.00.-": "—"})
        self.expect('"Test|menu"', "CONTEXT_MENU1.00.-")

    def test_a_gap_in_a_list(self):
        self.doc.strings.update("Test|comboBox", {"ITEM.00": "A", "ITEM.01": "B", "ITEM.03": "D"})
        self.expect('"Test|comboBox"', "without gaps")

    def test_a_list_that_lost_an_item(self):
        del self.doc.strings.tables[CTRL + "LabeledMMCSelector|comboBox"]["ITEM.12"]
        self.expect("LabeledMMCSelector|comboBox", "missing text ITEM.12")

    def test_a_label_in_a_table_read_by_rank(self):
        self.doc.strings.tables[CTRL + "NoteSelector|noteNameLabel"]["LABEL"] = "NOTE"
        self.expect("NoteSelector|noteNameLabel", "only item keys")

    def test_a_missing_text_the_program_reads(self):
        del self.doc.strings.tables["PresetEditor|mainControl"]["HARDWARE_CONFIG_ERROR_MESSAGE"]
        self.expect('"PresetEditor|mainControl"', "missing text HARDWARE_CONFIG_ERROR_MESSAGE")

    def test_a_bank_two_that_shows(self):
        view = find(self.main, "viewDevice")
        self.add(Control("Framework.Panel", "faderBank2", (0, 0, 10, 10)), view)
        self.expect("viewDevice/faderBank2", "banks 2–4 hidden")

    def test_an_edit_panel_after_a_group_area(self):
        view = find(self.main, "viewDevice")
        # The skin's own pad area and editor make way for the misordered pair.
        view.children = [c for c in view.children if c.name not in ("pads", "padEditPanel")]
        self.add(Control("Framework.Panel", "pads", (0, 0, 10, 10), LayoutOrder=0), view)
        self.add(Control("Framework.Panel", "padEditPanel", (0, 0, 10, 10), LayoutOrder=1, IsVisible=False), view)
        self.expect("viewDevice/pads", "edit panel must come before")

    def test_a_zone_tile_outside_the_zone_area(self):
        self.add(Control(PE + "MainControl.KeybedZones.Zone", "zone1", (0, 0, 10, 10)))
        self.expect("mainControl/zone1", '"keybedZones"')

    def test_a_tile_whose_button_is_not_on_top(self):
        tile = self.add(Control(PE + "MainControl.PadView.Pad", "pad1", (0, 0, 10, 10)))
        self.add(Control("Framework.Button", "button", (0, 0, 10, 10), looks="TileButton"), tile)
        self.add(Control("Framework.Label", "padNumberLabel", (0, 0, 10, 10), looks="Caption"), tile)
        self.expect("mainControl/pad1", "last child")

    def test_a_tile_button_that_sets_its_own_value(self):
        tile = self.add(Control(PE + "MainControl.PadView.Pad", "pad1", (0, 0, 10, 10)))
        self.add(Control("Framework.Button", "button", (0, 0, 10, 10), looks="TileButton",
                         params={"AUTO_VALUE_SET": "True"}), tile)
        self.expect("mainControl/pad1/button", "no AUTO_VALUE_SET")

    def test_colour_selectors_out_of_order(self):
        page = self.add(Control("Framework.Panel", "colorPage", (0, 0, 10, 10)))
        for i in range(1, 5):
            self.add(Control("Framework.Panel", f"color{i}", (0, 0, 10, 10), LayoutOrder=4 - i), page)
        self.expect("colorPage/color1", "LayoutOrder must be 0")


class TabControls(unittest.TestCase):
    TABS = CTRL + "MovementTypes.TabControl"

    def build(self, names, selected=0):
        doc = skingen.build(SKIN)
        style = skingen.looks.Style.__new__(skingen.looks.Style)
        style.doc, style.grid = doc, 4
        style.fonts = {"caption": ("Liberation Sans", 8.25, 1)}
        captions = {"ccAbsolutePage": "CC ABSOLUTE", "ccRelativePage": "CC RELATIVE", "nrpnRpnPage": "RPN/NRPN",
                    "otherPage": "OTHER"}
        pages = [(n, captions[n], blocks.ctl(self.TABS + ".PageHolder", n, (0, 0, 10, 10))) for n in names]
        tabs = blocks.tab_control(style, doc, self.TABS, "tabControl", (0, 0, 200, 100),
                                  (self.TABS + ".ButtonHolder", self.TABS + ".PageHolder"), pages, selected)
        main = main_control(doc)
        main.add(tabs)
        skingen.register_texts(doc, main, "PresetEditor")
        return doc, tabs

    def test_the_moveable_pages_in_their_order_pass(self):
        doc, tabs = self.build(checks.MOVEABLE_ORDER, selected=1)
        checks.check(doc, CLASSES, skingen.image_names(IMAGES))
        on = [b for b in tabs.child("buttonHolder").children if b.params.get("INITIAL_VALUE") == "1"]
        self.assertEqual([b.name for b in on], ["ccRelativePage"])

    def test_pages_in_another_order_fail(self):
        doc, _ = self.build(["ccAbsolutePage", "ccRelativePage", "otherPage", "nrpnRpnPage"])
        with self.assertRaises(SkinError) as caught:
            checks.check(doc, CLASSES, skingen.image_names(IMAGES))
        self.assertIn("tabControl", str(caught.exception))
        self.assertIn("moveable pages", str(caught.exception))

    def test_a_tab_button_that_cannot_take_the_focus_fails(self):
        doc, tabs = self.build(checks.MOVEABLE_ORDER)
        tabs.child("buttonHolder").children[0].params["NOT_FOCUSABLE"] = "True"
        with self.assertRaises(SkinError) as caught:
            checks.check(doc, CLASSES, skingen.image_names(IMAGES))
        self.assertIn("buttonHolder/ccAbsolutePage", str(caught.exception))

    def test_a_page_that_does_not_match_its_button_fails(self):
        doc, tabs = self.build(checks.MOVEABLE_ORDER)
        tabs.child("pageHolder").children[2].name = "otherPage2"
        with self.assertRaises(SkinError) as caught:
            checks.check(doc, CLASSES, skingen.image_names(IMAGES))
        self.assertIn("share names and positions", str(caught.exception))


def channels():
    return [f"Channel {n}" for n in range(1, 17)]


class Texts(unittest.TestCase):
    """The string tables of the written document, read back with expat, against the texts the
    program shows (misspellings kept)."""

    @classmethod
    def setUpClass(cls):
        cls.out = tempfile.TemporaryDirectory()
        assert skingen.main(arguments(cls.out.name)) == 0
        root = ElementTree.parse(os.path.join(cls.out.name, "StringTables.xml")).getroot()
        cls.tables = {}
        for table in root.iter("StringTable"):
            entries = cls.tables.setdefault(table.get("ID"), {})
            for string in table.iter("String"):
                locale = string.find("Locale")
                entries[string.get("ID")] = locale.text or ""

    @classmethod
    def tearDownClass(cls):
        cls.out.cleanup()

    def expect_table(self, table, expected):
        self.assertIn(table, self.tables)
        for key, text in expected.items():
            self.assertEqual(self.tables[table].get(key), text, f"{table} {key}")

    def expect_items(self, cls, items):
        table = self.tables.get(CTRL + cls + "|comboBox", {})
        self.assertEqual([table[k] for k in sorted(table)], items, cls)
        self.assertEqual(sorted(table), [f"ITEM.{i:02d}" for i in range(len(items))], cls)

    def test_application_table(self):
        offline = "Error connecting to device. Verify your Kivo Keyboard is plugged into the USB port and try again."
        firmware = ("The firmware version of your device is not compatible with this version of the Preset Editor."
                    "  Visit www.velmora.example for the latest firmware updates.")
        old = "Preset file is not compatible with this vesion of the preset editor"
        self.expect_table("|PresetEditor", {
            "GHK.NID_EDIT_DELETE_REQ": "VKEY_DELETE", "GHK.NID_BUTTON_TOGGLE_DIALOG_BUTTON": "VKEY_D",
            "GHK_WIN.NID_EDIT_COPY_REQ": "Ctrl+VKEY_C", "GHK_WIN.NID_EDIT_CUT_REQ": "Ctrl+VKEY_X",
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
            "LOAD_PRESET_DIALOG_TITLE": "Select Preset File", "SAVE_PRESET_DIALOG_TITLE": "Select Save Location",
            "SETTINGS_FILE_LOAD_CAPTION": "Preset File Load",
            "SETTINGS_FILE_LOAD_NEWER_MESSAGE": "Preset file is not compatible with this version of the editor",
            "SETTINGS_FILE_LOAD_OLDER_MESSAGE": old, "SETTINGS_FILE_LOAD_CORRUPT_MESSAGE": old,
            "SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE": old, "SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE": old,
            "LABEL_GET_PRESET_SUCEESS_MSGBOX_CAPTION": "Retrieve Sucessful",
            "LABEL_GET_PRESET_SUCEESS_MSGBOX_TEXT": "The preset has been sucessfully retreived.",
            "LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION": "Retrieve Preset Error",
            "LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT":
                "The Preset has failed to get from the device. Verify the device is connected to your computer via "
                "the USB cable.",
            "LABEL_GET_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT": firmware,
            "LABEL_SEND_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT": firmware,
            "LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION": "Send Sucess",
            "LABEL_SEND_PRESET_SUCEESS_MSGBOX_TEXT": "The preset has been sucessfully sent to the device",
            "LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION": "Send Preset Error",
            "LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT": offline,
            "LABEL_GLOBALSETTINGS_FAILED_MIDI_ERROR_MESSAGEBOX_TEXT": offline,
            "LABEL_GLOBALSETTINGS_FAILED_MIDI_ERROR_MESSAGEBOX_CAPTION": "Global Settings Error",
            "APP_VERSION": "Version", "SETTINGS_FILE_SAVE_CAPTION": "Preset File Save",
            "SETTINGS_FILE_SAVE_FAILED_MESSAGE": "The preset file could not be saved.",
            "SETTINGS_FILE_LOAD_FAILED_MESSAGE": "The preset file could not be loaded.",
        })

    def test_top_level_titles(self):
        self.expect_table("PresetEditor|mainControl", {
            "LABEL": "Velmora Kivo 61 Preset Editor", "HARDWARE_CONFIG_ERROR_TITLE": "Hardware Configuration Error",
            "HARDWARE_CONFIG_ERROR_MESSAGE":
                "The list of connected devices could not be read. The editor will now close."})
        for name, title in (("dialogRetrievePresetFromHardware", "Get Preset From Device"),
                            ("dialogSendPreset", "Send Preset To Device"),
                            ("dialogAbout", "About Velmora Kivo 61 Preset Editor"),
                            ("globalEditorControl", "Global Settings")):
            self.expect_table("PresetEditor|" + name, {"LABEL": title})

    def test_main_menu(self):
        menu = {
            "MENU_LABEL.00": "File", "MENU_LABEL.01": "Help",
            "CONTEXT_MENU0.00.NID_MENU_FILE_SEND_PRESET_TO_DEVICE": "Send Preset| Send this preset to the controller.",
            "CONTEXT_MENU0.01.NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE":
                "Retrieve Preset| Retreive a preset from the controller.",
            "CONTEXT_MENU0.02.-": "-", "CONTEXT_MENU0.05.-": "-", "CONTEXT_MENU0.07.-": "-",
            "CONTEXT_MENU0.03.NID_MENU_FILE_LOAD_PRESET_FROM_FILE": "Load Preset | Load Preset from disk.",
            "CONTEXT_MENU0.04.NID_MENU_FILE_SAVE_PRESET_TO_FILE": "Save Preset | Save Preset to disk",
            "CONTEXT_MENU0.06.NID_MENU_FILE_GLOBALSETTINGS_REQ": "Global Settings",
            "CONTEXT_MENU0.08.NID_MENU_FILE_EXIT_REQ": "Exit|Exit Kivo 61 Preset Editor",
            "CONTEXT_MENU1.00.NID_MENU_HELP_OPEN_USER_GUIDE_REQ": "Open User Guide",
            "CONTEXT_MENU1.01.NID_MENU_HELP_ABOUT_REQ": "About Kivo 61 Preset Editor|About Kivo 61 Preset Editor",
        }
        self.assertEqual(self.tables[PE + "MainControl|mainMenu"], menu)

    def test_lists(self):
        colours = ["Off", "Green", "Cyan", "Blue", "Magenta", "Red", "Yellow", "White"]
        pads = ["Off", "Chartreuse", "Green", "Aquamarine", "Cyan", "Azure", "Blue", "Violet", "Magenta", "Rose",
                "Red", "Orange", "Yellow", "White"]
        keys = (["Off"] + [str(n) for n in range(10)] + [chr(c) for c in range(65, 91)] + ["Space"]
                + [f"F{n}" for n in range(1, 13)]
                + ["Back Space", "Return", "Up", "Down", "Left", "Right", "Tab", ",", ".", "'", "[", "]", "\\", "/",
                   "`", ";", "-", "+", "*", "=", "Esc", "Insert", "Home", "Page Up", "Delete", "End", "Page Down"]
                + [f"Num {n}" for n in range(1, 10)] + ["Num 0"])
        self.assertEqual(len(keys), 87)
        cases = {
            "LabeledMidiChannelSelector": ["Global"] + channels() + ["Zone 1", "Zone 2", "Zone 3", "Zone 4", "Omni"],
            "LabeledKeyZoneMidiChannelSelector": ["Global"] + channels(),
            "LabeledCycleTypeSelector": ["2 Values", "3 Values", "4 Values"],
            "LabeledINCDecTypeSelector": ["Increment", "Decrement"],
            "LabeledMMCSelector": ["Stop", "Play", "Deferred Play", "Fast Forward", "Rewind", "Record Strobe",
                                   "Record Exit", "Record Pause", "Pause", "Eject", "Chase", "MMC Reset", "Other"],
            "LabeledNrpnRpnSelector": ["RPN Coarse", "RPN Fine", "NRPN Coarse", "NRPN Fine"],
            "LabeledOtherSelector": [
                "Pitch Bend Sensitivity(RPN)", "Fine Tune (RPN)", "Coarse Tune (RPN)", "Channel Pressure",
                "Master Volume (Sysex)", "Master Pan (Sysex)", "Coarse Tune (Sysex)", "Fine Tune(Sysex)",
                "Chorus Mod. Rate (Sysex)", "Chorus Mod. Depth (Sysex)", "Feedback (Sysex)", "Send to Reverb (Sysex)",
                "Pitch Bend", "Reverb Type (Sysex)", "Reverb Time (Sysex)", "Chorus Type (Sysex)"],
            "LabeledRelativeTypeSelector": ["Up (Type 1)", "Down (Type 1)", "Up (Type 2)", "Down (Type 2)"],
            "LabeledButtonColorSelector": colours,
            "LabeledPadColorSelector": pads,
            "LabeledKeySelector": keys,
            "LabeledNoteModeTypeSelector": ["Range", "3 Notes", "4 Notes", "5 Notes", "6 Notes", "7 Notes",
                                            "8 Notes"],
            "LabeledNoteScaleSelector": ["Off", "Major", "Minor", "Phrygian", "Melodic Minor", "Harmonic Minor",
                                         "Mixolydian", "Dorian", "Lydian", "Locrian", "Chromatic"],
            "PresetSlotCombobox": ["RAM"] + [f"Preset {n}" for n in range(1, 13)],
            "Global.LabeledGlobalChannel": channels(),
            "Global.LabeledMackieHUIToggle": ["Mackie Control", "HUI"],
            "Global.LabeledKeySensitivity": ["C1", "C2", "C3", "C4", "F1", "F2", "F3"],
            "Global.LabeledPadSensitivity": ["C1", "C2", "C3", "C4", "F1", "F2", "F3", "S2", "S3", "S4"],
            "Global.LabeledControlCurve": ["Off", "C1", "C2", "C3"],
            "Global.LabeledxyPadSensitivity": ["F1", "F2", "F3", "S2", "S3", "S4", "S5", "S6", "S7", "S8"],
            "Global.LabeledMidiDin": ["Off", "On"],
        }
        for cls, items in cases.items():
            self.expect_items(cls, items)
        modifiers = self.tables[CTRL + "LabeledModifierKeySelector|comboBox"]
        self.assertEqual(len(modifiers), 29)
        self.assertEqual(modifiers["ITEM.20"], "Shift  + Cmd (Mac)")
        self.assertEqual(modifiers["ITEM.23"], modifiers["ITEM.24"])
        self.assertEqual(modifiers["ITEM.28"], "Ctrl + Cmd + Option (Mac)")

    def test_name_tables_read_by_rank(self):
        self.assertEqual(list(self.tables[CTRL + "NoteSelector|noteNameLabel"].values()),
                         ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"])
        self.assertEqual(list(self.tables[CTRL + "ZoneNoteSelector|noteNameLabel"].values()),
                         ["C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B"])
        self.assertEqual(list(self.tables[CTRL + "NoteSelector|octaveNameLabel"].values()),
                         [f"({n})" for n in range(-1, 10)])
        self.assertEqual(list(self.tables[CTRL + "ZoneNoteSelector|octaveNameLabel"].values()),
                         [f"({n})" for n in range(1, 12)])
        cc = self.tables[CTRL + "CCSelector|label"]
        self.assertEqual(sorted(cc), [f"TEXT.{n:03d}" for n in range(128)])
        for number, text in ((0, "Bank Select"), (12, "Effects Controller1"), (13, "Effects Controller 2"),
                             (19, "General Purpose 4"), (51, "General Purpose 4 LSB"), (64, "Sustain Pedal"),
                             (66, "Sostenuto"), (83, "General Purpose 8"), (88, "Hi-Res Velocity Prefix"),
                             (95, "Effects 5 Depth"), (101, "RPN MSB"), (119, "Controller 119"),
                             (127, "Poly Mode On")):
            self.assertEqual(cc[f"TEXT.{number:03d}"], text)

    def test_labels(self):
        main, page = PE + "MainControl.", PE + "MainPage."
        cases = {
            page + "ButtonEditPanel|buttonName": {"LABEL": "BUTTON %d"},
            page + "ButtonEditPanel|bankName": {"LABEL": "BANK %d"},
            page + "KnobEditPanel|knobName": {"LABEL": "ENCODER %d"},
            page + "FaderEditPanel|faderName": {"LABEL": "FADER %d"},
            page + "PadEditPanel|padName": {"LABEL": "PAD %d"},
            page + "ZoneEditPanel|zoneName": {"LABEL": "ZONE %d"},
            page + "KnobEditPanel|bankName": {"LABEL": "BANK %d"},
            page + "FaderEditPanel|bankName": {"LABEL": "BANK %d"},
            page + "VolumeEditPanel|midiLabel": {"LABEL": "MIDI"},
            PE + "TabControl.PageHolder.WheelsPage.Wheel|midiLabel": {"LABEL": "MIDI"},
            main + "ButtonView.Button|buttonNumberLabel": {"LABEL": "B%d"},
            main + "EncoderView.Encoder|encoderNameLabel": {"LABEL": "E%d"},
            main + "FaderView.Fader|faderNumberLabel": {"LABEL": "F%d"},
            main + "PadView.Pad|padNumberLabel": {"LABEL": "P%d"},
            main + "KeybedZones.Zone|zoneName": {"LABEL": "ZONE %d"},
            main + "KeybedZones.Zone|infoLabel": {"LABEL": "Start: 24 | End: 53",
                                                  "INFO_TEXT": "First: %s %s | Last %s %s"},
            page + "XYPadEditPanel|axisName": {"LABEL_X_AXIS": "X-AXIS", "LABEL_Y_AXIS": "Y-AXIS"},
            PE + "TabControl.PageHolder.WheelsPage.Wheel|wheelName": {"LABEL": "", "PITCH_LABEL": "P. WHEEL",
                                                                      "MOD_LABEL": "M. WHEEL"},
            page + "SustainEditPanel|controlNameLabel": {"LABEL": "SUSTAIN"},
            page + "VolumeEditPanel|controlNameLabel": {"LABEL": "VOLUME"},
            main + "DeviceView.PresetNameEditPanel|controlNameLabel": {"LABEL": "PRESET NAME"},
            main + "DeviceView.PresetNameEditPanel|textBox": {"LABEL": "PRESET"},
            CTRL + "LabeledKeyZoneNoteSelector|controlNameLabel": {"START_NOTE_LABEL": "FIRST",
                                                                   "END_NOTE_LABEL": "LAST"},
            CTRL + "LabeledNoteSelector|controlNameLabel": {"START_NOTE_LABEL": "FIRST", "END_NOTE_LABEL": "LAST",
                                                            "MULTI_NOTE_LABEL": "NOTE %d", "KEY_LABEL": "KEY"},
            CTRL + "LabeledCCValueSelector|controlNameLabel": {"VALUE1_LABEL": "FIRST", "VALUE2_LABEL": "LAST",
                                                               "VALUE3_LABEL": "VALUE 2", "VALUE4_LABEL": "VALUE 3"},
            CTRL + "LabeledProgramSelector|controlNameLabel": {"PROGRAM1_LABEL": "FIRST", "PROGRAM2_LABEL": "LAST",
                                                               "PROGRAM3_LABEL": "VALUE 2",
                                                               "PROGRAM4_LABEL": "VALUE 3"},
            CTRL + "LabeledButtonColorSelector|colorNameLabel": {"NUMBERED_COLOR_LABEL": "COLOR %d",
                                                                 "ASCII_COLOR_LABEL": "HID COLOR"},
            CTRL + "LabeledPadColorSelector|colorNameLabel": {"NUMBERED_COLOR_LABEL": "COLOR %d"},
            main + "MIDIChannelView|label": {"GLOBAL_LABEL": "CH:G", "CHANNEL_LABEL": "CH:%d",
                                             "ZONE_LABEL": "CH:Z%d", "OMNI_LABEL": "CH:OM"},
            main + "PushButtonType.ViewPanel|infoLabel": {
                "CC_LABEL": "CC:\n%u", "PROGRAM_LABEL": "PG:\n%u", "NOTE_LABEL": "NT:\n%u", "RPN_LABEL": "RPN:\n%u",
                "NRPN_LABEL": "NRPN:\n%u", "PROGRAM_INC_DEC_LABEL": "PG\nINC/DEC", "PROGRAM_CYCLE_LABEL": "PG\nCYCLE",
                "OTHER_LABEL": "OTHER", "AFTERTOUCH_LABEL": "CH. AFT.", "PITCHBEND_LABEL": "PITCH\nBEND",
                "SYSEX_LABEL": "SYSEX", "MMC_OTHER_LABEL": "MMC", "MMC_STOP_LABEL": "STOP", "MMC_PLAY_LABEL": "PLAY",
                "MMC_DEFERREDPLAY_LABEL": "PLAY", "MMC_FASTFORWARD_LABEL": "FF", "MMC_REWIND_LABEL": "RR",
                "MMC_RECORDSTROBE_LABEL": "REC", "MMC_RECORDEXIT_LABEL": "REC", "MMC_RECORDPAUSE_LABEL": "REC",
                "MMC_PAUSE_LABEL": "PAUSE", "MMC_EJECT_LABEL": "EJECT", "MMC_CHASE_LABEL": "CHASE",
                "MMC_MMCRESET_LABEL": "RESET"},
            main + "MoveableType.ViewPanel|infoLabel": {
                "CC_LABEL": "CC:\n%u", "RPN_LABEL": "RPN:\n%u", "NRPN_LABEL": "NRPN:\n%u",
                "PITCHBEND_LABEL": "PITCH\nBEND", "AFTERTOUCH_LABEL": "CH. AFT.", "SYSEX_LABEL": "SYSEX",
                "OTHER_LABEL": "OTHER"},
            page + "ZoneEditPanel|zoneEnabledToggleButton": {"LABEL": "ON/OFF"},
            CTRL + "Global.LabeledGlobalChannel|label": {"LABEL": "CHANNEL", "GLOBAL_LABEL": "GLOBAL CHANNEL"},
        }
        for table, expected in cases.items():
            self.expect_table(table, expected)
        for cls in ("Knob", "Fader", "Sustain"):
            self.expect_table(page + cls + "EditPanel|midiLabel", {"LABEL": "MIDI"})

    def test_tab_buttons_and_captions(self):
        modes = [("ccAbsolutePage", "CC ABSOLUTE"), ("ccCyclePage", "CC CYCLE"), ("ccIncDecPage", "CC INC/DEC"),
                 ("mmcPage", "MMC"), ("notePage", "NOTE"), ("nrpnRpnPage", "RPN/NRPN"),
                 ("programCyclePage", "PROGRAM CYCLE"), ("programIncDecPage", "PROGRAM INC/DEC"),
                 ("programPage", "PROGRAM"), ("otherPage", "OTHER")]
        holders = {
            CTRL + "ButtonModesControl.TabControl.ButtonHolder": modes,
            CTRL + "MovementTypes.TabControl.ButtonHolder": [("ccAbsolutePage", "CC ABSOLUTE"),
                                                             ("ccRelativePage", "CC RELATIVE"),
                                                             ("nrpnRpnPage", "RPN/NRPN"), ("otherPage", "OTHER")],
            PE + "MainPage.ButtonEditPanel.TabControl.ButtonHolder": [("midiPage", "MIDI"), ("colorPage", "COLORS"),
                                                                      ("asciiPage", "HID")],
            PE + "MainPage.PadEditPanel.TabControl.ButtonHolder": [("midiPage", "MIDI"), ("colorPage", "COLOR")],
            PE + "MainPage.XYPadEditPanel.TabControl.ButtonHolder": [("midiPage", "MIDI"), ("noteModePage", "NOTE")],
        }
        for holder, pages in holders.items():
            for page, caption in pages:
                self.expect_table(f"{holder}|{page}", {"LABEL": caption})
        captions = {"LabeledCCSelector": "CC", "LabeledPressedSelector": "DOWN", "LabeledReleasedSelector": "UP",
                    "LabeledMinSelector": "MIN", "LabeledMaxSelector": "MAX", "LabeledMSBSelector": "MSB",
                    "LabeledLSBSelector": "LSB", "LabeledOnSelector": "ON", "LabeledOffSelector": "OFF",
                    "LabeledLatchingSelector": "LATCH", "LabeledNrpnRpnSelector": "TYPE",
                    "LabeledOtherSelector": "TYPE", "LabeledRelativeTypeSelector": "TYPE",
                    "LabeledKeySelector": "KEY", "LabeledModifierKeySelector": "MOD KEY",
                    "LabeledNoteScaleSelector": "SCALE"}
        for cls, caption in captions.items():
            self.expect_table(CTRL + cls + "|controlNameLabel", {"LABEL": caption})
        groups = {"LabeledMackieHUIToggle": "MACKIE CONTROL / HUI", "LabeledKeyOctave": "KEY OCTAVE",
                  "LabeledKeyTranspose": "KEY TRANSPOSE", "LabeledKeySensitivity": "KEY CURVE",
                  "LabeledPadOctave": "PAD OCTAVE", "LabeledPadTranspose": "PAD TRANSPOSE",
                  "LabeledPadSensitivity": "PAD CURVE", "LabeledControlCurve": "ENCODER CURVE",
                  "LabeledxyPadSensitivity": "XY PAD CURVE", "LabeledMidiDin": "MIDI DIN OUT"}
        for cls, caption in groups.items():
            self.expect_table(CTRL + "Global." + cls + "|label", {"LABEL": caption})
        for cls, caption in (("LabeledProgramSelector", "PROGRAM"), ("LabeledMSBSelector", "MSB"),
                             ("LabeledLSBSelector", "LSB")):
            self.expect_table(CTRL + cls + "|label", {"LABEL": caption})


if __name__ == "__main__":
    unittest.main()
