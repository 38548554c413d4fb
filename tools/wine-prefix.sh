#!/usr/bin/env bash
# Makes a wine prefix afresh and checks that wine starts in it, before any test runs there.
#   tools/wine-prefix.sh FOLDER
# Ends the folder's wine server, deletes the folder and lets wineboot make a new prefix in it. The first
# start in a new prefix is the fragile one: wine has been seen to stop at once with "could not load
# kernel32.dll" there, before any program of ours ran. So a start that leaves no working prefix is tried
# again, up to three times, and what wine said each time goes to standard error with its messages on.
# Exits 0 with the prefix ready, 1 when no attempt made one.
set -uo pipefail

prefix=${1:?usage: wine-prefix.sh FOLDER}
export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml="

end_server() {
    if [ -d "$prefix" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
    fi
    return 0
}

# A prefix is ready once wineboot has written its registry and its system folder, and wine starts a
# program in it.
ready() {
    [ -s "$prefix/system.reg" ] && [ -e "$prefix/drive_c/windows/system32/kernel32.dll" ] &&
        WINEDEBUG=-all timeout 60 wine cmd /c exit 7 >/dev/null 2>&1
    [ $? -eq 7 ]
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT
attempts=3
for attempt in $(seq 1 $attempts); do
    end_server
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    WINEDEBUG=err+all,fixme-all timeout 120 wineboot -i >"$log" 2>&1
    status=$?
    WINEDEBUG=-all timeout 60 wineserver -w >/dev/null 2>&1
    if ready; then
        exit 0
    fi
    {
        echo "wine-prefix: wine made no working prefix in $prefix (attempt $attempt of $attempts," \
            "wineboot exit status $status); it said:"
        # (less Debian's hint about the 32-bit wine, which these 64-bit programs do not need)
        grep -v -e 'wine32' -e 'multiarch' -e 'apt-get' "$log" | tail -n 40 | sed 's/^/    /'
    } >&2
    sleep 2
done
exit 1
