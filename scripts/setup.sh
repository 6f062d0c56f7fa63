#!/usr/bin/env bash
# Installs what building, running and testing KORVEX needs, only what is missing.
#   setup.sh           everything
#   setup.sh --build   what the test command's builds start with
#   setup.sh --rest    the rest: the Windows tool chain and what tests and package checks run
# The test command installs the rest while its first trees compile.
set -euo pipefail
# shellcheck source=scripts/packages.sh
. "$(dirname "$0")/packages.sh"

build=("${package_build[@]}" python3 libgtest-dev libgmock-dev libbenchmark-dev clang-format
       clang-tidy clang libclang-rt-14-dev)
rest=("${package_checks[@]}" xclip imagemagick g++-mingw-w64-x86-64-posix wine64 wine dfu-programmer)
case "${1:-}" in
--build) install_missing "${build[@]}" ;;
--rest) install_missing "${rest[@]}" ;;
*) install_missing "${build[@]}" "${rest[@]}" ;;
esac
