# shellcheck shell=bash
# The set-up every wine test begins with, sourced after `set -euo pipefail` with the test's name and its
# program: a work folder, a wine prefix of its own in it, a private Xvfb with a window manager; `fail`
# (which leaves a screenshot and keeps the folder), `step`, and an exit that ends wine and the display and
# removes the folder. Sets exe (the program, made absolute), work and pids.

test_name=$1
# shellcheck disable=SC2034 # exe is the sourcing test's
exe=$(realpath "$2")
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
pids=()
finish() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    [ -f "$work/failure.png" ] || rm -rf "$work"
}
trap finish EXIT
fail() {
    echo "$test_name: FAIL: $*" >&2
    import -window root "$work/failure.png" 2>/dev/null && echo "$test_name: screen: $work/failure.png" >&2
    exit 1
}
step() { echo "$test_name: $*" >&2; }

fifo="$work/display"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
pids+=($!)
read -r display <"$fifo"
export DISPLAY=":$display"
openbox >/dev/null 2>&1 &
pids+=($!)
"$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-prefix.sh" "$WINEPREFIX" || fail "wine made no working prefix"
