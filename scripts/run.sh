#!/usr/bin/env bash
# The run command: installs what is missing, builds, starts the controller
# simulator as a COM port and then KORVEX. Without a display it runs KORVEX under
# Xvfb for a few seconds, saves a screenshot, prints its path and exits 0.
# "run.sh usb" also puts the simulated bootloader on an emulated USB bus
# (umockdev), so a firmware update runs end to end through the real library.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh build -DKORVEX_BENCH=OFF

work="$root/out"
mkdir -p "$work"
cd "$work"   # logs and dino.cfg live in the program's working folder

sim_log="$work/korvex-sim.log"
sim_args=()
usb_env="$work/usb.env"
if [ "${1:-}" = "usb" ]; then
    rm -f "$usb_env"
    sim_args=(--usb-bus "$usb_env")
fi
"$root/build/sim/korvex-sim" "${sim_args[@]}" >"$sim_log" 2>&1 &
sim_pid=$!
xvfb_pid=""
cleanup() {
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
for _ in $(seq 50); do grep -q 'COM' "$sim_log" 2>/dev/null && break; sleep 0.1; done
echo "simulator: $(head -n 3 "$sim_log" | tr '\n' ' ')"
if [ "${1:-}" = "usb" ]; then
    for _ in $(seq 50); do [ -s "$usb_env" ] && break; sleep 0.1; done
    set -a
    # shellcheck disable=SC1090
    . "$usb_env"
    set +a
fi

if [ -n "${DISPLAY:-}" ]; then
    "$root/build/app/korvex"
    exit 0
fi

# Xvfb chooses a free display and names it on a pipe.
fifo="$work/xvfb.display"
rm -f "$fifo"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r number <"$fifo"
rm -f "$fifo"
export DISPLAY=":$number"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$root/build/app/korvex" &
app_pid=$!
sleep 4
shot="$work/korvex-screenshot.png"
import -window root "$shot"
kill "$app_pid" 2>/dev/null || true
wait "$app_pid" 2>/dev/null || true
echo "screenshot: $shot"
