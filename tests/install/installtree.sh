#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the tree a desktop expects.
#   installtree.sh BUILD-DIR WITH-REPORT(0|1)
set -euo pipefail
build=$1
with_report=$2

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*"; exit 1; }
id=org.tavrel.Tavrel
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml

[ -x "$prefix/bin/tavrel" ] || fail "bin/tavrel missing"
if [ "$with_report" = 1 ]; then
    [ -x "$prefix/bin/tavrel-report" ] || fail "bin/tavrel-report missing"
fi
[ -f "$desktop" ] || fail "$id.desktop missing"
[ -f "$metainfo" ] || fail "$id.metainfo.xml missing"

icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon $icon missing"
exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$exec" ] || fail "Exec=$exec is not an installed program"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"

desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --strict "$metainfo" || fail "appstreamcli validate"

# Nothing but the programs and the desktop files.
unexpected=$(cd "$prefix" && find . -type f | grep -v -E "^\./bin/tavrel(-report)?$|^\./share/(applications|metainfo|icons/hicolor/scalable/apps)/$id\." || true)
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"
echo PASS
