#!/usr/bin/env bash
# Makes the README's pictures of the plot windows from the simulator's data: runs the
# plot end-to-end test under Xvfb against a built tree and keeps its window pictures.
# Usage: screenshots.sh [build dir, default build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$root/${1:-build}" && pwd)
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
cmake --build "$build" --target korvex korvex-sim >/dev/null
(cd "$root/tests/e2e" && python3 test_plot.py "$build" "$shots")
mkdir -p "$root/docs"
for name in plot-log dyno live-plot; do
    cp "$shots/$name.png" "$root/docs/$name.png"
done
echo "pictures in $root/docs"
