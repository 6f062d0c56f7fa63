#!/usr/bin/env bash
# Builds the Debian package from the normal build tree and prints its path:
# build/package/korvex_<version>_<arch>.deb, installed with "sudo apt install ./<file>".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh build
rm -f build/package/*.deb
(cd build && cpack -G DEB >/dev/null)
ls build/package/*.deb
