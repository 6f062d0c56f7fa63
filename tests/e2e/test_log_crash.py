"""A crash while logging: korvex is killed (SIGKILL) at three moments of a drive,
and each time its data log must hold every frame pair the simulator answered more
than 0.2 s before the kill, with at most its last line cut."""

import glob
import os
import signal
import sys
import threading
import time

from harness import E2EError, Session
import layout
from test_monitor import HEADER, check, read_trace

MARGIN = 0.2


class TraceWatch:
    """Counts the frames the simulator has sent, as it sends them."""

    def __init__(self, path):
        self.path = path
        self.samples = []  # (time, pairs answered by then)
        self.done = False
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        while not self.done:
            now = time.monotonic()
            try:
                with open(self.path) as f:
                    frames = sum(1 for line in f if line.endswith("\n"))
            except FileNotFoundError:
                frames = 0
            self.samples.append((now, frames))
            time.sleep(0.01)

    def pairs_before(self, moment):
        """Word frames sent before `moment` whose byte frame was sent by then too."""
        frames = max((n for t, n in self.samples if t <= moment), default=0)
        with open(self.path) as f:
            kinds = [line[0] for line in f][:frames]
        return sum(1 for a, b in zip(kinds, kinds[1:]) if a == "W" and b == "B")

    def stop(self):
        self.done = True
        self.thread.join()


def check_crashed_log(path, trace, answered):
    with open(path, newline="") as f:
        text = f.read()
    lines = text.split("\n")
    check(lines[0].split("\t")[:40] == HEADER, "the header is not whole")
    records = [line[:-1].split("\t") if line.endswith("\t") else None for line in lines[1:]]
    check(all(r is not None and len(r) == 40 for r in records[:-1]), "a line before the last is cut")
    complete = [r for r in records if r is not None and len(r) == 40]
    check(complete, "no complete record survived")
    times = [int(r[0]) for r in complete]
    check(all(b - a == 1 for a, b in zip(times, times[1:])), f"records missing: {times}")
    # Where the last complete record stands among the pairs the simulator sent.
    last = [int(v) for v in complete[-1][1:13]]
    last[10] &= 0xFFFF
    sent = [i for i, w in enumerate(trace["W"]) if w == last]
    check(sent, f"the last record's words {last} were never sent")
    check(sent[-1] + 1 >= answered,
          f"the log ends at pair {sent[-1] + 1}, the simulator had answered {answered} "
          f"pairs {MARGIN} s before the kill")
    return len(complete), answered - (sent[-1] + 1)


def crash_run(keep_dir, seconds):
    s = Session(keep_dir)
    try:
        s.start_display()
        trace_path = os.path.join(s.tmp, "frames.trace")
        s.start_sim("--trace", trace_path)
        s.start_korvex()
        watch = TraceWatch(trace_path)
        s.click_control(*layout.OPEN_DEVICE)
        s.click_control(*layout.START)
        time.sleep(0.5)
        s.click_control(*layout.FILE_LOG)
        time.sleep(seconds)
        killed_at = time.monotonic()
        s.app.send_signal(signal.SIGKILL)
        s.app.wait(5)
        time.sleep(0.1)
        watch.stop()
        logs = glob.glob(os.path.join(s.work, "pars*.txt"))
        check(len(logs) == 1, f"expected one log, found {logs}")
        s.stop_sim()
        answered = watch.pairs_before(killed_at - MARGIN)
        n, lost = check_crashed_log(logs[0], read_trace(trace_path), answered)
        print(f"killed after {seconds} s of logging: {n} records kept, "
              f"{max(lost, 0)} of the pairs answered {MARGIN} s before the kill missing")
    finally:
        s.close()


def main(keep_dir):
    for seconds in (1.05, 2.3, 3.65):
        crash_run(keep_dir, seconds)


if __name__ == "__main__":
    main(sys.argv[1])
