"""The editor's skin: the top-level controls of "Skin1", put together from the building blocks.

Later panels are added here: a table row in layout.py and a call of a building block below.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import layout  # noqa: E402

PE = "PresetEditor."

WIDTH, HEIGHT = 1200, 772


def build(doc, style, b):
    bar = style.metric("MENU_BAR")
    main = b.ctl(PE + "MainControl", "mainControl", (0, 0, WIDTH, HEIGHT), "Body",
                 XMinSizeAbs=WIDTH, YMinSizeAbs=HEIGHT, XMaxSizeAbs=WIDTH, YMaxSizeAbs=HEIGHT)
    main.add(b.main_menu(style, "mainMenu", (0, 0, WIDTH, bar), LayoutOrder=0))
    view = b.ctl(PE + "MainControl.DeviceView", "viewDevice", (0, bar, WIDTH, HEIGHT - bar), "DeviceView",
                 LayoutOrder=1)
    device_view(style, b, view)
    main.add(view)
    doc.top += [main, b.tool_tip(style, "toolTip"), b.popup_menu(style, "contextMenu", (0, 0, 200, 88))]


# --- The device view's own children: the bank buttons ---------------------------------------------

# After every edit panel and group area, which the other sections number below this.
BANK_ORDER = 900


def device_view(style, b, view):
    """The children of "viewDevice" that the view itself finds."""
    banks = b.ctl(PE + "MainControl.DeviceView.GroupBanks", "groupBankPanel", layout.AREAS["groupBankPanel"],
                  LayoutOrder=BANK_ORDER)
    for i, rect in enumerate(layout.bank_buttons()):
        banks.add(b.button(style, f"bank{i + 1}", rect, text=f"BANK {i + 1}", looks="TabButton", LayoutOrder=i,
                           params={"NOT_FOCUSABLE": b.TRUE}))
    view.add(banks)
