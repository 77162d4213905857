#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package of a build and checks its control fields and contents, then runs
# the distribution's own checker on it when lintian is installed.
#   package.sh BUILD-DIR
set -euo pipefail
build=$1
top=$(cd "$(dirname "$0")/../.." && pwd)

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# cpack builds the project first, from the working directory.
cd "$build"
cpack -G DEB --config CPackConfig.cmake -B "$out" >/dev/null

fail() { echo "FAIL: $*"; exit 1; }
debs=("$out"/*.deb)
[ -f "${debs[0]}" ] || fail "no .deb was built"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tavrel ] || fail "package name"
depends=$(field Depends)
has_package() { grep -q -E "(^|, )$1( |,|$)" <<<"$2"; }
for package in libqt6widgets6 libqt6gui6 libqt6core6; do
    has_package "$package" "$depends" || fail "Depends lacks $package: $depends"
done
# The platform plugins CI and desktops use are in libqt6gui6; this one holds only VNC and touch.
! has_package qt6-qpa-plugins "$depends" || fail "Depends names qt6-qpa-plugins: $depends"
[[ $(field Homepage) == https://* ]] || fail "no https Homepage: $(field Homepage)"
maintainer=$(field Maintainer)
[[ $maintainer == *@*.* && $maintainer != *@localhost* ]] || fail "Maintainer: $maintainer"

contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/tavrel ./usr/bin/tavrel-report ./usr/bin/tavrel-lsp ./usr/bin/tavrel-launcher \
    ./usr/share/man/man1/tavrel.1.gz ./usr/share/man/man1/tavrel-report.1.gz \
    ./usr/share/man/man1/tavrel-launcher.1.gz ./usr/share/man/man1/tavrel-lsp.1.gz \
    ./usr/share/doc/tavrel/copyright ./usr/share/doc/tavrel/changelog.gz \
    ./usr/share/applications/org.tavrel.Tavrel.desktop \
    ./usr/share/metainfo/org.tavrel.Tavrel.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/org.tavrel.Tavrel.svg; do
    grep -q " $path\$" <<<"$contents" || fail "$path is not in the package"
done

tree=$out/tree
dpkg-deb -x "$deb" "$tree"
copyright=$tree/usr/share/doc/tavrel/copyright
head -n1 "$copyright" | grep -q -x 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not in Debian's machine-readable format"
# The licence text of the copyright file, its paragraph dots and indents taken away, is the
# one of LICENSE.
words() { sed 's/^ *//' | tr -s ' \n' '  '; }
packaged=$(tac "$copyright" | sed '/^License: Expat$/q' | tac | tail -n +2 | grep -v -x ' \.' | words)
licence=$(sed -n '/^Permission is hereby granted/,$p' "$top/LICENSE" | words)
[ -n "$licence" ] && [ "$packaged" = "$licence" ] ||
    fail "the copyright file's licence text differs from LICENSE"

if command -v lintian >/dev/null; then
    # Informational tags may stay; any error or warning fails.
    report=$(lintian --profile debian/main --fail-on error,warning "$deb" 2>&1) ||
        fail "lintian: $report"
    echo "$report"
else
    echo "lintian is not installed (tools/install-deps.sh); its checks were skipped"
fi
echo PASS
