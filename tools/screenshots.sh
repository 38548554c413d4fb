#!/usr/bin/env bash
# Remakes the README's screenshots under a private Xvfb: docs/main-window.png (the main window with the
# script view open, after a short real recording) and docs/tray-menu.png (the tray icon's menu).
#   tools/screenshots.sh [path/to/tapsmith]     default: build/tapsmith (./dev run builds it)
# Needs xvfb, openbox, trayer, xdotool and imagemagick (./dev installs them).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${1:-$root/build/tapsmith}
out="$root/docs"
[ -x "$program" ] || { echo "screenshots: no program at $program" >&2; exit 1; }
mkdir -p "$out"

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
pids+=($!)
read -r display <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display"
openbox >/dev/null 2>&1 &
pids+=($!)
trayer --edge bottom --align right --widthtype request --height 24 --tint 0xd8d8d8 --transparent true \
    --alpha 0 >/dev/null 2>&1 &
pids+=($!)
sleep 1

"$program" >/dev/null 2>&1 &
pids+=($!)
window=
for _ in $(seq 50); do
    window=$(xdotool search --onlyvisible --name '^Tapsmith' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "screenshots: the main window did not appear" >&2; exit 1; }
xdotool windowmove --sync "$window" 40 30
sleep 0.5

# A short recording, made the way a user makes one: Alt+F9, some input, Alt+F10.
xdotool key alt+F9
sleep 0.8
xdotool mousemove 300 200 sleep 0.1 mousemove 420 260 sleep 0.1 click 1 sleep 0.1 type --delay 120 'tap'
sleep 0.3
xdotool mousemove 520 330 sleep 0.1 click 1
sleep 0.3
xdotool key alt+F10
window=
for _ in $(seq 50); do
    window=$(xdotool search --onlyvisible --name '^Tapsmith' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "screenshots: the window did not come back after the recording" >&2; exit 1; }
sleep 0.5

# The menu "Скрипт" is the first item of the menu bar; it shows the script table.
xdotool mousemove --window "$window" 24 10 click 1
sleep 0.5
xdotool windowsize --sync "$window" 980 520
sleep 0.5
import -window "$window" "$out/main-window.png"

# The tray icon sits in trayer at the bottom right; its context menu opens upwards.
xdotool mousemove 1012 756 click 3
sleep 0.8
import -window root -crop 320x240+704+528 +repage "$out/tray-menu.png"
xdotool key Escape

echo "screenshots: $out/main-window.png $out/tray-menu.png"
