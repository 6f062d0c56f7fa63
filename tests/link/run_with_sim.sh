#!/usr/bin/env bash
# run_with_sim.sh <korvex-sim> <wine> <test.exe>: starts the native simulator as COM21
# (answers), COM22 (silent) and COM23 (hangs up) in wine's dosdevices of $WINEPREFIX,
# runs the Windows test program under wine, and removes simulators and links again.
# COM24 is left without a link.
set -euo pipefail
sim=$1 wine=$2 test=$3
: "${WINEPREFIX:?WINEPREFIX must name the wine prefix}"
dosdevices=$WINEPREFIX/dosdevices
home=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -f "$dosdevices"/com2[1-4]
    rm -rf "$home"
}
trap cleanup EXIT

start() { # start <com> <fault>
    HOME=$home "$sim" --com "$1" --fault "$2" --seconds 300 >/dev/null &
    pids+=($!)
}
start 21 none
start 22 silent
start 23 hang-up
rm -f "$dosdevices/com24"
for com in 21 22 23; do
    for _ in $(seq 100); do
        [ -e "$home/.korvex/dosdevices/com$com" ] && break
        sleep 0.05
    done
    # Wine opens the pty through the link as any program would.
    ln -sfn "$(readlink "$home/.korvex/dosdevices/com$com")" "$dosdevices/com$com"
done
export KORVEX_SIM_COM=21 KORVEX_SILENT_COM=22 KORVEX_HANGUP_COM=23 KORVEX_ABSENT_COM=24
"$wine" "$test"
