"""Help > About... with the simulator connected: the box shows the controller's
board id and firmware date and the date of the image KORVEX would install. Its
text is selected and copied as a person would (click into it, Ctrl+A, Ctrl+C) and
read back from the clipboard."""

import re
import sys
import time

from harness import E2EError, Session
import layout


def check(cond, what):
    if not cond:
        raise E2EError(what)


def about_text(s):
    s.menu(layout.HELP_MENU_X, 0)
    box = s.find_window("^KORVEX$")
    time.sleep(0.3)
    s.click(60, 20, wid=box, client=False)  # into the text, past its leading blanks
    s.keys("ctrl+a", "ctrl+c")
    text = s.clipboard()
    s.screenshot("about.png")
    s.close_window(box)
    return text.split("\n")


def main(keep_dir):
    s = Session(keep_dir)
    try:
        s.start_display()
        s.start_sim("--board-id", "2", "--date", "Mar  1 2024")
        s.start_korvex()
        closed = about_text(s)
        check(len(closed) == 8, f"port closed: {closed!r}")
        check(closed[0].startswith("  KORVEX controller ") and closed[0].endswith(" "), closed[0])
        check(closed[1] == " " and closed[6] == " ", f"blank lines: {closed!r}")
        check(closed[2] == "BrdId: =255", closed[2])
        check(re.fullmatch(r"Software version: \d+\. \d+\. \d+\. \d+ [A-Z][a-z]{2} [ \d]\d \d{4}",
                           closed[3]), closed[3])
        check(closed[4] == "Firmware date bild: COM is't open", closed[4])
        check(closed[5] == "Update_firmware: err", closed[5])
        check(closed[7].startswith("Mail to: "), closed[7])

        s.click_control(*layout.OPEN_DEVICE)
        connected = about_text(s)
        check(connected[2] == "BrdId: =2", connected[2])
        check(connected[4] == "Firmware date bild: Mar  1 2024", connected[4])
        check(connected[5] == "Update_firmware: Apr 22 2022", connected[5])
        check(s.close_korvex() == 0, "korvex did not exit with 0")
        print("about e2e: closed and connected texts checked")
    finally:
        s.close()


if __name__ == "__main__":
    main(sys.argv[1])
