#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs the Debian packages that building, running and testing need.
# Idempotent: asks apt only for what is missing, refreshes the package lists
# only when something is missing, and uses sudo only when not already root.
set -eu

PACKAGES="
cmake make g++ pkgconf
qt6-base-dev qt6-multimedia-dev
python3
qt6-translations-l10n fonts-ipafont-gothic
pipewire pipewire-pulse wireplumber pulseaudio-utils dbus libpulse-dev
xvfb xauth imagemagick xdotool
espeak-ng
dpkg-dev file desktop-file-utils appstream git
lintian man-db groff-base
libqt6sql6-sqlite qt6-charts-dev libqt6opengl6-dev
libsndfile1-dev libsamplerate0-dev libebur128-dev libarchive-dev
qt6-image-formats-plugins
"
# `install-deps.sh fuzz`: also clang and its libFuzzer runtime (make fuzz).
if [ "${1:-}" = fuzz ]; then
    PACKAGES="$PACKAGES clang-14 libclang-rt-14-dev"
fi

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing="$missing $p"
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "install-deps: installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
