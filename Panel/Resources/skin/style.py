"""The editor's one visual style: palette, fonts and spacing, read by tools/skingen.

Colours are written 0xAARRGGBB (eight digits, alpha first). Everything the skin draws takes its
colour from this table by role.
"""

PALETTE = {
    "body": "0xFF141518",  # the device body and the window background
    "panel": "0xFF202227",  # edit panels and dialogs
    "raised": "0xFF2B2E34",  # button faces, tool tips
    "raisedHover": "0xFF383C44",
    "field": "0xFF17181C",  # text boxes, combo boxes, lists
    "menuBar": "0xFF1B1C20",
    "menu": "0xFF24262B",
    "line": "0xFF3A3D45",  # frames and separators
    "lineHover": "0xFF555A64",
    "accent": "0xFFFF9F2E",  # the one accent: amber
    "accentHover": "0xFFFFB456",
    "accentDim": "0xFF7A4E1C",
    "accentInk": "0xFF141518",  # text on the accent
    "selection": "0x80FF9F2E",
    "text": "0xFFE9EAED",
    "textDim": "0xFF9EA2AB",
    "textDisabled": "0xFF5E626B",
    "clear": "0x00000000",
    "hitClear": "0x01000000",  # invisible, yet it takes the clicks (hit tests skip alpha 0)
}

# (family, size in points, style: 0 regular, 1 bold)
FONTS = {
    "default": ("Liberation Sans", 9, 0),
    "caption": ("Liberation Sans", 8.25, 1),
    "title": ("Liberation Sans", 12, 1),
    "info": ("Liberation Sans", 8.25, 0),
    "small": ("Liberation Sans", 6.5, 0),  # the pads' number and channel
    "smallCaption": ("Liberation Sans", 6.5, 1),
    "padInfo": ("Liberation Sans", 7.5, 0),  # a pad's assignment
}

# Every position and size is a multiple of the grid where the layout allows it.
GRID = 4

METRICS = {
    "MENU_BAR": 22,  # height of the menu bar
    "MENU_TITLE": 52,  # width of a menu title
    "MENU_WIDTH": 260,  # least width of a drop-down menu
    "MENU_ROW": 22,  # height of a menu row
    "HOT_KEY": 96,  # width of the hot-key column of a menu row
    "CHECK": 16,  # side of a menu row's check mark box
    "ROW": 20,  # height of a list row
    "FIELD": 22,  # height of text boxes, combo boxes and numeric up-downs
    "SPIN": 23,  # width of the numeric up-down buttons
    "SCROLL": 12,  # width of a scroll bar
    "LIST_ROWS": 10,  # rows an open combo box list shows at most
}
