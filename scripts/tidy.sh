#!/usr/bin/env bash
# clang-tidy (checks in .clang-tidy) over the sources of the toolkit-free rooms, using the
# compile commands of a configured build tree: tidy.sh <build dir>. The windows are left
# out: the Qt headers make each file cost many times more than its own code.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
db="$root/${1:-build}/compile_commands.json"
mapfile -t files < <(python3 - "$root" "$db" <<'PY'
import json, os, sys
root, db = sys.argv[1], sys.argv[2]
rooms = {"core", "link", "monitor", "config", "firmware", "dyno", "isp", "sim", "app", "cli"}
for entry in json.load(open(db)):
    path = os.path.relpath(entry["file"], root)
    if path.split(os.sep)[0] in rooms and "qt6" not in entry.get("command", ""):
        print(entry["file"])
PY
)
echo "clang-tidy: ${#files[@]} files"
printf '%s\n' "${files[@]}" | xargs -P 2 -n 4 clang-tidy -p "$(dirname "$db")" --quiet
