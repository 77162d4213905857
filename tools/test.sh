#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs the whole test suite headless: once in a normal
# build, once built with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer (any
# report fails the test that caused it); then the core's tests and tavrel-report on a generated
# pack built with ThreadSanitizer, and the fuzz target for 30 seconds.
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

# The threads are the core's; the window's tests would report little but Qt's own threads,
# which ThreadSanitizer cannot see into. A report makes the program exit with 66.
export TSAN_OPTIONS="suppressions=$top/tests/tsan.supp"
cmake -S "$top" -B "$top/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVREL_SANITIZE_THREAD=ON \
    -DTAVREL_BUILD_BENCH=OFF
cmake --build "$top/build-tsan" -j"$jobs" --target tests-core tavrel-report
ctest --test-dir "$top/build-tsan" --output-on-failure -j"$jobs" -L '^core$'
pack=$(mktemp -d)
trap 'rm -rf "$pack"' EXIT
"$top/build/bench/generate_pack" --items 20000 --files 100 "$pack/scripts" >/dev/null
tool="$top/build-tsan/cli/tavrel-report"
status=0
"$tool" --dir "$pack/scripts" --check >/dev/null || status=$?
# The generated pack has resources naming nothing: 1 is the check's verdict.
[ "$status" -eq 1 ] || { echo "tavrel-report --check ended with $status under ThreadSanitizer"; exit 1; }
"$tool" --dir "$pack/scripts" --html "$pack/pages"

bash "$top/tools/fuzz.sh" 30
