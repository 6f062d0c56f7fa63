#!/usr/bin/env bash
# Installs what building, running and testing KORVEX needs, only what is missing.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config python3
          libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev
          xvfb xdotool x11-utils xclip imagemagick clang-format clang-tidy
          libusb-1.0-0-dev umockdev libumockdev-dev libqcustomplot-dev udev libcli11-dev dfu-programmer
          clang libclang-rt-14-dev
          g++-mingw-w64-x86-64-posix wine64 wine
          dpkg-dev desktop-file-utils appstream librsvg2-bin)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
