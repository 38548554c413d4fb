#!/usr/bin/env bash
# tapsmith.exe end to end under wine, driven from outside as a user would: record into wine's notepad with
# Alt+F9 (keys and a click), stop with Alt+F10, save the script, clear, open it again, play it with Alt+F11
# into a fresh notepad, and check from outside that the played input arrived and what the file holds.
#   tests/windows/e2e-test.sh TAPSMITH.EXE
# Wine's hooks and hotkeys see only input that goes to wine windows, so everything happens in notepad and
# in Tapsmith's own window. Runs on a private Xvfb with a window manager, in a wine prefix of its own.
set -euo pipefail

# shellcheck source=tests/windows/wine-session.sh
. "$(dirname "$0")/wine-session.sh" e2e-test "$1"

# shellcheck source=tests/windows/window-search.sh
. "$(dirname "$0")/window-search.sh"
# shellcheck source=tests/windows/notepad.sh
. "$(dirname "$0")/notepad.sh"

step "starting notepad and Tapsmith"
wine notepad >/dev/null 2>&1 &
pids+=($!)
pad=$(window 'Notepad') || fail "notepad did not come up"
xdotool windowmove --sync "$pad" 100 100 windowsize --sync "$pad" 600 400
wine "$exe" >/dev/null 2>&1 &
pids+=($!)
main=$(window '^Tapsmith$') || fail "Tapsmith's main window did not come up"

step "recording into notepad"
xdotool windowactivate --sync "$pad"
sleep 0.5
xdotool key --clearmodifiers alt+F9
sleep 1
# Wine hands notepad the Alt press and release of the hotkey without the F9 between them, and notepad then
# enters its menu bar: Escape (recorded too, so the playback leaves the menu bar the same way) ends that.
xdotool key Escape
sleep 0.3
xdotool type --delay 80 'abc def'
# A click at the start of the text moves the caret there: what follows lands before "abc".
eval "$(xdotool getwindowgeometry --shell "$pad")"
xdotool mousemove $((X + 4)) $((Y + 55)) click 1
sleep 0.3
xdotool type --delay 80 'X'
sleep 0.5
xdotool key --clearmodifiers alt+F10
sleep 1
recorded=$(notepad_text "$pad" recorded.txt)
[ "$recorded" = "Xabc def" ] || fail "notepad held '$recorded' after the recording"

step "saving, clearing, opening"
# The upper tool bar: Record, Play, Stop, Clear, Save, Open, each at least 82 pixels wide.
main=$(window '^Tapsmith') || fail "Tapsmith's window did not come back"
xdotool windowactivate --sync "$main"
button() {
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove $((X + 12 + 82 * $1 + 41)) $((Y + 50)) click 1
}
button 4
sleep 1.5
type_path macro
sleep 1
[ -f "$work/macro.tpx" ] || fail "no macro.tpx saved"
tr -d '\r' <"$work/macro.tpx" >"$work/rows.txt"
grep -q '^KeyDown()|VK_A;30;' "$work/rows.txt" || fail "no VK_A row with scan code 30: $(cat "$work/rows.txt")"
grep -q '^KeyDown()|VK_SPACE;57;' "$work/rows.txt" || fail "no VK_SPACE row with scan code 57"
grep -q '^LDown()|' "$work/rows.txt" || fail "the click was not recorded"
# The hotkeys' releases after Alt+F9 are recorded, their presses never.
grep -q '^KeyDown()|VK_F9;\|^KeyDown()|VK_F10;' "$work/rows.txt" && fail "a hotkey press was recorded"
button 3
sleep 0.5
button 5
sleep 1.5
type_path macro.tpx
sleep 1
window "Tapsmith - .*macro.tpx" 10 >/dev/null || fail "the caption does not name the opened file"

step "playing into a fresh notepad"
wine notepad >/dev/null 2>&1 &
pids+=($!)
sleep 2
pad2=""
for _ in $(seq 60); do
    pad2=$(find_windows 'Notepad' 5 | grep -v "^$pad\$" | head -n 1) && [ -n "$pad2" ] && break
    sleep 0.5
done
[ -n "$pad2" ] || fail "the second notepad did not come up"
xdotool windowmove --sync "$pad2" 100 100 windowsize --sync "$pad2" 600 400
xdotool windowactivate --sync "$pad2"
sleep 0.5
xdotool key --clearmodifiers alt+F11
sleep 8
played=$(notepad_text "$pad2" played.txt)
[ "$played" = "Xabc def" ] || fail "notepad held '$played' after the playback"
step "passed"
