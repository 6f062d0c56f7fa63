#!/usr/bin/env bash
# Configures and builds one build tree: build.sh <dir> [extra cmake options...]
# KORVEX_BUILD_TARGETS, when set, limits the build to those targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
launcher=()
# A developer machine with ccache shares compiled objects between checkouts.
# The tests' precompiled header is cached too when ccache may ignore its macros and times.
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
fi
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
targets=()
if [ -n "${KORVEX_BUILD_TARGETS:-}" ]; then
    read -ra names <<<"$KORVEX_BUILD_TARGETS"
    targets=(--target "${names[@]}")
fi
cmake --build "$root/$dir" -j "$(nproc)" "${targets[@]}"
