"""Building blocks: each returns a complete control subtree with the inner names the code finds.

A block's texts go on the control as `texts` (its own table, "<parent class>|<name>", registered when
the tree is finished) or straight into `doc.strings` for the children's tables, which the block can
name because it knows its own class. `reads` lists the keys the program reads from the control's
own table; a missing one fails the build.
"""

from model import Control, Look, Part

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


def tab_control(style, doc, cls, name, rect, holder_classes, pages, selected=0, tab_height=24):
    """A tab control: "buttonHolder" with one radio button per page and "pageHolder" with the pages,
    the n-th button and the n-th page sharing name and position. `pages` is a list of
    (page name, caption, page control); the selected button gets the lowest tab stop and
    INITIAL_VALUE 1."""
    x, y, w, h = rect
    button_cls, page_cls = holder_classes
    tc = ctl(cls, name, rect)
    buttons = ctl(button_cls, "buttonHolder", (0, 0, w, tab_height), "Transparent")
    holder = ctl(page_cls, "pageHolder", (0, tab_height, w, h - tab_height), "Panel")
    width = w // max(1, len(pages))
    for i, (page_name, caption, page) in enumerate(pages):
        # No NOT_FOCUSABLE: it turns the tab stop negative, and the selection follows tab order.
        params = {"IS_RADIO": TRUE, "AUTO_VALUE_SET": TRUE}
        if i == selected:
            params["INITIAL_VALUE"] = "1"
        tab_stop = 0 if i == selected else i + 1
        buttons.add(button(style, page_name, (i * width, 0, width, tab_height), looks="TabButton", params=params,
                           LayoutOrder=i, TabStop=tab_stop))
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
    title = ctl("Framework.ComboMenu", "templateMenu", (0, 0, m("MENU_TITLE"), rect[3]), "MenuTitle")
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
