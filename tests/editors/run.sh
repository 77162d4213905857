#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Packs the VS Code extension as the build's target does, unpacks the .vsix and checks it with
# the committed tokenizer packages. A machine where npm cannot install them fails the test: it
# checks nothing without them.
#   run.sh WORK-DIR SOURCE-DIR NPM CMAKE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1
top=$2
npm=$3
cmake=$4
rm -rf "$work"
mkdir -p "$work/unpacked"
cp "$here/package.json" "$here/package-lock.json" "$here/check.js" "$work/"
cd "$work"
"$npm" ci --no-audit --no-fund --loglevel=error || {
    echo "FAIL: npm could not install vscode-textmate and vscode-oniguruma"
    exit 1
}
"$cmake" -DNPM="$npm" -DSOURCE="$top/editors/vscode" -DLICENSE="$top/LICENSE" -DWORK="$work/pack" \
    -DOUT="$work/tavrel-scp.vsix" -P "$top/editors/pack.cmake"
# A .vsix is a zip archive; CMake's tar reads it where no unzip is installed.
(cd unpacked && "$cmake" -E tar xf ../tavrel-scp.vsix)
exec node check.js "$work/unpacked" "$work/extensions"
