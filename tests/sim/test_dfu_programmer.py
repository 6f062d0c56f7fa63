"""A host nobody here wrote, Debian's dfu-programmer, against the simulated
bootloader on korvex-sim's emulated USB bus: it reads the configuration, erases,
flashes a HEX file and validates it, dumps the flash; the dump and the flash
korvex-sim writes at its end both hold the image."""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import wait_for  # noqa: E402
from test_update import ROOT, flash_of, image_bytes, usb_env  # noqa: E402

SIM = sys.argv[1]
HEX = os.path.join(ROOT, "resources", "fflash", "myres.hex")
# What `get` prints for the ATmega32U4: the bootloader's bytes, then the signature.
CONFIG = {
    "bootloader-version": "Bootloader Version: 0x20",
    "ID1": "Device boot ID 1: 0xdc",
    "ID2": "Device boot ID 2: 0xfb",
    "manufacturer": "Manufacturer Code: 0x58",
    "family": "Family Code: 0x1e",
    "product-name": "Product Name: 0x95",
    "product-revision": "Product Revision: 0x87",
}


def main():
    tool = shutil.which("dfu-programmer")
    if tool is None:
        sys.exit("FAIL: dfu-programmer is not installed (bash scripts/setup.sh installs it)")
    with tempfile.TemporaryDirectory() as tmp:
        bus, flash, said = (os.path.join(tmp, n) for n in ("usb.env", "flash.bin", "sim.out"))
        sim = subprocess.Popen([SIM, "--com", "7", "--usb-bus", bus, "--usb-present",
                                "--usb-flash", flash], stdout=open(said, "w"),
                               stderr=subprocess.STDOUT, env=dict(os.environ, HOME=tmp))
        try:
            wait_for(lambda: "arrived" in open(said).read(), 10, "the bootloader on the bus")
            env = dict(os.environ, **usb_env(bus))

            def run(*args):
                done = subprocess.run([tool, "atmega32u4", *args], env=env, capture_output=True,
                                      text=True, timeout=30)
                said_too = done.stdout + done.stderr
                assert done.returncode == 0, f"dfu-programmer {' '.join(args)}: {said_too}"
                return said_too

            for item, line in CONFIG.items():
                printed = run("get", item)
                assert line in printed, f"get {item}: {printed}"
            run("erase")
            assert "Validating" in run("flash", HEX)
            dump = subprocess.run([tool, "atmega32u4", "dump"], env=env, capture_output=True,
                                  timeout=30)
            assert dump.returncode == 0, f"dfu-programmer dump: {dump.stderr}"
        finally:
            sim.terminate()
            ended = sim.wait(10)
        assert ended == 0, f"korvex-sim ended with {ended}: {open(said).read()}"
        image = image_bytes(HEX)
        stored = flash_of(flash)
        for name, data in (("dump", dump.stdout), ("simulated flash", stored)):
            assert len(data) == 0x7000, f"{name}: {len(data)} bytes"
            assert data[:len(image)] == image, f"{name} differs from the image"
            assert set(data[len(image):]) == {0xFF}, f"{name}: bytes beyond the image"
    print("dfu-programmer: configuration read, erased, flashed, validated, flash holds the image")


if __name__ == "__main__":
    main()
