"""Building blocks: each returns a complete control subtree with the inner names the code finds.

A block's texts go on the control as `texts` (its own table, "<parent class>|<name>", registered when
the tree is finished) or straight into `doc.strings` for the children's tables, which the block can
name because it knows its own class. `reads` lists the keys the program reads from the control's
own table; a missing one fails the build.
"""

from model import Control

TRUE = "True"


def ctl(cls, name, rect, looks=None, **kw):
    """Any control: class, name, (x, y, width, height), look list, further attributes."""
    return Control(cls, name, rect, looks=looks, **kw)


def _at_right(c, inset):
    """Places `c` with its right edge `inset` pixels inside its parent's client area."""
    c.extra.update({"XPositionToControl": "Client", "XPositionRel": 1.0, "XPlacementAnchor": 1.0})
    c.x = -inset
    return c


def label(style, name, rect, looks="Caption", font="caption", text=None, **kw):
    """A Framework.Label; `text` becomes its LABEL."""
    texts = {"LABEL": text} if text is not None else None
    return ctl("Framework.Label", name, rect, looks, texts=texts, font=style.font(font) if font else None, **kw)


def button(style, name, rect, text=None, looks="Button", font="caption", params=None, **kw):
    """A Framework.Button; `params` are its create parameters ("IS_RADIO", "AUTO_VALUE_SET" …)."""
    texts = {"LABEL": text} if text is not None else None
    return ctl("Framework.Button", name, rect, looks, texts=texts, font=style.font(font) if font else None,
               params=params, **kw)


def scroll_bar(style, name, rect, **kw):
    """A vertical Framework.ScrollBar: "dec", "inc" and the "channel" with its "thumb"."""
    w = rect[2]
    bar = ctl("Framework.ScrollBar", name, rect, "ScrollBar", **kw)
    bar.add(
        ctl("Framework.Button", "dec", (0, 0, w, w), "SpinUp", params={"NOT_FOCUSABLE": TRUE}),
        ctl("Framework.Button", "inc", (0, 0, w, w), "SpinDown", params={"NOT_FOCUSABLE": TRUE},
            YPositionToControl="Client", YPositionRel=1.0, YPlacementAnchor=1.0),
        ctl("Framework.Panel", "channel", (0, w, w, -2 * w), "ScrollBar", YSizeToControl="Client", YSizeRel=1.0).add(
            ctl("Framework.Button", "thumb", (0, 0, w, 3 * w), "ScrollThumb", params={"NOT_FOCUSABLE": TRUE})),
    )
    return bar


def list_box(style, name, rect, cls="Framework.ListBox", dropdown=False):
    """A list box with its "templateItem" row and a "vBar" scroll bar; as a combo box's drop-down it
    hangs below its parent, as wide as it, unclipped and hidden."""
    m = style.metric
    extra = {}
    if dropdown:
        extra = dict(ClipToParent=False, Z_Order=4, IsVisible=False, YPositionRel=1.0, XSizeToControl="Client",
                     XSizeRel=1.0, YMaxSizeAbs=m("LIST_ROWS") * m("ROW") + 2)
    lb = ctl(cls, name, rect, "ListBox", **extra)
    lb.add(ctl("Framework.ListBoxItem", "templateItem", (0, 0, -m("SCROLL") - 2, m("ROW")), "ListItem",
               XSizeToControl="Client", XSizeRel=1.0),
           _at_right(scroll_bar(style, "vBar", (0, 0, m("SCROLL"), 0), YSizeToControl="Client", YSizeRel=1.0), 0))
    return lb


def combo_box(style, name, rect, rows=8):
    """A Framework.ComboBox with its drop-down "listBox"."""
    m = style.metric
    cb = ctl("Framework.ComboBox", name, rect, "ComboBox")
    cb.add(list_box(style, "listBox", (0, 0, 0, min(rows, m("LIST_ROWS")) * m("ROW") + 2), dropdown=True))
    return cb


def numeric_up_down(style, name, rect):
    """A Framework.NumericUpDown: "textBox" and, stacked at the right edge, "buttonUp" and "buttonDown"."""
    x, y, w, h = rect
    spin = style.metric("SPIN")
    nud = ctl("Framework.NumericUpDown", name, rect)
    nud.add(
        ctl("Framework.TextBox", "textBox", (0, 0, w - spin, h), "TextBox"),
        button(style, "buttonUp", (w - spin, 0, spin, h // 2), looks="SpinUp", font=None,
               params={"NOT_FOCUSABLE": TRUE}),
        button(style, "buttonDown", (w - spin, h // 2, spin, h - h // 2), looks="SpinDown", font=None,
               params={"NOT_FOCUSABLE": TRUE}),
    )
    return nud


def labelled_selector(style, doc, cls, name, rect, kind="comboBox", caption=None, items=None,
                      label_name="controlNameLabel", caption_width=None):
    """A caption beside a combo box or numeric up-down: the composite of class `cls` holding
    `label_name` and "comboBox" or "numericUpDown". Caption and items go into the children's tables
    "<cls>|<label_name>" and "<cls>|comboBox"."""
    x, y, w, h = rect
    field = style.metric("FIELD")
    cw = caption_width if caption_width is not None else w // 2
    sel = ctl(cls, name, rect)
    sel.add(label(style, label_name, (0, 0, cw, h)))
    if kind == "comboBox":
        sel.add(combo_box(style, "comboBox", (cw, (h - field) // 2, w - cw, field)))
    else:
        sel.add(numeric_up_down(style, "numericUpDown", (cw, (h - field) // 2, w - cw, field)))
    if caption is not None:
        doc.strings.set(f"{cls}|{label_name}", "LABEL", caption)
    if items is not None:
        for i, text in enumerate(items):
            doc.strings.set(f"{cls}|comboBox", f"ITEM.{i:02d}", text)
    return sel


def tab_control(style, doc, cls, name, rect, holder_classes, pages, selected=0, tab_height=24, weights=None):
    """A tab control: "buttonHolder" with one radio button per page and "pageHolder" with the pages,
    the n-th button and the n-th page sharing name and position. `pages` is a list of
    (page name, caption, page control); the selected button gets the lowest tab stop and
    INITIAL_VALUE 1. The buttons share the width equally, or by `weights` (one per page)."""
    x, y, w, h = rect
    button_cls, page_cls = holder_classes
    tc = ctl(cls, name, rect)
    buttons = ctl(button_cls, "buttonHolder", (0, 0, w, tab_height), "Transparent")
    holder = ctl(page_cls, "pageHolder", (0, tab_height, w, h - tab_height), "Panel")
    weights = weights or [1] * len(pages)
    edges = [round(w * sum(weights[:i]) / max(1, sum(weights))) for i in range(len(pages) + 1)]
    for i, (page_name, caption, page) in enumerate(pages):
        # No NOT_FOCUSABLE: it turns the tab stop negative, and the selection follows tab order.
        params = {"IS_RADIO": TRUE, "AUTO_VALUE_SET": TRUE}
        if i == selected:
            params["INITIAL_VALUE"] = "1"
        tab_stop = 0 if i == selected else i + 1
        buttons.add(button(style, page_name, (edges[i], 0, edges[i + 1] - edges[i], tab_height), looks="TabButton",
                           params=params, LayoutOrder=i, TabStop=tab_stop))
        page.name = page_name
        page.extra["LayoutOrder"] = i
        holder.add(page)
        doc.strings.set(f"{button_cls}|{page_name}", "LABEL", caption)
    tc.add(buttons, holder)
    return tc


def tile(style, cls, name, rect, children=(), looks=None):
    """A device tile: its children, then "button" covering the whole tile, last so it is on top;
    its off looks are all but transparent so it takes every click (no AUTO_VALUE_SET: the owner sets
    its value)."""
    x, y, w, h = rect
    t = ctl(cls, name, rect, looks)
    t.add(*children)
    t.add(ctl("Framework.Button", "button", (0, 0, w, h), "TileButton", params={"NOT_FOCUSABLE": TRUE}))
    return t


def edit_panel(style, cls, name, rect, title_name, children=(), visible=False):
    """An edit panel: a charcoal panel, hidden at start, with its title label `title_name` (12 bold)."""
    g = style.grid
    p = ctl(cls, name, rect, "Panel", IsVisible=visible)
    p.add(label(style, title_name, (3 * g, 2 * g, 240, 24), looks="Title", font="title"))
    p.add(*children)
    return p


def dialog_frame(style, cls, name, size, header_name, header_text, children=()):
    """A top-level dialog: panel look, a 12-bold header label and a close button "buttonClose" at the
    bottom right."""
    g = style.grid
    w, h = size
    d = ctl(cls, name, (0, 0, w, h), "Panel")
    d.add(label(style, header_name, (4 * g, 3 * g, w - 8 * g, 24), looks="Title", font="title", text=header_text))
    d.add(*children)
    d.add(button(style, "buttonClose", (w - 4 * g - 88, h - 4 * g - 28, 88, 28), text="CLOSE"))
    return d


def popup_menu(style, name, rect, **kw):
    """A Framework.PopupMenu with its "templateItem" row: check box at the left, hot-key text at the
    right."""
    m = style.metric
    row = m("MENU_ROW")
    pm = ctl("Framework.PopupMenu", name, rect, "PopupMenu", ClipToParent=False, Z_Order=4, **kw)
    item = ctl("Framework.MenuItem", "templateItem", (0, 0, 0, row), "MenuItem", XSizeToControl="Client",
               XSizeRel=1.0, params={"NOT_FOCUSABLE": TRUE})
    check = m("CHECK")
    item.add(
        ctl("Framework.Button", "checkBox", (2 * style.grid, (row - check) // 2, check, check), "CheckMark",
            params={"NOT_FOCUSABLE": TRUE}),
        _at_right(ctl("Framework.Label", "hotKeyLabel", (0, 0, m("HOT_KEY"), 0), "HotKey", YSizeToControl="Client",
                      YSizeRel=1.0), 3 * style.grid),
    )
    pm.add(item)
    return pm


def main_menu(style, name, rect, **kw):
    """A Framework.MainMenu: the "templateMenu" title with its "popupMenu" drop-down."""
    m = style.metric
    bar = ctl("Framework.MainMenu", name, rect, "MenuBar", reads=("MENU_LABEL.00",), **kw)
    # The titles stop above the bar's bottom line, which so runs under them across the whole bar.
    title = ctl("Framework.ComboMenu", "templateMenu", (0, 0, m("MENU_TITLE"), rect[3] - 1), "MenuTitle")
    title.add(popup_menu(style, "popupMenu", (0, 0, m("MENU_WIDTH"), 4 * m("MENU_ROW")), YPositionRel=1.0))
    bar.add(title)
    return bar


def tool_tip(style, name):
    """The tool tip: as large as its text and the look's padding (it wraps inside the window)."""
    g = style.grid
    return ctl("Framework.ToolTip", name, (0, 0, 4 * g, 2 * g), "ToolTip", TextOverflowXType="Expand",
               TextOverflowYType="Expand")


def picture(style, doc, name, rect, image):
    """A Framework.Panel showing one image at its own size, centred; the image's part, look and
    look list are named after the file ("about-maker.png" → "Picture.about-maker")."""
    x, y, w, h = rect
    look = "Picture." + image[:-4]
    doc.part(Part(look, w, h, "Center", image=image, loc=(0, 0)))
    doc.look(Look(look, client=look))
    doc.look_list(look, [look])
    return ctl("Framework.Panel", name, rect, look)


# ---- The editors' composites: note and CC selectors, labelled pairs, the push-button MIDI-type editor
# and the read-only views inside the tiles.

PE = "PresetEditor."
CTRL = PE + "Control."
COLUMN, ROW_STEP, CAPTION = 216, 32, 80  # editor page grid: column pitch, row pitch, caption width (room for "TRANSPOSE" in bold)


def note_selector(style, name, rect, zone=False):
    """A note selector: "noteNameLabel", "numericUpDown", "octaveNameLabel"; the names come from the
    labels' rank-read tables of the class (sharps, or flats and octaves 1–11 for the zone variant)."""
    x, y, w, h = rect
    field = style.metric("FIELD")
    cls = CTRL + ("ZoneNoteSelector" if zone else "NoteSelector")
    top = (h - field) // 2
    sel = ctl(cls, name, rect)
    sel.add(label(style, "noteNameLabel", (0, 0, 28, h), looks="TextCentred", font="default"),
            numeric_up_down(style, "numericUpDown", (28, top, w - 28 - 40, field)),
            label(style, "octaveNameLabel", (w - 40, 0, 40, h), looks="TextCentred", font="default"))
    return sel


def cc_selector(style, name, rect):
    """A CC selector: a "numericUpDown" and the controller's name in "label"."""
    x, y, w, h = rect
    field = style.metric("FIELD")
    box = 64
    sel = ctl(CTRL + "CCSelector", name, rect)
    sel.add(numeric_up_down(style, "numericUpDown", (0, (h - field) // 2, box, field)),
            label(style, "label", (box + 2 * style.grid, 0, w - box - 2 * style.grid, h), looks="Text",
                  font="default"))
    return sel


def labelled(style, cls, name, rect, inner, caption_width=CAPTION):
    """A caption "controlNameLabel" beside `inner` (a block taking its name and rectangle)."""
    x, y, w, h = rect
    sel = ctl(cls, name, rect)
    sel.add(label(style, "controlNameLabel", (0, 0, caption_width, h)), inner((caption_width, 0, w - caption_width, h)))
    return sel


def labelled_cc(style, name, rect):
    return labelled(style, CTRL + "LabeledCCSelector", name, rect, lambda r: cc_selector(style, "ccSelector", r))


def labelled_note(style, name, rect):
    return labelled(style, CTRL + "LabeledNoteSelector", name, rect, lambda r: note_selector(style, "noteSelector", r))


def labelled_number(style, doc, cls, name, rect):
    return labelled_selector(style, doc, CTRL + cls, name, rect, kind="numericUpDown", caption_width=CAPTION)


def labelled_list(style, doc, cls, name, rect, caption_width=CAPTION):
    return labelled_selector(style, doc, CTRL + cls, name, rect, caption_width=caption_width)


def labelled_check(style, cls, name, rect):
    """A caption beside a check box "button" (its owner switches AUTO_VALUE_SET on)."""
    x, y, w, h = rect
    side = style.metric("CHECK")
    return labelled(style, CTRL + cls, name, rect, lambda r: ctl("Framework.Button", "button",
                                                                  (r[0], (h - side) // 2, side, side), "CheckBox"))


def selector_pair(style, doc, cls, name, rect, first, second):
    """Two labelled numbers side by side in a composite of class `cls`: `first` and `second` are
    (selector class, child name)."""
    x, y, w, h = rect
    half = (w - 2 * style.grid) // 2
    pair = ctl(CTRL + cls, name, rect)
    pair.add(labelled_number(style, doc, first[0], first[1], (0, 0, half, h)),
             labelled_number(style, doc, second[0], second[1], (w - half, 0, half, h)))
    return pair


BUTTON_MODE_PAGES = ("ccAbsolutePage", "ccCyclePage", "ccIncDecPage", "mmcPage", "notePage", "nrpnRpnPage",
                     "programCyclePage", "programIncDecPage", "programPage", "otherPage")
BUTTON_MODE_CAPTIONS = ("CC ABSOLUTE", "CC CYCLE", "CC INC/DEC", "MMC", "NOTE", "RPN/NRPN", "PROGRAM CYCLE",
                        "PROGRAM INC/DEC", "PROGRAM", "OTHER")
# Page classes: the ButtonModesControl names of 9.104 where they exist, else the pad's.
BUTTON_MODE_PAGE_CLASSES = {
    "ccAbsolutePage": CTRL + "ButtonModesControl.TabControl.PageHolder.CCAbsolutePage",
    "nrpnRpnPage": CTRL + "ButtonModesControl.TabControl.PageHolder.NrpnRpnPage",
    "otherPage": CTRL + "ButtonModesControl.TabControl.PageHolder.OtherPage",
    "ccCyclePage": CTRL + "PadModes.TabControl.PageHolder.CCCyclePage",
    "ccIncDecPage": CTRL + "PadModes.TabControl.PageHolder.CCIncDecPage",
    "mmcPage": CTRL + "PadModes.TabControl.PageHolder.MMCPage",
    "notePage": CTRL + "PadModes.TabControl.PageHolder.NotePage",
    "programCyclePage": CTRL + "PadModes.TabControl.PageHolder.ProgramCyclePage",
    "programIncDecPage": CTRL + "PadModes.TabControl.PageHolder.ProgramIncDecPage",
    "programPage": CTRL + "PadModes.TabControl.PageHolder.ProgramPage",
}


# The sustain pedal's editor: six pages of its own classes, the other four of the button's, and the two
# cycle pages' tab buttons transparent and hidden, so they cannot be chosen.
SUSTAIN_MODE_PAGE_CLASSES = {
    page: CTRL + "SustainModes.TabControl.PageHolder." + cls
    for page, cls in (("notePage", "NotePage"), ("programPage", "ProgramPage"), ("ccAbsolutePage", "CCAbsolutePage"),
                      ("ccIncDecPage", "CCIncDecPage"), ("mmcPage", "MMCPage"),
                      ("programIncDecPage", "ProgramIncDecPage"))
}
SUSTAIN_HIDDEN_TABS = ("ccCyclePage", "programCyclePage")


def button_type_panel(style, doc, name, rect, page_classes=None, hidden_tabs=()):
    """The push-button MIDI-type editor: "tabControl" with the ten pages of BUTTON_MODE_PAGES, each
    holding "midiChannel" and its fields on a grid of COLUMN x ROW_STEP cells. The tab buttons named
    in `hidden_tabs` are transparent and hidden."""
    x, y, w, h = rect
    classes = dict(BUTTON_MODE_PAGE_CLASSES, **(page_classes or {}))
    g = style.grid
    row_h = 24
    tab_h = 24
    page_w, page_h = w, h - tab_h

    def cell(col, row, span=1):
        return (3 * g + col * COLUMN, 3 * g + row * ROW_STEP, span * COLUMN - 2 * g, row_h)

    def values(prefix, cls):
        return [labelled_number(style, doc, cls, f"{prefix}{i}", cell(i - 1, 2)) for i in range(1, 5)]

    fields = {
        "ccAbsolutePage": [labelled_cc(style, "cc", cell(1, 0, 2)),
                           selector_pair(style, doc, "PressedReleasedSelectors", "pressedReleasedSelectors",
                                         cell(0, 1, 2), ("LabeledPressedSelector", "pressed"),
                                         ("LabeledReleasedSelector", "released"))],
        "ccCyclePage": [labelled_cc(style, "cc", cell(1, 0, 2)),
                        labelled_list(style, doc, "LabeledCycleTypeSelector", "cycleType", cell(0, 1))]
        + values("ccValue", "LabeledCCValueSelector"),
        "ccIncDecPage": [labelled_list(style, doc, "LabeledINCDecTypeSelector", "incDec", cell(0, 1)),
                         labelled_cc(style, "cc", cell(1, 0, 2)),
                         selector_pair(style, doc, "MinMaxSelectors", "minMaxSelectors", cell(1, 1, 2),
                                       ("LabeledMinSelector", "min"), ("LabeledMaxSelector", "max"))],
        "mmcPage": [labelled_list(style, doc, "LabeledMMCSelector", "mmc", cell(1, 0))],
        "notePage": [labelled_check(style, "LabeledLatchingSelector", "latching", cell(0, 1)),
                     labelled_note(style, "note", cell(1, 0)),
                     selector_pair(style, doc, "OnOffSelectors", "onOffSelectors", cell(1, 1, 2),
                                   ("LabeledOnSelector", "on"), ("LabeledOffSelector", "off"))],
        "nrpnRpnPage": [labelled_list(style, doc, "LabeledNrpnRpnSelector", "NrpnRpn", cell(1, 0)),
                        selector_pair(style, doc, "MSBLSBSelectors", "msbLSBSelectors", cell(0, 1, 2),
                                      ("LabeledMSBSelector", "msb"), ("LabeledLSBSelector", "lsb")),
                        labelled_number(style, doc, "LabeledCCValueSelector", "value", cell(2, 1))],
        "programCyclePage": values("program", "LabeledProgramSelector")
        + [labelled_list(style, doc, "LabeledCycleTypeSelector", "cycleType", cell(0, 1))],
        "programIncDecPage": [selector_pair(style, doc, "MinMaxSelectors", "minMaxSelectors", cell(0, 1, 2),
                                            ("LabeledMinSelector", "min"), ("LabeledMaxSelector", "max")),
                              labelled_list(style, doc, "LabeledINCDecTypeSelector", "incDecType", cell(1, 0))],
        "programPage": [labelled_number(style, doc, "LabeledProgramSelector", "program", cell(1, 0)),
                        selector_pair(style, doc, "MSBLSBSelectors", "msbLSBSelectors", cell(0, 1, 2),
                                      ("LabeledMSBSelector", "msb"), ("LabeledLSBSelector", "lsb"))],
        "otherPage": [labelled_list(style, doc, "LabeledOtherSelector", "type", cell(1, 0, 2)),
                      labelled_number(style, doc, "LabeledCCValueSelector", "value", cell(0, 1))],
    }
    pages = []
    for page_name, caption in zip(BUTTON_MODE_PAGES, BUTTON_MODE_CAPTIONS):
        page = ctl(classes[page_name], page_name, (0, 0, page_w, page_h), "Panel")
        page.add(labelled_list(style, doc, "LabeledMidiChannelSelector", "midiChannel", cell(0, 0)))
        page.add(*fields[page_name])
        pages.append((page_name, caption, page))
    tabs = CTRL + "ButtonModesControl.TabControl"
    panel = ctl(PE + "MainControl.EditPanel.ButtonTypePanel", name, rect)
    # Tabs as wide as their captions need, plus room around each.
    panel.add(tab_control(style, doc, tabs, "tabControl", (0, 0, w, h), (tabs + ".ButtonHolder", tabs + ".PageHolder"),
                          pages, tab_height=tab_h,
                          weights=[0 if page in hidden_tabs else len(caption) + 6
                                   for page, caption in zip(BUTTON_MODE_PAGES, BUTTON_MODE_CAPTIONS)]))
    holder = panel.child("tabControl").child("buttonHolder")
    for tab in hidden_tabs:
        hidden = holder.child(tab)
        hidden.looks = "TransparentButton"
        hidden.extra["IsVisible"] = False
    return panel


def channel_view(style, name, rect, font="info", looks="Info"):
    """The channel label of a tile: "label" in the info font, centred (the pads' narrow tiles take the
    small font, left-aligned in a column beside the number)."""
    x, y, w, h = rect
    view = ctl(PE + "MainControl.MIDIChannelView", name, rect)
    view.add(label(style, "label", (0, 0, w, h), looks=looks, font=font))
    return view


def push_button_view(style, name, rect):
    """The summary inside a push-button tile: "midiChannel" above the two-line "infoLabel"."""
    x, y, w, h = rect
    line = 14
    view = ctl(PE + "MainControl.PushButtonType.ViewPanel", name, rect)
    view.add(channel_view(style, "midiChannel", (0, 0, w, line)),
             label(style, "infoLabel", (0, line, w, h - line), looks="Info", font="info"))
    return view


# ---- Buttons, encoders and faders: the moveable editor and view, the colour look lists, the tiles of the
# three groups and their edit panels.

from model import Look, Part  # noqa: E402

TAB_WIDTH = 120  # the edit panels' own tabs
MOVEABLE_TAB_WIDTH = 136  # the moveable editor's tabs
NAME_WIDTH = 128  # room for "ENCODER 8" before the bank's name
MOVEABLE_PAGES = (("ccAbsolutePage", "CC ABSOLUTE", "CCAbsolutePage"), ("ccRelativePage", "CC RELATIVE", "CCRelativePage"),
                  ("nrpnRpnPage", "RPN/NRPN", "NrpnRpnPage"), ("otherPage", "OTHER", "OtherPage"))


def colour_looks(doc, list_name, colours):
    """A look list whose look n shows colour n: "Transparent" for position 0, else "SolidColor.<Name>", a
    64 x 64 tiled part filled by the colorizer named after the colour; then "UnknownColor" for a byte
    that names no colour. Names shared between lists are defined once."""
    entries = []
    for position, (name, argb) in enumerate(colours):
        if position == 0:
            entries.append("Transparent")
            continue
        look_name = "SolidColor." + name
        if look_name not in doc.looks:
            doc.colorizer(name, f"0x{argb:08X}")
            doc.part(Part(name, 64, 64, "Tile", colorizer=name))
            doc.look(Look(look_name, client=name))
        entries.append(look_name)
    doc.look_list(list_name, entries + ["UnknownColor"])


def moveable_type_panel(style, doc, name, rect, hidden_tabs=()):
    """The moveable control editor: "tabControl" with ccAbsolutePage, ccRelativePage, nrpnRpnPage and
    otherPage in this order in both holders, each holding "midiChannel" and its fields on the grid of
    the push-button editor. The tab buttons named in `hidden_tabs` are transparent and hidden."""
    x, y, w, h = rect
    g = style.grid
    tab_h, row_h = 24, 24

    def cell(col, row, span=1):
        return (3 * g + col * COLUMN, 3 * g + row * ROW_STEP, span * COLUMN - 2 * g, row_h)

    def min_max(r):
        return selector_pair(style, doc, "MinMaxSelectors", "minMaxSelectors", r, ("LabeledMinSelector", "min"),
                             ("LabeledMaxSelector", "max"))

    fields = {
        "ccAbsolutePage": [labelled_cc(style, "cc", cell(1, 0, 2)), min_max(cell(0, 1, 2))],
        "ccRelativePage": [labelled_cc(style, "cc", cell(1, 0, 2)),
                           labelled_list(style, doc, "LabeledRelativeTypeSelector", "relativeType", cell(0, 1))],
        "nrpnRpnPage": [labelled_list(style, doc, "LabeledNrpnRpnSelector", "NrpnRpnSelector", cell(1, 0)),
                        selector_pair(style, doc, "MSBLSBSelectors", "msbLSBSelectors", cell(0, 1, 2),
                                      ("LabeledMSBSelector", "msb"), ("LabeledLSBSelector", "lsb"))],
        "otherPage": [labelled_list(style, doc, "LabeledOtherSelector", "otherType", cell(1, 0, 2)),
                      min_max(cell(0, 1, 2))],
    }
    tabs = CTRL + "MovementTypes.TabControl"
    pages = []
    for page_name, caption, cls in MOVEABLE_PAGES:
        page = ctl(tabs + ".PageHolder." + cls, page_name, (0, 0, w, h - tab_h), "Panel")
        page.add(labelled_list(style, doc, "LabeledMidiChannelSelector", "midiChannel", cell(0, 0)))
        page.add(*fields[page_name])
        pages.append((page_name, caption, page))
    panel = ctl(PE + "MainControl.EditPanel.MoveableTypePanel", name, rect)
    panel.add(tab_control(style, doc, tabs, "tabControl", (0, 0, w, h), (tabs + ".ButtonHolder", tabs + ".PageHolder"),
                          pages, tab_height=tab_h, weights=[len(caption) + 6 for _, caption, _ in MOVEABLE_PAGES]))
    holder = panel.child("tabControl").child("buttonHolder")
    _narrow_tabs(holder, MOVEABLE_TAB_WIDTH, hidden_tabs)
    # Full width and filled, so a frame of an outer tab control under it does not show beside the tabs.
    holder.w, holder.looks = w, "PanelFill"
    for tab in hidden_tabs:
        hidden = holder.child(tab)
        hidden.looks = "TransparentButton"
        hidden.extra["IsVisible"] = False
    return panel


def _narrow_tabs(holder, width, hidden=()):
    """Tabs of one width at the left of their holder, not spread over the whole panel; the tabs named
    in `hidden` go after the others, so the visible ones stand without gaps."""
    holder.w = len(holder.children) * width
    order = [t for t in holder.children if t.name not in hidden] + [t for t in holder.children if t.name in hidden]
    for i, tab in enumerate(order):
        tab.x, tab.w = i * width, width


def tile_view(style, cls, name, rect, channel_rect, info_rect, channel_font="info", channel_looks="Info",
              info_font="info"):
    """A tile's read-only summary covering `rect`: "midiChannel" and the two-line "infoLabel" where the
    tile has room for them (rectangles relative to the view)."""
    view = ctl(cls, name, rect)
    view.add(channel_view(style, "midiChannel", channel_rect, channel_font, channel_looks),
             label(style, "infoLabel", info_rect, looks="Info", font=info_font))
    return view


def moveable_view(style, name, rect, channel_rect, info_rect):
    return tile_view(style, PE + "MainControl.MoveableType.ViewPanel", name, rect, channel_rect, info_rect)


def number_label(style, name, rect):
    """A tile's number ("B%d", "E%d", "F%d" from its own table), in the caption font."""
    return label(style, name, rect, looks="Caption")


def encoder_tile(style, name, rect):
    """An encoder: the knob is drawn at the left of the tile, the summary at its right."""
    x, y, w, h = rect
    return tile(style, PE + "MainControl.EncoderView.Encoder", name, rect, [
        number_label(style, "encoderNameLabel", (4, 2, 28, 14)),
        moveable_view(style, "viewPanel", (0, 0, w, h), (w - 46, 2, 42, 14), (37, 20, w - 38, h - 24)),
    ])


def fader_tile(style, name, rect):
    """A fader: number and channel above the drawn track, the summary below it."""
    x, y, w, h = rect
    return tile(style, PE + "MainControl.FaderView.Fader", name, rect, [
        number_label(style, "faderNumberLabel", (4, 2, 28, 14)),
        moveable_view(style, "viewPanel", (0, 0, w, h), (w - 46, 2, 42, 14), (2, h - 33, w - 4, 30)),
    ])


def button_tile(style, name, rect):
    """A push button: number and channel in the top row of the drawn pad, the summary in its middle and
    the colour indicator as the pad's light strip at its foot."""
    # The pad is drawn 5 pixels inside the tile; the channel is set right so that the widest one
    # ("CH:OM") keeps clear of the number.
    x, y, w, h = rect
    return tile(style, PE + "MainControl.ButtonView.Button", name, rect, [
        number_label(style, "buttonNumberLabel", (7, 6, 22, 14)),
        ctl(PE + "MainControl.ButtonView.Button.ColorIndicator", "color", (16, h - 12, w - 32, 4),
            "K49PE.Button.Colors"),
        tile_view(style, PE + "MainControl.PushButtonType.ViewPanel", "viewPanel", (0, 0, w, h),
                  (24, 6, w - 29, 14), (8, 20, w - 16, h - 32), channel_looks="InfoRight"),
    ])


def group_area(cls, name, rect, bank_cls, bank_stem, tile_stem, make_tile, tiles):
    """A group area with four banks on the same spot (2 to 4 hidden), each holding the tiles
    "<tile_stem>1" … at the rectangles `tiles`, made by `make_tile` (name, rectangle)."""
    x, y, w, h = rect
    area = ctl(cls, name, rect, "Transparent")
    for b in range(1, 5):
        bank = ctl(bank_cls, f"{bank_stem}{b}", (0, 0, w, h), "Transparent", IsVisible=b == 1)
        bank.add(*[make_tile(f"{tile_stem}{i + 1}", r) for i, r in enumerate(tiles)])
        area.add(bank)
    return area


def _named_edit_panel(style, cls, name, rect, title_name, children):
    """An edit panel whose title names the control and is followed by "bankName"."""
    panel = edit_panel(style, cls, name, rect, title_name, children)
    panel.child(title_name).w = NAME_WIDTH - style.grid
    return panel


def moveable_edit_panel(style, doc, cls, name, rect, name_label):
    """The edit panel of a fader or an encoder: the control's name, its bank, "midiLabel" and the
    moveable editor."""
    x, y, w, h = rect
    g = style.grid
    return _named_edit_panel(style, cls, name, rect, name_label, [
        label(style, "bankName", (3 * g + NAME_WIDTH, 2 * g, 160, 24), looks="Title", font="title"),
        label(style, "midiLabel", (3 * g, 10 * g, 120, 16)),
        moveable_type_panel(style, doc, "moveableTypePanel", (3 * g, 14 * g, w - 6 * g, h - 17 * g)),
    ])


def button_edit_panel(style, doc, name, rect):
    """The push-button edit panel: name and bank, then "viewTabControl" with the MIDI-type editor, the
    colour page (color1–color4, asciiColor in this layout order) and the HID page (key, modifierKey)."""
    x, y, w, h = rect
    g = style.grid
    page = PE + "MainPage.ButtonEditPanel"
    tabs_rect = (3 * g, 10 * g, w - 6 * g, h - 13 * g)
    tw, th = tabs_rect[2], tabs_rect[3] - 24

    def cell(col, row, span=1):
        return (3 * g + col * COLUMN, 3 * g + row * ROW_STEP, span * COLUMN - 2 * g, 24)

    colours = ctl(page + ".ColorPage", "colorPage", (0, 0, tw, th), "Panel")
    for i, (child, place) in enumerate([("color1", (0, 0)), ("color2", (1, 0)), ("color3", (2, 0)),
                                         ("color4", (3, 0)), ("asciiColor", (0, 1))]):
        sel = labelled_selector(style, doc, CTRL + "LabeledButtonColorSelector", child, cell(*place),
                                label_name="colorNameLabel", caption_width=CAPTION)
        sel.extra["LayoutOrder"] = i
        colours.add(sel)
    ascii_page = ctl(page + ".AsciiPage", "asciiPage", (0, 0, tw, th), "Panel")
    ascii_page.add(labelled_list(style, doc, "LabeledKeySelector", "key", cell(0, 0)),
                   labelled_list(style, doc, "LabeledModifierKeySelector", "modifierKey", cell(1, 0, 2)))
    midi = button_type_panel(style, doc, "midiPage", (0, 0, tw, th))
    tabs = page + ".TabControl"
    tc = tab_control(style, doc, tabs, "viewTabControl", tabs_rect, (tabs + ".ButtonHolder", tabs + ".PageHolder"),
                     [("midiPage", "MIDI", midi), ("colorPage", "COLORS", colours), ("asciiPage", "HID", ascii_page)])
    _narrow_tabs(tc.child("buttonHolder"), TAB_WIDTH)
    return _named_edit_panel(style, page, name, rect, "buttonName", [
        label(style, "bankName", (3 * g + NAME_WIDTH, 2 * g, 160, 24), looks="Title", font="title"),
        tc,
    ])


# ---- Keybed zones, XY pad, pads, preset name, pedals and wheels.


def preset_name_panel(style, name, rect):
    """The preset name: the caption "controlNameLabel" above the one-line "textBox"; visible at all times."""
    x, y, w, h = rect
    field = style.metric("FIELD")
    p = ctl(PE + "MainControl.DeviceView.PresetNameEditPanel", name, rect)
    # A labelled field: the caption left of a text box that fills the rest of the screen.
    g = style.grid
    top = (h - field) // 2
    p.add(label(style, "controlNameLabel", (3 * g, top, 22 * g, field)),
          ctl("Framework.TextBox", "textBox", (26 * g, top, w - 28 * g, field), "TextBox", font=style.font("default")))
    return p


def zone_edit_panel(style, doc, name, rect):
    """The keybed zone editor: title, the ON/OFF toggle (no AUTO_VALUE_SET: the panel toggles it),
    channel, program, bank MSB/LSB, first and last key, octave and transpose on the editor grid."""
    g = style.grid
    row_h = 24
    top = 10 * g

    def cell(col, row, span=1):
        return (3 * g + col * COLUMN, top + row * ROW_STEP, span * COLUMN - 2 * g, row_h)

    def key(child, r):
        return labelled(style, CTRL + "LabeledKeyZoneNoteSelector", child, r,
                        lambda inner: note_selector(style, "noteSelector", inner, zone=True))

    keys = ctl(CTRL + "KeyZoneStartEndNoteSelector", "startEndNoteSelector", cell(0, 1, 2))
    keys.add(key("startNote", (0, 0, COLUMN - 2 * g, row_h)), key("endNote", (COLUMN, 0, COLUMN - 2 * g, row_h)))
    children = [
        button(style, "zoneEnabledToggleButton", cell(0, 0)[:2] + (88, row_h), text="ON/OFF"),
        labelled_list(style, doc, "LabeledKeyZoneMidiChannelSelector", "midiChannel", cell(1, 0)),
        labelled_number(style, doc, "LabeledProgramSelector", "program", cell(2, 0)),
        selector_pair(style, doc, "MSBLSBSelectors", "msbLSBSelectors", cell(3, 0, 2),
                      ("LabeledMSBSelector", "msb"), ("LabeledLSBSelector", "lsb")),
        keys,
        labelled_number(style, doc, "LabeledOctaveSelector", "octave", cell(2, 1)),
        labelled_number(style, doc, "LabeledTransposeSelector", "transpose", cell(3, 1)),
    ]
    return edit_panel(style, PE + "MainPage.ZoneEditPanel", name, rect, "zoneName", children)


def keybed_zones(style, name, rect, tile_rects):
    """The zone strip: "zone1"–"zone4", each with "zoneName", "infoLabel", "midiChannel" and its button."""
    strip = ctl(PE + "MainControl.KeybedZones", name, rect)
    for i, (tx, ty, tw, th) in enumerate(tile_rects):
        line = 14
        strip.add(tile(style, PE + "MainControl.KeybedZones.Zone", f"zone{i + 1}", (tx, ty, tw, th), [
            label(style, "zoneName", (4, 2, 64, line)),
            channel_view(style, "midiChannel", (tw - 52, 2, 48, line)),
            label(style, "infoLabel", (4, 2 + line, tw - 8, th - line - 4), looks="Info", font="info"),
        ]))
    return strip


def xy_pad_notes(style, doc, name, rect):
    """The XY pad's note page: "noteModeType" and "noteScaleType" in the first row, "note1"–"note8"
    in two rows of four below."""
    x, y, w, h = rect
    g = style.grid
    row_h = 24

    def cell(col, row):
        return (3 * g + col * COLUMN, 3 * g + row * ROW_STEP, COLUMN - 2 * g, row_h)

    page = ctl(PE + "MainControl.EditPanel.XYPadNotes", name, rect, "Panel")
    page.add(labelled_list(style, doc, "LabeledNoteModeTypeSelector", "noteModeType", cell(0, 0)),
             labelled_list(style, doc, "LabeledNoteScaleSelector", "noteScaleType", cell(1, 0)))
    page.add(*[labelled_note(style, f"note{k + 1}", cell(k % 4, 1 + k // 4)) for k in range(8)])
    return page


PAD_MODE_PAGE_CLASSES = {
    page: CTRL + "PadModes.TabControl.PageHolder." + cls
    for page, cls in (("notePage", "NotePage"), ("programPage", "ProgramPage"), ("ccAbsolutePage", "CCAbsolutePage"),
                      ("ccCyclePage", "CCCyclePage"), ("ccIncDecPage", "CCIncDecPage"),
                      ("programCyclePage", "ProgramCyclePage"), ("programIncDecPage", "ProgramIncDecPage"),
                      ("mmcPage", "MMCPage"), ("nrpnRpnPage", "NRPNAbsolutePage"))
}


def pad_edit_panel(style, doc, name, rect):
    """The pad editor: title "padName" and "viewTabControl" with the pages "midiPage" (the push-button
    MIDI-type editor with the pad's page classes) and "colorPage" ("color1"–"color4", layout orders 0–3)."""
    x, y, w, h = rect
    g = style.grid
    tabs = PE + "MainPage.PadEditPanel.TabControl"
    tw, th = w - 6 * g, h - 10 * g - 3 * g
    colours = ctl(PE + "MainPage.PadEditPanel.ColorPage", "colorPage", (0, 0, tw, th - 24), "Panel")
    for i in range(4):
        sel = labelled_list(style, doc, "LabeledPadColorSelector", f"color{i + 1}",
                            (3 * g + i * COLUMN, 3 * g, COLUMN - 2 * g, 24))
        sel.child("controlNameLabel").name = "colorNameLabel"
        sel.extra["LayoutOrder"] = i
        colours.add(sel)
    midi = button_type_panel(style, doc, "midiPage", (0, 0, tw, th - 24), page_classes=PAD_MODE_PAGE_CLASSES)
    tab = tab_control(style, doc, tabs, "viewTabControl", (3 * g, 10 * g, tw, th),
                      (tabs + ".ButtonHolder", tabs + ".PageHolder"), [("midiPage", "MIDI", midi),
                                                                       ("colorPage", "COLOR", colours)])
    _narrow_tabs(tab.child("buttonHolder"), TAB_WIDTH)
    return edit_panel(style, PE + "MainPage.PadEditPanel", name, rect, "padName", [tab])


def pads(style, name, rect, tile_rects):
    """The pad area: "pad1"–"pad16", each with "padNumberLabel", the colour indicator "color", the
    push-button "viewPanel" and its button."""
    area = ctl(PE + "MainControl.PadView", name, rect)
    for i, (tx, ty, tw, th) in enumerate(tile_rects):
        # Below the colour strip, inside the drawn pad: the number at the left, the channel in a column
        # beside the widest number, both in the small fonts (the tile is too narrow for the caption and
        # info fonts side by side), the assignment centred below both. Text is drawn a sixth of an em
        # inside its box and measured three pixels or so wider than it is: "P16" and "CH:OM" need
        # all of it to stay apart and inside the drawn pad.
        row_y, row_h, number_w = 9, 11, 19
        channel_x = 2 + number_w
        view = tile_view(style, PE + "MainControl.PushButtonType.ViewPanel", "viewPanel", (0, 0, tw, th),
                         (channel_x, row_y, tw - 1 - channel_x, row_h),
                         (3, row_y + row_h, tw - 6, th - 3 - row_y - row_h), "small", "Caption", "padInfo")
        area.add(tile(style, PE + "MainControl.PadView.Pad", f"pad{i + 1}", (tx, ty, tw, th), [
            ctl(PE + "MainControl.PadView.Pad.ColorIndicator", "color", (5, 4, tw - 10, 3), "K49PE.Pad.Colors"),
            label(style, "padNumberLabel", (2, row_y, number_w, row_h), font="smallCaption"),
            view,
        ]))
    return area


def _moveable_tile(style, cls, name, rect, summary_at_foot=False):
    """A tile of a continuous control outside the banks (wheel, pedal, axis): its channel at the top and
    the two-line summary below it, or at the tile's foot, clear of the drawn control."""
    x, y, w, h = rect
    info = (2, h - 30, w - 4, 28) if summary_at_foot else (2, 16, w - 4, h - 18)
    children = [moveable_view(style, "viewPanel", (0, 0, w, h), (2, 2, w - 4, 14), info)]
    return tile(style, cls, name, rect, children)


def wheel_edit_panel(style, doc, name, rect):
    """The wheel editor: "wheelName", "midiLabel" and the moveable editor without its CC RELATIVE tab."""
    x, y, w, h = rect
    g = style.grid
    return edit_panel(style, PE + "TabControl.PageHolder.WheelsPage.Wheel", name, rect, "wheelName", [
        label(style, "midiLabel", (3 * g, 10 * g, 120, 16)),
        moveable_type_panel(style, doc, "moveableTypePanel", (3 * g, 14 * g, w - 6 * g, h - 17 * g),
                            hidden_tabs=("ccRelativePage",)),
    ])


def wheels(style, name, rect, tile_rects):
    """The wheel area: "pitchWheel" and "modWheel"."""
    area = ctl(PE + "MainControl.WheelView", name, rect, "Transparent")
    for tile_name, r in zip(("pitchWheel", "modWheel"), tile_rects):
        area.add(_moveable_tile(style, PE + "MainControl.WheelView.Wheel", tile_name, r, summary_at_foot=True))
    return area


def xy_pad_edit_panel(style, doc, name, rect):
    """The XY pad editor: "axisName" and "viewTabControl" with "midiPage" (the moveable editor) and
    "noteModePage" (the note page)."""
    x, y, w, h = rect
    g = style.grid
    tabs = PE + "MainPage.XYPadEditPanel.TabControl"
    tw, th = w - 6 * g, h - 13 * g
    pages = [("midiPage", "MIDI", moveable_type_panel(style, doc, "midiPage", (0, 0, tw, th - 24))),
             ("noteModePage", "NOTE", xy_pad_notes(style, doc, "noteModePage", (0, 0, tw, th - 24)))]
    tab = tab_control(style, doc, tabs, "viewTabControl", (3 * g, 10 * g, tw, th),
                      (tabs + ".ButtonHolder", tabs + ".PageHolder"), pages)
    _narrow_tabs(tab.child("buttonHolder"), TAB_WIDTH)
    return edit_panel(style, PE + "MainPage.XYPadEditPanel", name, rect, "axisName", [tab])


def xy_pad(style, name, rect, tile_rects):
    """The touch pad area: "xAxis" and "yAxis"."""
    area = ctl(PE + "MainControl.XYPadView", name, rect, "Transparent")
    for tile_name, r in zip(("xAxis", "yAxis"), tile_rects):
        area.add(_moveable_tile(style, PE + "MainControl.XYPadView.Axis", tile_name, r))
    return area


def pedal_edit_panels(style, doc, rect):
    """The volume editor "volumePedalEditPanel" (moveable editor) and the sustain editor
    "sustainEditPage" (the push-button editor in its sustain form), each titled by "controlNameLabel"."""
    x, y, w, h = rect
    g = style.grid
    inner = (3 * g, 14 * g, w - 6 * g, h - 17 * g)
    volume = edit_panel(style, PE + "MainPage.VolumeEditPanel", "volumePedalEditPanel", rect, "controlNameLabel", [
        label(style, "midiLabel", (3 * g, 10 * g, 120, 16)),
        moveable_type_panel(style, doc, "moveableTypePanel", inner)])
    sustain = edit_panel(style, PE + "MainPage.SustainEditPanel", "sustainEditPage", rect, "controlNameLabel", [
        label(style, "midiLabel", (3 * g, 10 * g, 120, 16)),
        button_type_panel(style, doc, "buttonTypePanel", inner, page_classes=SUSTAIN_MODE_PAGE_CLASSES,
                          hidden_tabs=SUSTAIN_HIDDEN_TABS)])
    return volume, sustain


def pedals(style, name, rect, tile_rects):
    """The pedal area: "volumePedal" (moveable view) and "sustainPedal" (push-button view)."""
    area = ctl(PE + "MainControl.Pedals", name, rect, "Transparent")
    vr, sr = tile_rects
    area.add(_moveable_tile(style, PE + "MainControl.Pedals.VolumePedal", "volumePedal", vr, summary_at_foot=True))
    x, y, w, h = sr
    area.add(tile(style, PE + "MainControl.Pedals.SustainPedal", "sustainPedal", sr, [
        tile_view(style, PE + "MainControl.PushButtonType.ViewPanel", "viewPanel", (0, 0, w, h), (2, 2, w - 4, 14),
                  (2, h - 30, w - 4, 28))]))
    return area
