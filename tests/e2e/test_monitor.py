"""The live monitor as a person uses it: OpenDevice, Start, FileLog, a few
seconds of driving data from the simulator, StopLog, Stop, close the window;
then the data log must hold one line of 40 tab-ended fields per frame pair."""

import glob
import os
import sys
import time

from harness import E2EError, Session
import layout

HEADER = ("time d_cdiff speed_kmh gearbox_speed vrs0 vrs1 speed0L_kmh speed1R_kmh dino speedFL_kmh "
          "speedFR_kmh steering2b par2b dino_total dino_aero cdiff_mode led_dimmer ee_dimmer "
          "ee_cdiff_mode i2c_error g_yaw g_longitudial throt_v pot i_coil slip g_mult steering1b "
          "steer_sign steer_mult throt can_fl can_fr can_rl can_rr can_throt can_h_brake can_brake "
          "brake_sw h_brake_sw").split()


def check(cond, what):
    if not cond:
        raise E2EError(what)


def fields(line):
    check(line.endswith("\t"), f"line does not end with a tab: {line!r}")
    return line[:-1].split("\t")


def check_log(path, trace):
    with open(path, newline="") as f:
        text = f.read()
    check(not text.endswith("\n"), "the log ends with a line break")
    lines = text.split("\n")
    head = fields(lines[0])
    check(head[:40] == HEADER, f"header differs: {head[:40]}")
    # A byte frame that arrived before the first word frame joins the header line.
    check(len(head) in (40, 65), f"header line has {len(head)} fields")
    records = [fields(line) for line in lines[1:]]
    complete = [r for r in records if len(r) == 40]
    check(len(complete) >= 15, f"only {len(complete)} complete records in {len(records)}")
    for r in records[:-1]:
        check(len(r) == 40, f"a middle record has {len(r)} fields")
    times = [int(r[0]) for r in records]
    check(all(b - a == 1 for a, b in zip(times, times[1:])), f"time column does not rise by 1: {times}")
    words = {tuple(w) for w in trace["W"]}
    bytes_ = {tuple(b) for b in trace["B"]}
    for r in complete:
        w = [int(v) for v in r[1:13]]
        w[10] &= 0xFFFF  # steering2b is written signed
        check(tuple(w) in words, f"words {w} were never sent by the simulator")
        b = tuple(int(v) for v in r[15:38])
        check(any(sent[:23] == b and (sent[23] & 1, (sent[23] >> 1) & 1) == (int(r[38]), int(r[39]))
                  for sent in bytes_), f"bytes {b} were never sent by the simulator")
    return len(complete)


def read_trace(path):
    trace = {"W": [], "B": []}
    with open(path) as f:
        for line in f:
            kind, hexbytes = line.split()
            raw = bytes.fromhex(hexbytes)
            if kind == "W":
                trace["W"].append([raw[2 * i] | raw[2 * i + 1] << 8 for i in range(12)])
            else:
                trace["B"].append(list(raw))
    return trace


def main(keep_dir):
    s = Session(keep_dir)
    try:
        s.start_display()
        trace_path = os.path.join(s.tmp, "frames.trace")
        s.start_sim("--trace", trace_path)
        s.start_korvex()
        s.click_control(*layout.OPEN_DEVICE)
        s.click_control(*layout.START)
        time.sleep(0.5)
        s.click_control(*layout.FILE_LOG)
        time.sleep(3)
        s.screenshot("monitor-running.png")
        s.click_control(*layout.FILE_LOG)  # StopLog
        s.click_control(*layout.START)     # Stop
        check(s.last_log_entry() == "Diconnected", f"last entry after Stop: {s.clipboard()!r}")
        check(s.close_korvex() == 0, "korvex did not exit with 0")
        logs = glob.glob(os.path.join(s.work, "pars*.txt"))
        check(len(logs) == 1, f"expected one log, found {logs}")
        s.stop_sim()
        n = check_log(logs[0], read_trace(trace_path))
        print(f"monitor e2e: {n} complete records checked against the simulator")
    finally:
        s.close()


if __name__ == "__main__":
    main(sys.argv[1])
