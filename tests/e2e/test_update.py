"""A firmware update from the real window: OpenDevice, File > UpdateDevice,
Yes, the device-type dialog left on Auto, then the countdown closes the port and
programs the device through the ISP library (the recording fake on the loader's
path). The simulator must have answered "9" and received "6", and the fake's
programmed bytes must equal the embedded image of board id 2."""

import os
import sys
import time

from harness import E2EError, Session, wait_for
import layout

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def check(cond, what):
    if not cond:
        raise E2EError(what)


def image_bytes(hex_path):
    """The flat image of an Intel HEX text: data records by their 16-bit address."""
    image = {}
    with open(hex_path) as f:
        for line in f:
            line = line.strip()
            if line.startswith(":") and line[7:9] == "00":
                count, addr = int(line[1:3], 16), int(line[3:7], 16)
                for i in range(count):
                    image[addr + i] = int(line[9 + 2 * i:11 + 2 * i], 16)
    end = max(image)
    return bytes(image.get(a, 0xFF) for a in range(end + 1))


def read_record(path):
    calls, data, programmed = [], "", False
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith("call "):
                calls.append(line[5:])
            elif line.startswith("programmed "):
                programmed = True
            elif programmed:
                data += line
    return calls, bytes.fromhex(data)


def answer_box(s, text_hint):
    """Waits for one of the sequence's boxes (titled KORVEX) and presses OK."""
    box = s.find_window("^KORVEX$", timeout=20)
    s.xdotool("windowactivate", "--sync", box, check=False)
    s.keys("Return")
    s.window_gone(box)
    return text_hint


def main(build_dir, keep_dir):
    s = Session(build_dir, keep_dir)
    try:
        libdir = os.path.join(s.tmp, "isp")
        os.makedirs(libdir)
        fake = os.path.join(build_dir, "tests", "firmware", "fake_isp", "libAtJniIspFake.so")
        os.symlink(fake, os.path.join(libdir, "libAtJniIsp.so"))
        record = os.path.join(s.tmp, "isp.record")

        s.start_display()
        s.start_sim()
        s.start_korvex(LD_LIBRARY_PATH=libdir, KORVEX_FAKE_ISP_RECORD=record)
        s.click_control(*layout.OPEN_DEVICE)

        s.menu(layout.FILE_MENU_X, layout.FILE_UPDATE_DEVICE)
        confirm = s.find_window("^KORVEX$")
        s.screenshot("update-confirm.png")
        s.keys("Return")  # Yes is the default button
        s.window_gone(confirm)
        dialog = s.find_window("^Form4$")
        s.screenshot("update-device-type.png")
        s.close_window(dialog)  # "Auto" stays checked: the board id decides

        # The countdown closes the port, then the sequence shows its three boxes.
        for hint in ("Size 32k", "start_program_flash", "Switching to appli mode"):
            answer_box(s, hint)
        wait_for(lambda: os.path.exists(record), 10, "the ISP record")
        s.screenshot("update-done.png")
        # The countdown closed the port through CloseDevice; the sequence logs nothing.
        check(s.last_log_entry() == "Close Com OK", f"last entry: {s.clipboard()!r}")
        check(s.close_korvex() == 0, "korvex did not exit with 0")
        s.stop_sim()

        counts = s.sim_output()
        check(" 9=1" in counts and " 6=1" in counts, f"simulator saw: {counts}")
        calls, programmed = read_record(record)
        names = [c.split("(")[0] for c in calls]
        check(names[:3] == ["ispInit", "ispSetLogEnabled", "ispSelectDevice"], f"calls: {names[:5]}")
        check(calls[2] == "ispSelectDevice(ATmega32U4)", f"device: {calls[2]}")
        check(names[-1] == "ispExit", "the sequence did not end with ispExit")
        expected = image_bytes(os.path.join(ROOT, "resources", "fflash", "myres.hex"))
        check(len(expected) == 0x3948, f"image length {len(expected):#x}")
        check(programmed == expected, "programmed bytes differ from the image")
        leftovers = [f for f in os.listdir(s.work) if f.startswith("my_empty_file")]
        check(not leftovers, f"one-byte HEX file left behind: {leftovers}")
        print(f"update e2e: {len(programmed)} bytes programmed, {len(calls)} library calls")
    finally:
        s.close()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
