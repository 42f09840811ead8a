#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs each libFuzzer target of a fuzz build for a set time, one after the
# other, starting from the seed corpus in tests/fuzz/corpus/.
#   run-fuzz.sh <fuzz build dir> <seconds per target> [target...]
# New inputs go to <build>/fuzz-corpus/<target>/ (the seeds are not
# touched), crashing inputs to <build>/fuzz-artifacts/, the whole output to
# <build>/fuzz-<target>.log. Exits non-zero when a target found a crash.
set -u
if [ $# -lt 2 ]; then
    echo "usage: run-fuzz.sh <fuzz build dir> <seconds per target> [target...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
seconds=$2
shift 2
seeds=$(cd "$(dirname "$0")/../tests/fuzz/corpus" && pwd)
targets=${*:-folderfile datafile cp932 numtext audiodecode cardsetarchive cardphoto}
# Qt is built without frame pointers, so the fast unwinder finds a new,
# bogus stack for nearly every allocation made inside Qt; kept whole, those
# stacks fill AddressSanitizer's stack store until the run dies of memory
# (2 GB in 10 minutes). Two frames are enough to tell allocations apart; a
# crash is best examined by running its input through the ASan build's
# corpus driver (build-asan/fuzz/fuzz_<target> <input>).
export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=2}"

failed=""
for target in $targets; do
    work="$build/fuzz-corpus/$target"
    log="$build/fuzz-$target.log"
    mkdir -p "$work" "$build/fuzz-artifacts"
    echo "== fuzz_$target for $seconds s (log: $log)"
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-artifacts/$target-" "$work" "$seeds/$target" >"$log" 2>&1
    status=$?
    # The last progress line (executions, coverage) and the final figures.
    grep -E '^#[0-9]+' "$log" | tail -n 1
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log"
    if [ $status -ne 0 ]; then
        failed="$failed $target"
        grep -E 'FUZZ_CHECK|ERROR: |SUMMARY|Test unit written' "$log"
    fi
done
if [ -n "$failed" ]; then
    echo "fuzz: crashes found in:$failed" >&2
    exit 1
fi
echo "fuzz: no crash"
