#!/usr/bin/env bash
# The Windows stage of the test command: cross-builds the toolkit-free core and its
# tests with mingw-w64 into build-win/ and runs them under wine, the link tests against
# the native korvex-sim of the Linux tree (build/, or the folder given) through wine's
# COM links. The wine prefix lives in build-win/wineprefix and is made once.
#   test_windows.sh [tree]          builds, then tests
#   test_windows.sh --build         builds and makes the wine prefix, needs no Linux tree
#   test_windows.sh --test [tree]   tests what --build made
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=all
case "${1:-}" in
--build | --test)
    mode=${1#--}
    shift
    ;;
esac
native=$root/${1:-build}
tree=$root/build-win

export WINEPREFIX=$tree/wineprefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer prompts, no display needed.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

build() {
    # Without debug information, which wine's runs of the tests never read, and each
    # library as one unit, as the normal tree is.
    bash "$root/scripts/build.sh" build-win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DKORVEX_WITH_QT=OFF -DKORVEX_BENCH=OFF -DKORVEX_NATIVE_SIM="$native/sim/korvex-sim" \
        -DCMAKE_UNITY_BUILD=ON \
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$(wine_program)" wineboot --init >/dev/null 2>&1
    fi
}

wine_program() { sed -n 's/^KORVEX_WINE:FILEPATH=//p' "$tree/CMakeCache.txt"; }

run_tests() {
    if [ ! -f "$native/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$native" --target korvex-sim >/dev/null
    local status=0
    ctest --test-dir "$tree" --output-on-failure -j 2 --timeout 300 || status=$?
    "$(dirname "$(wine_program)")/wineserver" -k 2>/dev/null || true
    return $status
}

case $mode in
build) build ;;
test) run_tests ;;
all) build && run_tests ;;
esac
