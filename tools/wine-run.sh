#!/usr/bin/env bash
# Runs a Windows program under wine, the way the cross-built tests are run:
#   tools/wine-run.sh PROGRAM.exe [ARGUMENTS...]
# Wine has been seen to stop at once with "could not load kernel32.dll" (exit status 53) before the
# program ran at all. Such a start, and only such a start, is tried once more on a new wine server; the
# program's own results, whatever they are, pass through unchanged.
set -uo pipefail

said=$(mktemp)
trap 'rm -f "$said"' EXIT
for attempt in 1 2; do
    wine "$@" 2> >(tee "$said" >&2)
    status=$?
    wait
    if [ $attempt -eq 1 ] && [ $status -eq 53 ] && grep -q "could not load kernel32.dll" "$said"; then
        echo "wine-run: wine did not start $1; once more on a new wine server" >&2
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
        continue
    fi
    exit $status
done
