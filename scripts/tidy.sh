#!/usr/bin/env bash
# clang-tidy (checks in .clang-tidy) over the sources of the toolkit-free rooms:
# tidy.sh [tree], default build-tidy. The windows are left out: the Qt headers make
# each file cost many times more than its own code.
#
# The tree is configured for clang without Qt, each library as one unit
# (CMAKE_UNITY_BUILD): the standard headers, where the checks spend most of their
# time, are then walked once per library instead of once per file, a fifth of the
# time. It is only configured, never built, so tidy needs no compiled tree and can
# run from the start. Reports are kept to the project's own files by name, which
# leaves out the generated unit files, whose every line includes a .cpp.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tree="$root/${1:-build-tidy}"
cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKORVEX_WITH_QT=OFF \
    -DKORVEX_BENCH=OFF -DKORVEX_FUZZ=ON -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=0 >/dev/null
# Sources made at build time (the embedded firmware images) are checked too.
mapfile -t generated < <(ninja -C "$tree" -t targets all | sed -n 's#^\(/[^:]*\.cpp\): CUSTOM_COMMAND$#\1#p')
ninja -C "$tree" "${generated[@]}" >/dev/null

mapfile -t units < <(python3 - "$root" "$tree" <<'PY'
import json, os, sys
root, tree = sys.argv[1], sys.argv[2]
rooms = {"core", "link", "monitor", "config", "firmware", "dyno", "isp", "sim", "app", "cli"}
for entry in json.load(open(os.path.join(tree, "compile_commands.json"))):
    path = entry["file"]
    base = tree if path.startswith(tree + os.sep) else root
    if os.path.relpath(path, base).split(os.sep)[0] in rooms:
        print(path)
PY
)
filter=$(git ls-files '*.cpp' '*.h' | python3 -c '
import json, sys
root, made = sys.argv[1], sys.argv[2:]
names = [root + "/" + line.strip() for line in sys.stdin] + made
print(json.dumps([{"name": name} for name in names]))' "$root" "${generated[@]}")
echo "clang-tidy: ${#units[@]} units"
printf '%s\n' "${units[@]}" | xargs -P 2 -n 1 clang-tidy -p "$tree" --quiet --line-filter="$filter"
