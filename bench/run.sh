#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Generates the 50,000-item pack and measures the window's load and report, then the
# command-line tool on the same pack.
#   bench/run.sh [build directory] [items]
# The scale mode measures how the load grows: tavrel-report --check and the window's load at
# 50,000, 200,000 and 500,000 items (and 500,000 in 1,000 files), each as its best of `runs`
# wall times beside the floor of its reading (the reader alone, on the same threads, and its
# ratio to reading the same bytes), the language server at 200,000 items, then the walk down
# chains of nested directories.
#   bench/run.sh build directory --scale [runs]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
export QT_QPA_PLATFORM=offscreen

# Best wall time in seconds of `runs` runs of a command, from measure_command's report.
best_wall() {
    local runs=$1 best="" seconds
    shift
    for ((run = 0; run < runs; ++run)); do
        seconds=$("$build/bench/measure_command" "$@" 2>&1 >/dev/null |
            sed -n 's/.*: \([0-9.]*\) s wall.*/\1/p')
        if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$seconds
        fi
    done
    echo "$best"
}

# One line of the table: items, files, seconds, microseconds per item and the ratio of that to
# the first line's.
row() {
    awk -v items="$1" -v files="$2" -v seconds="$3" -v base="$4" 'BEGIN {
        per = seconds * 1e6 / items
        ratio = base > 0 ? per / base : 1
        printf "%9d items %5d files %9.3f s %8.2f us/item   x%.2f\n", items, files, seconds, per,
            ratio
    }'
}

per_item() {
    awk -v items="$1" -v seconds="$2" 'BEGIN { printf "%.4f", seconds * 1e6 / items }'
}

scale() {
    local runs=${1:-2} sizes="50000:200 200000:200 500000:200 500000:1000"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT

    echo "== tavrel-report --check, best of $runs"
    local base=0 size items files seconds
    for size in $sizes; do
        items=${size%%:*}
        files=${size##*:}
        rm -rf "$work/scripts"
        "$build/bench/generate_pack" --items "$items" --files "$files" "$work/scripts" >/dev/null
        seconds=$(cd "$work" && best_wall "$runs" "$build/cli/tavrel-report" --dir scripts \
            --filter '*.scp' --check)
        echo "$(row "$items" "$files" "$seconds" "$base")   $("$build/bench/bench_read" \
            "$work/scripts" "$runs" |
            sed -n 's/^read floor: \([0-9.e+]*\) ms.*ratio \([0-9.e+]*\)$/read floor \1 ms, x\2 of cat/p')"
        [ "$base" != 0 ] || base=$(per_item "$items" "$seconds")
    done
    rm -rf "$work/scripts"

    echo "== window's load (Open to the end, offscreen), best of $runs; its reading floor"
    base=0
    local line load floor
    for items in 50000 200000 500000; do
        line=$("$build/bench/bench_window" "$items" "$runs" load-only 2>/dev/null | grep '^floor:')
        floor=$(echo "$line" | sed -n 's/^floor: \([0-9.e+]*\) ms.*/\1/p')
        load=$(echo "$line" | sed -n 's/.*load: \([0-9.e+]*\) ms.*/\1/p')
        seconds=$(awk -v ms="$load" 'BEGIN { printf "%.3f", ms / 1000 }')
        echo "$(row "$items" 200 "$seconds" "$base")   floor $(awk -v ms="$floor" \
            'BEGIN { printf "%.3f", ms / 1000 }') s, load/floor $(awk -v l="$load" -v f="$floor" \
            'BEGIN { printf "%.2f", l / f }')"
        [ "$base" != 0 ] || base=$(per_item "$items" "$seconds")
    done

    if [ -x "$build/bench/bench_lsp" ] && [ -x "$build/lsp/tavrel-lsp" ]; then
        echo "== tavrel-lsp at 200,000 items: keystrokes and the requests right after one"
        "$build/bench/bench_lsp" "$build/lsp/tavrel-lsp" 200000 20
    fi

    echo "== discovery down a chain of nested directories, best of 3"
    "$build/bench/bench_walk" 250 1000
}

if [ "${2:-}" = "--scale" ]; then
    scale "${3:-}"
    exit 0
fi

items=${2:-50000}
echo "== window (offscreen): load, memory, clear, report"
"$build/bench/bench_window" "$items" 3

pack=$(mktemp -d)
trap 'rm -rf "$pack"' EXIT
"$build/bench/generate_pack" --items "$items" "$pack/scripts"
cd "$pack"
if [ -x "$build/cli/tavrel-report" ]; then
    echo "== tavrel-report on the same pack"
    "$build/bench/measure_command" "$build/cli/tavrel-report" --dir scripts --filter '*.scp' \
        --check >/dev/null || true
    echo "-- the same check in SARIF, every finding located"
    "$build/bench/measure_command" "$build/cli/tavrel-report" --dir scripts --filter '*.scp' \
        --check --format sarif >/dev/null || true
    "$build/bench/measure_command" "$build/cli/tavrel-report" --dir scripts --filter '*.scp' \
        --html "$pack/pages" >/dev/null || true
    # The slash has find enter the directory that pages links to.
    echo "pages written: $(find "$pack/pages/" -name '*.html' | wc -l)"
fi
if [ -x "$build/bench/bench_lsp" ] && [ -x "$build/lsp/tavrel-lsp" ]; then
    echo "== tavrel-lsp: first load, keystrokes to their diagnostics, requests right after one"
    "$build/bench/bench_lsp" "$build/lsp/tavrel-lsp" "$items" 20
    echo "-- a workspace the size of a large public pack (about 65,000 definitions)"
    "$build/bench/bench_lsp" "$build/lsp/tavrel-lsp" 30000 20
fi
if [ -x "$build/bench/bench_bom" ]; then
    echo "== bill of materials of every item, against one load and check"
    "$build/bench/bench_bom" "$items" 3
fi
