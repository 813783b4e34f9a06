#!/usr/bin/env bash
# Starts kvboard on a virtual X display and uses it as a person would, with real X input events:
# draws, opens the pen popup and draws again with the click that closes it, hovers with the
# eraser, erases, zooms, opens a broken file and saves. Checks the saved XML and screenshots
# (dialog text contrast, the zoom level shown, the eraser outline). Exits 77 (skipped) when no
# virtual display can be had.
set -uo pipefail
kvboard=$1
probe=$2
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
# No session bus on a bare X display, and settings of this run only.
export DBUS_SESSION_BUS_ADDRESS=disabled: XDG_CONFIG_HOME="$work/config"
# kvboard paints without OpenGL; Mesa's GLX, loaded otherwise, keeps an allocation that the
# leak check reports.
export QT_XCB_GL_INTEGRATION=none

doc="$work/board.xml"
QT_QPA_PLATFORM=xcb "$kvboard" "$doc" >"$work/kvboard.log" 2>&1 &
app_pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^kvboard' | head -n 1)
[ -n "$window" ] || { cat "$work/kvboard.log"; fail "no kvboard window"; }
xdotool windowfocus --sync "$window"
sleep 0.5

shot() { ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb "$probe" grab "$work/$1.png" "${2:-}" 2>/dev/null; }
measure() { ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen "$probe" "$@" 2>/dev/null; }
# Pixels that differ between two screenshots in an area of the screen.
differ() { measure differ "$work/$1.png" "$work/$2.png" "${@:3}"; }
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
    xdotool windowfocus --sync "$window" key --clearmodifiers ctrl+s
    for _ in $(seq 300); do [ -s "$doc" ] && break; sleep 0.1; done
    [ -s "$doc" ] || fail "Ctrl+S wrote nothing"
    strokes_in "$doc"
}
# Text of a message box against its background, read from its pixels (the text area, right of
# the icon and above the buttons).
dialog_contrast() {
    local dialog
    dialog=$(timeout 10 xdotool search --sync --onlyvisible --name "$1" | head -n 1)
    [ -n "$dialog" ] || fail "no \"$1\" dialog"
    sleep 0.3
    shot dialog "$dialog"
    measure contrast "$work/dialog.png" 10 0 90 45
}
readable() { awk -v ratio="${1%% *}" 'BEGIN { exit !(ratio >= 4.5) }'; }

drag 100 150 150 150 200 150 250 150 300 150 350 150 400 150
# The pen button, checked, opens the pen popup; the click that closes it draws the next stroke.
xdotool mousemove --window "$window" 295 799 click 1
sleep 0.5
drag 100 350 150 350 200 350 250 360 300 350 350 350 400 350
drawn=$(save_and_count)
[ "$drawn" -eq 2 ] || fail "expected 2 strokes after drawing past the popup, the file has $drawn"

# With the eraser chosen, a hovering pointer shows what it would erase.
xdotool key --clearmodifiers e mousemove --window "$window" 600 500
sleep 0.3
shot hover
xdotool mousemove --window "$window" 600 790
sleep 0.3
shot away
outline=$(differ hover away 570 470 60 60)
[ "$outline" -gt 20 ] || fail "no eraser outline under the hovering pointer ($outline pixels)"

drag 250 100 250 130 250 160 250 190 250 220
left=$(save_and_count)
[ "$left" -eq 1 ] || fail "expected 1 stroke after erasing, the file has $left"

# Zoom: the ladder leads back to 100 %, Ctrl+0 resets, and Ctrl+wheel keeps the ink under the
# pointer where it is. The level shows in the toolbar.
xdotool key --clearmodifiers p
sleep 0.3
shot zoom100
for _ in 1 2 3 4 5 6; do xdotool key --clearmodifiers ctrl+equal; done
for _ in 1 2 3 4 5; do xdotool key --clearmodifiers ctrl+minus; done
sleep 0.3
shot ladder
[ "$(differ zoom100 ladder 500 780 200 40)" -eq 0 ] || fail "the zoom ladder does not lead back to 100 %"
xdotool key --clearmodifiers ctrl+equal ctrl+equal
sleep 0.3
shot zoomed
[ "$(differ zoom100 zoomed 500 780 200 40)" -gt 0 ] || fail "the toolbar does not show the zoom level"
xdotool key --clearmodifiers ctrl+0
sleep 0.3
shot reset
[ "$(differ zoom100 reset 0 0 840 740)" -eq 0 ] || fail "Ctrl+0 does not show the board as before"
xdotool mousemove --window "$window" 110 350 keydown ctrl click 4 keyup ctrl
sleep 0.3
shot wheel
[ "$(differ zoom100 wheel 500 780 200 40)" -gt 0 ] || fail "Ctrl+wheel does not zoom"
[ "$(differ zoom100 wheel 104 346 8 8)" -eq 0 ] || fail "Ctrl+wheel does not zoom about the pointer"
xdotool key --clearmodifiers ctrl+0

# Unsaved ink: opening asks first, in a readable dialog.
drag 600 500 650 520 700 500
xdotool key --clearmodifiers ctrl+o
ratio=$(dialog_contrast '^Unsaved ink$')
readable "$ratio" || fail "the unsaved-ink question is hard to read: $ratio"
xdotool key Return
for _ in $(seq 50); do [ "$(strokes_in "$doc")" -eq 2 ] && break; sleep 0.1; done

# A broken file: a clear message, and the board and its file stay as they were.
broken="$work/broken.xml"
printf '<kvboard version="1"><board>%.0s' $(seq 40) >"$broken"
cp "$broken" "$work/broken.orig"
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Open board$' | head -n 1)
[ -n "$dialog" ] || fail "Ctrl+O shows no file dialog"
sleep 0.3
xdotool type --delay 5 "$broken"
xdotool key Return
ratio=$(dialog_contrast '^Open$')
readable "$ratio" || fail "the open error is hard to read: $ratio"
xdotool key Return
sleep 0.3
kept=$(save_and_count)
[ "$kept" -eq 2 ] || fail "a broken file changed the board: $kept strokes saved"
cmp -s "$broken" "$work/broken.orig" || fail "Ctrl+S after a failed open wrote the broken file"

xdotool key --clearmodifiers ctrl+q
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || { cat "$work/kvboard.log"; fail "kvboard exited with $status"; }
echo "PASS: drew past the popup, hovered, erased, zoomed, refused a broken file, saved $doc"
