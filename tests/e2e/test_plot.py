"""The plot windows as a person uses them: a drive recorded from the simulator
with the live plot open, then File > Plot log... on that log, a pull selected
with the mouse and charted in the dyno view, the log chart saved as a PNG, a
second drive laid over the first and the chart exported as CSV.
The screenshots of the windows land in the keep folder."""

import glob
import os
import sys
import time

from harness import E2EError, Session, wait_for
import layout


def check(cond, what):
    if not cond:
        raise E2EError(what)


def record_drive(s, seconds):
    """Logs a drive with the live plot open; returns with the log stopped."""
    s.click_control(*layout.OPEN_DEVICE)
    s.click_control(*layout.START)
    time.sleep(0.5)
    s.click_control(*layout.FILE_LOG)
    s.menu(layout.FILE_MENU_X, layout.FILE_LIVE_PLOT)
    live = s.find_window("^Live plot$")
    time.sleep(seconds)
    s.window_screenshot(live, "live-plot.png")
    # The live plot may cover the main window's buttons.
    s.close_window(live)
    s.click_control(*layout.FILE_LOG)  # StopLog


def focus(s, wid):
    """Clicks into the middle of a window (its chart), as a person does before a key."""
    x, y, w, h = s.window_geometry(wid)
    s.click(w // 2, h // 2, wid=wid, client=False)


def select_pull(s, plot, start, end):
    """Drags from `start` to `end` (fractions of the window's width) over the chart."""
    s.xdotool("windowactivate", "--sync", plot, check=False)
    x, y, w, h = s.window_geometry(plot)
    top = h // 2
    s.xdotool("mousemove", "--window", plot, str(int(w * start)), str(top))
    s.xdotool("mousedown", "1")
    for step in range(1, 11):
        s.xdotool("mousemove", "--window", plot, str(int(w * (start + (end - start) * step / 10))), str(top))
        time.sleep(0.03)
    s.xdotool("mouseup", "1")
    time.sleep(0.3)


def main(keep_dir):
    s = Session(keep_dir)
    try:
        s.start_display()
        s.start_sim()
        s.start_korvex()
        record_drive(s, 12)
        # A second, shorter drive to lay over the first.
        time.sleep(1.1)  # a log name of its own second
        s.click_control(*layout.FILE_LOG)
        time.sleep(8)
        s.click_control(*layout.FILE_LOG)

        logs = sorted(glob.glob(os.path.join(s.work, "pars*.txt")))
        check(len(logs) == 2, f"expected two logs, found {logs}")
        s.xdotool("windowactivate", "--sync", s.window, check=False)
        s.menu(layout.FILE_MENU_X, layout.FILE_PLOT_LOG)
        s.enter_file_name(s.find_window("^Open$"), logs[0])
        plot = s.find_window("^Plot log - pars", timeout=40)
        time.sleep(0.5)
        s.window_screenshot(plot, "plot-log.png")

        focus(s, plot)
        s.keys("alt+p")  # Select pull
        select_pull(s, plot, 0.30, 0.60)
        s.keys("alt+1")
        dyno = s.find_window("^Dyno$", timeout=30)
        # Out of the way of the log chart (there is no window manager to place it).
        s.xdotool("windowmove", dyno, "420", "440")
        time.sleep(0.3)
        select_pull(s, plot, 0.60, 0.95)
        s.keys("alt+2")
        s.window_screenshot(dyno, "dyno.png")

        focus(s, plot)
        s.keys("alt+s")
        save = s.find_window("^Save As$")
        saved = os.path.join(s.keep, "plot-log-saved.png")
        if os.path.exists(saved):
            os.remove(saved)
        s.enter_file_name(save, saved)
        time.sleep(0.5)
        with open(saved, "rb") as f:
            check(f.read(8) == b"\x89PNG\r\n\x1a\n", "the saved picture is no PNG")

        s.close_window(dyno)
        focus(s, plot)
        s.keys("alt+a")  # Add log...
        s.enter_file_name(s.find_window("^Open$"), logs[1])
        time.sleep(1.0)
        s.window_screenshot(plot, "overlay.png")

        focus(s, plot)
        s.keys("alt+e")  # Export CSV...
        csv = os.path.join(s.work, "drive.csv")
        s.enter_file_name(s.find_window("^Save As$"), csv)
        wait_for(lambda: os.path.exists(csv), 10, "the CSV file")
        with open(csv, newline="") as f:
            rows = f.read().split("\r\n")
        check(rows[0] == "time_s,speed_kmh,dino_total", f"CSV header: {rows[0]!r}")
        check(len(rows) > 50 and rows[1].count(",") == 2, f"CSV rows: {rows[:3]}")

        s.click_control(*layout.START)  # Stop
        check(s.close_korvex() == 0, "korvex did not exit with 0")
        print(f"plot e2e: {logs[0]} plotted, a pull charted, {saved} saved, "
              f"{logs[1]} laid over it, {len(rows) - 2} rows exported")
    finally:
        s.close()


if __name__ == "__main__":
    main(sys.argv[1])
