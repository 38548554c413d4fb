#!/usr/bin/env bash
# The window searches of the wine tests while other windows come and go as fast as wine's do at its start:
# every search finds the window it waits for, and one for a window that never comes fails after its time.
# Needs DISPLAY (the test runner's private Xvfb), xdotool, xmessage and xev.
set -euo pipefail

# shellcheck source=tests/windows/window-search.sh
. "$(dirname "$0")/window-search.sh"

pids=()
finish() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap finish EXIT

xmessage -title 'Search target' 'a window to find' >/dev/null 2>&1 &
pids+=($!)
window '^Search target$' 20 >/dev/null || { echo "FAIL: the target window did not come up" >&2; exit 1; }

# Short-lived windows, one every few milliseconds, as long as the test runs.
(while :; do timeout 0.1 xev >/dev/null 2>&1 & sleep 0.02; done) &
pids+=($!)
sleep 1

failures=0
for i in $(seq 10); do
    if ! id=$(window '^Search target$' 30) || [ -z "$id" ]; then
        echo "FAIL: search $i did not find the target" >&2
        failures=$((failures + 1))
    fi
done
echo "found the target in $((10 - failures)) of 10 searches among vanishing windows"
if window '^No such window$' 2 >/dev/null; then
    echo "FAIL: a search for a missing window succeeded" >&2
    failures=$((failures + 1))
fi
[ "$failures" -eq 0 ]
