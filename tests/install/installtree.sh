#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build into a temporary prefix and checks the tree a desktop expects, and where the
# menu entry's launcher starts the program.
#   installtree.sh BUILD-DIR WITH-REPORT(0|1)
set -euo pipefail
build=$1
with_report=$2

work=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*"; exit 1; }
id=org.tavrel.Tavrel
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml

programs=(tavrel tavrel-launcher)
[ "$with_report" = 1 ] && programs+=(tavrel-report tavrel-lsp)
for program in "${programs[@]}"; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program missing"
    page=$prefix/share/man/man1/$program.1.gz
    [ -f "$page" ] || fail "no manual page for $program"
    warnings=$(man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) || fail "man $page"
    [ -z "$warnings" ] || fail "$program.1: $warnings"
done
for doc in copyright changelog.gz; do
    [ -f "$prefix/share/doc/tavrel/$doc" ] || fail "share/doc/tavrel/$doc missing"
done
[ -f "$desktop" ] || fail "$id.desktop missing"
[ -f "$metainfo" ] || fail "$id.metainfo.xml missing"

icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon $icon missing"
exec=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec" = tavrel-launcher ] || fail "the menu entry starts $exec, not the launcher"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "the metainfo has no licence"

desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --strict "$metainfo" || fail "appstreamcli validate"

# Nothing but the programs, their manual pages, Debian's documents and the desktop files.
unexpected=$(cd "$prefix" && find . -type f | grep -v -E \
    -e "^\./bin/tavrel(-report|-lsp|-launcher)?$" \
    -e "^\./share/man/man1/tavrel(-report|-lsp|-launcher)?\.1\.gz$" \
    -e "^\./share/doc/tavrel/(copyright|changelog\.gz)$" \
    -e "^\./share/(applications|metainfo|icons/hicolor/scalable/apps)/$id\." || true)
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"

# The launcher, started the way a menu starts it, with a stand-in for tavrel that records the
# directory it was started in and its arguments.
fake=$work/fake
mkdir "$fake"
cat >"$fake/tavrel" <<EOF
#!/bin/sh
pwd -P >"$work/started"
printf "%s\\n" "\$@" >>"$work/started"
EOF
chmod +x "$fake/tavrel"

# Starts the launcher in a fresh home directory; the first argument is XDG_DATA_HOME, or
# "unset"; the others are passed on.
home=$work/home
launch() {
    local xdg=$1
    shift
    rm -rf "$home" "$work/started"
    mkdir "$home"
    local environment=(HOME="$home" PATH="$fake:$prefix/bin:$PATH")
    [ "$xdg" != unset ] && environment+=(XDG_DATA_HOME="$xdg")
    (cd "$home" && env -u XDG_DATA_HOME "${environment[@]}" "$exec" "$@" </dev/null)
}
started_in() { [ -f "$work/started" ] && head -n1 "$work/started"; }

# name, XDG_DATA_HOME ("unset", or "empty" for the empty string), the directory it starts in
while read -r name xdg expected; do
    [ "$xdg" = empty ] && xdg=
    xdg=${xdg//WORK/$work}
    launch "$xdg" || fail "$name: the launcher failed"
    expected=${expected//HOME/$home}
    expected=${expected//WORK/$work}
    [ "$(started_in)" = "$expected" ] || fail "$name: started in $(started_in), not $expected"
    [ "$(stat -c %a "$expected")" = 700 ] || fail "$name: $expected is not private to the user"
    made=$(cd "$home" && find . -mindepth 1 | sort | tr '\n' ' ')
    if [[ $expected == "$home"/* ]]; then
        [ "$made" = "./.local ./.local/share ./.local/share/tavrel " ] ||
            fail "$name: the launcher made $made in the home directory"
    else
        [ -z "$made" ] || fail "$name: the launcher made $made in the home directory"
    fi
done <<EOF
default unset HOME/.local/share/tavrel
xdg-data-home WORK/data WORK/data/tavrel
empty-xdg-data-home empty HOME/.local/share/tavrel
relative-xdg-data-home data HOME/.local/share/tavrel
EOF

launch unset -style 'two words' || fail "the launcher failed with arguments"
[ "$(tail -n +2 "$work/started" | tr '\n' '|')" = "-style|two words|" ] ||
    fail "the arguments did not reach tavrel: $(tail -n +2 "$work/started" | tr '\n' '|')"

# A data directory from an earlier start is used as it is.
mkdir -p "$work/kept/tavrel"
echo kept >"$work/kept/tavrel/config.cfg"
chmod 755 "$work/kept/tavrel"
launch "$work/kept" || fail "the launcher failed on an existing data directory"
[ "$(started_in)" = "$work/kept/tavrel" ] && [ "$(cat "$work/kept/tavrel/config.cfg")" = kept ] &&
    [ "$(stat -c %a "$work/kept/tavrel")" = 755 ] ||
    fail "the existing data directory was not used as it was"

# A data directory that cannot be made stops the launcher before tavrel starts.
launch "$work/kept/tavrel/config.cfg" 2>/dev/null && fail "the launcher went on without its directory"
[ ! -e "$work/started" ] || fail "tavrel was started without its data directory"
echo PASS
