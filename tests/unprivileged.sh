#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program as an unprivileged user when started as root, who passes every
# permission check: tests of unreadable and unwritable files would only skip otherwise.
#   unprivileged.sh PROGRAM [ARGUMENTS...]
set -euo pipefail
program=$1
shift
[ "$(id -u)" -ne 0 ] && exec "$program" "$@"
if ! runuser -u nobody -- test -x "$program"; then
    echo "SKIP: the user nobody cannot reach $program"
    exit 77
fi
exec runuser -u nobody -- "$program" "$@"
