#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Writes the seed corpus of the fuzz targets into tests/fuzz/corpus/. The
# files are kept in the repository; run this again only to change them.
# Needs printf and iconv (libc-bin) only.
set -eu
cd "$(dirname "$0")"
rm -rf corpus
mkdir -p corpus/folderfile corpus/datafile corpus/cp932 corpus/numtext corpus/audiodecode corpus/cardsetarchive corpus/cardphoto

sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
spaces() { [ "$1" -gt 0 ] && printf "%$1s" '' || true; }

# karupath.dat: a 16-bit little-endian length, then the path in 50 bytes.
f=corpus/folderfile
: > $f/empty
{ printf '\005\000ondat'; spaces 19; } > $f/short-26-bytes
{ printf '\005\000ondat'; spaces 45; } > $f/ondat
{ printf '\011\000sets/kana'; spaces 41; } > $f/relative-second-set
{ printf '\013\000<sets>/kana'; spaces 39; } > $f/in-the-sets-folder
{ printf '\010\000<sets>/x'; spaces 42; } > $f/missing-in-the-sets-folder
{ printf '\377\377ondat'; spaces 45; } > $f/negative-length
{ printf '\377\177sets/kana'; spaces 41; } > $f/length-32767
{ printf '\003\000ondat'; spaces 45; } > $f/length-shorter-than-path
{ printf '\001\000/'; spaces 49; } > $f/root
{ printf '\003\000'; sjis 'かるた'; spaces 44; } > $f/missing-kana-folder
{ printf '\012\000sets/kana\202'; spaces 40; } > $f/lone-lead-byte
{ printf '\005\000ondat'; spaces 45; printf 'bytes past record 1'; } > $f/record-and-more

# karudata.dat: a 16-bit count, 50 label fields of 2 bytes, 154 spaces.
d=corpus/datafile
kana='あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわを銀'
default_labels() { sjis "$kana"; spaces 8; spaces 154; }
: > $d/empty
{ printf '\024\000'; spaces 126; } > $d/short-128-bytes
{ printf '\024\000'; sjis "$kana"; spaces 35; } > $d/short-129-bytes
{ printf '\056\000'; default_labels; } > $d/default-set
{ printf '\000\000'; default_labels; } > $d/count-0
{ printf '\377\377'; default_labels; } > $d/count-negative
{ printf '\062\000'; default_labels; } > $d/count-50
{ printf '\003\000ab'; sjis 'ﾊﾞ'; printf 'c '; spaces 248; } > $d/half-width-labels
{ printf '\004\000\205\100\200\200\001\002\202 '; spaces 246; } > $d/unreadable-labels
{ printf '\056\000'; default_labels; printf 'bytes past record 1'; } > $d/record-and-more

# cp932: the first byte chooses the text to encode: even, the rest as code
# page 932; odd, the rest as UTF-16 little-endian.
c=corpus/cp932
{ printf '\000'; sjis '銀鈴かるた ﾊﾞｰｼﾞｮﾝ ～① '; } > $c/text
{ printf '\000ab\202'; } > $c/lone-lead-byte
{ printf '\000\205\100\200\377\001'; } > $c/bad-bytes
{ printf '\001'; printf 'a銀' | iconv -f UTF-8 -t UTF-16LE; } > $c/utf16
{ printf '\001'; printf '카😀' | iconv -f UTF-8 -t UTF-16LE; printf '\000\330'; } > $c/utf16-unmappable
# U+F86F encodes without error but reads back as U+2116.
{ printf 'co\000o\370'; } > $c/utf16-one-way

# The count box and the reading count box, as typed.
n=corpus/numtext
i=0
for text in '12' '12abc' '4.5' '5.5' ' 1 2' '&H1F' '&o17' '1e3' '1D2' '-3' '+.5' '２' 'abc' '' \
            '1e999' '&HFFFFFFFFFFFFFFFFFFFFFFFF' '1：ランダム'; do
    i=$((i + 1))
    printf '%s' "$text" > $n/text-$i
done

# Cards' recordings. First wave files, good and broken, their little-endian
# fields written byte by byte.
w=corpus/audiodecode
byte() { printf "\\$(printf '%03o' $(($1 & 255)))"; }
le16() { byte "$1"; byte $(($1 >> 8)); }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16)); }
# fmt <tag> <channels> <rate> <bits>: a 16-byte format chunk.
fmt() { printf 'fmt '; le32 16; le16 "$1"; le16 "$2"; le32 "$3"; le32 $(($3 * $2 * $4 / 8)); le16 $(($2 * $4 / 8)); le16 "$4"; }
# riff <bytes after WAVE> <chunks...>: the RIFF header, then the chunks as given.
riff() { printf 'RIFF'; le32 $((4 + $1)); printf 'WAVE'; }
samples() { i=0; while [ $i -lt "$1" ]; do byte $((i * 37)); i=$((i + 1)); done; }
{ riff $((24 + 8 + 40)); fmt 1 1 22050 8; printf 'data'; le32 40; samples 40; } > $w/8bit-mono-22k
{ riff $((24 + 8 + 48)); fmt 1 2 48000 16; printf 'data'; le32 48; samples 48; } > $w/16bit-stereo-48k
{ riff $((12 + 24 + 8 + 20)); printf 'LIST'; le32 3; printf 'abc\000'; fmt 1 1 8000 16; printf 'data'; le32 20; samples 20; } > $w/odd-chunk-first
{ riff 0; fmt 1 1 11025 16; printf 'data'; le32 1000; samples 20; } > $w/data-past-end
{ riff $((24 + 8 + 16)); fmt 17 1 22050 4; printf 'data'; le32 16; samples 16; } > $w/adpcm
{ riff $((24 + 8 + 24)); fmt 1 3 22050 16; printf 'data'; le32 24; samples 24; } > $w/three-channels
{ riff 28; fmt 1 1 22050 16; } > $w/no-data
{ printf 'RIFF'; le32 100; printf 'WAVEfm'; } > $w/cut-in-header
{ printf 'RIFF'; le32 100; printf 'AVI LIST'; } > $w/avi
printf 'RIFX\000\000\000\044WAVE' > $w/rifx
: > $w/empty

# Then a 20 ms tone in each other container and codec libsndfile reads
# (seeds/audiodecode, written once by libsndfile itself and kept as they
# are).
cp seeds/audiodecode/* $w/

# Card sets as zip files (seeds/cardsetarchive, written once with Python's
# zipfile and kept as they are): a set in a folder with a Japanese name and
# a file to skip, one at the top level in capitals, "..", a link, a data
# file of 0 cards, a reading cut in half, and files in two folders.
cp seeds/cardsetarchive/* corpus/cardsetarchive/

# Picture files for a card's picture: one small picture in each format the
# image plugins read, a photo stored on its side with Exif orientation 6
# (seeds/cardphoto, written once by Qt and ImageMagick and kept as they are),
# a JPEG cut off in its data, and headers that promise far too many pixels.
p=corpus/cardphoto
cp seeds/cardphoto/* $p/
head -c 300 seeds/cardphoto/wide.jpg > $p/cut-off.jpg
{ printf 'GIF89a\100\234\100\234\000\000\000,\000\000\000\000\100\234\100\234\000'; } > $p/gif-40000-square
{ printf 'BM'; le32 70; le32 0; le32 54; le32 40; le32 30000; le32 30000; printf '\001\000\030\000'; le32 0; le32 16; le32 0; le32 0; le32 0; le32 0; printf 'rgbargbargbargba'; } > $p/bmp-30000-square
