#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer target with clang in a build directory of its own and runs it on the
# committed corpus for the given number of seconds (default 30). New inputs it finds go to a
# scratch directory, so the committed corpus stays small; a crash leaves its input in
# build-fuzz/fuzz/ and fails the script.
#   tools/fuzz.sh [SECONDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=$top/build-fuzz

CXX=clang++ cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVREL_FUZZ=ON \
    -DTAVREL_BUILD_TESTS=OFF -DTAVREL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target tavrel_fuzz

found=$(mktemp -d)
trap 'rm -rf "$found"' EXIT
cd "$build/fuzz"
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
    ./tavrel_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$found" "$top/fuzz/corpus"
