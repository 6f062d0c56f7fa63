#!/usr/bin/env python3
"""Start-up time from outside: from starting a program to its first window being mapped
on an Xvfb display, for KORVEX and a Qt Widgets hello world measured in turns, so both
meet the same machine load. Prints each program's median and their ratio.

    startup.py [--korvex build/app/korvex] [--hello build/bench/app/bench_hello_window]
               [--runs 15]
"""
import argparse
import os
import queue
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,),
                            stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        sys.exit("Xvfb did not start")
    return xvfb, ":" + number


def watch_maps(env):
    """Every window mapped on the root, as (time it was seen, line), through xev."""
    watcher = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                               env=env, stdout=subprocess.PIPE, text=True)
    seen = queue.Queue()

    def read():
        for line in watcher.stdout:
            if line.startswith("MapNotify"):
                seen.put(time.perf_counter())

    threading.Thread(target=read, daemon=True).start()
    return watcher, seen


def one_start(program, env, cwd, seen):
    while not seen.empty():
        seen.get_nowait()
    begin = time.perf_counter()
    proc = subprocess.Popen([program], env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        mapped = seen.get(timeout=30)
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    time.sleep(0.3)  # let the display settle before the next start
    return (mapped - begin) * 1000


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser()
    parser.add_argument("--korvex", default=os.path.join(root, "build/app/korvex"))
    parser.add_argument("--hello", default=os.path.join(root, "build/bench/app/bench_hello_window"))
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()

    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
    env.pop("WAYLAND_DISPLAY", None)
    cwd = tempfile.mkdtemp(prefix="korvex-startup-")
    watcher, seen = watch_maps(env)
    time.sleep(0.5)
    times = {"hello": [], "korvex": []}
    try:
        one_start(args.hello, env, cwd, seen)  # warm the file cache for both
        one_start(args.korvex, env, cwd, seen)
        for _ in range(args.runs):
            times["hello"].append(one_start(args.hello, env, cwd, seen))
            times["korvex"].append(one_start(args.korvex, env, cwd, seen))
    finally:
        watcher.terminate()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(cwd, ignore_errors=True)
    hello = statistics.median(times["hello"])
    korvex = statistics.median(times["korvex"])
    print(f"hello world: median {hello:.1f} ms (min {min(times['hello']):.1f})")
    print(f"korvex:      median {korvex:.1f} ms (min {min(times['korvex']):.1f})")
    print(f"ratio:       {korvex / hello:.2f}x over {args.runs} runs each")


if __name__ == "__main__":
    main()
