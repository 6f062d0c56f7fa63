"""The dyno coefficients as a person edits them: File > Dino, type a new car
mass, Enter, File > Save as "dino.cfg" in the working folder. After a restart the
program reads that file, and the data log's dyno columns follow the new mass."""

import glob
import math
import os
import struct
import sys
import time

from harness import E2EError, Session
import layout

DEFAULTS = [0.34, 2.2, 1.201, 20, 271.15, 1.37, 1450, 1.2]
MASS_ROW = 7  # "m_car, kg" is coefficient 6, grid row 7


def check(cond, what):
    if not cond:
        raise E2EError(what)


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def dyno(coef, speed, drive):
    """The estimate as the program computes it: each step rounded to 32 bits."""
    cx, s, ro20, t_air, t_abs, kw2hp, m, whp2bhp = (f32(c) for c in coef)
    rho = f32((t_abs + 20) * ro20 / (t_abs + t_air))
    v = f32(speed * (1 / 3.6))
    aero = f32(0.5 * cx * rho * s * v * v * v * kw2hp * 0.001)
    acc = f32(drive * m * 9.81 * (1 / 63) * (1 / 3.6) * kw2hp * 0.001)
    total = f32(f32(aero + acc) * whp2bhp)
    return math.trunc(total) & 0xFFFF, math.trunc(aero) & 0xFFFF


def edit_and_save(s):
    s.start_korvex()
    s.menu(layout.FILE_MENU_X, layout.FILE_DINO)
    dino = s.find_window("^Dino$")
    s.keys(*["Down"] * (MASS_ROW - 1))  # the first value cell is current
    s.type_text("1500")
    s.keys("Return")
    s.click(15, 10, wid=dino, client=False)  # the Dino window's own "File" menu
    s.keys("Down", "Down", "Return")        # "Save"
    save = s.find_window("^Save As$")
    s.enter_file_name(save, "dino.cfg")
    s.window_gone(save)
    s.screenshot("dino-saved.png")
    s.close_window(dino)
    check(s.close_korvex() == 0, "korvex did not exit with 0")


def copied(s, x, y, wid=None):
    """Clicks a list entry or grid cell and copies its text as a person would."""
    s.click(x, y, wid=wid, client=wid is None)
    s.keys("ctrl+c")
    return s.clipboard()


def log_with_saved_coefficients(s):
    s.start_sim()
    s.start_korvex()
    first_entry = copied(s, 504 + 20, 104 + 6)  # ListBox1's first entry
    check(first_entry == "dino.cfg read OK", f"first log entry after the restart: {first_entry!r}")
    s.menu(layout.FILE_MENU_X, layout.FILE_DINO)
    dino = s.find_window("^Dino$")
    s.keys(*["Down"] * (MASS_ROW - 1), "ctrl+c")
    check(s.clipboard() == "1500", f"the Dino window shows m_car as {s.clipboard()!r}")
    s.close_window(dino)
    s.click_control(*layout.OPEN_DEVICE)
    s.click_control(*layout.START)
    time.sleep(0.5)
    s.click_control(*layout.FILE_LOG)
    time.sleep(2.5)
    s.click_control(*layout.FILE_LOG)
    s.screenshot("dino-restarted.png")
    check(s.close_korvex() == 0, "korvex did not exit with 0 after the restart")
    logs = glob.glob(os.path.join(s.work, "pars*.txt"))
    check(len(logs) == 1, f"expected one log, found {logs}")
    with open(logs[0]) as f:
        return [line.rstrip("\t").split("\t") for line in f.read().split("\n")[1:]]


def main(keep_dir):
    s = Session(keep_dir)
    try:
        s.start_display()
        edit_and_save(s)
        path = os.path.join(s.work, "dino.cfg")
        with open(path, "rb") as f:
            saved = struct.unpack("<8f", f.read())
        expected = [f32(c) for c in DEFAULTS]
        expected[6] = 1500.0
        check(list(saved) == expected, f"dino.cfg holds {saved}")

        records = log_with_saved_coefficients(s)
        moving = 0
        for r in records:
            speed, drive = int(r[2]), int(r[8])
            total, aero = int(r[13]), int(r[14])
            check((total, aero) == dyno(expected, speed, drive),
                  f"speed {speed} drive {drive}: logged {total},{aero}, "
                  f"expected {dyno(expected, speed, drive)}")
            if dyno(expected, speed, drive) != dyno(DEFAULTS, speed, drive):
                moving += 1
        check(moving > 0, "no record told the new mass from the default")
        print(f"dino e2e: {len(records)} records follow the saved coefficients ({moving} differ "
              "from the defaults)")
    finally:
        s.close()


if __name__ == "__main__":
    main(sys.argv[1])
