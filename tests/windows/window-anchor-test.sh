#!/usr/bin/env bash
# Window anchors of tapsmith.exe under wine, end to end: with record/windows=true in the settings file,
# a recording into notepad types a word, clicks at the start of the text and types a second word, so the
# second word comes first; the saved script holds a Window() row naming notepad before the click. Played
# with --play into a fresh notepad at another place on the screen, the click follows the window and the words
# come out in the same order. The same script without its Window() row clicks where notepad was when
# recording, beside the moved window, and the second word stays behind the first: the test's own control
# that the move is large enough for the anchor to matter.
#   tests/windows/window-anchor-test.sh TAPSMITH.EXE
# Runs on a private Xvfb with a window manager, in a wine prefix of its own.
set -euo pipefail

# shellcheck source=tests/windows/wine-session.sh
. "$(dirname "$0")/wine-session.sh" window-anchor-test "$1"

# shellcheck source=tests/windows/window-search.sh
. "$(dirname "$0")/window-search.sh"
# shellcheck source=tests/windows/notepad.sh
. "$(dirname "$0")/notepad.sh"

# Starts a notepad, the only one: its window placed at X,Y, 600 by 400, and in front. Prints its id. (Run in
# a subshell, it keeps no process id: the wine server's end at the finish ends notepad as well.)
start_notepad() {
    local x=$1 y=$2 id=""
    wine notepad >/dev/null 2>&1 &
    id=$(window 'Notepad') || fail "notepad did not come up"
    xdotool windowmove --sync "$id" "$x" "$y" windowsize --sync "$id" 600 400
    xdotool windowactivate --sync "$id"
    sleep 0.5
    echo "$id"
}
close_notepad() {
    wine taskkill /F /IM notepad.exe >/dev/null 2>&1 || fail "taskkill did not end notepad"
    for _ in $(seq 40); do [ -z "$(managed_windows 'Notepad')" ] && break; sleep 0.25; done
    [ -z "$(managed_windows 'Notepad')" ] || fail "notepad's window stayed after taskkill"
}
# Plays a script with --play into the notepad in front; prints notepad's text afterwards.
play_into() {
    local id=$1 script=$2 status=0
    timeout 60 wine "$exe" --play "$(windows_path "$script")" >"$work/play.log" 2>&1 || status=$?
    [ "$status" -eq 0 ] || fail "--play $script ended with status $status: $(cat "$work/play.log")"
    notepad_text "$id" "$script.txt"
}

# %APPDATA%, in the folder wine names after the user.
settings="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
[ -d "$settings" ] || fail "no $settings in the prefix"
mkdir -p "$settings/Tapsmith"
printf '[record]\r\nwindows=true\r\n' >"$settings/Tapsmith/tapsmith.ini"

step "recording into notepad with anchors"
pad=$(start_notepad 100 100)
wine "$exe" >/dev/null 2>&1 &
pids+=($!)
main=$(window '^Tapsmith$') || fail "Tapsmith's main window did not come up"
xdotool windowactivate --sync "$pad"
sleep 0.5
xdotool key --clearmodifiers alt+F9
sleep 1
# As in the end-to-end test: the hotkey's Alt leaves notepad in its menu bar, and Escape (recorded too) ends
# that.
xdotool key Escape
sleep 0.3
xdotool type --delay 80 'one'
# Below the only line at its left edge: the caret goes to the start of the text.
eval "$(xdotool getwindowgeometry --shell "$pad")"
recorded_x=$X recorded_y=$Y
xdotool mousemove $((X + 4)) $((Y + 55)) click 1
sleep 0.3
xdotool type --delay 80 'two'
sleep 0.5
xdotool key --clearmodifiers alt+F10
sleep 1
recorded=$(notepad_text "$pad" recorded.txt)
[ "$recorded" = "twoone" ] || fail "notepad held '$recorded' after the recording"

step "saving the script"
# The upper tool bar: Record, Play, Stop, Clear, Save, Open, each at least 82 pixels wide; Save is the fifth.
main=$(window '^Tapsmith') || fail "Tapsmith's window did not come back"
xdotool windowactivate --sync "$main"
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 12 + 82 * 4 + 41)) $((Y + 50)) click 1
sleep 1.5
type_path macro
for _ in $(seq 20); do [ -f "$work/macro.tpx" ] && break; sleep 0.25; done
[ -f "$work/macro.tpx" ] || fail "no macro.tpx saved"
tr -d '\r' <"$work/macro.tpx" >"$work/rows.txt"
# One anchor, notepad's (its class and its program's file), right before the press.
[ "$(grep -c '^Window()|' "$work/rows.txt")" -eq 1 ] || fail "not one Window() row: $(cat "$work/rows.txt")"
grep -A1 '^Window()|' "$work/rows.txt" | tail -n 1 | grep -q '^LDown()|' || fail "the Window() row is not before the press"
anchor=$(grep '^Window()|' "$work/rows.txt")
[[ $anchor =~ ^'Window()|Notepad,notepad.exe,'.*';'(-?[0-9]+),(-?[0-9]+),[0-9]+,[0-9]+';0'$ ]] ||
    fail "the anchor does not name notepad: $anchor"
# The client area's corner is that of notepad's X window, give or take its borders and menu bar.
anchor_x=${BASH_REMATCH[1]} anchor_y=${BASH_REMATCH[2]}
if [ $((anchor_x - recorded_x)) -lt -40 ] || [ $((anchor_x - recorded_x)) -gt 40 ] ||
    [ $((anchor_y - recorded_y)) -lt -40 ] || [ $((anchor_y - recorded_y)) -gt 40 ]; then
    fail "the anchor's client area at $anchor_x,$anchor_y is not notepad's, whose window is at $recorded_x,$recorded_y"
fi
step "recorded $anchor"
grep -v '^Window()|' "$work/rows.txt" | sed 's/$/\r/' >"$work/unanchored.tpx"
close_notepad

step "playing into notepad moved to another place"
# Far enough that the recorded click point, at notepad's old place, is outside the moved window.
pad=$(start_notepad 560 420)
played=$(play_into "$pad" macro.tpx)
[ "$played" = "twoone" ] || fail "notepad held '$played' after the playback with the anchor"
close_notepad

step "the same script without its anchor"
pad=$(start_notepad 560 420)
unanchored=$(play_into "$pad" unanchored.tpx)
[ "$unanchored" != "twoone" ] || fail "the click found its place without the anchor too: the move proves nothing"
step "passed (without the anchor notepad held '$unanchored')"
