#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Takes the README's picture of the match window: the 46 default cards laid
# out as at the start of a match, on a 1280 x 1024 Xvfb screen.
#   scripts/screenshot-match.sh [output.png]
set -eu
cd "$(dirname "$0")/.."
out=${1:-docs/match-board.png}
mkdir -p "$(dirname "$out")"
runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
xvfb-run -a -s "-screen 0 1280x1024x24" ./build/tests/screenshot_match "$out"
rm -rf "$runtime"
