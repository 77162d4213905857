#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and starts tavrel on the bundled sample scripts.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

bash "$top/tools/install-deps.sh"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build" -j"$(nproc)" --target tavrel
cd "$top/examples"
exec "$top/build/app/tavrel" "$@"
