#!/usr/bin/env bash
# Prints Debian's hardening build flags (dpkg-buildflags, all hardening features, so
# also bind-now) as cmake arguments, one a line: mapfile -t args < <(bash scripts/buildflags.sh)
set -euo pipefail
cd "$(dirname "$0")/.." # the flags map this folder to "." in the debug information
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Without -g, here and in the build type's flags: the packages are stripped, so debug
# information would only cost build time.
flag() { dpkg-buildflags --get "$1" | sed 's/\(^\| \)-g\( \|$\)/\1/'; }
cppflags=$(flag CPPFLAGS)
ldflags=$(flag LDFLAGS)
echo "-DCMAKE_C_FLAGS=$(flag CFLAGS) $cppflags"
echo "-DCMAKE_CXX_FLAGS=$(flag CXXFLAGS) $cppflags"
echo "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
echo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
for kind in EXE SHARED MODULE; do
    echo "-DCMAKE_${kind}_LINKER_FLAGS=$ldflags"
done
