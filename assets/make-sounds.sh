#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Records the 46 default card readings with espeak-ng's Japanese voice as
# 16-bit PCM WAV files: karuon01.wav (あ) to karuon46.wav (銀, read ぎん).
#   make-sounds.sh <card folder>
set -eu
out=${1:?usage: make-sounds.sh <card folder>}
mkdir -p "$out"
n=0
for kana in あ い う え お か き く け こ さ し す せ そ た ち つ て と \
            な に ぬ ね の は ひ ふ へ ほ ま み む め も や ゆ よ ら り \
            る れ ろ わ を ぎん; do
    n=$((n + 1))
    file=$(printf '%s/karuon%02d.wav' "$out" "$n")
    # Slow and clear, as a reader calls the cards at a tournament.
    espeak-ng -v ja -s 110 -a 180 -w "$file.tmp" "$kana"
    mv "$file.tmp" "$file"
done
