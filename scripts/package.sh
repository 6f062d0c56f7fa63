#!/usr/bin/env bash
# Builds the Debian packages korvex and korvex-sim from the normal build tree with
# Debian's hardening flags and prints their paths, build/package/korvex_<version>_<arch>.deb
# and build/package/korvex-sim_<version>_<arch>.deb. It installs only what building them
# needs (scripts/packages.sh: package_build) and builds the programs, no test or benchmark.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=scripts/packages.sh
. scripts/packages.sh

install_missing "${package_build[@]}"
mapfile -t flags < <(bash scripts/buildflags.sh)
KORVEX_BUILD_TARGETS="korvex korvex_isp korvex-cli korvex-sim korvex_package_files" \
    bash scripts/build.sh build "${flags[@]}"
rm -f build/package/*.deb
(cd build && cpack -G DEB >/dev/null)
ls build/package/korvex_*.deb build/package/korvex-sim_*.deb
