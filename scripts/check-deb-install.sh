#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs the Debian package into a fresh, minimal Debian 12 root made with
# debootstrap and starts the installed program there as a normal user, on
# Qt's offscreen platform. Checks that apt pulls in everything the program
# needs (Depends only, no Recommends), that `ginrei-karuta --version` works,
# that `man ginrei-karuta` shows the manual page, that the program started
# as the desktop menu starts it (the desktop entry's Exec, with a PATH that
# lacks /usr/games) gets through its start-up into its event loop, and that
# it writes karupath.dat into the user's config folder and nothing into the
# program folder.
#
# Needs root (debootstrap, chroot, mounts) and the network path to a Debian
# mirror; downloads about 125 MB. Not part of `make test`.
#
#   scripts/check-deb-install.sh [path/to/ginrei-karuta_X.Y.Z_amd64.deb]
#
# MIRROR overrides the mirror (default: the one apt uses on this machine),
# WORK the folder the root is made in (default: a new folder in /tmp), and
# KEEP_ROOT=1 keeps the root afterwards for a look around.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-}
if [ -z "$deb" ]; then
    deb=$(ls "$here"/build/ginrei-karuta_*_amd64.deb 2>/dev/null | tail -n 1 || true)
fi
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
    echo "check-deb-install: no package found; run 'make package' first or name the .deb" >&2
    exit 2
fi
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
version=$(dpkg-deb -f "$deb" Version)

if [ "$(id -u)" -ne 0 ]; then
    echo "check-deb-install: run as root (debootstrap and chroot need it)" >&2
    exit 2
fi
export DEBIAN_FRONTEND=noninteractive
if ! command -v debootstrap >/dev/null; then
    apt-get update -q
    apt-get install -y -q --no-install-recommends debootstrap
fi

# The mirror apt uses here: the first Debian archive in the sources that is
# not the security archive.
if [ -z "${MIRROR:-}" ]; then
    MIRROR=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /security/) { print $i; exit } }')
fi
if [ -z "${MIRROR:-}" ]; then
    MIRROR=$(cat /etc/apt/sources.list 2>/dev/null |
        awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }')
fi
MIRROR=${MIRROR:-http://deb.debian.org/debian}

WORK=${WORK:-$(mktemp -d /tmp/ginrei-deb-check-XXXXXX)}
root=$WORK/root
pid=""

cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        sleep 0.5
        kill -9 "$pid" 2>/dev/null || true
    fi
    for m in "$root/dev/pts" "$root/dev" "$root/proc"; do
        if mountpoint -q "$m" 2>/dev/null; then
            umount -l "$m" || true
        fi
    done
    if [ "${KEEP_ROOT:-0}" = 1 ]; then
        echo "check-deb-install: root kept in $root"
    else
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT INT TERM

step() { echo "== $*"; }
fail() { echo "check-deb-install: FAILED: $*" >&2; exit 1; }

step "debootstrap bookworm (minbase) from $MIRROR into $root"
mkdir -p "$root"
debootstrap --variant=minbase bookworm "$root" "$MIRROR" > "$WORK/debootstrap.log" 2>&1 ||
    { tail -n 20 "$WORK/debootstrap.log"; fail "debootstrap"; }

mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
# Services must not start inside the throw-away root.
printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
# Fetch the way apt fetches here (proxies, date checks of the mirror).
apt-config dump | grep -E '^Acquire::(Check-Valid-Until|Check-Date|https?::Proxy) ' \
    > "$root/etc/apt/apt.conf.d/99host-acquire" || true
printf 'deb %s bookworm main\ndeb %s bookworm-updates main\n' "$MIRROR" "$MIRROR" > "$root/etc/apt/sources.list"

step "apt-get install ./$(basename "$deb") (without Recommends)"
cp "$deb" "$root/tmp/"
chroot "$root" apt-get update -q > "$WORK/apt.log" 2>&1 || { tail -n 20 "$WORK/apt.log"; fail "apt-get update"; }
chroot "$root" apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")" >> "$WORK/apt.log" 2>&1 ||
    { tail -n 30 "$WORK/apt.log"; fail "apt-get install"; }
echo "   $(grep -c '^Setting up' "$WORK/apt.log") packages set up"

step "installed files"
for f in /usr/games/ginrei-karuta /usr/lib/ginrei-karuta/ginrei-karuta /usr/lib/ginrei-karuta/index.htm \
    /usr/lib/ginrei-karuta/hand.ico /usr/lib/ginrei-karuta/ondat/karudata.dat \
    /usr/lib/ginrei-karuta/ondat/karue46.jpg /usr/lib/ginrei-karuta/ondat/karuon46.wav \
    /usr/share/applications/ginrei-karuta.desktop /usr/share/metainfo/ginrei-karuta.metainfo.xml \
    /usr/share/icons/hicolor/48x48/apps/ginrei-karuta.png /usr/share/man/man6/ginrei-karuta.6.gz \
    /usr/share/doc/ginrei-karuta/copyright /usr/share/doc/ginrei-karuta/changelog.gz; do
    [ -e "$root$f" ] || fail "missing $f"
done
# What the program loads at run time rather than links: the Japanese
# message box buttons, a Japanese font.
[ -n "$(find "$root/usr/share/qt6/translations" -name 'qtbase_ja.qm' | head -n 1)" ] || fail "no qtbase_ja.qm"
font=$(chroot "$root" fc-match 'sans-serif:lang=ja' family)
echo "   Japanese font: $font"
case "$font" in *[Gg]othic* | *CJK* | *VL*) ;; *) fail "no Japanese font ($font)" ;; esac

step "ginrei-karuta --version"
got=$(chroot "$root" /usr/games/ginrei-karuta --version)
echo "   $got"
[ "$got" = "ginrei-karuta $version" ] || fail "--version printed '$got', the package is $version"

step "man ginrei-karuta (man-db installed on top)"
chroot "$root" apt-get install -y -q --no-install-recommends man-db >> "$WORK/apt.log" 2>&1 ||
    { tail -n 30 "$WORK/apt.log"; fail "apt-get install man-db"; }
page=$(chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 MANWIDTH=80 man -P cat ginrei-karuta 2>&1) ||
    { echo "$page"; fail "man ginrei-karuta"; }
echo "$page" | sed -n '/^NAME/,/^$/p' | sed 's/^/   | /'
# man justifies the lines it wraps, so the words may stand further apart.
echo "$page" | grep -Eq 'ginrei-karuta +- +karuta +trainer' || fail "man ginrei-karuta shows no NAME line"

step "start from the desktop menu's entry as a normal user (offscreen)"
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/ginrei-karuta.desktop")
echo "   Exec=$exec_line"
chroot "$root" useradd --create-home --shell /bin/sh karuta
uid=$(chroot "$root" id -u karuta)
mkdir -m 700 "$root/tmp/runtime-karuta"
chown "$uid:$uid" "$root/tmp/runtime-karuta"
config=$root/home/karuta/.config/ginrei-karuta
# A desktop session's PATH: without /usr/games.
# shellcheck disable=SC2086
chroot --userspec=karuta:karuta "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/home/karuta \
    XDG_RUNTIME_DIR=/tmp/runtime-karuta QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 \
    $exec_line > "$WORK/program.log" 2>&1 &
pid=$!

# Started means: karupath.dat written and the main thread asleep in poll,
# waiting for events, twice in a row.
waiting() {
    [ -r "/proc/$pid/stat" ] || return 1
    state=$(sed 's/.*) //' "/proc/$pid/stat" | cut -d' ' -f1)
    [ "$state" = S ] || return 1
    wchan=$(cat "/proc/$pid/wchan" 2>/dev/null || true)
    case "$wchan" in *poll* | "" | 0) return 0 ;; *) return 1 ;; esac
}
started=0
i=0
while [ $i -lt 300 ]; do
    kill -0 "$pid" 2>/dev/null || break
    if [ -f "$config/karupath.dat" ] && waiting; then
        sleep 0.5
        if waiting; then started=1; break; fi
    fi
    sleep 0.1
    i=$((i + 1))
done
if [ "$started" != 1 ]; then
    cat "$WORK/program.log"
    fail "the program did not reach its event loop with karupath.dat in $config"
fi
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""
if [ -s "$WORK/program.log" ]; then
    echo "   the program said:"
    sed 's/^/   | /' "$WORK/program.log"
fi

size=$(stat -c %s "$config/karupath.dat")
[ "$size" = 52 ] || fail "karupath.dat is $size bytes, not 52"
stored=$(dd if="$config/karupath.dat" bs=1 skip=2 count=50 2>/dev/null | sed 's/ *$//')
echo "   ~/.config/ginrei-karuta/karupath.dat names: $stored"
[ "$stored" = /usr/lib/ginrei-karuta/ondat ] || fail "karupath.dat names '$stored'"
[ ! -e "$root/usr/lib/ginrei-karuta/karupath.dat" ] || fail "karupath.dat written into the program folder"
chroot "$root" dpkg --verify ginrei-karuta || fail "installed files changed"

step "passed: $(basename "$deb") installs and starts on a clean Debian 12 root"
