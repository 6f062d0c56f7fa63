# shellcheck shell=bash disable=SC2034
# The Debian packages the scripts install, and how: sourced by package.sh,
# test_package.sh and setup.sh, so each list is written once.

# Building korvex and korvex-sim and their .deb files (package.sh).
package_build=(build-essential cmake ninja-build pkg-config dpkg-dev file librsvg2-bin
               qt6-base-dev libqcustomplot-dev libusb-1.0-0-dev libumockdev-dev libcli11-dev)
# Checking the .deb files (test_package.sh).
package_checks=(lintian desktop-file-utils appstream groff-base umockdev udev
                xvfb xdotool x11-utils)

# Installs those of the named packages that are missing; sudo only when not root,
# asked once before anything is installed.
install_missing() {
    local missing=() p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "installing ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
