"""The skin and string-table documents in memory: what the building blocks fill and the writer emits.

Every definition keeps the order in which it was added, so two runs over the same tables give the
same bytes.
"""


class SkinError(Exception):
    """A breach of the authoring rules; the message names the control or definition at fault."""


class Colorizer:
    def __init__(self, name, argb):
        self.name, self.argb = name, argb


class Part:
    """A colour part (colorizer) or an image part (image file and the rectangle within it)."""

    def __init__(self, name, width, height, resize="Stretch", colorizer=None, image=None, loc=(0, 0)):
        self.name, self.width, self.height, self.resize = name, width, height, resize
        self.colorizer, self.image, self.loc = colorizer, image, loc


class TextProps:
    """Text area inside a look: left/right/top/bottom as (relative, absolute), alignments 0 … 1."""

    def __init__(self, foreground, halign=0.0, valign=0.5, left=(0, 0), right=(1, 0), top=(0, 0), bottom=(1, 0)):
        self.foreground, self.halign, self.valign = foreground, halign, valign
        self.left, self.right, self.top, self.bottom = left, right, top, bottom


class Look:
    """A client part with its four offsets, non-client parts (part, {Offset…, Width, Height}) and text."""

    def __init__(self, name, client=None, offsets=(0, 0, 0, 0), nonclient=(), text=None):
        self.name, self.client, self.offsets = name, client, offsets
        self.nonclient, self.text = list(nonclient), text


class LookList:
    def __init__(self, name, looks):
        self.name, self.looks = name, list(looks)


class Control:
    """One SubControl. Geometry in pixels; `extra` holds further layout attributes by their skin name;
    `font` is (name, size, style) or None to use the skin's default. `texts` is the control's own
    string table ("<parent class>|<name>"), `reads` the keys the program reads from it."""

    def __init__(self, cls, name, rect=(0, 0, 16, 40), looks=None, font=None, params=None, children=(), texts=None,
                 reads=(), **extra):
        self.cls, self.name = cls, name
        self.x, self.y, self.w, self.h = rect
        self.looks, self.font = looks, font
        self.params = dict(params or {})
        self.children = list(children)
        self.texts = dict(texts or {})
        self.reads = list(reads)
        self.extra = dict(extra)
        self.parent = None

    def add(self, *children):
        self.children.extend(children)
        return self

    def child(self, name):
        for c in self.children:
            if c.name == name:
                return c
        return None

    def path(self):
        names = []
        node = self
        while node is not None:
            names.append(node.name)
            node = node.parent
        return "/".join(reversed(names))

    def ordered_children(self):
        """Children in creation order: by LayoutOrder, document order among equals."""
        return sorted(self.children, key=lambda c: c.extra.get("LayoutOrder", 0))


class StringTables:
    """Table ID → ordered key → text, plus the keys the program reads from each table."""

    def __init__(self):
        self.tables = {}
        self.required = {}

    def set(self, table, key, text):
        entries = self.tables.setdefault(table, {})
        if key in entries and entries[key] != text:
            raise SkinError(f'string table "{table}": key {key} given twice with different texts')
        entries[key] = text

    def update(self, table, entries):
        for key, text in entries.items():
            self.set(table, key, text)

    def require(self, table, *keys):
        self.required.setdefault(table, [])
        for key in keys:
            if key not in self.required[table]:
                self.required[table].append(key)


class Document:
    def __init__(self, app_name, skin_name, font):
        self.app_name, self.skin_name, self.font = app_name, skin_name, font
        self.colorizers, self.parts, self.looks, self.lists = {}, {}, {}, {}
        self.top = []
        self.strings = StringTables()
        self.images = set()

    def _define(self, table, kind, item):
        if item.name in table:
            raise SkinError(f'{kind} "{item.name}" defined twice')
        table[item.name] = item
        return item

    def colorizer(self, name, argb):
        return self._define(self.colorizers, "colorizer", Colorizer(name, argb))

    def part(self, part):
        if part.image:
            self.images.add(part.image)
        return self._define(self.parts, "part", part)

    def look(self, look):
        return self._define(self.looks, "look", look)

    def look_list(self, name, looks):
        return self._define(self.lists, "look list", LookList(name, looks))
