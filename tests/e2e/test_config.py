"""The configuration as a person edits it: File > Config, Read Device from the
simulator, open Mode1 > gsense > gsense_2d in the tree, type a new map value,
Save Config to a file, Write Device; then change the file, Open Config it and
Write Device again. The simulator's stored block must follow every step."""

import os
import sys
import time

from harness import E2EError, Session
import layout

# The Config window's own "File" menu.
OPEN_CONFIG, SAVE_CONFIG, READ_DEVICE, WRITE_DEVICE = 0, 1, 2, 3
TREE_WIDTH = 161
FILTER_HEIGHT = 22  # the filter field above the tree
# The menu titles beside "File", and the Edit menu's items as the arrow keys reach them.
EDIT_MENU_X, TOOLS_MENU_X = 50, 88
UNDO, REDO, COPY, PASTE, SET_TO, ADD, MULTIPLY_BY, INTERPOLATE, SMOOTH = range(9)
GRID_LEFT, GRID_TOP, GRID_COL, GRID_ROW = 175, 3, 40, 18
# Mode1's gsense_2d starts at block byte 66 + 54; map value (0, 0) is its first.
MAP_VALUE_BYTE = 66 + 54


def check(cond, what):
    if not cond:
        raise E2EError(what)


class ConfigWindow:
    def __init__(self, s):
        self.s = s
        s.menu(layout.FILE_MENU_X, layout.FILE_CONFIG)
        self.wid = s.find_window("^Config$")
        self.x, self.y, self.w, self.h = s.window_geometry(self.wid)

    def menu(self, item, title_x=15):
        self.s.click(title_x, 10, wid=self.wid, client=False)
        self.s.keys(*["Down"] * (item + 1), "Return")
        time.sleep(0.3)

    def file_dialog(self, title, name):
        dialog = self.s.find_window(f"^{title}$")
        self.s.enter_file_name(dialog, name)
        self.s.window_gone(dialog)

    def selected_band(self):
        rows = self.s.highlighted_rows(self.x + 60, self.y, self.y + 200)
        check(rows, "no tree node is highlighted")
        return rows[0], rows[-1]

    def open_node(self, keys):
        """Selects the tree's first node by a click, walks with the keyboard, and
        clicks the node reached, since only a click shows a parameter."""
        self.s.click(60, 32 + FILTER_HEIGHT, wid=self.wid, client=False)
        top, bottom = self.selected_band()
        self.client_y = top - 1 - FILTER_HEIGHT  # the filter sits at the top of the client area
        self.s.keys(*keys)
        top, bottom = self.selected_band()
        self.s.xdotool("mousemove", str(self.x + 60), str((top + bottom) // 2))
        self.s.xdotool("click", "1")
        time.sleep(0.3)

    def click_cell(self, col, row):
        x, y = self.cell_point(col, row)
        self.s.xdotool("mousemove", str(x), str(y))
        self.s.xdotool("click", "1")
        time.sleep(0.3)

    def cell_point(self, col, row):
        return (self.x + GRID_LEFT + col * GRID_COL + GRID_COL // 2,
                self.client_y + GRID_TOP + row * GRID_ROW + GRID_ROW // 2)

    def drag_cells(self, start, end):
        """Selects from cell `start` to cell `end` (col, row) with the mouse."""
        x, y = self.cell_point(*start)
        self.s.xdotool("mousemove", str(x), str(y), "mousedown", "1")
        x, y = self.cell_point(*end)
        self.s.xdotool("mousemove", str(x), str(y), "sleep", "0.2", "mouseup", "1")
        time.sleep(0.3)

    def edit_cell(self, col, row, text):
        self.click_cell(col, row)
        self.s.type_text(text)
        self.s.keys("Return")


def main(keep_dir):
    s = Session(keep_dir)
    try:
        s.start_display()
        final_block = os.path.join(s.tmp, "sim-block.bin")
        s.start_sim("--save-block", final_block)
        s.start_korvex()
        s.click_control(*layout.OPEN_DEVICE)
        cfg = ConfigWindow(s)
        cfg.menu(READ_DEVICE)
        time.sleep(1.0)
        # Mode1, expand, speed, slip, gsense, expand, enable_gsense, gsense_2d
        cfg.open_node(["Down", "Right", "Down", "Down", "Down", "Right", "Down", "Down"])
        s.screenshot("config-map.png")
        cfg.edit_cell(2, 2, "77")
        s.screenshot("config-edited.png")

        cfg.menu(SAVE_CONFIG)
        cfg.file_dialog("Save As", "mode1.cfg")
        saved_path = os.path.join(s.work, "mode1.cfg")
        with open(saved_path, "rb") as f:
            saved = bytearray(f.read())
        check(len(saved) == 519, f"saved file has {len(saved)} bytes")
        check(saved[MAP_VALUE_BYTE] == 77, f"saved map value is {saved[MAP_VALUE_BYTE]}")
        cfg.menu(WRITE_DEVICE)

        # The file changed behind the program's back is what the next open loads.
        saved[MAP_VALUE_BYTE] = 99
        saved[0] = 2
        with open(saved_path, "wb") as f:
            f.write(saved)
        cfg.menu(OPEN_CONFIG)
        cfg.file_dialog("Open.*", "mode1.cfg")
        cfg.menu(WRITE_DEVICE)
        s.screenshot("config-written.png")
        s.close_window(cfg.wid)
        check(s.close_korvex() == 0, "korvex did not exit with 0")
        s.stop_sim()

        check(" 7=1" in s.sim_output() and " 8=2" in s.sim_output(), s.sim_output())
        with open(final_block, "rb") as f:
            block = f.read()
        check(block == bytes(saved), "the simulator's block differs from the reopened file")
        print("config e2e: read, map edit, save, write, reopen and write checked")
    finally:
        s.close()


if __name__ == "__main__":
    main(sys.argv[1])
