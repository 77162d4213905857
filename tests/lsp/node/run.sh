#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the committed client packages into a folder of the build and runs the client
# against the server. A machine where npm cannot install them fails the test: it checks nothing
# without them.
#   run.sh WORK-DIR TAVREL-LSP
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1
server=$2
mkdir -p "$work"
cp "$here/package.json" "$here/package-lock.json" "$here/client.js" "$work/"
cd "$work"
npm ci --no-audit --no-fund --loglevel=error || {
    echo "FAIL: npm could not install vscode-jsonrpc and vscode-languageserver-protocol"
    exit 1
}
exec node client.js "$server"
