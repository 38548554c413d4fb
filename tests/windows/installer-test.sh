#!/usr/bin/env bash
# The Windows installer under wine, as a user would run it silently: installs without administrator
# rights into the user's programs folder with a Start-menu entry and the .tpx association, the installed
# program starts and keeps running, and the uninstaller removes all of it.
#   tests/windows/installer-test.sh SETUP.EXE
# Runs in a wine prefix of its own (made afresh, its server ended at the end) without an X display.
set -euo pipefail

setup=$(realpath "$1")
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
program_pid=
finish() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
fail() { echo "installer-test: FAIL: $*" >&2; exit 1; }
step() { echo "installer-test: $*" >&2; }

"$(dirname "$0")/../../tools/wine-prefix.sh" "$WINEPREFIX" || fail "wine made no working prefix"
user_dir=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Local | cut -d' ' -f1)
[ -d "$user_dir" ] || user_dir="$WINEPREFIX/drive_c/users/$USER/AppData/Local"
installed="$user_dir/Programs/Tapsmith"

step "silent install"
wine "$setup" /S
[ -f "$installed/tapsmith.exe" ] || fail "no $installed/tapsmith.exe"
[ -f "$installed/uninstall.exe" ] || fail "no uninstaller"
find "$WINEPREFIX/drive_c/users" -path '*Start Menu/Programs/Tapsmith/Tapsmith.lnk' | grep -q . ||
    fail "no Start-menu entry"
wine reg query 'HKCU\Software\Classes\.tpx' /ve 2>/dev/null | tr -d '\r' | grep -q 'Tapsmith.Script' ||
    fail "no .tpx association"
wine reg query 'HKCU\Software\Classes\Tapsmith.Script\shell\open\command' /ve 2>/dev/null | tr -d '\r' |
    grep -q 'tapsmith.exe" "%1"' || fail "no open command for .tpx files"
# Nothing went to the machine-wide places that need administrator rights.
wine reg query 'HKLM\Software\Classes\.tpx' >/dev/null 2>&1 && fail ".tpx registered machine-wide"

step "the installed program starts"
wine "$installed/tapsmith.exe" >/dev/null 2>&1 &
program_pid=$!
sleep 8
kill -0 "$program_pid" 2>/dev/null || fail "the installed program ended at once"
kill "$program_pid" 2>/dev/null || true
program_pid=
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

step "silent uninstall"
wine "$installed/uninstall.exe" /S
# The uninstaller runs a copy of itself from the temporary folder and returns at once.
for _ in $(seq 60); do
    [ -e "$installed" ] || break
    sleep 0.5
done
[ -e "$installed" ] && fail "$installed is still there: $(ls "$installed")"
find "$WINEPREFIX/drive_c/users" -path '*Start Menu/Programs/Tapsmith*' | grep -q . && fail "Start-menu entry left"
wine reg query 'HKCU\Software\Classes\Tapsmith.Script' >/dev/null 2>&1 && fail "association left"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tapsmith' >/dev/null 2>&1 &&
    fail "uninstall entry left"
step "passed"
