#!/usr/bin/env bash
# The package stage of the test command: builds korvex and korvex-sim's .deb files
# from the normal build tree, checks their files and modes, their Depends (no test
# library for korvex), apt's simulated installation and lintian, unpacks them into a
# scratch root, starts the unpacked korvex from the menu's launcher under Xvfb, and
# checks the ISP library's lookup, the desktop entry, the metainfo, the manual pages,
# the postinst, the udev rules with udevadm test on an emulated USB bus, and a firmware
# update by the unpacked korvex-cli over the unpacked korvex-sim's emulated USB bus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

built=$(bash scripts/package.sh)
deb=$(grep '/korvex_[^/]*\.deb$' <<<"$built")
sim_deb=$(grep '/korvex-sim_[^/]*\.deb$' <<<"$built")
# shellcheck source=scripts/packages.sh
. scripts/packages.sh
install_missing "${package_checks[@]}"
scratch=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "package: $*" >&2
    exit 1
}
for d in "$deb" "$sim_deb"; do
    echo "package: $d, $(stat -c %s "$d") bytes, Depends: $(dpkg-deb -f "$d" Depends)"
done

echo "== package: files and modes"
files_are() { # .deb, expected "mode owner path" lines
    local listed
    listed=$(dpkg-deb -c "$1" | awk '$1 !~ /^d/ { $3 = $4 = $5 = ""; print }' | tr -s ' ' | sort)
    diff <(grep . <<<"$2" | sort) <(cat <<<"$listed") || fail "the files or modes of $1 differ"
    ! dpkg-deb -c "$1" | awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root")' | grep . ||
        fail "$1 has folders of another mode or owner"
}
isp_line=""
if [ -d isp ]; then # KORVEX's own ISP library ships beside the program
    isp_line="-rw-r--r-- root/root ./usr/lib/korvex/libAtJniIsp.so"
fi
files_are "$deb" "
-rw-r--r-- root/root ./lib/udev/rules.d/70-korvex.rules
lrwxrwxrwx root/root ./usr/bin/korvex -> ../lib/korvex/korvex
-rwxr-xr-x root/root ./usr/bin/korvex-cli
-rw-r--r-- root/root ./usr/lib/systemd/user/korvex-cli-log.service
-rwxr-xr-x root/root ./usr/lib/korvex/korvex
-rwxr-xr-x root/root ./usr/lib/korvex/korvex-menu
-rw-r--r-- root/root ./usr/share/applications/org.korvex.korvex.desktop
-rw-r--r-- root/root ./usr/share/doc/korvex/changelog.Debian.gz
-rw-r--r-- root/root ./usr/share/doc/korvex/copyright
-rw-r--r-- root/root ./usr/share/icons/hicolor/256x256/apps/korvex.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/scalable/apps/korvex.svg
-rw-r--r-- root/root ./usr/share/man/man1/korvex-cli.1.gz
-rw-r--r-- root/root ./usr/share/man/man1/korvex.1.gz
-rw-r--r-- root/root ./usr/share/metainfo/org.korvex.korvex.metainfo.xml
$isp_line"
files_are "$sim_deb" "
-rwxr-xr-x root/root ./usr/bin/korvex-sim
-rw-r--r-- root/root ./usr/share/doc/korvex-sim/changelog.Debian.gz
-rw-r--r-- root/root ./usr/share/doc/korvex-sim/copyright
-rw-r--r-- root/root ./usr/share/man/man1/korvex-sim.1.gz"

echo "== package: Depends"
depends=$(dpkg-deb -f "$deb" Depends)
grep -q libqt6widgets6 <<<"$depends" || fail "Depends lacks the Qt libraries"
if [ -n "$isp_line" ]; then
    grep -q libusb-1.0-0 <<<"$depends" || fail "Depends lacks libusb"
fi
grep -Eq '(^|, )umockdev( |,|$)' <<<"$(dpkg-deb -f "$sim_deb" Depends)" ||
    fail "korvex-sim does not depend on umockdev, whose preload its USB bus needs"
# What installing korvex brings, whatever this machine has installed already.
test_libraries='umockdev|gtest|gmock|benchmark|libpcap'
brought=$(sed 's/([^)]*)//g; s/|/,/g; s/,/ /g' <<<"$depends" | xargs apt-cache depends --recurse \
    --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces --no-enhances |
    grep -v '^ ' | sort -u)
! grep -E "$test_libraries" <<<"$brought" || fail "installing korvex brings test libraries"

# apt's simulation resolves the dependencies as an installation would, changing nothing.
apt-get install -s -q --no-install-recommends "./$deb" "./$sim_deb" >"$scratch/apt.out" 2>&1 ||
    fail "apt cannot install the packages: $(cat "$scratch/apt.out")"
for name in korvex korvex-sim; do
    grep -q "^Inst $name " "$scratch/apt.out" || fail "apt would not install $name: $(cat "$scratch/apt.out")"
done

echo "== package: lintian"
# Errors fail the stage; warnings are printed for the reader.
lintian --fail-on error --tag-display-limit 0 "$deb" "$sim_deb" || fail "lintian reports errors"

dpkg -x "$deb" "$scratch/root"
dpkg -x "$sim_deb" "$scratch/root"
dpkg-deb -e "$deb" "$scratch/control"
r=$scratch/root

echo "== package: desktop entry, icon, metainfo, manual pages"
desktop=$r/usr/share/applications/org.korvex.korvex.desktop
desktop-file-validate "$desktop"
grep -qx 'Exec=/usr/lib/korvex/korvex-menu' "$desktop" || fail "the menu does not start the launcher"
grep -qx 'Icon=korvex' "$desktop" || fail "the desktop entry names another icon"
python3 - "$r/usr/share/icons/hicolor/256x256/apps/korvex.png" <<'EOF' || fail "the PNG icon is not 256 x 256"
import struct, sys
head = open(sys.argv[1], "rb").read(24)
sys.exit(not (head[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", head[16:24]) == (256, 256)))
EOF
appstreamcli validate --no-net "$r/usr/share/metainfo/org.korvex.korvex.metainfo.xml"
for page in korvex korvex-cli korvex-sim; do
    zcat "$r/usr/share/man/man1/$page.1.gz" | groff -man -ww -z 2>>"$scratch/man.err"
done
[ ! -s "$scratch/man.err" ] || fail "the manual page has faults: $(cat "$scratch/man.err")"

echo "== package: postinst and postrm"
mkdir "$scratch/bin"
printf '#!/bin/sh\nexit 1\n' >"$scratch/bin/udevadm"
chmod +x "$scratch/bin/udevadm"
for script in "postinst configure" "postrm remove"; do
    read -r name action <<<"$script"
    [ "$(stat -c %a "$scratch/control/$name")" = 755 ] || fail "$name is not executable"
    PATH=/nonexistent /bin/sh "$scratch/control/$name" "$action" || fail "$name fails without udev"
    PATH=$scratch/bin /bin/sh "$scratch/control/$name" "$action" || fail "$name fails where udev is not running"
done

echo "== package: the installed korvex from the menu"
fifo=$scratch/xvfb.display
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
pids+=($!)
read -r number <"$fifo"
export DISPLAY=":$number"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
mkdir "$scratch/home"
HOME=$scratch/home "$r/usr/lib/korvex/korvex-menu" >"$scratch/korvex.out" 2>&1 &
app=$!
pids+=("$app")
for _ in $(seq 200); do
    xdotool search --pid "$app" --name '^Logger$' >/dev/null 2>&1 && break
    kill -0 "$app" 2>/dev/null || fail "korvex ended: $(cat "$scratch/korvex.out")"
    sleep 0.1
done
window=$(xdotool search --pid "$app" --name '^Logger$' | head -n 1) || fail "no Logger window"
# X11 desktops find the window's menu entry, and so its icon, by the window's class.
wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
xprop -id "$window" WM_CLASS | grep -q "\"$wm_class\"\$" || fail "the window's class is not $wm_class"
[ "$(readlink "/proc/$app/cwd")" = "$scratch/home/KORVEX" ] || fail "korvex does not work in ~/KORVEX"
kill "$app"

if [ -n "$isp_line" ]; then
    # The loader finds the library the program opens by name through the RUNPATH of
    # the real file behind /usr/bin/korvex.
    trace=$(LD_PRELOAD=libAtJniIsp.so LD_TRACE_LOADED_OBJECTS=1 "$r/usr/bin/korvex" 2>&1)
    grep -q "libAtJniIsp.so => $r/usr/lib/korvex/libAtJniIsp.so" <<<"$trace" ||
        fail "korvex does not find its ISP library: $trace"
    ! grep -q 'not found' <<<"$trace" || fail "a library of korvex is missing: $trace"
fi

echo "== package: udev rules on an emulated USB bus"
# udevadm test reads the rules from /etc/udev/rules.d and writes udev's database and
# /dev links: a private mount namespace gives it empty ones, so the host keeps its own.
devices=$root/tests/packaging/usb_devices.umockdev
udev_test() { # rules file, device path under /sys/devices/pci0000:00/0000:00:14.0/usb1
    unshare --map-root-user --mount /bin/sh -es "$1" "$devices" "$2" "$scratch" <<'EOF'
hold=$(mktemp -d -p "$4")
mount --rbind /dev "$hold"
mount -t tmpfs tmpfs /dev
for n in null zero random urandom; do touch "/dev/$n"; mount --bind "$hold/$n" "/dev/$n"; done
mkdir /dev/pts
mount --bind "$hold/pts" /dev/pts
ln -s pts/ptmx /dev/ptmx
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /etc/udev/rules.d
cp "$1" /etc/udev/rules.d/70-korvex.rules
umockdev-run -d "$2" -- udevadm test "/sys/devices/pci0000:00/0000:00:14.0/usb1/$3" 2>/dev/null
EOF
}
rules=$r/lib/udev/rules.d/70-korvex.rules
for boot in 1-1 1-2; do
    grep -q '^TAGS=.*:uaccess:' <<<"$(udev_test "$rules" "$boot")" || fail "no uaccess for the bootloader at $boot"
done
# The controller's line as a user completes it, with the id the emulated port has.
sed -e '/ID_MM_DEVICE_IGNORE/s/^#//; /ID_MM_DEVICE_IGNORE/s/vvvv/16c0/; /ID_MM_DEVICE_IGNORE/s/pppp/05e1/' \
    "$rules" >"$scratch/completed.rules"
controller=$(udev_test "$scratch/completed.rules" 1-3/1-3:1.0/tty/ttyACM0)
grep -qx 'ID_MM_DEVICE_IGNORE=1' <<<"$controller" || fail "ModemManager is not kept from the controller"
grep -q '^TAGS=.*:uaccess:' <<<"$controller" || fail "no uaccess for the controller's port"
other=$(udev_test "$scratch/completed.rules" 1-4/1-4:1.0/tty/ttyACM1)
grep -q '^ID_VENDOR_ID=03eb' <<<"$other" || fail "udevadm test did not see the other port"
! grep -Eq '^ID_MM_DEVICE_IGNORE=|^TAGS=.*:uaccess:' <<<"$other" || fail "the rules touch another serial port"
echo "== package: korvex-sim's emulated USB bus, with umockdev's preload"
# awk reads ldconfig's whole list: leaving early would end ldconfig with SIGPIPE,
# which pipefail counts as a failure.
preload=$(ldconfig -p | awk '$1 == "libumockdev-preload.so.0" && !found { print $NF; found = 1 }')
[ -n "$preload" ] || fail "the loader does not find libumockdev-preload.so.0"
owner=$(dpkg -S "$(readlink -f "$preload")")
[[ $owner == umockdev:* ]] || fail "$preload is not umockdev's: $owner"
sim_home=$scratch/sim-home
mkdir "$sim_home"
HOME=$sim_home "$r/usr/bin/korvex-sim" --com 7 --usb-bus "$scratch/usb.env" >"$scratch/sim.out" 2>&1 &
sim=$!
pids+=("$sim")
for _ in $(seq 100); do [ -s "$scratch/usb.env" ] && break; sleep 0.1; done
[ -s "$scratch/usb.env" ] || fail "korvex-sim put up no bus: $(cat "$scratch/sim.out")"
mapfile -t usb_env <"$scratch/usb.env"
# The controller starts its bootloader on the update's request; it arrives on the bus.
(cd "$sim_home" && env HOME="$sim_home" "${usb_env[@]}" timeout 120 "$r/usr/bin/korvex-cli" update \
    --port COM7 --board auto --yes </dev/null) >"$scratch/update.out" 2>&1 ||
    fail "the update over the emulated bus failed: $(cat "$scratch/update.out")"
kill "$sim"
wait "$sim" || fail "korvex-sim failed: $(cat "$scratch/sim.out")"
grep -q 'bootloader left (application started)' "$scratch/sim.out" ||
    fail "the bootloader did not start the new application: $(cat "$scratch/sim.out")"
if HOME=$sim_home "$r/usr/bin/korvex-sim" --usb-bus "$scratch/none/usb.env" --seconds 1 \
    >/dev/null 2>"$scratch/sim.err"; then
    fail "korvex-sim ends with success without its bus"
fi
grep -q "cannot write $scratch/none/usb.env" "$scratch/sim.err" || fail "no message: $(cat "$scratch/sim.err")"
echo "package: all checks passed"
