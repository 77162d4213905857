#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the built tavrel on a real X server (Xvfb, the xcb platform) the way a user would.
# From a terminal: open it in a working directory holding the sample scripts, load them with
# CTRL+O, click a skill, close the window through the window manager's protocol, and check the
# exit code and the two files the program writes on the way out.
# From the desktop menu: run the menu entry's command in a fresh home directory, check that the
# window carries the entry's class and icon, load with CTRL+O, close, and check that nothing of
# the home directory was read and nothing but the data directory was written.
#   realwindow.sh TAVREL WMDELETE EXAMPLES [SCREENSHOT]
# With SCREENSHOT, an image of the loaded window showing the report is saved there.
set -euo pipefail

if [ "${1:-}" != --inside ]; then
    for tool in xvfb-run xdotool xprop import compare strace; do
        command -v "$tool" >/dev/null || { echo "$tool is missing (tools/install-deps.sh)"; exit 1; }
    done
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$@"
fi
shift
tavrel=$(realpath "$1")
wmdelete=$(realpath "$2")
examples=$(realpath "$3")
screenshot=${4:+$(realpath -m "$4")}
packaging=$(cd "$(dirname "$0")/../../packaging" && pwd)
entry=$packaging/org.tavrel.Tavrel.desktop

work=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$work"' EXIT
scripts=$(cd "$examples" && find . -type f)
[ -n "$scripts" ] || { echo "no sample scripts in $examples"; exit 1; }
mkdir "$work/run" "$work/shots"
cp -r "$examples"/. "$work/run/"

fail() {
    echo "FAIL: $*"
    [ -n "${owner:-}" ] && kill "$owner" 2>/dev/null
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

# The program's main window, once it is shown; its process is the one that owns the window,
# which under a tracer is not the one that was started.
main_window() {
    window=$(xdotool search --all --onlyvisible --name '^Tavrel$') && window=${window%%$'\n'*} &&
        [ -n "$window" ]
}
await_window() {
    within 30 main_window || fail "no main window appeared"
    owner=$(xdotool getwindowpid "$window")
}

snap() { import -window "$window" "$work/shots/$1.png"; }
# The progress dialog is the only other window the program shows during a load.
progress_gone() { ! xdotool search --all --onlyvisible --pid "$owner" --name '^(Evaluation|Loading|Processing)\.\.\.$' >/dev/null; }

# Loads with CTRL+O and waits for the load to end.
load() {
    # The window as first painted, for telling whether a key or a click changed anything.
    settled() { snap before && sleep 0.3 && snap empty && compare -metric AE "$work/shots/before.png" "$work/shots/empty.png" null: 2>/dev/null; }
    within 20 settled || fail "the window never finished painting"
    # Keys sent before the window has been exposed and focused can be lost, and loading twice
    # does no harm, so CTRL+O is repeated until the window shows a change.
    loaded() { snap loaded && ! compare -metric AE "$work/shots/empty.png" "$work/shots/loaded.png" null: 2>/dev/null; }
    local attempt
    for attempt in 1 2 3 4 5 6; do
        xdotool windowfocus --sync "$window"
        xdotool key --clearmodifiers ctrl+o
        within 5 loaded && break
        [ "$attempt" -eq 6 ] && fail "CTRL+O loaded nothing"
    done
    within 60 progress_gone || fail "the load did not end"
    sleep 1
    snap loaded
}

# Closes the window as a window manager's close button does and checks the exit code.
close() {
    "$wmdelete" "$window"
    local status=0
    within 30 bash -c "! kill -0 $pid 2>/dev/null" || fail "the window did not close"
    wait "$pid" || status=$?
    pid= owner=
    [ "$status" -eq 0 ] || fail "exit code $status"
}

# The class docks and task bars match against the menu entry's StartupWMClass.
window_class() { xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = ".*", "\(.*\)"$/\1/p'; }
entry_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$entry_class" ] || fail "the menu entry names no StartupWMClass"

# --- From a terminal, in the directory of the scripts.
cd "$work/run"
# A window large enough to show both trees and the report; the program restores it from here.
printf '[TavrelClass]\nsize=@Size(900 640)\npos=@Point(0 0)\n' >win_config.cfg
# Only the scripts, not the program's own files; the other four keys take their defaults.
printf '[Settings]\nFilter=*.scp\n' >config.cfg

QT_QPA_PLATFORM=xcb "$tavrel" &
pid=$!
await_window
within 10 test "$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')" = 900x640 ||
    fail "the window was not restored to 900x640"
[ "$(window_class)" = "$entry_class" ] ||
    fail "the window's class is $(window_class), the menu entry's $entry_class"
load

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
close

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

# --- From the desktop menu, for a user who has never run it: the entry's command in the home
# directory, with the programs on the PATH and the icon installed where desktops look for it.
home=$work/home
data=$home/.local/share/tavrel
mkdir -p "$home/scripts" "$work/bin" "$work/share/icons/hicolor/scalable/apps"
# Files of the user's own, one of them a script the default filter would take.
echo "a note" >"$home/notes.txt"
printf '[ITEMDEF i_torch]\nNAME=Torch\nRESOURCES=1 i_log\nSKILLMAKE=carpentry 10\n' \
    >"$home/scripts/light.scp"
cp -r "$home" "$work/home-before"
ln -s "$tavrel" "$work/bin/tavrel"
ln -s "$packaging/tavrel-launcher" "$work/bin/tavrel-launcher"
cp "$packaging/org.tavrel.Tavrel.svg" "$work/share/icons/hicolor/scalable/apps/"
command=$(sed -n 's/^Exec=//p' "$entry")
[[ $command != *%* ]] || fail "the entry's command takes arguments the test does not give: $command"

cd "$home"
# The tracer records every file and directory the launcher and the program open or list.
# LeakSanitizer cannot run under a tracer; the run from the terminal checked for leaks.
# shellcheck disable=SC2086 # the entry's command is split into words as desktops do
env -u XDG_DATA_HOME HOME="$home" PATH="$work/bin:$PATH" QT_QPA_PLATFORM=xcb \
    XDG_DATA_DIRS="$work/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    strace -f -qq -y -o "$work/trace" -e trace=open,openat,openat2,creat,getdents64 \
    $command &
pid=$!
await_window
[ "$(window_class)" = "$entry_class" ] ||
    fail "started from the menu, the window's class is $(window_class), the menu entry's $entry_class"
[[ $(xprop -id "$window" _NET_WM_ICON) == *"Icon ("* ]] || fail "the window shows no icon of its own"
load
close
cd "$work"

# Every path in the home directory that was opened: the fd strace prints with its path.
opened=$(sed -n 's/.*= [0-9]*<\([^>]*\)>$/\1/p' "$work/trace" | grep -E "^$home(/|$)" | sort -u)
# Only the data directory and what is in it; the launcher's mkdir opens the two above it.
strays=$(grep -v -E -x -e "$data(/.*)?" -e "$home/\.local(/share)?" <<<"$opened" || true)
[ -z "$strays" ] || fail "the menu start opened files of the home directory: $strays"
grep -q "getdents64([0-9]*<$data>" "$work/trace" || fail "the load did not list the data directory"

for file in notes.txt scripts/light.scp; do
    cmp -s "$work/home-before/$file" "$home/$file" || fail "$file changed"
done
listing() { (cd "$1" && find . | sort); }
added=$(comm -13 <(listing "$work/home-before") <(listing "$home") | tr '\n' ' ')
expected="./.local ./.local/share ./.local/share/tavrel ./.local/share/tavrel/config.cfg ./.local/share/tavrel/win_config.cfg "
[ "$added" = "$expected" ] || fail "the menu start wrote $added into the home directory"
[ -z "$(comm -23 <(listing "$work/home-before") <(listing "$home"))" ] ||
    fail "the menu start removed files from the home directory"
echo "PASS"
