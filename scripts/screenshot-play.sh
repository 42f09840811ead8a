#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Plays a match at level 5 without reading aloud on a 1280 x 1024 Xvfb
# screen and takes the README's pictures: the computer lifting a card, the
# table halfway through, and the result message.
#   scripts/screenshot-play.sh [midway.png] [result.png] [lift.png]
set -eu
cd "$(dirname "$0")/.."
midway=${1:-docs/match-midway.png}
result=${2:-docs/match-result.png}
lift=${3:-docs/match-lift.png}
mkdir -p "$(dirname "$midway")" "$(dirname "$result")" "$(dirname "$lift")"
runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
export QT_LOGGING_RULES="qt.multimedia.*=false"
xvfb-run -a -s "-screen 0 1280x1024x24" ./build/tests/play_match "$midway" "$result" "$lift"
rm -rf "$runtime"
