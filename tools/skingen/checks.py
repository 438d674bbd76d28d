"""The authoring rules of the skin format and the editor's ordering rules, checked on the finished
document. Every breach raises SkinError naming the control (its path from the top-level control) or
the definition at fault."""

import re

from model import SkinError

COLOUR = re.compile(r"^0x[0-9A-F]{8}$")
FONT_FAMILIES = {"Liberation Sans", "Liberation Serif", "Liberation Mono", "DejaVu Sans", "DejaVu Sans Mono"}
BOOLEAN_ATTRS = {"ClipToParent", "IsVisible", "XIsDocked", "YIsDocked"}
DECIMAL_ATTRS = {"Z_Order", "TabStop", "XPositionAbs", "YPositionAbs", "XSizeAbs", "YSizeAbs", "XMinSizeAbs",
                 "YMinSizeAbs", "XMaxSizeAbs", "YMaxSizeAbs", "LayoutOrder"}
REAL_ATTRS = {"XPlacementAnchor", "YPlacementAnchor", "XPositionRel", "YPositionRel", "XSizeRel", "YSizeRel",
              "XMinSizeRel", "YMinSizeRel", "XMaxSizeRel", "YMaxSizeRel"}
TEXT_ATTRS = {"XPositionToControl", "YPositionToControl", "XSizeToControl", "YSizeToControl", "XMinSizeToControl",
              "YMinSizeToControl", "XMaxSizeToControl", "YMaxSizeToControl", "TextDecoration", "TextOverflowXType",
              "TextOverflowYType"}
BOOLEAN_PARAMS = {"NOT_FOCUSABLE", "USE_PARENT_TOOLTIP", "AUTO_VALUE_SET", "IS_RADIO"}

# Looks each framework class shows: the look list must cover this many indices.
LOOKS_NEEDED = {
    "Framework.Button": 14, "Framework.ListBoxItem": 14, "Framework.MenuItem": 14, "Framework.ListBox": 3,
    "Framework.PopupMenu": 3, "Framework.ComboBox": 7, "Framework.ComboMenu": 4, "Framework.TextBox": 12,
    "Framework.ScrollBar": 2,
}

# Tables read by rank: only their item keys.
RANKED_TABLES = {
    "PresetEditor.Control.NoteSelector|noteNameLabel": r"ITEM\.\d\d",
    "PresetEditor.Control.NoteSelector|octaveNameLabel": r"ITEM\.\d\d",
    "PresetEditor.Control.ZoneNoteSelector|noteNameLabel": r"ITEM\.\d\d",
    "PresetEditor.Control.ZoneNoteSelector|octaveNameLabel": r"ITEM\.\d\d",
    "PresetEditor.Control.CCSelector|label": r"TEXT\.\d\d\d",
}

EDIT_PANELS = {"padEditPanel", "knobEditPanel", "faderEditPanel", "volumePedalEditPanel", "wheelEditPanel",
               "xyPadEditPanel", "sustainEditPage", "zoneEditPanel", "buttonEditPanel"}
GROUP_AREAS = {"pads", "encoders", "faders", "buttons", "wheels", "pedals", "keybedZones", "xyPad",
               "groupBankPanel"}
MOVEABLE_ORDER = ["ccAbsolutePage", "ccRelativePage", "nrpnRpnPage", "otherPage"]
TILE_CLASSES = {"PresetEditor.MainControl." + c for c in (
    "PadView.Pad", "EncoderView.Encoder", "FaderView.Fader", "ButtonView.Button", "WheelView.Wheel",
    "Pedals.VolumePedal", "Pedals.SustainPedal", "KeybedZones.Zone", "XYPadView.Axis")}
ZONE_CLASS = "PresetEditor.MainControl.KeybedZones.Zone"


def fail(where, message):
    raise SkinError(f"{where}: {message}")


def check_definitions(doc, images):
    for c in doc.colorizers.values():
        if not isinstance(c.argb, str) or not COLOUR.match(c.argb):
            fail(f'colorizer "{c.name}"', f'colour "{c.argb}" is not 0xAARRGGBB with eight upper-case digits')
    for p in doc.parts.values():
        if p.colorizer is not None and p.colorizer not in doc.colorizers:
            fail(f'part "{p.name}"', f'unknown colorizer "{p.colorizer}"')
        if p.image is not None:
            if p.image != p.image.lower():
                fail(f'part "{p.name}"', f'image file "{p.image}" is not lower case')
            if p.image not in images:
                fail(f'part "{p.name}"', f'missing image "{p.image}"')
        if p.image is None and p.colorizer is None:
            fail(f'part "{p.name}"', "neither an image nor a colorizer")
        if not all(isinstance(v, int) for v in (p.width, p.height) + tuple(p.loc)):
            fail(f'part "{p.name}"', "sizes and image positions must be integers")
    for lk in doc.looks.values():
        where = f'look "{lk.name}"'
        for part in ([lk.client] if lk.client else []) + [n for n, _ in lk.nonclient]:
            if part not in doc.parts:
                fail(where, f'unknown part "{part}"')
        if lk.text:
            fg = doc.parts.get(lk.text.foreground)
            if fg is None:
                fail(where, f'unknown text foreground part "{lk.text.foreground}"')
            if fg.image is not None or fg.colorizer is None:
                fail(where, f'text foreground part "{fg.name}" must be a colour part')
            if int(doc.colorizers[fg.colorizer].argb[2:4], 16) == 0:
                fail(where, f'text foreground part "{fg.name}" is fully transparent')
    for ll in doc.lists.values():
        for name in ll.looks:
            if name and name not in doc.looks:
                fail(f'look list "{ll.name}"', f'unknown look "{name}"')


def check_control(doc, c, classes, top_level):
    where = c.path()
    for child in c.children:
        child.parent = c
    if c.cls not in classes:
        fail(where, f'unknown class "{c.cls}"')
    if not c.name:
        fail(where, "control without a name")
    if not isinstance(c.w, int) or not isinstance(c.h, int):
        fail(where, "XSizeAbs and YSizeAbs must be given as integers")
    if not isinstance(c.x, int) or not isinstance(c.y, int):
        fail(where, "positions must be integers")
    for key, value in c.extra.items():
        if key in BOOLEAN_ATTRS and not isinstance(value, bool):
            fail(where, f'{key} must be True or False, not "{value}"')
        elif key in DECIMAL_ATTRS and (isinstance(value, bool) or not isinstance(value, int)):
            fail(where, f"{key} must be a decimal integer")
        elif key in REAL_ATTRS and (isinstance(value, bool) or not isinstance(value, (int, float))):
            fail(where, f"{key} must be a number")
        elif key in TEXT_ATTRS and not isinstance(value, str):
            fail(where, f"{key} must be text")
        elif key not in BOOLEAN_ATTRS | DECIMAL_ATTRS | REAL_ATTRS | TEXT_ATTRS:
            fail(where, f"unknown attribute {key}")
    for axis in "XY":
        if c.extra.get(f"{axis}SizeRel") and c.extra.get(f"{axis}SizeToControl") in (None, "Self"):
            fail(where, f"{axis}SizeRel needs {axis}SizeToControl naming a reference")
        if c.extra.get(f"{axis}PositionToControl") == "Self":
            fail(where, f'{axis}PositionToControl "Self" names a sibling called Self')
    if c.extra.get("TextOverflowYType") not in (None, "Clip", "Expand"):
        fail(where, 'TextOverflowYType is "Clip" or "Expand"')
    if c.extra.get("TextOverflowXType") not in (None, "Clip", "Expand", "Wrap"):
        fail(where, 'TextOverflowXType is "Clip", "Expand" or "Wrap"')
    if top_level and ("TabStop" in c.extra or "IsVisible" in c.extra):
        fail(where, "a top-level control carries no TabStop or IsVisible")
    for key, value in c.params.items():
        if not isinstance(value, str) or value != value.strip() or not value:
            fail(where, f'create parameter {key} must be tight text, not "{value}"')
        if key in BOOLEAN_PARAMS and value not in ("True", "False"):
            fail(where, f'create parameter {key} must be "True" or "False", not "{value}"')
    if c.font:
        face, size, style = c.font
        if face not in FONT_FAMILIES:
            fail(where, f'font "{face}" is not installed by tools/setup')
        if style not in (0, 1, 2, 3) or not size > 0:
            fail(where, "font size must be positive and style 0–3")
    if c.looks is not None:
        if c.looks not in doc.lists:
            fail(where, f'unknown look list "{c.looks}"')
        needed = LOOKS_NEEDED.get(c.cls, 1)
        have = doc.lists[c.looks].looks
        if len(have) < needed:
            fail(where, f'look list "{c.looks}" has {len(have)} looks, {c.cls} shows {needed}')
    elif c.cls in LOOKS_NEEDED:
        fail(where, f"{c.cls} needs a look list")
    if c.cls == "Framework.ComboBox":
        check_combo(c)
    seen = set()
    for child in c.children:
        if child.name in seen:
            fail(where, f'two children named "{child.name}"')
        seen.add(child.name)
        check_control(doc, child, classes, False)


def check_combo(c):
    where = c.path()
    lb = c.child("listBox")
    if lb is None:
        fail(where, 'a combo box needs its "listBox"')
    want = {"ClipToParent": False, "Z_Order": 4, "IsVisible": False, "YPositionRel": 1.0, "XSizeToControl": "Client",
            "XSizeRel": 1.0}
    for key, value in want.items():
        if lb.extra.get(key) != value:
            fail(lb.path(), f"a combo box list needs {key}={value}")
    if not lb.extra.get("YMaxSizeAbs"):
        fail(lb.path(), "a combo box list needs YMaxSizeAbs, its open height")
    if lb.child("templateItem") is None or lb.child("vBar") is None:
        fail(lb.path(), 'a combo box list needs "templateItem" and "vBar"')


def order_of(c):
    return {child.name: i for i, child in enumerate(c.ordered_children())}


def walk(c):
    yield c
    for child in c.children:
        yield from walk(child)


def check_ordering(doc):
    for top in doc.top:
        for c in walk(top):
            where = c.path()
            order = order_of(c)
            visible = lambda n: c.child(n).extra.get("IsVisible", True)
            if c.name == "mainControl" and "mainMenu" in order and "viewDevice" in order:
                if order["mainMenu"] > order["viewDevice"]:
                    fail(where, '"mainMenu" must come before "viewDevice"')
            if c.name == "viewDevice":
                panels = [order[n] for n in order if n in EDIT_PANELS]
                groups = [(order[n], n) for n in order if n in GROUP_AREAS]
                for position, name in groups:
                    if panels and position < max(panels):
                        fail(f"{where}/{name}", "every edit panel must come before the group areas")
                for name in ("buttonEditPanel",):
                    if name in order and visible(name):
                        fail(f"{where}/{name}", "must start hidden")
                if "presetNameEditPanel" in order and not visible("presetNameEditPanel"):
                    fail(f"{where}/presetNameEditPanel", "must be visible")
            for n in order:
                m = re.fullmatch(r"(encoder|fader|button)Bank(\d)", n)
                if m and (m.group(2) == "1") != visible(n):
                    fail(f"{where}/{n}", "bank 1 is visible, banks 2–4 hidden")
            if all(f"color{i}" in order for i in range(1, 5)):
                for i in range(1, 5):
                    if c.child(f"color{i}").extra.get("LayoutOrder") != i - 1:
                        fail(f"{where}/color{i}", f"LayoutOrder must be {i - 1}")
                if "asciiColor" in order and c.child("asciiColor").extra.get("LayoutOrder") != 4:
                    fail(f"{where}/asciiColor", "LayoutOrder must be 4")
            if c.child("buttonHolder") is not None and c.child("pageHolder") is not None:
                check_tabs(c)
            if c.cls == ZONE_CLASS and not (c.parent and c.parent.name == "keybedZones" and c.parent.parent
                                            and c.parent.parent.name == "viewDevice"):
                fail(where, 'a zone tile sits directly in "keybedZones", directly in "viewDevice"')
            if c.cls in TILE_CLASSES:
                last = c.ordered_children()[-1] if c.children else None
                if last is None or last.name != "button":
                    fail(where, 'a tile\'s "button" is its last child, on top of the rest')
            owners_set_value = (c.name == "button" and c.parent and c.parent.cls in TILE_CLASSES) or \
                (re.fullmatch(r"bank\d", c.name) and c.parent and c.parent.name == "groupBankPanel") or \
                c.name == "zoneEnabledToggleButton"
            if owners_set_value and "AUTO_VALUE_SET" in c.params:
                fail(where, "its owner sets its value: no AUTO_VALUE_SET")


def check_tabs(c):
    where = c.path()
    buttons = c.child("buttonHolder").ordered_children()
    pages = c.child("pageHolder").ordered_children()
    if [b.name for b in buttons] != [p.name for p in pages]:
        fail(where, "tab buttons and pages must share names and positions")
    if c.cls == "PresetEditor.Control.MovementTypes.TabControl" and [b.name for b in buttons] != MOVEABLE_ORDER:
        fail(where, f"moveable pages must be in the order {', '.join(MOVEABLE_ORDER)}")
    on = [b for b in buttons if b.params.get("INITIAL_VALUE") == "1"]
    if len(on) != 1:
        fail(where, "exactly one tab button starts selected (INITIAL_VALUE 1)")
    lowest = min(b.extra.get("TabStop", 0) for b in buttons)
    if on[0].extra.get("TabStop", 0) != lowest or sum(b.extra.get("TabStop", 0) == lowest for b in buttons) != 1:
        fail(f"{where}/buttonHolder/{on[0].name}", "the selected tab button needs the lowest TabStop")
    for b in buttons:
        if b.params.get("IS_RADIO") != "True" or b.params.get("AUTO_VALUE_SET") != "True":
            fail(f"{where}/buttonHolder/{b.name}", "tab buttons are radio toggles (IS_RADIO, AUTO_VALUE_SET True)")
        if b.params.get("NOT_FOCUSABLE") == "True":
            fail(f"{where}/buttonHolder/{b.name}", "NOT_FOCUSABLE on a tab button reverses the tab order")


def check_strings(doc):
    tables = doc.strings.tables
    for table, keys in doc.strings.required.items():
        for key in keys:
            if key not in tables.get(table, {}):
                fail(f'string table "{table}"', f"missing text {key}")
    for table, entries in tables.items():
        where = f'string table "{table}"'
        for key, text in entries.items():
            if not key or not isinstance(text, str):
                fail(where, f"bad entry {key!r}")
        if table in RANKED_TABLES:
            for key in entries:
                if not re.fullmatch(RANKED_TABLES[table], key):
                    fail(where, f"read by rank, so it holds only item keys, not {key}")
        items = sorted(k for k in entries if k.startswith("ITEM."))
        for i, key in enumerate(items):
            if key != f"ITEM.{i:02d}":
                fail(where, f"items must run ITEM.00, ITEM.01 … without gaps ({key})")
        texts = sorted(k for k in entries if k.startswith("TEXT.") and re.fullmatch(r"TEXT\.\d+", k))
        if table in RANKED_TABLES and texts:
            for i, key in enumerate(texts):
                if key != f"TEXT.{i:03d}":
                    fail(where, f"texts must run TEXT.000, TEXT.001 … without gaps ({key})")
        menus = {}
        for key, text in entries.items():
            m = re.fullmatch(r"CONTEXT_MENU(\d+)\.([^.]+)\.(.+)", key)
            if m:
                menus.setdefault(m.group(1), []).append(m.group(2))
                if m.group(3) == "-" and text != "-":
                    fail(where, f'separator {key} must have the text "-"')
            elif key.startswith("CONTEXT_MENU"):
                fail(where, f"malformed menu key {key}")
        for menu, numbers in menus.items():
            if sorted(numbers) != [f"{i:02d}" for i in range(len(numbers))]:
                fail(where, f"menu {menu} entries must run 00, 01 … without gaps")
        titles = sorted(k for k in entries if k.startswith("MENU_LABEL."))
        if titles != [f"MENU_LABEL.{i:02d}" for i in range(len(titles))]:
            fail(where, "menu titles must run MENU_LABEL.00, MENU_LABEL.01 … without gaps")


def check(doc, classes, images):
    check_definitions(doc, images)
    names = set()
    for top in doc.top:
        top.parent = None
        if top.name in names:
            fail(top.path(), "two top-level controls of this name")
        names.add(top.name)
        check_control(doc, top, classes, True)
    check_ordering(doc)
    check_strings(doc)
