#!/usr/bin/env bash
# The test command. It installs what its builds start with, checks the formatting and
# the rooms' imports, then runs six lanes side by side. Each lane writes its own log,
# printed whole, lane by lane:
#   setup:      installs the rest (the Windows tool chain, what tests and package
#               checks run); the lanes wait for it where they need it;
#   normal:     the normal tree, built with Debian's hardening flags as the package
#               is, then its tests and the package stage side by side;
#   windows:    the core cross-built with mingw-w64; its tests run under wine once
#               the normal tree has built the simulator they talk to;
#   sanitizers: the AddressSanitizer + UndefinedBehaviorSanitizer tree (clang, which
#               builds it in two thirds of the time GCC takes) and its tests;
#   clang:      one clang tree, without Qt, for korvex-cli and the fuzz targets: the
#               korvex-cli tests, then short fuzz runs of every parser of outside bytes;
#   tidy:       clang-tidy over the toolkit-free rooms.
# Builds keep the cores busy while the end-to-end tests mostly wait on the programs
# they drive, so the lanes overlap well. Each stage's time is printed at the end.
#
# bash scripts/test.sh --quick: only the normal tree's unit and window tiers, for a
# change in progress.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# stage <name> <command...>: runs one stage, keeping its time for the summary.
stage() {
    local name=$1
    shift
    echo "== $name"
    local start=$SECONDS status=0 cpufile="$logs/cpu.$BASHPID" cpu TIMEFORMAT=%U+%S
    # The time keyword reports on its group's standard error, the stage keeps its own.
    { time "$@" 2>&4; } 4>&2 2>"$cpufile" || status=$?
    cpu=$(python3 -c "print(round($(tail -n 1 "$cpufile")))")
    echo "${lane:-start}|$name|$((SECONDS - start))|$cpu|$status" >>"$logs/times"
    if [ $status -ne 0 ]; then echo "== $name: FAILED"; fi
    return $status
}

# await <name>: waits until another lane has marked <name> done; fails if it failed.
await() {
    while [ ! -e "$logs/$1.done" ]; do
        if [ -e "$logs/$1.failed" ]; then
            echo "== $1 failed: see its lane"
            return 1
        fi
        sleep 1
    done
}

# mark <name> <status>: tells the lanes that await <name> how it went.
mark() { touch "$logs/$1.$([ "$2" -eq 0 ] && echo done || echo failed)"; }

# Stage times by lane; the lanes run side by side, so the command takes the start's
# time plus that of its longest lane.
summary() {
    echo "== stage times (seconds: wall, and CPU on all cores)"
    awk -F'|' '
        !($1 in sum) { order[n++] = $1 }
        { rows[$1] = rows[$1] sprintf("  %-11s %-26s %5d %6d%s\n", $1, $2, $3, $4, ($5 == 0 ? "" : "  FAILED"))
          sum[$1] += $3; cpu[$1] += $4; all += $4 }
        END { for (i = 0; i < n; i++) printf "%s  %-38s %5d %6d\n", rows[order[i]], "(" order[i] ": its stages summed)", sum[order[i]], cpu[order[i]]
              printf "  %-38s %5s %6d\n", "(CPU of all stages)", "", all }' "$logs/times"
    echo "== test command: $SECONDS s in all"
}

# The normal and sanitizer trees build each library as one unit (CMAKE_UNITY_BUILD):
# headers are read once per library rather than once per file. The clang tree stays
# file by file, to catch a file that misses an include.
# The hardening flags come from dpkg-buildflags, which setup installs.
build_normal() {
    local hardening
    mapfile -t hardening < <(bash scripts/buildflags.sh)
    bash scripts/build.sh build "${hardening[@]}" -DCMAKE_UNITY_BUILD=ON
}
tests_normal() { ctest --test-dir build --output-on-failure -j 3 --timeout 300 "$@"; }

if [ "${1:-}" = "--quick" ]; then
    stage "setup" bash scripts/setup.sh
    stage "build (normal)" build_normal
    stage "tests (unit, window)" tests_normal -L 'unit|window'
    summary
    exit 0
fi

# Installs the rest of what the test command needs while the first trees compile.
lane_setup() {
    local lane=setup status=0
    stage "setup (the rest)" bash scripts/setup.sh --rest || status=$?
    mark setup $status
    return $status
}

lane_normal() {
    local lane=normal status=0
    stage "build (normal)" build_normal || status=$?
    # The Windows lane's tests run against this tree's simulator.
    mark normal-build $status
    [ $status -eq 0 ] || return $status
    await setup || return $?
    # The package stage works in scratch folders of its own, so it runs beside the tests.
    (stage "package" bash scripts/test_package.sh >"$logs/package.log" 2>&1) &
    local package=$!
    stage "tests (normal)" tests_normal || status=$?
    wait $package || status=$?
    cat "$logs/package.log"
    return $status
}

lane_windows() {
    local lane=windows
    await setup || return $?
    stage "Windows build" bash scripts/test_windows.sh --build || return $?
    await normal-build || return $?
    stage "Windows tests" bash scripts/test_windows.sh --test build
}

lane_sanitizers() {
    local lane=sanitizers
    stage "build (sanitizers)" bash scripts/build.sh build-asan -DKORVEX_SANITIZE=ON -DKORVEX_BENCH=OFF \
        -DCMAKE_UNITY_BUILD=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ || return $?
    await setup || return $?
    stage "tests (sanitizers)" env ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
        UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build-asan --output-on-failure -j 3 --timeout 600
}

lane_clang() {
    local lane=clang
    stage "build (clang, no Qt)" bash scripts/test_fuzz.sh --build || return $?
    stage "korvex-cli without Qt" \
        ctest --test-dir build-fuzz --output-on-failure -j 2 --timeout 300 -R '^test_cli' || return $?
    stage "fuzzing (short runs)" bash scripts/test_fuzz.sh
}

# clang-tidy configures a tree of its own and needs nothing built. It yields to the
# builds, whose tests come after them, and takes up what the cores have left over
# while tests wait on the programs they drive.
lane_tidy() {
    local lane=tidy
    stage "clang-tidy" nice -n 10 bash scripts/tidy.sh
}

stage "setup (build tools)" bash scripts/setup.sh --build
stage "formatting" bash scripts/format.sh --check
stage "imports (no circle of files)" python3 scripts/imports.py --check

lanes=(setup normal windows sanitizers clang tidy)
pids=()
for lane in "${lanes[@]}"; do
    ("lane_$lane" >"$logs/$lane.log" 2>&1) &
    pids+=($!)
done
failed=0
for i in "${!pids[@]}"; do
    status=0
    wait "${pids[$i]}" || status=$?
    echo "======== lane ${lanes[$i]}"
    cat "$logs/${lanes[$i]}.log"
    [ $status -eq 0 ] || failed=1
done
summary
exit $failed
