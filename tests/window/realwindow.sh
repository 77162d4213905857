#!/usr/bin/env bash
# Runs the built tavrel on a real X server (Xvfb, the xcb platform) the way a user would:
# open it in a working directory holding the sample scripts, load them with CTRL+O, click a
# skill, close the window through the window manager's protocol, and check the exit code and
# the two files the program writes on the way out.
#   realwindow.sh TAVREL WMDELETE EXAMPLES [SCREENSHOT]
# With SCREENSHOT, an image of the loaded window showing the report is saved there.
set -euo pipefail

if [ "${1:-}" != --inside ]; then
    for tool in xvfb-run xdotool import compare; do
        command -v "$tool" >/dev/null || { echo "$tool is missing (tools/install-deps.sh)"; exit 1; }
    done
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$@"
fi
shift
tavrel=$(realpath "$1")
wmdelete=$(realpath "$2")
examples=$(realpath "$3")
screenshot=${4:+$(realpath -m "$4")}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
scripts=$(cd "$examples" && find . -type f)
[ -n "$scripts" ] || { echo "no sample scripts in $examples"; exit 1; }
mkdir "$work/run" "$work/shots"
cp -r "$examples"/. "$work/run/"
cd "$work/run"
# A window large enough to show both trees and the report; the program restores it from here.
printf '[TavrelClass]\nsize=@Size(900 640)\npos=@Point(0 0)\n' >win_config.cfg
# Only the scripts, not the program's own files; the other four keys take their defaults.
printf '[Settings]\nFilter=*.scp\n' >config.cfg

fail() {
    echo "FAIL: $*"
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    exit 1
}

# Polls a condition every half second for up to the given number of seconds.
within() {
    local seconds=$1 i
    shift
    for i in $(seq $((seconds * 2))); do
        "$@" && return 0
        sleep 0.5
    done
    return 1
}

QT_QPA_PLATFORM=xcb "$tavrel" &
pid=$!

main_window() { window=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Tavrel$' | head -n1) && [ -n "$window" ]; }
within 30 main_window || fail "no main window appeared"
within 10 test "$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')" = 900x640 ||
    fail "the window was not restored to 900x640"

snap() { import -window "$window" "$work/shots/$1.png"; }
# The progress dialog is the only other window the program shows during a load.
progress_gone() { ! xdotool search --all --onlyvisible --pid "$pid" --name '^(Evaluation|Loading|Processing)\.\.\.$' >/dev/null; }

# The window as first painted, for telling whether a key or a click changed anything.
settled() { snap before && sleep 0.3 && snap empty && compare -metric AE "$work/shots/before.png" "$work/shots/empty.png" null: 2>/dev/null; }
within 20 settled || fail "the window never finished painting"
# Keys sent before the window has been exposed and focused can be lost, and loading twice
# does no harm, so CTRL+O is repeated until the window shows a change.
loaded() { snap loaded && ! compare -metric AE "$work/shots/empty.png" "$work/shots/loaded.png" null: 2>/dev/null; }
for attempt in 1 2 3 4 5 6; do
    xdotool windowfocus --sync "$window"
    xdotool key --clearmodifiers ctrl+o
    within 5 loaded && break
    [ "$attempt" -eq 6 ] && fail "CTRL+O loaded nothing"
done
within 60 progress_gone || fail "the load did not end"
sleep 1
snap loaded

# The skill tree is the right half of the upper splitter; its rows start below the menu bar,
# the tool bar and the tree's header; the skill nodes are collapsed, so every row is a skill.
eval "$(xdotool getwindowgeometry --shell "$window")"
# The file tree's one directory node opens on a double click, showing the files read.
xdotool mousemove --window "$window" 40 62 click --repeat 2 1
sleep 0.5
snap loaded
xdotool mousemove --window "$window" $((WIDTH * 3 / 4)) 62 click 1
reported() { snap reported && ! compare -metric AE "$work/shots/loaded.png" "$work/shots/reported.png" null: 2>/dev/null; }
within 10 reported || fail "clicking the first skill changed nothing"
within 60 progress_gone || fail "the report did not end"
sleep 0.5
[ -n "$screenshot" ] && import -window "$window" "$screenshot"

"$wmdelete" "$window"
status=0
within 30 bash -c "! kill -0 $pid 2>/dev/null" || fail "the window did not close"
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "exit code $status"

keys() { grep -c '^[A-Za-z]*=' "$1"; }
[ -f config.cfg ] || fail "no config.cfg"
[ "$(keys config.cfg)" -eq 5 ] || fail "config.cfg holds $(keys config.cfg) keys, not 5"
for key in '\[Settings\]' '\[HTML\]' '^Dirs=' '^Filter=' '^HeaderString=' '^ItemString=' '^EndString='; do
    grep -q "$key" config.cfg || fail "config.cfg lacks $key"
done
for section in '\[TavrelClass\]' '\[ChangeDirClass\]'; do
    grep -q "$section" win_config.cfg || fail "win_config.cfg lacks $section"
done
[ "$(grep -c '^size=' win_config.cfg)" -eq 2 ] && [ "$(grep -c '^pos=' win_config.cfg)" -eq 2 ] ||
    fail "win_config.cfg lacks a size or a position"
for script in $scripts; do
    cmp -s "$examples/$script" "$script" || fail "$script changed"
done
echo "PASS"
