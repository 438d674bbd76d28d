#!/usr/bin/env python3
"""Draws Panel/Resources/images/device.svg, the Kivo 61 seen from above, from the device layout
table (Panel/Resources/skin/layout.py), so the printed outlines sit exactly under the tiles.

    drawdevice.py Panel/Resources/skin/layout.py Panel/Resources/images/device.svg

The SVG is committed; run this again after changing the layout. No text but the logo.
"""

import importlib.util
import math
import sys

BODY = "#141518"
TOP = "#1a1c20"
PRINT = "#3c4049"  # printed outlines
PRINT_LIGHT = "#555a64"
METAL = "#2a2d33"
ACCENT = "#ff9f2e"


def load(path):
    spec = importlib.util.spec_from_file_location("layout", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def rect(x, y, w, h, fill="none", stroke=None, rx=0, sw=1, extra=""):
    s = f' stroke="{stroke}" stroke-width="{sw}"' if stroke else ""
    return f'<rect x="{x:g}" y="{y:g}" width="{w:g}" height="{h:g}" rx="{rx:g}" fill="{fill}"{s}{extra}/>'


def circle(cx, cy, r, fill="none", stroke=None, sw=1):
    s = f' stroke="{stroke}" stroke-width="{sw}"' if stroke else ""
    return f'<circle cx="{cx:g}" cy="{cy:g}" r="{r:g}" fill="{fill}"{s}/>'


def line(x1, y1, x2, y2, stroke, sw=1, cap="round"):
    return (f'<line x1="{x1:g}" y1="{y1:g}" x2="{x2:g}" y2="{y2:g}" stroke="{stroke}" stroke-width="{sw}" '
            f'stroke-linecap="{cap}"/>')


def area(L, name):
    x, y, w, h = L.AREAS[name]
    return [(x + tx, y + ty, tw, th) for tx, ty, tw, th in L.tiles(name)]


def encoders(L):
    """Knobs at the left of their tiles: the number and channel sit above, the summary at the right."""
    out = []
    for x, y, w, h in area(L, "encoders"):
        cx, cy = x + 19, y + h / 2 + 6
        out.append(circle(cx, cy + 1.5, 15, "#0b0c0e"))
        for i in range(11):  # the scale dots around the knob, 300 degrees
            a = math.radians(120 + i * 30)
            out.append(circle(cx + 17.5 * math.cos(a), cy + 17.5 * math.sin(a), 1.1, PRINT_LIGHT))
        out.append(circle(cx, cy, 13.5, "url(#knob)", "#3d4149", 1))
        out.append(circle(cx, cy, 9, "#23262b", "#33363d", 1))
        out.append(line(cx, cy - 3, cx, cy - 8.5, "#e9eaed", 2))
    return out


def faders(L):
    """Fader tracks between the number row and the summary at the foot of each tile."""
    out = []
    for x, y, w, h in area(L, "faders"):
        cx = x + w / 2
        top, bottom = y + 18, y + h - 36
        out.append(rect(cx - 3, top, 6, bottom - top, "#0b0c0e", "#2a2d33", 3))
        for i in range(9):
            ty = top + 2 + i * (bottom - top - 4) / 8
            out.append(line(cx - 16, ty, cx - 11, ty, PRINT, 1))
            out.append(line(cx + 11, ty, cx + 16, ty, PRINT, 1))
        cy = top + (bottom - top) * 0.58
        out.append(rect(cx - 11, cy - 7, 22, 14, "url(#cap)", "#4a4e57", 2.5))
        out.append(line(cx - 9, cy, cx + 9, cy, "#e9eaed", 1.5, "butt"))
    return out


def buttons(L):
    """Push-button pads; the tile's colour indicator is the light strip at the pad's foot."""
    out = []
    for x, y, w, h in area(L, "buttons"):
        out.append(rect(x + 5, y + 4, w - 10, h - 8, "url(#pad)", "#3a3d45", 4))
    return out


def pads(L):
    out = []
    for x, y, w, h in area(L, "pads"):
        out.append(rect(x + 2, y + 2, w - 4, h - 4, "url(#pad)", "#3a3d45", 5))
    return out


def wheels(L):
    out = []
    for x, y, w, h in area(L, "wheels"):
        cx = x + w / 2
        # Between the channel at the tile's top and the summary at its foot.
        top, bottom = y + 18, y + h - 32
        out.append(rect(cx - 20, top, 40, bottom - top, "#0b0c0e", "#2a2d33", 8))
        out.append(rect(cx - 14, top + 6, 28, bottom - top - 12, "url(#wheel)", None, 6))
        for i in range(1, 14):
            ry = top + 6 + i * (bottom - top - 12) / 14
            out.append(line(cx - 13, ry, cx + 13, ry, "#1c1e22", 1, "butt"))
    return out


def pedals(L):
    out = []
    for x, y, w, h in area(L, "pedals"):
        # Between the channel at the tile's top and the summary at its foot.
        cx, cy = x + w / 2, y + 27
        out.append(circle(cx, cy, 11, "#0e0f11", PRINT_LIGHT, 1.5))
        out.append(circle(cx, cy, 7, "url(#metal)", "#6a6f78", 1))
        out.append(circle(cx, cy, 3, "#050506"))
    return out


def xy_pad(L):
    x, y, w, h = L.AREAS["xyPad"]
    out = [rect(x + 4, y + 4, w - 8, h - 8, "url(#pad)", "#3a3d45", 6)]
    for i in range(1, 8):
        gx = x + 4 + i * (w - 8) / 8
        out.append(line(gx, y + 8, gx, y + h - 8, "#2e3137", 1, "butt"))
    for i in range(1, 3):
        gy = y + 4 + i * (h - 8) / 3
        out.append(line(x + 8, gy, x + w - 8, gy, "#2e3137", 1, "butt"))
    out.append(circle(x + w / 2, y + h / 2, 3, ACCENT))
    return out


def zones(L):
    out = []
    x, y, w, h = L.AREAS["keybedZones"]
    out.append(rect(x, y + h - 8, w, 4, "#0b0c0e", None, 2))
    for tx, ty, tw, th in area(L, "keybedZones"):
        out.append(rect(tx + 3, y + h - 7, tw - 6, 2, "#3b2a16", None, 1))
    return out


def keybed(L):
    x, y, w, h = L.KEYBED
    out = [rect(x - 6, y - 6, w + 12, h + 12, "#08090a", "#26292e", 4)]
    white = w / 36
    black_w, black_h = white * 0.6, h * 0.62
    for i in range(36):
        kx = x + i * white
        out.append(rect(kx + 0.5, y, white - 1, h, "url(#white)", "#9a9ca0", 2.5, 0.8))
    pattern = [1, 1, 0, 1, 1, 1, 0]  # a black key after C, D, F, G, A
    for i in range(35):
        if pattern[i % 7]:
            kx = x + (i + 1) * white - black_w / 2
            out.append(rect(kx, y - 1, black_w, black_h, "url(#black)", "#000000", 2, 0.8))
    out.append(rect(x - 6, y - 6, w + 12, 6, "#1e2025"))
    return out


def console(L):
    """The fixed controls no tile edits: the screen behind the preset name, the bank buttons'
    print, a small display with octave and transpose keys, and the data knob."""
    out = []
    x, y, w, h = L.AREAS["presetNameEditPanel"]
    out.append(rect(x - 2, y - 2, w + 4, h + 4, "#08090a", "#2a2d33", 5))
    out.append(rect(x + 2, y + 2, w - 4, h - 4, "url(#glass)", None, 3))
    x, y, _, _ = L.AREAS["groupBankPanel"]
    for bx, by, bw, bh in L.bank_buttons():
        out.append(rect(x + bx + 1, y + by + 1, bw - 2, bh - 2, "none", "#2c2f36", 4))
    # Display and keys in the space between the wheels and the encoders.
    px, py, pw, ph = 166, 67, 118, 176
    out.append(rect(px - 4, py - 3, pw + 8, ph + 6, "none", "#23252a", 6))
    out.append(rect(px + 6, py + 6, pw - 12, 52, "#060708", "#2a2d33", 4))
    out.append(rect(px + 10, py + 10, pw - 20, 44, "url(#glass)", None, 2))
    for row, glyph in enumerate(("octave", "transpose")):
        for col in range(2):
            bx, by = px + 14 + col * 50, py + 76 + row * 46
            out.append(rect(bx, by, 40, 30, "url(#pad)", "#3a3d45", 4))
            cx, cy = bx + 20, by + 15
            if glyph == "octave":  # chevrons
                d = -1 if col == 0 else 1
                out.append(f'<path d="M{cx - 3 * d:g} {cy - 5:g} L{cx + 3 * d:g} {cy:g} L{cx - 3 * d:g} {cy + 5:g}" '
                           f'fill="none" stroke="#9ea2ab" stroke-width="1.6" stroke-linecap="round"/>')
            else:  # minus and plus
                out.append(line(cx - 5, cy, cx + 5, cy, "#9ea2ab", 1.6))
                if col == 1:
                    out.append(line(cx, cy - 5, cx, cy + 5, "#9ea2ab", 1.6))
    # The data knob beside the pedal jacks.
    cx, cy = 225, 285
    out.append(rect(166 - 4, 250 - 3, 118 + 8, 70 + 6, "none", "#23252a", 6))
    out.append(circle(cx, cy + 2, 27, "#0b0c0e"))
    out.append(circle(cx, cy, 25, "url(#knob)", "#3d4149", 1))
    for i in range(24):
        a = math.radians(i * 15)
        out.append(line(cx + 21 * math.cos(a), cy + 21 * math.sin(a), cx + 24 * math.cos(a), cy + 24 * math.sin(a),
                        "#2a2d33", 1, "butt"))
    out.append(circle(cx, cy, 17, "#23262b", "#33363d", 1))
    return out


def logo(L):
    return [
        '<g font-family="Liberation Sans" fill="#e9eaed">',
        f'<text x="1180" y="30" text-anchor="end" font-size="18" font-weight="bold" letter-spacing="3">KIVO 61</text>',
        f'<text x="1180" y="46" text-anchor="end" font-size="10" fill="{ACCENT}" letter-spacing="4">VELMORA</text>',
        "</g>",
    ]


DEFS = """<defs>
<linearGradient id="body" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#1c1e22"/><stop offset="0.49" stop-color="#15161a"/><stop offset="1" stop-color="#101114"/></linearGradient>
<radialGradient id="knob" cx="0.4" cy="0.35" r="0.75"><stop offset="0" stop-color="#4a4e57"/><stop offset="1" stop-color="#1e2024"/></radialGradient>
<linearGradient id="cap" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#5a5f69"/><stop offset="1" stop-color="#2b2e34"/></linearGradient>
<linearGradient id="pad" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#2a2d33"/><stop offset="1" stop-color="#1f2226"/></linearGradient>
<linearGradient id="wheel" x1="0" y1="0" x2="1" y2="0"><stop offset="0" stop-color="#1a1c20"/><stop offset="0.5" stop-color="#3c4048"/><stop offset="1" stop-color="#1a1c20"/></linearGradient>
<radialGradient id="metal" cx="0.4" cy="0.4" r="0.7"><stop offset="0" stop-color="#b8bcc4"/><stop offset="1" stop-color="#5a5e66"/></radialGradient>
<linearGradient id="white" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#d9dade"/><stop offset="0.9" stop-color="#f4f4f5"/><stop offset="1" stop-color="#cfd0d4"/></linearGradient>
<linearGradient id="glass" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#14202a"/><stop offset="1" stop-color="#0a1016"/></linearGradient>
<linearGradient id="black" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#111214"/><stop offset="0.85" stop-color="#26282c"/><stop offset="1" stop-color="#3a3d42"/></linearGradient>
</defs>"""


def draw(L):
    vx, vy, vw, vh = L.VIEW
    parts = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{vw}" height="{vh}" viewBox="0 0 {vw} {vh}">',
        DEFS,
        rect(0, 0, vw, vh, "#0c0d0f"),
        rect(4, 2, vw - 8, vh - 6, "url(#body)", "#2a2d33", 14),
        line(16, 362, vw - 16, 362, "#24262b", 1),
    ]
    # The printed panels that group the controls.
    for name in ("encoders", "faders", "buttons", "wheels", "pedals", "pads", "xyPad"):
        x, y, w, h = L.AREAS[name]
        parts.append(rect(x - 4, y - 3, w + 8, h + 6, "none", "#23252a", 6))
    for group in (console, encoders, faders, buttons, pads, wheels, pedals, xy_pad, zones, keybed, logo):
        parts += group(L)
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def main():
    layout = load(sys.argv[1])
    with open(sys.argv[2], "w", encoding="utf-8") as f:
        f.write(draw(layout))


if __name__ == "__main__":
    main()
