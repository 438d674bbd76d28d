"""The editor's look vocabulary, built once from the style table (palette, fonts, grid).

Every look list the building blocks name is made here, so one palette and one set of fonts serve
the whole skin. List names are the roles the blocks ask for ("Button", "MenuItem", "Caption" …).
"""

from model import Look, Part, SkinError, TextProps

# Look indices per framework class (how many looks each class shows).
BUTTON_LOOKS = 14  # 0–6 off: normal, hover, pressed, focused, focused hover, focused pressed, disabled; 7–13 on
ITEM_LOOKS = 14  # 0–2 normal/hover/pressed, 3–5 the same with a submenu, 6 disabled, 7–13 selected, 13 blank
LIST_LOOKS = 3  # 0 normal, 1 disabled, 2 focused
COMBO_LOOKS = 7  # 0 normal, 1 focused, 2 hover, 3 hover focused, 4 open, 5 open hover, 6 disabled
COMBO_MENU_LOOKS = 4  # 0 closed, 1 hover, 2 open, 3 disabled
TEXT_BOX_LOOKS = 12  # 0 normal, 1 hover, 2 cue base, 3 focused, 4 focused hover, 6 disabled, 9 cue, 10/11 selection
SCROLL_BAR_LOOKS = 2  # 0 normal, 1 paging highlight


class Style:
    """Colours by role, fonts by role, the spacing grid; adds colorizers and parts on demand."""

    def __init__(self, doc, table):
        self.doc = doc
        self.palette = dict(table.PALETTE)
        self.fonts = dict(table.FONTS)
        self.grid = table.GRID
        self.metrics = dict(table.METRICS)
        for name, text in self.palette.items():
            if not isinstance(text, str):
                raise SkinError(f'palette colour "{name}" must be written as text "0xAARRGGBB"')
            doc.colorizer(name, text)
            # Colour parts tile 64 x 64, as the colour swatches of the device tiles do.
            doc.part(Part(name, 64, 64, "Tile", colorizer=name))

    def font(self, role):
        if role not in self.fonts:
            raise SkinError(f'font role "{role}" is not in the style table')
        return self.fonts[role]

    def metric(self, name):
        if name not in self.metrics:
            raise SkinError(f'metric "{name}" is not in the style table')
        return self.metrics[name]

    def colour(self, name):
        if name not in self.palette:
            raise SkinError(f'colour "{name}" is not in the palette')
        return name


def _frame(colour, width=1):
    """Four non-client parts drawing a frame of `width` pixels inside the control's edge."""
    return [
        (colour, {"OffsetLeft": 0, "OffsetTop": 0, "OffsetRight": 0, "Height": width}),
        (colour, {"OffsetLeft": 0, "OffsetBottom": 0, "OffsetRight": 0, "Height": width}),
        (colour, {"OffsetLeft": 0, "OffsetTop": 0, "OffsetBottom": 0, "Width": width}),
        (colour, {"OffsetRight": 0, "OffsetTop": 0, "OffsetBottom": 0, "Width": width}),
    ]


def _bottom_line(colour):
    return [(colour, {"OffsetLeft": 0, "OffsetBottom": 0, "OffsetRight": 0, "Height": 1})]


def _text(colour, halign=0.0, pad=0, valign=0.5, vpad=0):
    return TextProps(colour, halign=halign, valign=valign, left=(0, pad), right=(1, -pad), top=(0, vpad),
                     bottom=(1, -vpad))


def build(doc, style):
    """Defines every look and look list of the editor."""
    s = style.colour
    looks = {}

    def look(name, fill=None, frame=None, text=None, extra=(), inset=(0, 0, 0, 0)):
        nonclient = (_frame(s(frame)) if frame else []) + list(extra)
        looks[name] = doc.look(
            Look(name, client=s(fill) if fill else None, offsets=inset, nonclient=nonclient, text=text))
        return name

    def lst(name, entries):
        doc.look_list(name, entries)

    g = style.grid
    # Plain surfaces. The hot-key column of menu rows takes the row's text colour at run time.
    lst("Body", [look("Body", "body")])
    lst("Panel", [look("Panel", "panel", frame="line")])
    lst("PanelFill", [look("PanelFill", "panel")])
    lst("DeviceView", [_device_look(doc, looks)])
    lst("Transparent", [look("Transparent", "clear")])
    # A light's colour byte that no colour list names: an empty outline, unlike "Off" (nothing) and
    # every colour (filled); the colour look lists end with it.
    look("UnknownColor", frame="textDim")
    lst("TransparentButton", ["Transparent"] * BUTTON_LOOKS)
    # Texts on any surface: captions, titles, body text, dim info text.
    lst("Caption", [look("Caption", text=_text(s("textDim")))])
    lst("CaptionCentred", [look("CaptionCentred", text=_text(s("textDim"), 0.5))])
    lst("Title", [look("Title", text=_text(s("text")))])
    lst("Text", [look("Text", text=_text(s("text")))])
    lst("TextCentred", [look("TextCentred", text=_text(s("text"), 0.5))])
    lst("Info", [look("Info", text=_text(s("textDim"), 0.5))])
    lst("InfoRight", [look("InfoRight", text=_text(s("textDim"), 1.0))])
    # Glyphs from the sprite sheet, 16 x 16 each: centred in the control, or at its right edge.
    for i, name in enumerate(("Down", "Up", "DownOn", "UpOn", "Check")):
        doc.part(Part("Glyph." + name, 16, 16, "Center", image="widgets.png", loc=(16 * i, 0)))

    def glyph(name, right=None):
        if right is None:
            return [("Glyph." + name, {"OffsetLeft": 0, "OffsetTop": 0, "OffsetRight": 0, "OffsetBottom": 0})]
        return [("Glyph." + name, {"OffsetRight": -right, "OffsetTop": 0, "OffsetBottom": 0, "Width": 16})]

    # Push buttons: raised charcoal face, lighter on hover, accent while pressed or on. A glyph
    # button shows its glyph in place of the text.
    def button_looks(prefix, off_glyph=(), on_glyph=(), text=True):
        face = _text(s("text"), 0.5) if text else None
        ink = _text(s("accentInk"), 0.5) if text else None
        grey = _text(s("textDisabled"), 0.5) if text else None
        pressed = look(prefix + ".Pressed", "accentDim", frame="accent", text=face, extra=off_glyph)
        on = look(prefix + ".On", "accent", frame="accent", text=ink, extra=on_glyph)
        on_hover = look(prefix + ".OnHover", "accentHover", frame="accentHover", text=ink, extra=on_glyph)
        # On the accent face the focus frame is light and two pixels wide, so a focused button that
        # is on still shows it.
        ring = _frame(s("text"), 2)
        return [
            look(prefix + ".Normal", "raised", frame="line", text=face, extra=off_glyph),
            look(prefix + ".Hover", "raisedHover", frame="lineHover", text=face, extra=off_glyph),
            pressed,
            look(prefix + ".Focused", "raised", frame="accent", text=face, extra=off_glyph),
            look(prefix + ".FocusedHover", "raisedHover", frame="accent", text=face, extra=off_glyph),
            pressed,
            look(prefix + ".Disabled", "panel", frame="line", text=grey, extra=off_glyph),
            on, on_hover, pressed,
            look(prefix + ".OnFocused", "accent", text=ink, extra=ring + list(on_glyph)),
            look(prefix + ".OnFocusedHover", "accentHover", text=ink, extra=ring + list(on_glyph)),
            pressed,
            look(prefix + ".OnDisabled", "accentDim", frame="line", text=grey, extra=on_glyph),
        ]

    lst("Button", button_looks("Button"))
    lst("SpinUp", button_looks("SpinUp", glyph("Up"), glyph("UpOn"), text=False))
    lst("SpinDown", button_looks("SpinDown", glyph("Down"), glyph("DownOn"), text=False))
    # Tab buttons: flat until hovered, accent underline when selected, the accent frame while focused.
    tab = _text(s("textDim"), 0.5)
    tab_on = _text(s("text"), 0.5)
    underline = [(s("accent"), {"OffsetLeft": 0, "OffsetBottom": 0, "OffsetRight": 0, "Height": 2})]
    tab_focused = look("Tab.Focused", "panel", frame="accent", text=tab_on)
    tab_off = [
        look("Tab.Normal", "panel", text=tab),
        look("Tab.Hover", "raised", text=_text(s("text"), 0.5)),
        "Tab.Hover",
        tab_focused,
        look("Tab.FocusedHover", "raised", frame="accent", text=tab_on),
        tab_focused,
        look("Tab.Disabled", "panel", text=_text(s("textDisabled"), 0.5)),
    ]
    tab_on_look = look("Tab.On", "raised", text=tab_on, extra=underline)
    tab_on_focused = look("Tab.OnFocused", "raised", frame="accent", text=tab_on, extra=underline)
    tab_lit = [tab_on_look] * 3 + [tab_on_focused] * 3 + [
        look("Tab.OnDisabled", "panel", text=_text(s("textDisabled"), 0.5), extra=underline)
    ]
    lst("TabButton", tab_off + tab_lit)
    # Menu bar and its menus.
    lst("MenuBar", [look("MenuBar", "menuBar", extra=_bottom_line(s("line")))])
    title = _text(s("text"), 0.5)
    lst(
        "MenuTitle",
        [
            look("MenuTitle.Normal", "menuBar", text=title),
            look("MenuTitle.Hover", "raisedHover", text=title),
            look("MenuTitle.Open", "accent", text=_text(s("accentInk"), 0.5)),
            look("MenuTitle.Disabled", "menuBar", text=_text(s("textDisabled"), 0.5)),
        ],
    )
    lst("PopupMenu", [look("PopupMenu", "menu", frame="lineHover", inset=(1, g, -1, -g))] * LIST_LOOKS)
    # Separators are rows of the same height (the popup stacks its rows under each other once).
    row = _text(s("text"), 0.0, 7 * g)
    row_on = _text(s("accentInk"), 0.0, 7 * g)
    sep = [(s("line"), {"OffsetLeft": 2 * g, "OffsetRight": -2 * g, "OffsetTop": style.metric("MENU_ROW") // 2,
                        "Height": 1})]
    look("MenuSeparator", "menu", extra=sep)
    normal = look("MenuItem.Normal", "menu", text=row)
    hover = look("MenuItem.Hover", "accent", text=row_on)
    disabled = look("MenuItem.Disabled", "menu", text=_text(s("textDisabled"), 0.0, 7 * g))
    lst("MenuItem", [normal, hover, hover, normal, hover, hover, disabled, hover, hover, hover, hover, hover, hover,
                     "MenuSeparator"])
    lst("HotKey", [look("HotKey", text=_text(s("textDim"), 1.0))])
    # Check boxes: an empty field while off, the accent with the check mark while on; focused, the
    # frame of a focused button.
    box_off = look("CheckBox.Off", "field", frame="line")
    box_hover = look("CheckBox.Hover", "field", frame="lineHover")
    box_focused = look("CheckBox.Focused", "field", frame="accent")
    box_on = look("CheckBox.On", "accent", frame="accent", extra=glyph("Check"))
    box_on_hover = look("CheckBox.OnHover", "accentHover", frame="accentHover", extra=glyph("Check"))
    box_on_focused = look("CheckBox.OnFocused", "accent", extra=_frame(s("text"), 2) + glyph("Check"))
    lst("CheckBox", [box_off, box_hover, box_hover, box_focused, box_focused, box_focused,
                     look("CheckBox.Disabled", "panel", frame="line"), box_on, box_on_hover, box_on_hover,
                     box_on_focused, box_on_focused, box_on_focused,
                     look("CheckBox.OnDisabled", "accentDim", frame="line")])
    lst("CheckMark", ["Transparent"] * 7 + [look("CheckMark", "accent", extra=glyph("Check"))] * 7)
    # Lists, combo boxes, text boxes, scroll bars.
    lst("ListBox", [look("ListBox", "menu", frame="lineHover", inset=(1, 1, -1, -1))] * LIST_LOOKS)
    item = _text(s("text"), 0.0, 2 * g)
    item_on = _text(s("accentInk"), 0.0, 2 * g)
    it_n = look("ListItem.Normal", "menu", text=item)
    it_h = look("ListItem.Hover", "raisedHover", text=item)
    it_s = look("ListItem.Selected", "accent", text=item_on)
    it_d = look("ListItem.Disabled", "menu", text=_text(s("textDisabled"), 0.0, 2 * g))
    lst("ListItem", [it_n, it_h, it_s, it_n, it_h, it_s, it_d] + [it_s] * 6 + ["MenuSeparator"])
    # Combo boxes: a field with the drop-down arrow at the right; the text stops short of it.
    box = TextProps(s("text"), left=(0, 2 * g), right=(1, -6 * g))
    arrow = glyph("Down", g)
    combo = [
        look("Combo.Normal", "field", frame="line", text=box, extra=arrow),
        look("Combo.Focused", "field", frame="accent", text=box, extra=arrow),
        look("Combo.Hover", "field", frame="lineHover", text=box, extra=arrow),
        "Combo.Focused",
        look("Combo.Open", "field", frame="accent", text=box, extra=glyph("Up", g)),
        "Combo.Open",
        look("Combo.Disabled", "panel", frame="line", text=TextProps(s("textDisabled"), left=(0, 2 * g),
                                                                     right=(1, -6 * g)), extra=arrow),
    ]
    lst("ComboBox", combo)
    # The text area stays inside the frame: the cue look paints only that area, so the frame around
    # an empty box is whole.
    field = _text(s("text"), 0.0, g + 2, vpad=1)
    text_box = [
        look("TextBox.Normal", "field", frame="line", text=field),
        look("TextBox.Hover", "field", frame="lineHover", text=field),
        "TextBox.Normal",
        look("TextBox.Focused", "field", frame="accent", text=field),
        "TextBox.Focused",
        "TextBox.Focused",
        look("TextBox.Disabled", "panel", frame="line", text=_text(s("textDisabled"), 0.0, g + 2, vpad=1)),
        "TextBox.Normal",
        "TextBox.Normal",
        look("TextBox.Cue", "field", text=_text(s("textDim"), 0.0, g + 2, vpad=1)),
        # The selected text stays readable over the selection colour.
        look("TextBox.Selection", "selection", text=field),
        "TextBox.Selection",
    ]
    lst("TextBox", text_box)
    lst("ScrollBar", [look("ScrollBar", "field"), look("ScrollBar.Paging", "raised")])
    thumb = [look("Thumb", "raisedHover"), look("Thumb.Hover", "lineHover"), look("Thumb.Pressed", "accent")]
    off = thumb + thumb[:1] * 3 + [look("Thumb.Disabled", "raised")]
    lst("ScrollThumb", off + off)
    # Device tiles: the covering button is all but clear while off (it must take the clicks) and
    # frames the tile in the accent while on.
    clear_hit = look("Tile.Off", "hitClear")
    hover_tile = look("Tile.Hover", "hitClear", frame="lineHover")
    on_tile = look("Tile.On", "hitClear", extra=_frame(s("accent"), 2))
    lst("TileButton", [clear_hit, hover_tile, hover_tile, clear_hit, hover_tile, hover_tile, clear_hit] + [on_tile] * 7)
    # Tool tips.
    lst("ToolTip", [look("ToolTip", "raised", frame="lineHover", text=_text(s("text"), 0.0, 2 * g, vpad=g))])
    return looks


def _device_look(doc, looks):
    doc.part(Part("DevicePicture", 1200, 750, "Stretch", image="device.png", loc=(0, 0)))
    looks["DeviceView"] = doc.look(Look("DeviceView", client="DevicePicture"))
    return "DeviceView"

