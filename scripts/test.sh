#!/usr/bin/env bash
# The test command: installs what is missing, builds the normal tree and the
# sanitizer tree (AddressSanitizer + UndefinedBehaviorSanitizer), runs every test
# in both, builds and tests korvex-cli without Qt, checks the formatting of the
# sources and clang-tidy's checks, fuzzes every parser of outside bytes for a short
# while, and builds the core for Windows and runs its tests under wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

echo "== formatting"
bash scripts/format.sh --check
echo "== imports (no circle of files)"
python3 scripts/imports.py --check

echo "== build (normal)"
bash scripts/build.sh build
echo "== clang-tidy"
bash scripts/tidy.sh build
echo "== tests (normal)"
ctest --test-dir build --output-on-failure -j 2 --timeout 300

echo "== korvex-cli without Qt"
KORVEX_BUILD_TARGETS="korvex-cli test_cli korvex-sim korvex_isp" \
    bash scripts/build.sh build-noqt -DKORVEX_WITH_QT=OFF -DKORVEX_BENCH=OFF
ctest --test-dir build-noqt --output-on-failure -j 2 --timeout 300 -R '^test_cli'

echo "== package"
bash scripts/test_package.sh

echo "== build (sanitizers)"
bash scripts/build.sh build-asan -DKORVEX_SANITIZE=ON -DKORVEX_BENCH=OFF
echo "== tests (sanitizers)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j 2 --timeout 600

echo "== fuzzing (short runs)"
bash scripts/test_fuzz.sh

echo "== Windows build and tests under wine"
bash scripts/test_windows.sh build
