"""Makes the README's screenshots from the real program under Xvfb, driven as in the
end-to-end tests: python3 scripts/screenshots.py BUILD_DIR [OUT_DIR]. OUT_DIR is docs/
by default. Each screenshot is one function below; add new ones beside them."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from harness import E2EError, Session  # noqa: E402
import layout  # noqa: E402
from test_config import (EDIT_MENU_X, INTERPOLATE, SAVE_CONFIG, READ_DEVICE,  # noqa: E402
                         TOOLS_MENU_X, ConfigWindow)
import test_plot  # noqa: E402

COMPARE, EXPORT_TEXT = 0, 1
# Mode1's gsense_2d map values start at block byte 66 + 54.
MAP_VALUE_BYTE = 66 + 54


def crop(s, path, windows):
    """The part of the screen that shows every window of `windows`."""
    boxes = [s.window_geometry(w) for w in windows]
    left = max(0, min(b[0] for b in boxes) - 4)
    top = max(0, min(b[1] for b in boxes) - 4)
    right = max(b[0] + b[2] for b in boxes) + 4
    bottom = max(b[1] + b[3] for b in boxes) + 4
    subprocess.run(["convert", path, "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                    "+repage", path], check=True)


def config_compare(s, out_dir):
    """The Config window after a device read, compared with a friend's file."""
    s.click_control(*layout.OPEN_DEVICE)
    cfg = ConfigWindow(s)
    cfg.menu(READ_DEVICE)
    time.sleep(1.0)
    cfg.open_node(["Down", "Right", "Down", "Down", "Down", "Right", "Down", "Down"])
    cfg.menu(SAVE_CONFIG)
    cfg.file_dialog("Save As", "mine.cfg")
    with open(os.path.join(s.work, "mine.cfg"), "rb") as f:
        friend = bytearray(f.read())
    friend[0] = (friend[0] + 1) % 256  # led_dimmer
    for offset in (0, 7, 8, 14):
        friend[MAP_VALUE_BYTE + offset] = (friend[MAP_VALUE_BYTE + offset] + 20) % 256
    with open(os.path.join(s.work, "friend.cfg"), "wb") as f:
        f.write(friend)

    s.click(TOOLS_MENU_X, 10, wid=cfg.wid, client=False)
    s.keys(*["Down"] * (COMPARE + 1), "Return")
    dialog = s.find_window("^Compare$")
    s.keys("alt+f")
    cfg.file_dialog("Open.*", "friend.cfg")
    # No window manager gives the box its focus back when the file dialog closes.
    s.xdotool("windowfocus", dialog)
    s.keys("Down", "Down", "Down", "shift+Down")  # two map cells, shown in the tree
    time.sleep(0.5)
    path = s.screenshot(os.path.join(out_dir, "config-compare.png"))
    crop(s, path, [cfg.wid, dialog])

    s.xdotool("windowfocus", dialog)
    s.keys("alt+t", "Escape")  # take the two cells over, close the box
    s.window_gone(dialog)
    s.click(TOOLS_MENU_X, 10, wid=cfg.wid, client=False)
    s.keys(*["Down"] * (EXPORT_TEXT + 1), "Return")
    cfg.file_dialog("Save As", "mine.txt")
    text_path = os.path.join(s.work, "mine.txt")
    if not os.path.exists(text_path) or "gsense_2d" not in open(text_path).read():
        raise E2EError("Export text... wrote no configuration text")
    s.close_window(cfg.wid)
    return [path]


def map_view(s, out_dir):
    """The Config window on a map after a device read: the tinted grid and the map view,
    with part of the map interpolated."""
    s.click_control(*layout.OPEN_DEVICE)
    cfg = ConfigWindow(s)
    cfg.menu(READ_DEVICE)
    time.sleep(1.0)
    cfg.open_node(["Down", "Right", "Down", "Down", "Down", "Right", "Down", "Down"])
    cfg.click_cell(3, 3)
    s.keys(*["shift+Right"] * 3, *["shift+Down"] * 3)
    cfg.menu(INTERPOLATE, title_x=EDIT_MENU_X)
    time.sleep(0.5)
    path = s.window_screenshot(cfg.wid, os.path.join(out_dir, "map-view.png"))
    s.close_window(cfg.wid)
    return [path]


def plot_windows(out_dir):
    """The log plot, the dyno chart, the live plot and two drives overlaid, from the
    simulator's data: the pictures the plot scenario takes of them."""
    made = []
    with tempfile.TemporaryDirectory() as shots:
        test_plot.main(shots)
        for name in ("plot-log", "dyno", "live-plot", "overlay"):
            made.append(shutil.copy(os.path.join(shots, name + ".png"), out_dir))
    return made


def main(build_dir, out_dir):
    build_dir, out_dir = os.path.abspath(build_dir), os.path.abspath(out_dir)
    subprocess.run(["cmake", "--build", build_dir, "--target", "korvex", "korvex-sim"], check=True,
                   stdout=subprocess.DEVNULL)
    os.environ["KORVEX_PROGRAM"] = os.path.join(build_dir, "app", "korvex")
    os.environ["KORVEX_SIM_PROGRAM"] = os.path.join(build_dir, "sim", "korvex-sim")
    os.makedirs(out_dir, exist_ok=True)
    made = plot_windows(out_dir)
    for shot in (config_compare, map_view):
        s = Session(out_dir)
        try:
            s.start_display()
            s.start_sim()
            s.start_korvex()
            made += shot(s, out_dir)
            s.close_korvex()
        finally:
            s.close()
    print("\n".join(made))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs"))
