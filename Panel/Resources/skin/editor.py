"""The editor's skin: the top-level controls of "Skin1", put together from the building blocks.

Later panels are added here: a table row in layout.py and a call of a building block below.
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import layout  # noqa: E402

PE = "PresetEditor."

WIDTH, HEIGHT = 1200, 772


def build(doc, style, b):
    bar = style.metric("MENU_BAR")
    main = b.ctl(PE + "MainControl", "mainControl", (0, 0, WIDTH, HEIGHT), "Body",
                 XMinSizeAbs=WIDTH, YMinSizeAbs=HEIGHT, XMaxSizeAbs=WIDTH, YMaxSizeAbs=HEIGHT)
    main.add(b.main_menu(style, "mainMenu", (0, 0, WIDTH, bar), LayoutOrder=0))
    view = b.ctl(PE + "MainControl.DeviceView", "viewDevice", (0, bar, WIDTH, HEIGHT - bar), "DeviceView",
                 LayoutOrder=1)
    device_view(style, b, view)
    main.add(view)
    buttons_encoders_faders(doc, style, b, view)
    zones_pads_pedals_wheels_xy(doc, style, b, view)
    doc.top += [main, b.tool_tip(style, "toolTip"), b.popup_menu(style, "contextMenu", (0, 0, 200, 88))]
    doc.top += dialogs(doc, style, b)


# --- The device view's own children: the bank buttons ---------------------------------------------

# After every edit panel and group area, which the other sections number below this.
BANK_ORDER = 900


def device_view(style, b, view):
    """The children of "viewDevice" that the view itself finds."""
    banks = b.ctl(PE + "MainControl.DeviceView.GroupBanks", "groupBankPanel", layout.AREAS["groupBankPanel"],
                  LayoutOrder=BANK_ORDER)
    for i, rect in enumerate(layout.bank_buttons()):
        banks.add(b.button(style, f"bank{i + 1}", rect, text=f"BANK {i + 1}", looks="TabButton", LayoutOrder=i,
                           params={"NOT_FOCUSABLE": b.TRUE}))
    view.add(banks)


# ---- Buttons, encoders and faders: the colour looks of the button tiles, the three edit panels (before
# every group area, LayoutOrder 10-19) and the three group areas (LayoutOrder 30-39).

def _table(name):
    """Another table of this folder (layout, texts), loaded once."""
    import importlib.util
    import os
    import sys

    key = "skin_" + name
    if key not in sys.modules:
        spec = importlib.util.spec_from_file_location(key, os.path.join(os.path.dirname(__file__), name + ".py"))
        module = importlib.util.module_from_spec(spec)
        sys.modules[key] = module
        spec.loader.exec_module(module)
    return sys.modules[key]


def buttons_encoders_faders(doc, style, b, view):
    layout, texts = _table("layout"), _table("texts")
    b.colour_looks(doc, "K49PE.Button.Colors", texts.BUTTON_COLOURS)
    rect = layout.AREAS["editPanel"]
    panels = (
        b.moveable_edit_panel(style, doc, PE + "MainPage.KnobEditPanel", "knobEditPanel", rect, "knobName"),
        b.moveable_edit_panel(style, doc, PE + "MainPage.FaderEditPanel", "faderEditPanel", rect, "faderName"),
        b.button_edit_panel(style, doc, "buttonEditPanel", rect),
    )
    for order, panel in enumerate(panels, 11):
        panel.extra["LayoutOrder"] = order
        view.add(panel)
    groups = (
        ("encoders", "EncoderView", "EncoderBank", "encoderBank", "encoder", b.encoder_tile),
        ("faders", "FaderView", "FaderBank", "faderBank", "fader", b.fader_tile),
        ("buttons", "ButtonView", "ButtonBank", "buttonBank", "button", b.button_tile),
    )
    for order, (area, cls, bank_cls, bank, tile, make) in enumerate(groups, 31):
        group = b.group_area(PE + "MainControl." + cls, area, layout.AREAS[area],
                             PE + f"MainControl.{cls}.{bank_cls}", bank, tile,
                             lambda name, r, make=make: make(style, name, r), layout.tiles(area))
        group.extra["LayoutOrder"] = order
        view.add(group)


# ---- Keybed zones, XY pad, pads, preset name, pedals and wheels: the pad colour looks, six edit panels
# (before every group area, LayoutOrder 20-29), the five group areas (LayoutOrder 40-49) and the preset
# name, visible at all times.

def zones_pads_pedals_wheels_xy(doc, style, b, view):
    layout, texts = _table("layout"), _table("texts")
    b.colour_looks(doc, "K49PE.Pad.Colors", texts.PAD_COLOURS)
    rect = layout.AREAS["editPanel"]
    panels = (
        b.pad_edit_panel(style, doc, "padEditPanel", rect),
        *b.pedal_edit_panels(style, doc, rect),
        b.wheel_edit_panel(style, doc, "wheelEditPanel", rect),
        b.xy_pad_edit_panel(style, doc, "xyPadEditPanel", rect),
        b.zone_edit_panel(style, doc, "zoneEditPanel", rect),
    )
    for order, panel in enumerate(panels, 21):
        panel.extra["LayoutOrder"] = order
        view.add(panel)
    groups = (
        b.pads(style, "pads", layout.AREAS["pads"], layout.tiles("pads")),
        b.pedals(style, "pedals", layout.AREAS["pedals"], layout.tiles("pedals")),
        b.wheels(style, "wheels", layout.AREAS["wheels"], layout.tiles("wheels")),
        b.xy_pad(style, "xyPad", layout.AREAS["xyPad"], layout.tiles("xyPad")),
        b.keybed_zones(style, "keybedZones", layout.AREAS["keybedZones"], layout.tiles("keybedZones")),
        b.preset_name_panel(style, "presetNameEditPanel", layout.AREAS["presetNameEditPanel"]),
    )
    for order, group in enumerate(groups, 41):
        group.extra["LayoutOrder"] = order
        view.add(group)


# ---- Dialogs: preset transfer, global settings, about box.

CTRL = PE + "Control."

# Global settings groups by column, top to bottom: (group name, class, kind).
GLOBAL_COLUMNS = (
    (("midiChannel", "Global.LabeledGlobalChannel", "comboBox"),
     ("mackieHUIToggle", "Global.LabeledMackieHUIToggle", "comboBox"),
     ("midiDin", "Global.LabeledMidiDin", "comboBox"),
     ("program", "LabeledProgramSelector", "numericUpDown"),
     ("msb", "LabeledMSBSelector", "numericUpDown"),
     ("lsb", "LabeledLSBSelector", "numericUpDown"),
     ("controlCurve", "Global.LabeledControlCurve", "comboBox")),
    (("keyOctave", "Global.LabeledKeyOctave", "numericUpDown"),
     ("keyTranspose", "Global.LabeledKeyTranspose", "numericUpDown"),
     ("keySensitivity", "Global.LabeledKeySensitivity", "comboBox"),
     ("padOctave", "Global.LabeledPadOctave", "numericUpDown"),
     ("padTranspose", "Global.LabeledPadTranspose", "numericUpDown"),
     ("padSensitivity", "Global.LabeledPadSensitivity", "comboBox"),
     ("xyPadSensitivity", "Global.LabeledxyPadSensitivity", "comboBox")),
)


def _fixed(size):
    """Minimum = maximum: the dialog's window is not resizable."""
    w, h = size
    return dict(XMinSizeAbs=w, YMinSizeAbs=h, XMaxSizeAbs=w, YMaxSizeAbs=h)


def _transfer(style, b, cls, name, header, button_name, caption):
    g = style.grid
    field = style.metric("FIELD")
    top = 16 * g
    # The slot list opens inside the dialog's window, which the combo box keeps 5 pixels clear of: the
    # window reaches far enough below the box for the list's whole open height.
    box_bottom = top + (28 + field) // 2
    list_height = style.metric("LIST_ROWS") * style.metric("ROW") + 2
    size = (360, math.ceil((box_bottom + list_height + 5) / g) * g)
    slot = b.ctl(CTRL + "PresetSlotCombobox", "presetSlot", (4 * g, top, 200, 28))
    slot.add(b.combo_box(style, "comboBox", (0, (28 - field) // 2, 200, field), rows=13))
    action = b.button(style, button_name, (size[0] - 4 * g - 88, top, 88, 28), text=caption)
    d = b.dialog_frame(style, cls, name, size, "headerLabel", header, (slot, action))
    d.extra.update(_fixed(size))
    return d


def _global_settings(doc, style, b):
    size = (620, 440)
    g = style.grid
    col_w, row_h, step, top = 280, 28, 44, 16 * g
    groups = []
    for c, column in enumerate(GLOBAL_COLUMNS):
        x = 4 * g + c * (col_w + 7 * g)
        for r, (name, cls, kind) in enumerate(column):
            groups.append(b.labelled_selector(style, doc, CTRL + cls, name, (x, top + r * step, col_w, row_h),
                                              kind=kind, label_name="label", caption_width=150))
    y = size[1] - 4 * g - 28
    groups.append(b.button(style, "getGlobalSettingsButton", (4 * g, y, 120, 28), text="Get Settings"))
    groups.append(b.button(style, "sendGlobalSettingsButton", (4 * g + 120 + 2 * g, y, 120, 28),
                           text="Send Settings"))
    d = b.dialog_frame(style, PE + "GlobalEditorControl", "globalEditorControl", size, "headerLabel",
                       "GLOBAL SETTINGS", groups)
    d.extra.update(_fixed(size))
    return d


def _about(doc, style, b):
    w, h = size = (440, 240)
    g = style.grid
    d = b.ctl(PE + "DialogAbout", "dialogAbout", (0, 0, w, h), "Panel", **_fixed(size))
    d.add(
        b.picture(style, doc, "logoProduct", (6 * g, 6 * g, 200, 64), "about-product.png"),
        b.picture(style, doc, "logoMaker", (w - 6 * g - 160, 6 * g + 8, 160, 48), "about-maker.png"),
        b.label(style, "labelProduct", (6 * g, 28 * g, w - 12 * g, 20), looks="Text", font="default"),
        b.label(style, "labelCopyright", (6 * g, 28 * g + 24, w - 12 * g, 20), looks="Caption", font="info"),
        b.button(style, "buttonOK", (w - 4 * g - 88, h - 4 * g - 28, 88, 28), text="OK"),
    )
    return d


def dialogs(doc, style, b):
    found = [
        _transfer(style, b, PE + "Dialog.RetrievePresetFromHardware", "dialogRetrievePresetFromHardware",
                  "GET PRESET FROM DEVICE", "getButton", "GET"),
        _transfer(style, b, PE + "Dialog.SendPresetToHardware", "dialogSendPreset", "SEND PRESET TO DEVICE",
                  "send", "SEND"),
        _global_settings(doc, style, b),
        _about(doc, style, b),
    ]
    # A dialog's position is taken in its owner's client area: centred over the main window.
    for d in found:
        d.x, d.y = (WIDTH - d.w) // 2, (HEIGHT - d.h) // 2
    return found
