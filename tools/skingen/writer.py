"""Writes the documents as UTF-8 XML in a fixed attribute order, so equal input gives equal bytes."""

from xml.sax.saxutils import escape, quoteattr


def _num(v):
    """Integers as decimal; reals in their shortest form ("8.25", "0.5", "1")."""
    if isinstance(v, bool):
        raise TypeError("a boolean is not a number")
    if isinstance(v, int):
        return str(v)
    text = repr(float(v))
    return text[:-2] if text.endswith(".0") else text


def _attrs(pairs):
    out = []
    for name, value in pairs:
        if value is None:
            continue
        if isinstance(value, bool):
            text = "True" if value else "False"
        elif isinstance(value, (int, float)):
            text = _num(value)
        else:
            text = value
        out.append(f"{name}={quoteattr(text)}")
    return " ".join(out)


# Layout attributes in the order the reader takes them; `extra` of a control may hold any of them.
LAYOUT_ORDER = [
    "ClipToParent", "Z_Order", "TabStop", "LayoutOrder", "IsVisible", "XPlacementAnchor", "YPlacementAnchor",
    "XIsDocked", "YIsDocked", "XPositionToControl", "YPositionToControl", "XPositionRel", "YPositionRel",
    "XPositionAbs", "YPositionAbs", "XSizeToControl", "YSizeToControl", "XSizeRel", "YSizeRel", "XSizeAbs",
    "YSizeAbs", "XMinSizeToControl", "YMinSizeToControl", "XMaxSizeToControl", "YMaxSizeToControl",
    "XMinSizeRel", "YMinSizeRel", "XMaxSizeRel", "YMaxSizeRel", "XMinSizeAbs", "YMinSizeAbs", "XMaxSizeAbs",
    "YMaxSizeAbs", "TextDecoration", "TextOverflowXType", "TextOverflowYType",
]


def control_attributes(c):
    values = dict(c.extra)
    values["XPositionAbs"] = c.x if c.x else None
    values["YPositionAbs"] = c.y if c.y else None
    values["XSizeAbs"] = c.w
    values["YSizeAbs"] = c.h
    pairs = [("Class", c.cls), ("Name", c.name)] + [(k, values.get(k)) for k in LAYOUT_ORDER]
    if c.font:
        face, size, style = c.font
        pairs += [("FontName", face), ("FontSize", size), ("FontStyle", style)]
    return pairs


def _control(c, out, depth):
    pad = " " * depth
    out.append(f"{pad}<SubControl {_attrs(control_attributes(c))}>")
    if c.params:
        out.append(f"{pad} <CreateParamList>")
        for key in sorted(c.params):
            out.append(f"{pad}  <CreateParam ID={quoteattr(key)}>{escape(c.params[key])}</CreateParam>")
        out.append(f"{pad} </CreateParamList>")
    skin = _attrs([("Name", c.name), ("LookList", c.looks)])
    if c.children:
        out.append(f"{pad} <Skin {skin}>")
        for child in c.children:
            _control(child, out, depth + 2)
        out.append(f"{pad} </Skin>")
    else:
        out.append(f"{pad} <Skin {skin}/>")
    out.append(f"{pad}</SubControl>")


def skin_document(doc):
    out = ['<?xml version="1.0" encoding="utf-8"?>', "<Velmora_Skin_Definitions>",
           f"<Application Name={quoteattr(doc.app_name)}>", " <Colorizers>"]
    for c in doc.colorizers.values():
        out.append(f'  <Colorizer {_attrs([("Name", c.name), ("ColorType", "SolidFill"), ("Color", c.argb)])}/>')
    out += [" </Colorizers>", " <Parts>"]
    for p in doc.parts.values():
        pairs = [("Name", p.name), ("Width", p.width), ("Height", p.height), ("ResizeType", p.resize)]
        if p.image:
            pairs += [("ImageFile", p.image), ("ImageLocX", p.loc[0]), ("ImageLocY", p.loc[1])]
        pairs.append(("ColorizerName", p.colorizer))
        out.append(f"  <Part {_attrs(pairs)}/>")
    out += [" </Parts>", " <Looks>"]
    for lk in doc.looks.values():
        inner = []
        if lk.client:
            left, top, right, bottom = lk.offsets
            pairs = [("Name", lk.client), ("OffsetLeft", left), ("OffsetTop", top), ("OffsetRight", right),
                     ("OffsetBottom", bottom)]
            inner.append(f"<ClientPart {_attrs(pairs)}/>")
        if lk.nonclient:
            inner.append("<NonClientParts>")
            for part, where in lk.nonclient:
                keys = ["OffsetLeft", "OffsetTop", "OffsetRight", "OffsetBottom", "Width", "Height"]
                inner.append(f'<NonClientPart {_attrs([("Name", part)] + [(k, where.get(k)) for k in keys])}/>')
            inner.append("</NonClientParts>")
        if lk.text:
            t = lk.text
            inner.append("<TextProperties " + _attrs([
                ("TextLeftRel", float(t.left[0])), ("TextLeftAbs", t.left[1]), ("TextRightRel", float(t.right[0])),
                ("TextRightAbs", t.right[1]), ("TextHAlign", float(t.halign)), ("TextTopRel", float(t.top[0])),
                ("TextTopAbs", t.top[1]), ("TextBottomRel", float(t.bottom[0])), ("TextBottomAbs", t.bottom[1]),
                ("TextVAlign", float(t.valign)), ("TextForegroundPart", t.foreground)]) + "/>")
        out.append(f'  <Look Name={quoteattr(lk.name)}>{"".join(inner)}</Look>')
    out += [" </Looks>", " <LookLists>"]
    for ll in doc.lists.values():
        entries = "".join(f'<Look {_attrs([("Name", n), ("Index", i)])}/>' for i, n in enumerate(ll.looks) if n)
        out.append(f'  <LookList {_attrs([("Name", ll.name), ("NumLooks", len(ll.looks))])}>{entries}</LookList>')
    face, size, style = doc.font
    skin = [("Name", doc.skin_name), ("FontName", face), ("FontSize", size), ("FontStyle", style)]
    out += [" </LookLists>", " <Skins>", f"  <Skin {_attrs(skin)}>"]
    for c in doc.top:
        _control(c, out, 3)
    out += ["  </Skin>", " </Skins>", "</Application>", "</Velmora_Skin_Definitions>", ""]
    return "\n".join(out).encode("utf-8")


def string_document(app_name, tables):
    out = ['<?xml version="1.0" encoding="utf-8"?>', "<Velmora_StringTable_Definitions>",
           f"<Application Name={quoteattr(app_name)}>"]
    for table in sorted(tables):
        out.append(f" <StringTable ID={quoteattr(table)}>")
        for key in sorted(tables[table]):
            text = escape(tables[table][key])
            out.append(f'  <String ID={quoteattr(key)}><Locale LCID="0x0009">{text}</Locale></String>')
        out.append(" </StringTable>")
    out += ["</Application>", "</Velmora_StringTable_Definitions>", ""]
    return "\n".join(out).encode("utf-8")
