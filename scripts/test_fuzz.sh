#!/usr/bin/env bash
# Short libFuzzer runs of every fuzz target (clang, ASan+UBSan), two at a time, each
# starting from its kept inputs in tests/fuzz/corpus. Any finding fails the run; the
# input that caused it is left in build-fuzz/findings/ and, once fixed, belongs in
# tests/fuzz/corpus/<target>/ under a name that says what it holds.
# KORVEX_FUZZ_SECONDS sets the time per target (default 20).
# The same tree, without Qt, also builds korvex-cli and its tests, which the test command
# runs there, and serves clang-tidy its compile commands. test_fuzz.sh --build only builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${KORVEX_FUZZ_SECONDS:-20}
mapfile -t targets < <(ls tests/fuzz/corpus)

KORVEX_BUILD_TARGETS="${targets[*]/#/fuzz_} korvex-cli test_cli korvex-sim korvex_isp" \
    bash scripts/build.sh build-fuzz \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKORVEX_FUZZ=ON \
    -DKORVEX_WITH_QT=OFF -DKORVEX_BENCH=OFF
if [ "${1:-}" = "--build" ]; then
    exit 0
fi

out=build-fuzz/fuzz-runs
rm -rf "$out" build-fuzz/findings
mkdir -p "$out" build-fuzz/findings
run_one() {
    local name=$1
    mkdir -p "$out/corpus-$name"
    if build-fuzz/tests/fuzz/fuzz_"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$name-" \
        "$out/corpus-$name" "tests/fuzz/corpus/$name" >"$out/$name.log" 2>&1; then
        echo "fuzz $name: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$out/$name.log" | grep -o '[0-9]*$') runs, no finding"
    else
        echo "fuzz $name: FINDING"
        tail -n 40 "$out/$name.log"
        return 1
    fi
}
export -f run_one
export out seconds
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one {}'
