#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs the whole test suite headless: once in a normal
# build, once built with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer (any
# report fails the test that caused it), then the fuzz target for 30 seconds.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

bash "$top/tools/install-deps.sh"
export QT_QPA_PLATFORM=offscreen

cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build" -j"$jobs"
ctest --test-dir "$top/build" --output-on-failure -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The benchmarks measure speed, which an instrumented build does not show.
cmake -S "$top" -B "$top/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVREL_SANITIZE=ON \
    -DTAVREL_BUILD_BENCH=OFF
cmake --build "$top/build-asan" -j"$jobs"
ctest --test-dir "$top/build-asan" --output-on-failure -j"$jobs"

bash "$top/tools/fuzz.sh" 30
