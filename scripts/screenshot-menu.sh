#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Takes the README's picture of the start menu: the built program under
# Xvfb, the screen grabbed with ImageMagick and trimmed to the window.
#   scripts/screenshot-menu.sh [output.png]
set -eu
cd "$(dirname "$0")/.."
out=${1:-docs/start-menu.png}
mkdir -p "$(dirname "$out")"
runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    ./build/bin/ginrei-karuta & pid=$!
    sleep 2
    import -window root "$0"
    kill $pid' "$out.full.png"
convert "$out.full.png" -trim +repage "$out"
rm -f "$out.full.png"
rm -rf "$runtime"
echo "wrote $out"
