#!/usr/bin/env bash
# Installs what building, running and testing KORVEX needs, only what is missing.
set -euo pipefail
# shellcheck source=scripts/packages.sh
. "$(dirname "$0")/packages.sh"

install_missing "${package_build[@]}" "${package_checks[@]}" \
    python3 libgtest-dev libgmock-dev libbenchmark-dev xclip imagemagick clang-format clang-tidy \
    clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix wine64 wine dfu-programmer
