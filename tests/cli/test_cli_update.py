"""korvex-cli update with the real ISP library and the real libusb, against the
simulated bootloader on umockdev's emulated USB bus (hosted by korvex-sim):
over the serial port with --board auto, then a recovery whose read-back fails,
then the refusal without --yes or a terminal."""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import wait_for  # noqa: E402
from test_update import ROOT, flash_of, image_bytes, usb_env  # noqa: E402

CLI, SIM = sys.argv[1], sys.argv[2]


def update(tmp, sim_args, cli_args):
    """Runs korvex-cli update against a fresh simulator; its result and the bus's flash."""
    bus, flash = os.path.join(tmp, "usb.env"), os.path.join(tmp, "flash.bin")
    for path in (bus, flash):
        if os.path.exists(path):
            os.remove(path)
    said = os.path.join(tmp, "sim.out")
    sim = subprocess.Popen([SIM, "--com", "7", "--usb-bus", bus, "--usb-flash", flash] + sim_args,
                           stdout=open(said, "w"), stderr=subprocess.DEVNULL)
    try:
        wait_for(lambda: os.path.exists(os.path.join(tmp, ".korvex/dosdevices/com7")), 10, "the port")
        if "--usb-present" in sim_args:
            wait_for(lambda: "arrived" in open(said).read(), 10, "the bootloader on the bus")
        env = dict(os.environ, **usb_env(bus))
        done = subprocess.run([CLI, "update", "--port", "COM7"] + cli_args, env=env, cwd=tmp,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
    finally:
        sim.terminate()
        sim.wait(10)
    return done, (flash_of(flash) if os.path.exists(bus) and done.returncode == 0 else b"")


def main():
    with tempfile.TemporaryDirectory() as tmp:
        os.environ["HOME"] = tmp
        done, flash = update(tmp, [], ["--board", "auto", "--yes"])
        assert done.returncode == 0, done.stderr
        expected = image_bytes(os.path.join(ROOT, "resources", "fflash", "myres.hex"))
        assert flash[:len(expected)] == expected, "the flash differs from the image of board 2"

        done, _ = update(tmp, ["--usb-present", "--usb-fault", "flip-byte"],
                         ["--recover", "--board", "controller_2016", "--yes"])
        assert done.returncode == 7, done.stderr
        assert "Update failed: verify mismatch" in done.stderr, done.stderr

        done, _ = update(tmp, [], ["--board", "auto"])
        assert done.returncode == 8 and done.stderr.count("\n") == 1, done.stderr
    print("korvex-cli update: programmed, verify failure reported, refusal without --yes")


if __name__ == "__main__":
    main()
