#!/usr/bin/env bash
# The test command: installs what is missing, builds the normal tree and the
# sanitizer tree (AddressSanitizer + UndefinedBehaviorSanitizer), runs every test
# in both, builds and tests korvex-cli without Qt, checks the formatting of the
# sources and clang-tidy's checks, fuzzes every parser of outside bytes for a short
# while, and builds the core for Windows and runs its tests under wine.
# Each stage's time (wall, and CPU of its processes) is printed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

times_file=$(mktemp)
exec 3>&2 4>&1
# stage <name> <command...>: runs one stage and keeps its time for the summary.
stage() {
    local name=$1
    shift
    echo "== $name"
    local TIMEFORMAT="%R %U %S"
    local t
    t=$({ time "$@" 2>&3 1>&4; } 2>&1) || {
        echo "== $name: FAILED" >&2
        return 1
    }
    echo "$name|$t" >>"$times_file"
}
summary() {
    echo "== stage times (seconds: wall, CPU)"
    awk -F'|' '{ split($2, t, " "); printf "%-28s %7.1f %8.1f\n", $1, t[1], t[2] + t[3]; w += t[1] }
        END { printf "%-28s %7.1f\n", "total (wall)", w }' "$times_file"
    rm -f "$times_file"
}
trap summary EXIT

stage "setup" bash scripts/setup.sh
stage "formatting" bash scripts/format.sh --check
stage "imports" python3 scripts/imports.py --check
stage "build (normal)" bash scripts/build.sh build
stage "clang-tidy" bash scripts/tidy.sh build
stage "tests (normal)" ctest --test-dir build --output-on-failure -j 2 --timeout 300
stage "korvex-cli without Qt" bash -c '
    KORVEX_BUILD_TARGETS="korvex-cli test_cli korvex-sim korvex_isp" \
        bash scripts/build.sh build-noqt -DKORVEX_WITH_QT=OFF -DKORVEX_BENCH=OFF
    ctest --test-dir build-noqt --output-on-failure -j 2 --timeout 300 -R "^test_cli"'
stage "package" bash scripts/test_package.sh
stage "build (sanitizers)" bash scripts/build.sh build-asan -DKORVEX_SANITIZE=ON -DKORVEX_BENCH=OFF
stage "tests (sanitizers)" env ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j 2 --timeout 600
stage "fuzzing" bash scripts/test_fuzz.sh
stage "Windows under wine" bash scripts/test_windows.sh build
