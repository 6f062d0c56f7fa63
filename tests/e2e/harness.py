"""Drives the real korvex program as a person would: an Xvfb display, the
controller simulator linked as a COM port, xdotool clicks on the window's
controls, and screenshots of what the person would see."""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from xclose import close_window

MENU_HEIGHT = 20  # the main window's menu bar has a fixed height


class E2EError(AssertionError):
    pass


def wait_for(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    raise E2EError(f"timed out waiting for {what}")


def program(variable):
    path = os.environ.get(variable, "")
    if not os.access(path, os.X_OK):
        raise E2EError(f"{variable} names no program: {path!r}")
    return path


class Session:
    """One run: a private HOME (for ~/.korvex/dosdevices), a working folder for
    korvex, an X display, and the processes started in it."""

    def __init__(self, keep_dir):
        # The programs under test, named by the build that made them.
        self.korvex = program("KORVEX_PROGRAM")
        self.korvex_sim = program("KORVEX_SIM_PROGRAM")
        self.keep = os.path.abspath(keep_dir)
        os.makedirs(self.keep, exist_ok=True)
        self.tmp = tempfile.mkdtemp(prefix="korvex-e2e-")
        self.home = os.path.join(self.tmp, "home")
        self.work = os.path.join(self.tmp, "work")
        os.makedirs(self.home)
        os.makedirs(self.work)
        self.procs = []
        self.display = None
        self.sim = None
        self.app = None

    # environment -------------------------------------------------------
    def env(self, **extra):
        env = dict(os.environ)
        env["HOME"] = self.home
        env.pop("QT_QPA_PLATFORM", None)
        if self.display:
            env["DISPLAY"] = self.display
        env.update(extra)
        return env

    def start_display(self):
        # Xvfb picks a free display itself and names it on the pipe, so runs side by
        # side never meet on one display. Without -noreset it resets whenever its last
        # client leaves (the readiness probe), refusing connections meanwhile.
        read_end, write_end = os.pipe()
        xvfb_log = open(os.path.join(self.tmp, "xvfb.out"), "w")
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                                 "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                                stdout=xvfb_log, stderr=subprocess.STDOUT)
        os.close(write_end)
        self.procs.append(xvfb)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise E2EError("Xvfb did not start")
        self.display = f":{number}"
        wait_for(lambda: subprocess.run(["xdpyinfo"], env=self.env(), capture_output=True).returncode == 0,
                 10, "Xvfb")

    def start_sim(self, *args):
        out = open(os.path.join(self.tmp, "sim.out"), "w")
        self.sim = subprocess.Popen([self.korvex_sim, *args],
                                    env=self.env(), stdout=out, stderr=subprocess.STDOUT)
        self.procs.append(self.sim)
        link = os.path.join(self.home, ".korvex", "dosdevices")
        wait_for(lambda: os.path.isdir(link) and os.listdir(link), 10, "the simulator's COM link")
        return sorted(os.listdir(link))[0]

    def stop_sim(self):
        if self.sim and self.sim.poll() is None:
            self.sim.send_signal(signal.SIGTERM)
            self.sim.wait(10)

    def sim_output(self):
        with open(os.path.join(self.tmp, "sim.out")) as f:
            return f.read()

    def start_korvex(self, **extra_env):
        out = open(os.path.join(self.tmp, "korvex.out"), "a")
        self.app = subprocess.Popen([self.korvex], cwd=self.work,
                                    env=self.env(**extra_env), stdout=out, stderr=subprocess.STDOUT)
        self.procs.append(self.app)
        self.window = self.find_window("^Logger$")
        return self.window

    def korvex_output(self):
        with open(os.path.join(self.tmp, "korvex.out")) as f:
            return f.read()

    def find_window(self, name, timeout=15):
        def search():
            r = self.xdotool("search", "--onlyvisible", "--name", name, check=False)
            ids = r.stdout.split()
            return ids[-1] if ids else None
        return wait_for(search, timeout, f"window {name!r}")

    def window_gone(self, wid, timeout=10):
        def gone():
            r = self.xdotool("getwindowname", wid, check=False)
            return r.returncode != 0 or not self.visible(wid)
        wait_for(gone, timeout, f"window {wid} to close")

    def visible(self, wid):
        r = self.xdotool("search", "--onlyvisible", "--name", ".*", check=False)
        return wid in r.stdout.split()

    def close_window(self, wid):
        close_window(self.display, wid)
        self.window_gone(wid)

    def close_korvex(self):
        if self.app and self.app.poll() is None:
            close_window(self.display, self.window)
            try:
                self.app.wait(10)
            except subprocess.TimeoutExpired:
                self.app.kill()
                raise E2EError("korvex did not end when its window was closed")
        return self.app.returncode

    # input ---------------------------------------------------------------
    def xdotool(self, *args, check=True):
        r = subprocess.run(["xdotool", *args], env=self.env(), capture_output=True, text=True)
        if check and r.returncode != 0:
            raise E2EError(f"xdotool {' '.join(args)} failed: {r.stderr}")
        return r

    def click(self, x, y, wid=None, client=True):
        """Clicks at (x, y) of the window's client area (below the menu bar)."""
        wid = wid or self.window
        self.xdotool("mousemove", "--window", wid, str(x), str(y + (MENU_HEIGHT if client else 0)))
        self.xdotool("click", "1")
        time.sleep(0.15)

    def click_control(self, left, top, width, height, wid=None):
        self.click(left + width // 2, top + height // 2, wid)

    def keys(self, *keys, wid=None):
        self.xdotool("key", "--delay", "30", *keys)
        time.sleep(0.1)

    def type_text(self, text):
        self.xdotool("type", "--delay", "40", text)
        time.sleep(0.1)

    def enter_file_name(self, dialog, name):
        """Types `name` into a file dialog's name field and accepts it. A dialog still
        reading its folder (slow under the sanitizers) drops keys, so the field is
        copied back and typed again until it holds the name."""
        for _ in range(5):
            self.xdotool("windowactivate", "--sync", dialog, check=False)
            self.keys("ctrl+a")
            self.type_text(name)
            self.keys("ctrl+a", "ctrl+c")
            if self.clipboard() == name:
                break
            time.sleep(1)
        else:
            raise E2EError(f"the file dialog did not take {name!r}: {self.clipboard()!r}")
        self.keys("Return")

    def menu(self, title_x, item_index):
        """Opens the menu whose title sits at title_x of the menu bar and chooses
        its item `item_index` (0-based) with the keyboard."""
        self.click(title_x, MENU_HEIGHT // 2, client=False)
        time.sleep(0.2)
        self.keys(*(["Down"] * (item_index + 1)), "Return")
        time.sleep(0.2)

    def screenshot(self, name):
        path = os.path.join(self.keep, name)
        subprocess.run(["import", "-window", "root", path], env=self.env(), check=True)
        return path

    def window_screenshot(self, wid, name):
        """A picture of one window only, raised first."""
        path = os.path.join(self.keep, name)
        self.xdotool("windowactivate", "--sync", wid, check=False)
        time.sleep(0.5)
        subprocess.run(["import", "-window", wid, path], env=self.env(), check=True)
        return path

    def window_geometry(self, wid):
        out = self.xdotool("getwindowgeometry", wid).stdout
        pos = re.search(r"Position: (\d+),(\d+)", out)
        size = re.search(r"Geometry: (\d+)x(\d+)", out)
        return tuple(int(v) for v in pos.groups() + size.groups())

    def highlighted_rows(self, x, top, bottom):
        """Screen rows between top and bottom where column x shows the selection
        colour (a saturated blue), read from a screenshot."""
        shot = os.path.join(self.tmp, "probe.png")
        subprocess.run(["import", "-window", "root", shot], env=self.env(), check=True)
        out = subprocess.run(["convert", shot, "-crop", f"1x{bottom - top}+{x}+{top}", "-depth", "8",
                              "txt:-"], capture_output=True, text=True, check=True).stdout
        rows = []
        for line in out.splitlines()[1:]:
            m = re.match(r"0,(\d+): \((\d+),(\d+),(\d+)", line)
            if m:
                y, r, g, b = (int(v) for v in m.groups())
                if b > 150 and r < 110 and b - r > 80:
                    rows.append(top + y)
        return rows

    def last_log_entry(self):
        """The main window's last message, copied as a person would: click into the
        list, End, Ctrl+C."""
        self.click(504 + 20, 104 + 6)
        self.keys("End", "ctrl+c")
        return self.clipboard()

    def clipboard(self):
        r = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=self.env(),
                           capture_output=True, text=True)
        return r.stdout

    # teardown ------------------------------------------------------------
    def report(self):
        """What the programs printed, for a failure's report."""
        for name in ("korvex.out", "sim.out", "xvfb.out"):
            path = os.path.join(self.tmp, name)
            if os.path.exists(path):
                with open(path) as f:
                    print(f"--- {name}:\n{f.read()}", file=sys.stderr)
        for p in self.procs:
            if p.poll() is not None:
                print(f"--- {p.args[0]} ended with {p.returncode}", file=sys.stderr)

    def close(self):
        if sys.exc_info()[0] is not None:
            self.report()
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(self.tmp, ignore_errors=True)
