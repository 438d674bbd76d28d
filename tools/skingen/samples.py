"""One control of every building block under the top-level panels "blockSamples" and "editorSamples": the tests build it
with the real factory, so a block that writes a subtree the framework cannot create is caught before
a panel uses it."""

import sys

PE = "PresetEditor."
CTRL = PE + "Control."
TABS = CTRL + "MovementTypes.TabControl"


def build(doc, style, b):
    panel = b.ctl("Framework.Panel", "blockSamples", (0, 0, 640, 480), "Body")
    panel.add(
        b.labelled_selector(style, doc, CTRL + "LabeledMidiChannelSelector", "midiChannel", (8, 8, 240, 24)),
        b.labelled_selector(style, doc, CTRL + "LabeledMinSelector", "min", (8, 40, 240, 24), kind="numericUpDown"),
        b.combo_box(style, "comboBox", (8, 72, 160, 22)),
        b.numeric_up_down(style, "numericUpDown", (8, 104, 96, 22)),
        b.scroll_bar(style, "vBar", (620, 8, 12, 200)),
        b.tab_control(
            style, doc, TABS, "tabControl", (260, 8, 360, 160), (TABS + ".ButtonHolder", TABS + ".PageHolder"),
            [(name, caption, b.ctl(TABS + ".PageHolder." + cls, name, (0, 0, 360, 136), "Panel"))
             for name, caption, cls in (("ccAbsolutePage", "CC ABSOLUTE", "CCAbsolutePage"),
                                        ("ccRelativePage", "CC RELATIVE", "CCRelativePage"),
                                        ("nrpnRpnPage", "RPN/NRPN", "NrpnRpnPage"),
                                        ("otherPage", "OTHER", "OtherPage"))]),
        b.tile(style, "Framework.Panel", "tile", (8, 140, 74, 64),
               [b.label(style, "tileNumberLabel", (4, 4, 40, 14), text="T%d")]),
        b.edit_panel(style, "Framework.Panel", "editPanel", (8, 220, 400, 120), "panelName", visible=True),
    )
    editors = b.ctl("Framework.Panel", "editorSamples", (0, 0, 1060, 500), "Body")
    editors.add(
        b.button_type_panel(style, doc, "midiPage", (10, 10, 1040, 200)),
        b.note_selector(style, "noteSelector", (10, 224, 136, 24)),
        b.note_selector(style, "zoneNoteSelector", (160, 224, 136, 24), zone=True),
        b.cc_selector(style, "ccSelector", (310, 224, 240, 24)),
        b.channel_view(style, "channelView", (570, 224, 64, 14)),
        b.push_button_view(style, "viewPanel", (650, 224, 64, 44)),
        b.button_type_panel(style, doc, "buttonTypePanel", (10, 290, 1040, 200),
                            page_classes=b.SUSTAIN_MODE_PAGE_CLASSES, hidden_tabs=b.SUSTAIN_HIDDEN_TABS),
    )
    doc.top += [panel, editors, b.dialog_frame(style, "Framework.Panel", "dialogSample", (360, 170), "headerLabel",
                                      "SAMPLE DIALOG")]

    # Keybed zones, XY pad, pads, preset name, pedals and wheels: under a main control's "viewDevice", edit panels
    # first, as in the device view, so the groups find their editors.
    # The texts table, loaded by the generator before the samples are built.
    b.colour_looks(doc, "K49PE.Pad.Colors", sys.modules["skin_texts"].PAD_COLOURS)
    # The editor's layout table, loaded with its editor table.
    layout = sys.modules["layout"]
    others = b.ctl(PE + "MainControl", "othersSamples", (0, 0, 1200, 772), "Body")
    view = b.ctl("Framework.Panel", "viewDevice", (0, 22, 1200, 750), "DeviceView")
    view.add(
        b.zone_edit_panel(style, doc, "zoneEditPanel", (10, 440, 1180, 300)),
        b.pad_edit_panel(style, doc, "padEditPanel", (10, 440, 1180, 300)),
        b.wheel_edit_panel(style, doc, "wheelEditPanel", (10, 440, 1180, 300)),
        b.xy_pad_edit_panel(style, doc, "xyPadEditPanel", (10, 440, 1180, 300)),
        *b.pedal_edit_panels(style, doc, (10, 440, 1180, 300)),
        b.keybed_zones(style, "keybedZones", (20, 326, 1160, 40),
                       [(round(i * 290), 0, 290, 40) for i in range(4)]),
        b.preset_name_panel(style, "presetNameEditPanel", (20, 10, 260, 40)),
        b.wheels(style, "wheels", (20, 70, 130, 170), [(0, 0, 65, 170), (65, 0, 65, 170)]),
        b.pedals(style, "pedals", (20, 250, 130, 70), [(0, 0, 65, 70), (65, 0, 65, 70)]),
        # The pads as the editor lays them out: their tiles are tight for their texts.
        b.xy_pad(style, "xyPad", layout.AREAS["xyPad"], layout.tiles("xyPad")),
        b.pads(style, "pads", layout.AREAS["pads"], layout.tiles("pads")),
        b.xy_pad_notes(style, doc, "noteModePage", (10, 440, 1180, 300)),
    )
    view.child("noteModePage").extra["IsVisible"] = False
    others.add(view)
    doc.top.append(others)
