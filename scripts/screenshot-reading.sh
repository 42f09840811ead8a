#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Takes the README's picture of the automatic reading in the middle of a
# run: the built program, copied to a throw-away program folder, runs under
# Xvfb and is driven with xdotool. It opens 自動よみあげ, chooses あいう順,
# presses 実　行 and grabs the window while the third card is read.
#   scripts/screenshot-reading.sh [output-folder]
set -eu
cd "$(dirname "$0")/.."
out=${1:-docs}
mkdir -p "$out"
out=$(cd "$out" && pwd)
command -v xdotool >/dev/null || { echo "needs xdotool: apt-get install xdotool" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r build/bin "$work/prog"
rm -f "$work/prog/karupath.dat" "$work/prog/ondat/karudata.dat"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" OUT="$out" WORK="$work"

xvfb-run -a -s "-screen 0 1280x1024x24" sh -eu -c '
    "$WORK/prog/ginrei-karuta" & pid=$!
    sleep 2
    # The start menu: 自動よみあげ lies 200,170 into the window (menu bar included).
    eval "$(xdotool search --sync --onlyvisible --name "^銀鈴かるた\$" getwindowgeometry --shell)"
    xdotool mousemove $((X + 200)) $((Y + 170)) click 1
    sleep 1.5
    eval "$(xdotool search --sync --onlyvisible --name "^銀鈴かるた自動よみあげ\$" getwindowgeometry --shell)"
    wx=$X wy=$Y ww=$WIDTH wh=$HEIGHT
    # よみあげ方法: select the text and type the second choice.
    xdotool mousemove $((wx + 130)) $((wy + 75)) click --repeat 3 1
    xdotool type "2：あいう順"
    xdotool mousemove $((wx + 108)) $((wy + 201)) click 1   # 実　行
    # 2 s to the first card, then about 5.6 s a card.
    sleep 13.5
    import -window root -crop "${ww}x${wh}+${wx}+${wy}" +repage "$OUT/reading-run.png"
    kill $pid
'
echo "wrote $out/reading-run.png"
