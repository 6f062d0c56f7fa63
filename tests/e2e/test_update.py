"""Firmware updates from the real window with the real ISP library and the real
libusb, against the simulated bootloader on umockdev's emulated USB bus (hosted
by korvex-sim):

1. OpenDevice, File > UpdateDevice, Yes, the device-type dialog left on Auto:
   the simulator answers "9" and gets "6", its bootloader arrives on USB, the
   countdown closes the port and the sequence programs it; its flash then holds
   the image of board id 2 and the application was started.
2. Recovery with a faulty device: the port closed and a bootloader already on
   USB, UpdateDevice asks for the type ("Choose type of device" while Auto is
   set), programs at once, and the read-back finds the flipped byte: one box
   "Update failed: verify mismatch ..."."""

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


def usb_env(path):
    """UMOCKDEV_DIR and LD_PRELOAD as korvex-sim wrote them for its USB bus."""
    wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, 10, "the USB bus")
    with open(path) as f:
        return dict(line.strip().split("=", 1) for line in f if "=" in line)


def answer_box(s, text_hint, copy=False):
    """Waits for one of the sequence's boxes (titled KORVEX), optionally copies its
    text, and presses OK."""
    box = s.find_window("^KORVEX$", timeout=30)
    s.xdotool("windowactivate", "--sync", box, check=False)
    text = ""
    if copy:
        time.sleep(0.3)
        s.click(60, 20, wid=box, client=False)  # into the text, as a person copies it
        s.keys("ctrl+a", "ctrl+c")
        text = s.clipboard()
    s.keys("Return")
    s.window_gone(box)
    return text or text_hint


def flash_of(path):
    wait_for(lambda: os.path.exists(path), 10, "the bootloader's flash")
    with open(path, "rb") as f:
        return f.read()


def update_over_serial(keep_dir):
    s = Session(keep_dir)
    try:
        bus, flash = os.path.join(s.tmp, "usb.env"), os.path.join(s.tmp, "flash.bin")
        s.start_display()
        s.start_sim("--usb-bus", bus, "--usb-flash", flash)
        s.start_korvex(**usb_env(bus))
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
        wait_for(lambda: "bootloader left (application started)" in s.sim_output(), 20,
                 "the application start")
        s.screenshot("update-done.png")
        # The countdown closed the port through CloseDevice; the sequence logs nothing.
        check(s.last_log_entry() == "Close Com OK", f"last entry: {s.clipboard()!r}")
        check(s.close_korvex() == 0, "korvex did not exit with 0")
        s.stop_sim()

        counts = s.sim_output()
        check(" 9=1" in counts and " 6=1" in counts, f"simulator saw: {counts}")
        expected = image_bytes(os.path.join(ROOT, "resources", "fflash", "myres.hex"))
        check(len(expected) == 0x3948, f"image length {len(expected):#x}")
        programmed = flash_of(flash)
        check(programmed[:len(expected)] == expected, "the flash differs from the image")
        check(set(programmed[len(expected):]) == {0xFF}, "bytes after the image were written")
        leftovers = [f for f in os.listdir(s.work) if f.startswith("my_empty_file")]
        check(not leftovers, f"one-byte HEX file left behind: {leftovers}")
        print(f"update e2e: {len(expected)} bytes programmed and verified over USB")
    finally:
        s.close()


def recovery_with_failure(keep_dir):
    s = Session(keep_dir)
    try:
        bus = os.path.join(s.tmp, "usb.env")
        s.start_display()
        s.start_sim("--usb-bus", bus, "--usb-present", "--usb-fault", "flip-byte")
        s.start_korvex(**usb_env(bus))

        s.menu(layout.FILE_MENU_X, layout.FILE_UPDATE_DEVICE)
        s.keys("Return")  # "Program Device?": Yes
        s.close_window(s.find_window("^Form4$"))  # still on Auto
        answer_box(s, "Choose type of device")
        dialog = s.find_window("^Form4$")
        s.click(232, 50, wid=dialog, client=False)  # ComboBox1
        s.keys("Down")  # "display_2016", board id 0
        s.click(80, 50, wid=dialog, client=False)  # CheckBox1: Auto off
        s.close_window(dialog)

        answer_box(s, "Size 32k")
        answer_box(s, "start_program_flash")
        failed = answer_box(s, "", copy=True)
        s.screenshot("update-failed.png")
        check("Update failed: verify mismatch: at 0x0200" in failed, f"box: {failed!r}")
        check(s.close_korvex() == 0, "korvex did not exit with 0")
        s.stop_sim()
        check("bootloader left" not in s.sim_output(), "the application was started after all")
        print("update e2e: recovery path ended in its verify failure box")
    finally:
        s.close()


def main(keep_dir):
    update_over_serial(keep_dir)
    recovery_with_failure(keep_dir)


if __name__ == "__main__":
    main(sys.argv[1])
