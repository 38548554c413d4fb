# shellcheck shell=bash
# wine's notepad as the wine tests drive it from outside (sourced after window-search.sh): the paths they
# type into its file dialogs and its text read through its Save As. Needs $work (the test's folder, which
# wine sees as Z:) and fail.

# The path of `name` in the work folder, as wine sees it.
# shellcheck disable=SC2154 # work is the sourcing test's
windows_path() { echo "Z:${work//\//\\}\\$1"; }

# Types that path into the file dialog in front and accepts it.
type_path() {
    xdotool type --delay 50 "$(windows_path "$1")"
    xdotool key Return
}

# notepad_text ID NAME: the text of the notepad with window ID, through its Save As into NAME in the work
# folder. Only a notepad that has saved nothing yet shows Save As for Ctrl+S.
notepad_text() {
    local id=$1 name=$2
    local dialog=""
    # Escape first: the Alt release of a hotkey may have left notepad in its menu bar.
    for _ in 1 2 3; do
        xdotool windowactivate --sync "$id"
        sleep 0.5
        xdotool key Escape key ctrl+s
        dialog=$(window '^Save As$' 5) && break
    done
    [ -n "$dialog" ] || fail "notepad's Save As did not come up"
    type_path "$name"
    for _ in $(seq 20); do [ -f "$work/$name" ] && break; sleep 0.25; done
    sleep 0.5
    [ -f "$work/$name" ] || fail "notepad did not save $name"
    tr -d '\r' <"$work/$name"
}
