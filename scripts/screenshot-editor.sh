#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Takes the README's pictures of the card-set editor by using it as a user
# would: the built program, copied to a throw-away program folder, runs under
# Xvfb and is driven with xdotool (apt-get install xdotool). It opens
# かるた設定, browses to a new folder of 12 pictures, confirms it, retypes
# the first label, sets the count to 12 and saves.
#   scripts/screenshot-editor.sh [output-folder]
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
mkdir "$work/mycards"
for n in 01 02 03 04 05 06 07 08 09 10 11 12; do
    cp "$work/prog/ondat/karue$n.jpg" "$work/prog/ondat/karuon$n.wav" "$work/mycards/"
done
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" OUT="$out" WORK="$work"

xvfb-run -a -s "-screen 0 1280x1024x24" sh -eu -c '
    "$WORK/prog/ginrei-karuta" & pid=$!
    sleep 2
    # The start menu: かるた設定 lies 88,231 into the window (menu bar included).
    eval "$(xdotool search --sync --onlyvisible --name "^銀鈴かるた\$" getwindowgeometry --shell)"
    xdotool mousemove $((X + 88)) $((Y + 231)) click 1
    sleep 1.5
    eval "$(xdotool search --sync --onlyvisible --name "^かるた設定\$" getwindowgeometry --shell)"
    ex=$X ey=$Y ew=$WIDTH eh=$HEIGHT
    shot() { import -window root -crop "${ew}x${eh}+${ex}+${ey}" +repage "$1"; }
    menu() { xdotool mousemove $((ex + $1)) $((ey + 9)) click 1; sleep 0.8; }
    box() { xdotool mousemove $((ex + $1)) $((ey + $2)) click 1; xdotool key ctrl+a; xdotool type "$3"; }

    menu 83                              # フォルダ変更: the lists open at ondat
    xdotool key Home Return; sleep 0.3   # .. : the program folder
    xdotool key Home Return; sleep 0.3   # .. : the folder holding mycards
    xdotool type my; xdotool key Return; sleep 0.5
    shot "$OUT/editor-chooser.png"
    menu 83                              # フォルダ確定: 12 pictures counted
    box 22 62 "月"                       # the first label
    box 562 33 "12"                      # the count
    menu 22                              # 保存
    sleep 0.7
    shot "$OUT/editor-saved.png"
    xdotool key Return
    kill $pid
'
echo "wrote $out/editor-chooser.png $out/editor-saved.png"
