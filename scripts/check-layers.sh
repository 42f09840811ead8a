#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The two rules that keep the folders in layers (docs/ARCHITECTURE.md):
#
#  1. Nothing below app/ includes a header from app/. app/ is the top of the
#     program (start-up, the start menu, the hub that keeps the windows);
#     only tests/ and bench/, which drive the whole program, sit above it.
#  2. The core library ginrei-core needs Qt Core and nothing else: CMake
#     links it with Qt6::Core alone, and no object in the built library
#     needs a symbol that another Qt library exports.
#
#   scripts/check-layers.sh SOURCE_DIR CORE_LIBRARY CORE_LINKS QT_CORE
#
# CORE_LIBRARY is the built libginrei-core.a, CORE_LINKS the file in which
# CMake lists what ginrei-core links (one a line), QT_CORE the libQt6Core.so
# the build uses; the other Qt libraries are looked for beside it. Names
# every file, link and symbol that breaks a rule, and exits 1 if any does.
set -eu

if [ $# -ne 4 ]; then
    echo "usage: $0 SOURCE_DIR CORE_LIBRARY CORE_LINKS QT_CORE" >&2
    exit 2
fi
src=$1 core=$2 links=$3 qtcore=$4
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Rule 1, over every C++ file of the tree but the build folders.
(cd "$src" && find . \( -path ./.git -o -path './build*' \) -prune -o \
    \( -name '*.h' -o -name '*.cpp' -o -name '*.h.in' \) -print) | sed 's|^\./||' | sort >"$work/files"
while IFS= read -r file; do
    case "$file" in
    app/* | tests/* | bench/*) continue ;;
    esac
    grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<](\.\./)*app/' "$src/$file" >"$work/hits" || continue
    while IFS= read -r hit; do
        echo "$file:$hit: includes a header from app/, the top layer"
        status=1
    done <"$work/hits"
done <"$work/files"

# Rule 2, the link line: Qt6::Core and nothing else.
if [ ! -s "$links" ]; then
    echo "$links: no list of what ginrei-core links" >&2
    exit 2
fi
while IFS= read -r link; do
    case "$link" in
    '' | Qt6::Core | Qt::Core) ;;
    *)
        echo "ginrei-core links $link: the core library links Qt Core only"
        status=1
        ;;
    esac
done <"$links"

# Rule 2, the symbols: what the library's objects need and do not define
# themselves, against what each Qt library other than Core exports.
if [ ! -f "$core" ] || [ ! -f "$qtcore" ]; then
    echo "missing $core or $qtcore" >&2
    exit 2
fi
exports() { nm -D --defined-only "$1" | awk 'NF >= 3 { sub(/@.*/, "", $3); print $3 }' | sort -u; }
nm -g --defined-only "$core" 2>/dev/null | awk 'NF >= 3 { print $3 }' | sort -u >"$work/own"
exports "$qtcore" >"$work/qtcore"
# "libginrei-core.a:matchstate.cpp.o:   U symbol" for each object's needs.
nm -A -u "$core" 2>/dev/null | awk '{ print $NF, $1 }' | sort -u >"$work/needs"
awk '{ print $1 }' "$work/needs" | sort -u | comm -23 - "$work/own" | comm -23 - "$work/qtcore" >"$work/elsewhere"
qtdir=$(dirname "$(readlink -f "$qtcore")")
found=0
for lib in "$qtdir"/libQt6*.so.6; do
    case "${lib##*/}" in
    libQt6Core.so.6) continue ;;
    esac
    found=1
    exports "$lib" | comm -12 - "$work/elsewhere" >"$work/hits"
    while IFS= read -r symbol; do
        for object in $(awk -v s="$symbol" '$1 == s { n = split($2, p, ":"); print p[n - 1] }' "$work/needs"); do
            echo "ginrei-core: $object needs $(echo "$symbol" | c++filt) from ${lib##*/}: the core library links Qt Core only"
        done
        status=1
    done <"$work/hits"
done
if [ $found -eq 0 ]; then
    echo "no other Qt library beside $qtcore to check against" >&2
    exit 2
fi

[ $status -eq 0 ] && echo "layers: nothing below app/ includes app/; ginrei-core needs Qt Core only"
exit $status
