#!/usr/bin/env bash
# tapsmith.exe's recovery journal under wine, with the process killed outright: a recording into notepad,
# then `wineserver -k` 2 s after the last key; the journal in %LOCALAPPDATA%\Tapsmith\recovery holds every
# row; the next start asks, Yes restores it (the caption marked as after a recording) and takes the journal over; killed
# again with `taskkill /F`, the next start asks again and No removes it; the start after that asks nothing.
#   tests/windows/journal-kill-test.sh TAPSMITH.EXE
# Runs on a private Xvfb with a window manager, in a wine prefix of its own.
set -euo pipefail

# shellcheck source=tests/windows/wine-session.sh
. "$(dirname "$0")/wine-session.sh" journal-kill-test "$1"

# shellcheck source=tests/windows/window-search.sh
. "$(dirname "$0")/window-search.sh"

# The journals in the prefix's %LOCALAPPDATA%\Tapsmith\recovery, one a line.
journals() {
    find "$WINEPREFIX/drive_c/users" -path '*/Tapsmith/recovery/journal-*.tpj' -type f 2>/dev/null | sort
}
# A journal's rows: what follows the blank line that ends its header, CR LF as written.
rows_of() {
    awk 'body { print; next } /^\r?$/ { body = 1 }' "$1"
}
# The journal's writer, from its header: its process id and start time (wine gives the same ids again
# after a kill).
writer_of() {
    sed -n 's/^\(pid\|started\) \([0-9_]*\)\r$/\2/p' "$1" | tr '\n' ' '
}
start_tapsmith() {
    wine "$exe" >>"$work/tapsmith.log" 2>&1 &
    pids+=($!)
    # Killed on purpose: no job report from the shell.
    disown "$!"
}
# The window Tapsmith shows first: the question (the dialog's title is the program's name, in lower case) or
# the main window ("Tapsmith"). window-search ignores case, so the names are compared here.
first_window_name() {
    local id name deadline=$((SECONDS + 60))
    while [ "$SECONDS" -lt "$deadline" ]; do
        for id in $(find_windows '^tapsmith' 5 2>/dev/null); do
            name=$(xdotool getwindowname "$id" 2>/dev/null) || continue
            echo "$id $name"
            return 0
        done
    done
    return 1
}
answer() {
    local id=$1 key=$2
    sleep 1
    xdotool windowactivate --sync "$id" 2>/dev/null || true
    sleep 0.5
    xdotool key "$key"
}
kill_all_wine() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}

step "recording into notepad"
wine notepad >/dev/null 2>&1 &
pids+=($!)
pad=$(window 'Notepad') || fail "notepad did not come up"
xdotool windowmove --sync "$pad" 100 100 windowsize --sync "$pad" 600 400
start_tapsmith
window '^Tapsmith$' >/dev/null || fail "Tapsmith's main window did not come up"
[ -z "$(journals)" ] || fail "a journal before any change: $(journals)"
xdotool windowactivate --sync "$pad"
sleep 0.5
xdotool key --clearmodifiers alt+F9
sleep 1
# As in the end-to-end test: the hotkey's Alt leaves notepad in its menu bar.
xdotool key Escape
sleep 0.3
xdotool type --delay 80 'abc def'
sleep 2

step "wineserver -k, 2 s after the last key"
kill_all_wine
[ "$(journals | wc -l)" -eq 1 ] || fail "not one journal after the kill: $(journals)"
journal=$(journals)
head -n 1 "$journal" | grep -q '^Tapsmith recovery journal 1' || fail "not a journal: $(head -c 200 "$journal")"
rows_of "$journal" >"$work/killed-rows"
# Every key of the text, pressed and released in order, and the open row last.
downs=$(tr -d '\r' <"$work/killed-rows" | sed -n 's/^KeyDown()|\(VK_[A-Z]*\);.*/\1/p' | tr '\n' ' ')
case "$downs" in
*"VK_A VK_B VK_C VK_SPACE VK_D VK_E VK_F ") ;;
*) fail "the journal's key presses are '$downs'" ;;
esac
tr -d '\r' <"$work/killed-rows" | tail -n 2 | head -n 1 | grep -q '^KeyUp()|VK_F;' || fail "the last row is not F's release"
[ "$(tail -n 1 "$work/killed-rows")" = $'|\r' ] || fail "the journal does not end with the open row"
killed_writer=$(writer_of "$journal")

step "the next start asks; Yes restores"
start_tapsmith
read -r id name < <(first_window_name) || fail "Tapsmith showed no window"
[ "$name" = "tapsmith" ] || fail "the first window is '$name', not the question"
answer "$id" Return
# The caption a recording gives a table that no file holds.
window '^Tapsmith - \*$' >/dev/null || fail "no restored caption 'Tapsmith - *'"
# Taken over: written anew under the new copy's name and header, with the same rows.
taken=""
for _ in $(seq 40); do
    taken=$(journals)
    if [ "$(printf '%s\n' "$taken" | wc -l)" -eq 1 ] && [ -n "$taken" ] && [ "$(writer_of "$taken")" != "$killed_writer" ]; then
        break
    fi
    taken=""
    sleep 0.25
done
[ -n "$taken" ] || fail "the journal was not taken over: $(journals)"
rows_of "$taken" | cmp -s - "$work/killed-rows" || fail "the restored rows differ from the killed copy's"

step "taskkill /F; the next start asks; No removes the journal"
wine taskkill /F /IM tapsmith.exe >/dev/null 2>&1 || fail "taskkill failed"
for _ in $(seq 40); do [ -z "$(managed_windows '^Tapsmith')" ] && break; sleep 0.25; done
[ "$(journals | wc -l)" -eq 1 ] || fail "not one journal after taskkill: $(journals)"
start_tapsmith
read -r id name < <(first_window_name) || fail "Tapsmith showed no window"
[ "$name" = "tapsmith" ] || fail "the first window is '$name', not the question"
answer "$id" Escape
window '^Tapsmith$' >/dev/null || fail "no main window after No"
for _ in $(seq 20); do [ -z "$(journals)" ] && break; sleep 0.25; done
[ -z "$(journals)" ] || fail "No left the journal: $(journals)"
kill_all_wine

step "the next start asks nothing"
start_tapsmith
read -r id name < <(first_window_name) || fail "Tapsmith showed no window"
[ "$name" = "Tapsmith" ] || fail "the first window is '$name', not the main window"
step "passed"
