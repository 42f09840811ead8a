#!/bin/bash
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Puts the two-line licence header (REUSE style: the copyright holder and the
# SPDX licence identifier) at the top of every file git tracks that lacks
# one, in the comment syntax of its kind of file.
#
#   scripts/add-license-headers.sh          add the header where it is missing
#   scripts/add-license-headers.sh --check  only name the files that lack it
#
# Works on the repository of the current folder. Running it again changes
# nothing, so it can be run after every merge that brings in new files. A
# file of a kind it does not know is named and makes it fail (exit 1), in
# both modes: teach style_of below how to comment it, or why it is exempt.
set -euo pipefail

COPYRIGHT='SPDX-FileCopyrightText: 2026 Ginrei Karuta developers'

# The licence of a file: the project's, but for the files named here.
licence_of() {
    case "$1" in
    # AppStream data is copied into the software centres' catalogues, and
    # AppStream asks for a permissive licence for it (<metadata_license>).
    packaging/ginrei-karuta.metainfo.xml.in) echo CC0-1.0 ;;
    *) echo GPL-3.0-or-later ;;
    esac
}

# How a file is commented: c, hash, markup or roff; exempt for a file that
# takes no header; unknown otherwise. A template (.in) is commented like
# the file it becomes.
style_of() {
    case "$1" in
    # The licence text itself, as published.
    LICENSE) echo exempt; return ;;
    # Debian's machine-readable copyright file: it states the copyright and
    # licence of every file, and is installed as it is.
    packaging/copyright) echo exempt; return ;;
    # Fuzz seeds: every byte is input to the code under test.
    tests/fuzz/corpus/* | tests/fuzz/seeds/*) echo exempt; return ;;
    esac
    local name=${1##*/}
    name=${name%.in}
    case "$name" in
    # Pictures and recordings have no room for comments; the build draws
    # and records the shipped ones from sources that carry the header.
    *.png | *.jpg | *.jpeg | *.gif | *.ico | *.wav) echo exempt ;;
    *.cpp | *.h) echo c ;;
    CMakeLists.txt | *.cmake | Makefile | *.sh | .gitignore | *.supp | *.desktop | *.lintian-overrides) echo hash ;;
    *.xml | *.htm | *.html | *.md) echo markup ;;
    *.[1-9]) echo roff ;;
    *)
        # A script without an extension (.ci/run) is known by its shebang.
        if head -c 2 "$1" | grep -q '^#!'; then echo hash; else echo unknown; fi
        ;;
    esac
}

# The comment lines of the header for a file of the given style and licence.
header_lines() {
    local style=$1 licence=$2
    local text=("$COPYRIGHT" "SPDX-License-Identifier: $licence")
    local line
    for line in "${text[@]}"; do
        case "$style" in
        c) printf '// %s\n' "$line" ;;
        hash) printf '# %s\n' "$line" ;;
        markup) printf '<!-- %s -->\n' "$line" ;;
        roff) printf '.\\" %s\n' "$line" ;;
        esac
    done
}

# Whether the first lines of the file carry the header with its licence.
has_header() {
    local line n=0 copyright=0 licence=0
    while [ $n -lt 5 ] && IFS= read -r line; do
        case "$line" in
        *'SPDX-FileCopyrightText: '*) copyright=1 ;;
        *"SPDX-License-Identifier: $2" | *"SPDX-License-Identifier: $2 "*) licence=1 ;;
        esac
        n=$((n + 1))
    done <"$1"
    [ $copyright = 1 ] && [ $licence = 1 ]
}

# Whether the first line must stay first: a shebang, an XML declaration or
# a document type (a comment before it would put browsers in quirks mode),
# or the preprocessor line of a manual page.
keeps_first_line() {
    local first=""
    IFS= read -r first <"$1" || true
    case "$2:$first" in
    hash:'#!'* | markup:'<?xml'* | markup:'<!DOCTYPE'* | markup:'<!doctype'* | roff:"'\\\""*) return 0 ;;
    esac
    return 1
}

add_header() {
    local file=$1 style=$2 licence=$3 keep=0 blank=1
    keeps_first_line "$file" "$style" && keep=1
    # In a manual page a blank line is output, not spacing in the source.
    [ "$style" = roff ] && blank=0
    local tmp
    tmp=$(mktemp)
    HEADER=$(header_lines "$style" "$licence") KEEP=$keep BLANK=$blank awk '
        function header() { print ENVIRON["HEADER"]; if (ENVIRON["BLANK"] == 1) print "" }
        NR == 1 && ENVIRON["KEEP"] == 1 { print; header(); next }
        NR == 1 { header() }
        { print }
        END { if (NR == 0) header() }
    ' "$file" >"$tmp"
    # Written over, not replaced, so that the file keeps its mode.
    cat "$tmp" >"$file"
    rm -f "$tmp"
}

main() {
    local check=0
    case "${1:-}" in
    --check) check=1 ;;
    "") ;;
    *)
        echo "usage: $0 [--check]" >&2
        return 2
        ;;
    esac

    cd "$(git rev-parse --show-toplevel)"
    local status=0 file style licence
    while IFS= read -r -d '' file; do
        [ -f "$file" ] && [ ! -L "$file" ] || continue
        style=$(style_of "$file")
        case "$style" in
        exempt) continue ;;
        unknown)
            echo "no comment syntax known for $file" >&2
            status=1
            continue
            ;;
        esac
        licence=$(licence_of "$file")
        has_header "$file" "$licence" && continue
        if [ "$check" = 1 ]; then
            echo "lacks the licence header ($licence): $file" >&2
            status=1
        elif head -n 5 "$file" | grep -q 'SPDX-License-Identifier:'; then
            echo "carries another licence than $licence: $file" >&2
            status=1
        else
            add_header "$file" "$style" "$licence"
            echo "added the licence header: $file"
        fi
    done < <(git ls-files -z)
    return $status
}

# On one line: bash reads a script as it runs it, and this one may add the
# header to itself.
main "$@"; exit
