"""Where things sit inside "viewDevice" (1200 x 750): (x, y, width, height) per area.

The device picture (Panel/Resources/images/device.svg, drawn by tools/skingen/drawdevice.py) prints
the controls' outlines at these places; the tiles lie on top of them.
"""

VIEW = (0, 0, 1200, 750)

AREAS = {
    "presetNameEditPanel": (20, 10, 260, 40),
    "groupBankPanel": (300, 12, 360, 36),
    "encoders": (300, 60, 650, 70),
    "faders": (300, 140, 650, 110),
    "buttons": (300, 256, 650, 64),
    "wheels": (20, 70, 130, 170),
    "pedals": (20, 250, 130, 70),
    # A pad is wide enough for its widest number and widest channel side by side ("P16", "CH:OM").
    "pads": (964, 60, 216, 190),
    "xyPad": (964, 256, 216, 64),
    "keybedZones": (20, 326, 1160, 40),
    "editPanel": (10, 440, 1180, 300),
}

# Tiles per area: (columns, rows).
TILES = {
    "encoders": (8, 1),
    "faders": (9, 1),
    "buttons": (9, 1),
    "wheels": (2, 1),
    "pedals": (2, 1),
    "pads": (4, 4),
    "xyPad": (2, 1),
    "keybedZones": (4, 1),
}

BANK_BUTTON = (80, 28)

# The keybed: 61 keys, C to C, between these edges.
KEYBED = (20, 372, 1160, 300)


def tiles(area):
    """The tile rectangles of an area, row by row, relative to the area."""
    x, y, w, h = AREAS[area]
    cols, rows = TILES[area]
    tw, th = w / cols, h / rows
    return [(round(c * tw), round(r * th), round((c + 1) * tw) - round(c * tw), round((r + 1) * th) - round(r * th))
            for r in range(rows) for c in range(cols)]


def bank_buttons():
    """The four bank buttons, evenly spread over "groupBankPanel", relative to it."""
    x, y, w, h = AREAS["groupBankPanel"]
    bw, bh = BANK_BUTTON
    return [(round(i * (w - bw) / 3), (h - bh) // 2, bw, bh) for i in range(4)]
