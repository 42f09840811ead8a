#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Takes the README's pictures of making a card set, by making one as a new
# user would: the built program, copied to a throw-away program folder with
# a throw-away home, runs under Xvfb against the PipeWire null sink, whose
# monitor is the default input (with-null-sink.sh), and is driven with
# xdotool. かるた設定 → 札の組 → 新しい札の組… (5 cards), a label and a
# photo (12 MP, made with ImageMagick) for each card through its menu,
# card 1's reading recorded while espeak-ng speaks it into the sink, the
# other readings chosen as sound files, 保存, and 書き出す… to ~/家族の札.zip.
#   scripts/screenshot-cardset.sh [output-folder]
# Needs xdotool, espeak-ng, xvfb, imagemagick and the PipeWire tools.
set -eu
cd "$(dirname "$0")/.."
out=${1:-docs}
mkdir -p "$out"
out=$(cd "$out" && pwd)
for tool in xdotool espeak-ng pw-play convert xvfb-run; do
    command -v $tool >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r build/bin "$work/prog"
rm -f "$work/prog/karupath.dat"
mkdir "$work/home" "$work/media"
font=$(fc-match -f '%{file}' 'IPAGothic')
i=0
for card in 春:#f4a6b8:#7a2040:はる 夏:#8fd3f4:#1c4e80:なつ 秋:#f6b26b:#7f3f00:あき 冬:#dfe9f5:#34495e:ふゆ 星:#302b63:#f9d423:ほし; do
    i=$((i + 1))
    IFS=: read -r kanji ground ink reading <<EOF
$card
EOF
    convert -size 3000x4000 "gradient:$ground-white" -font "$font" -pointsize 1800 -fill "$ink" \
        -gravity center -annotate +0+0 "$kanji" -quality 92 "$work/media/photo$i.jpg"
    espeak-ng -v ja -w "$work/media/yomi$i.wav" "$reading"
done
export OUT="$out" WORK="$work"

sh scripts/with-null-sink.sh xvfb-run -a -s "-screen 0 1280x1024x24" sh -eu -c '
    HOME="$WORK/home" "$WORK/prog/ginrei-karuta" & pid=$!
    sleep 2
    eval "$(xdotool search --sync --onlyvisible --name "^銀鈴かるた\$" getwindowgeometry --shell)"
    xdotool mousemove $((X + 88)) $((Y + 231)) click 1   # かるた設定
    sleep 1.5
    eval "$(xdotool search --sync --onlyvisible --name "^かるた設定\$" getwindowgeometry --shell)"
    ex=$X ey=$Y ew=$WIDTH eh=$HEIGHT
    shot() { import -window root -crop "${ew}x${eh}+${ex}+${ey}" +repage "$1"; }
    # A point of the editor, and what to do there ("click 1").
    at() { x=$1 y=$2; shift 2; xdotool mousemove $((ex + x)) $((ey + y)) "$@"; }
    # Until a window of that title is up (10 s at most).
    await() {
        for i in $(seq 50); do
            xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
            sleep 0.2
        done
        echo "no window \"$1\" came up" >&2
        return 1
    }
    # An item of 札の組, by its height, and the window it opens.
    sets() { at 146 9 click 1; sleep 1.5; at 180 "$1" click 1; await "$2"; sleep 0.5; }
    # Entry n (1 to 5): its picture right-clicked, an item of its menu by
    # its height, and the window it opens.
    entry() {
        at $((41 + 72 * ($1 - 1))) 115 click 3; sleep 1
        at $((101 + 72 * ($1 - 1))) "$2" click 1; await "$3"; sleep 0.5
    }
    choose() { xdotool type "$1"; xdotool key Return; sleep 2; }

    sleep 1
    sets 28 "^新しい札の組\$"                         # 新しい札の組…
    xdotool type --delay 80 "家族の札"; xdotool key Tab ctrl+a; xdotool type 5; xdotool key Return
    sleep 1.5
    n=0
    for label in は な あ ふ ほ; do
        at $((22 + 72 * n)) 60 click 1; xdotool key ctrl+a; xdotool type --delay 100 "$label"; sleep 0.3
        n=$((n + 1))
    done
    for n in 1 2 3 4 5; do entry $n 125 "の写真を選ぶ"; choose "$WORK/media/photo$n.jpg"; done
    for n in 2 3 4 5; do entry $n 190 "の読みを選ぶ"; choose "$WORK/media/yomi$n.wav"; done
    entry 1 170 "^録音\$"
    eval "$(xdotool search --onlyvisible --name "^録音\$" getwindowgeometry --shell)"
    xdotool mousemove $((X + 55)) $((Y + 101)) click 1   # 録音
    sleep 0.5
    pw-play "$WORK/media/yomi1.wav" & player=$!
    sleep 0.45
    shot "$OUT/cardset-recording.png"
    wait $player
    sleep 0.5
    xdotool mousemove $((X + 148)) $((Y + 101)) click 1  # 停止
    sleep 0.5
    xdotool mousemove $((X + 335)) $((Y + 101)) click 1  # 保存
    sleep 1.5
    at 248 115 click 3; sleep 0.6                    # entry 4 menu
    shot "$OUT/cardset-entry-menu.png"
    xdotool key Escape
    at 146 9 click 1; sleep 1.5                      # 札の組
    shot "$OUT/cardset-menu.png"
    xdotool key Escape Escape
    at 22 9 click 1; sleep 1.2; xdotool key Return   # 保存, 保存しました
    sets 72 "^札の組を書き出す\$"; xdotool key Return; sleep 2   # to the offered ~/家族の札.zip
    ls "$WORK/home/家族の札.zip"
    kill $pid
'
for shot in cardset-menu cardset-entry-menu cardset-recording; do
    [ -s "$out/$shot.png" ] || { echo "no $out/$shot.png" >&2; exit 1; }
done
echo "wrote $out/cardset-menu.png $out/cardset-entry-menu.png $out/cardset-recording.png"
