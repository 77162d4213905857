#!/usr/bin/env bash
# Builds the Debian package of a build and checks its dependencies and contents.
#   package.sh BUILD-DIR
set -euo pipefail
build=$1

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# cpack builds the project first, from the working directory.
cd "$build"
cpack -G DEB --config CPackConfig.cmake -B "$out" >/dev/null

fail() { echo "FAIL: $*"; exit 1; }
debs=("$out"/*.deb)
[ -f "${debs[0]}" ] || fail "no .deb was built"
deb=${debs[0]}

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins; do
    grep -q -E "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = tavrel ] || fail "package name"

contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/tavrel ./usr/share/applications/org.tavrel.Tavrel.desktop \
    ./usr/share/metainfo/org.tavrel.Tavrel.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/org.tavrel.Tavrel.svg; do
    grep -q " $path\$" <<<"$contents" || fail "$path is not in the package"
done
echo PASS
