"""The editor's skin: the top-level controls of "Skin1", put together from the building blocks.

Later panels are added here: a table row in layout.py and a call of a building block below.
"""

PE = "PresetEditor."

WIDTH, HEIGHT = 1200, 772


def build(doc, style, b):
    bar = style.metric("MENU_BAR")
    main = b.ctl(PE + "MainControl", "mainControl", (0, 0, WIDTH, HEIGHT), "Body",
                 XMinSizeAbs=WIDTH, YMinSizeAbs=HEIGHT, XMaxSizeAbs=WIDTH, YMaxSizeAbs=HEIGHT)
    main.add(b.main_menu(style, "mainMenu", (0, 0, WIDTH, bar), LayoutOrder=0))
    view = b.ctl(PE + "MainControl.DeviceView", "viewDevice", (0, bar, WIDTH, HEIGHT - bar), "DeviceView",
                 LayoutOrder=1)
    main.add(view)
    buttons_encoders_faders(doc, style, b, view)
    doc.top += [main, b.tool_tip(style, "toolTip"), b.popup_menu(style, "contextMenu", (0, 0, 200, 88))]


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
