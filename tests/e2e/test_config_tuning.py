"""A tuner's edit of a map: Read Device from the simulator, select Mode1's
gsense_2d values with Shift and the arrows, Edit > Interpolate, undo and redo with
the keys, copy a range dragged with the mouse, Write Device. The block on the wire is the read block with the map
interpolated from its corners, and Tools > History... lists the read and the write."""

import math
import os
import sys
import time

from harness import E2EError, Session
import layout
from test_config import (INTERPOLATE, EDIT_MENU_X, READ_DEVICE, SAVE_CONFIG, WRITE_DEVICE,
                         ConfigWindow, check)

MAP = 66 + 54  # Mode1's gsense_2d values, 6 x 6 unsigned bytes


def interpolated(block):
    """The map as the editor interpolates it: bilinear from the four corners, each
    result rounded down to the byte's step (a hair below a step counting as it)."""
    out = bytearray(block)
    v = lambda c, r: block[MAP + r * 6 + c]
    for r in range(6):
        for c in range(6):
            tx, ty = c / 5, r / 5
            top = v(0, 0) + (v(5, 0) - v(0, 0)) * tx
            bottom = v(0, 5) + (v(5, 5) - v(0, 5)) * tx
            value = top + (bottom - top) * ty
            out[MAP + r * 6 + c] = max(0, min(255, math.floor(value + 1e-4)))
    return bytes(out)


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
        cfg.open_node(["Down", "Right", "Down", "Down", "Down", "Right", "Down", "Down"])
        cfg.menu(SAVE_CONFIG)  # the block as read, to know what to expect
        cfg.file_dialog("Save As", "read.cfg")
        with open(os.path.join(s.work, "read.cfg"), "rb") as f:
            read = f.read()
        expected = interpolated(read)
        check(expected != read, "the read map is already linear: nothing would be checked")

        cfg.click_cell(2, 2)
        s.keys(*["shift+Right"] * 5, *["shift+Down"] * 5)
        cfg.menu(INTERPOLATE, title_x=EDIT_MENU_X)
        s.screenshot("tuning-interpolated.png")
        s.keys("ctrl+z")
        time.sleep(0.3)
        s.keys("ctrl+y")
        time.sleep(0.3)
        # A range picked with the mouse, copied as the grid shows it.
        cfg.drag_cells((2, 2), (4, 3))
        s.keys("ctrl+c")
        time.sleep(0.3)
        rows = [line.split("\t") for line in s.clipboard().splitlines()]
        shown = [[str(expected[MAP + r * 6 + c]) for c in range(3)] for r in range(2)]
        check(rows == shown, f"copied {rows}, the grid shows {shown}")
        cfg.menu(WRITE_DEVICE)
        time.sleep(0.5)
        s.close_window(cfg.wid)
        check(s.close_korvex() == 0, "korvex did not exit with 0")
        s.stop_sim()

        with open(final_block, "rb") as f:
            block = f.read()
        check(block == expected, "the written block is not the read one with the map interpolated")
        kept = sorted(os.listdir(os.path.join(s.work, "history")))
        check(sorted(k.split("_", 2)[2] for k in kept) == ["read.cfg", "save.cfg", "write.cfg"],
              f"history holds {kept}")
        print("config tuning e2e: read, interpolate, undo, redo, write checked")
    finally:
        s.close()


if __name__ == "__main__":
    main(sys.argv[1])
