#!/usr/bin/env bash
# Starts kvboard on a virtual X display, draws two strokes and erases one of them with real X
# input events, saves with Ctrl+S, and checks the saved XML. Exits 77 (skipped) when no
# virtual display can be had.
set -uo pipefail
kvboard=$1
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
command -v Xvfb >/dev/null || skip "Xvfb is not installed (scripts/setup-deps installs it)"
command -v xdotool >/dev/null || skip "xdotool is not installed (scripts/setup-deps installs it)"

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || skip "Xvfb cannot start: $(tail -n 3 "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"

doc="$work/board.xml"
# No session bus on a bare X display: keeps Qt from opening one.
DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb "$kvboard" "$doc" >"$work/kvboard.log" 2>&1 &
app_pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^kvboard' | head -n 1)
[ -n "$window" ] || { cat "$work/kvboard.log"; fail "no kvboard window"; }
xdotool windowfocus --sync "$window"
sleep 0.5

# A drag in window coordinates; the user's board fills the window's top left.
drag() {
    local args=(mousemove --window "$window" "$1" "$2" mousedown 1)
    shift 2
    while [ $# -ge 2 ]; do
        args+=(sleep 0.02 mousemove --window "$window" "$1" "$2")
        shift 2
    done
    xdotool "${args[@]}" sleep 0.05 mouseup 1
}
strokes_in() { grep -o '<strokesGroup' "$1" | wc -l; }
save_and_count() {
    rm -f "$doc"
    xdotool key --clearmodifiers ctrl+s
    for _ in $(seq 100); do [ -s "$doc" ] && break; sleep 0.1; done
    [ -s "$doc" ] || fail "Ctrl+S wrote nothing"
    strokes_in "$doc"
}

drag 100 150 150 150 200 150 250 150 300 150 350 150 400 150
drag 100 350 150 350 200 350 250 360 300 350 350 350 400 350
drawn=$(save_and_count)
[ "$drawn" -eq 2 ] || fail "expected 2 strokes after drawing, the file has $drawn"

xdotool key --clearmodifiers e
drag 250 100 250 130 250 160 250 190 250 220
left=$(save_and_count)
[ "$left" -eq 1 ] || fail "expected 1 stroke after erasing, the file has $left"

xdotool key --clearmodifiers ctrl+q
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || { cat "$work/kvboard.log"; fail "kvboard exited with $status"; }
echo "PASS: drew 2 strokes, erased 1, saved $doc"
