"""Positions of the main window's controls in its client area (left, top, width, height)."""

OPEN_DEVICE = (40, 8, 75, 25)
CLOSE_DEVICE = (151, 8, 75, 25)
START = (264, 8, 75, 25)
FILE_LOG = (376, 8, 75, 25)
AUTO = (24, 56, 97, 17)
PORT_LIST = (30, 79, 91, 21)

# Menu titles on the menu bar (x of their middle) and their items.
FILE_MENU_X = 18
HELP_MENU_X = 52
FILE_CONFIG, FILE_UPDATE_DEVICE, FILE_DINO, FILE_PLOT_LOG, FILE_LIVE_PLOT = 0, 1, 2, 3, 4
