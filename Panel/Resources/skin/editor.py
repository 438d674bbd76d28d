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
    main.add(b.ctl(PE + "MainControl.DeviceView", "viewDevice", (0, bar, WIDTH, HEIGHT - bar), "DeviceView",
                   LayoutOrder=1))
    doc.top += [main, b.tool_tip(style, "toolTip"), b.popup_menu(style, "contextMenu", (0, 0, 200, 88))]
