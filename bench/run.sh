#!/usr/bin/env bash
# Generates the 50,000-item pack and measures the window's load and report, then the
# command-line tool on the same pack. Usage: bench/run.sh [build directory] [items]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
items=${2:-50000}
export QT_QPA_PLATFORM=offscreen

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
    "$build/bench/measure_command" "$build/cli/tavrel-report" --dir scripts --filter '*.scp' \
        --html "$pack/pages" >/dev/null || true
    echo "pages written: $(find "$pack/pages" -name '*.html' | wc -l)"
fi
