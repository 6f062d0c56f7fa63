#!/usr/bin/env bash
# The Windows stage of the test command: cross-builds the toolkit-free core and its
# tests with mingw-w64 into build-win/ and runs them under wine, the link tests against
# the native korvex-sim of the Linux tree (build/, or the folder given) through wine's
# COM links. The wine prefix lives in build-win/wineprefix and is made once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$root/${1:-build}
tree=$root/build-win

if [ ! -f "$native/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$native" --target korvex-sim >/dev/null

# Without debug information, which wine's runs of the tests never read.
bash "$root/scripts/build.sh" build-win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DKORVEX_WITH_QT=OFF -DKORVEX_BENCH=OFF -DKORVEX_NATIVE_SIM="$native/sim/korvex-sim" \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"

wine=$(sed -n 's/^KORVEX_WINE:FILEPATH=//p' "$tree/CMakeCache.txt")
export WINEPREFIX=$tree/wineprefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer prompts, no display needed.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot --init >/dev/null 2>&1
fi
status=0
ctest --test-dir "$tree" --output-on-failure -j 2 --timeout 300 || status=$?
"$(dirname "$wine")/wineserver" -k 2>/dev/null || true
exit $status
