#!/usr/bin/env bash
# check-layers.sh [ROOT]: fails when a source under ROOT/src includes a header of a layer it may not use.
# The allowed pairs are read from the `layers` block of ROOT/docs/architecture.md, the one place they are
# written. A layer's headers are reached as "layer/File.h" (or by a bare name from inside the same folder);
# a path that climbs out of its folder ("../") hides the layer and is refused too. Only the x11 backend
# includes Xlib headers and only the win32 backend includes windows.h.
set -euo pipefail

root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
rules="$root/docs/architecture.md"
[ -f "$rules" ] || { echo "check-layers: no $rules" >&2; exit 2; }

# The "layer -> allowed ..." lines between ```layers and the closing fence.
rule_lines=$(awk '/^```layers$/ {inside = 1; next} inside && /^```/ {exit} inside && NF' "$rules")
[ -n "$rule_lines" ] || { echo "check-layers: no layers block in $rules" >&2; exit 2; }

# One awk over every source; it prints one line per wrong include and exits 1 if there was any.
cd "$root/src"
mapfile -t files < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's#^\./##' | LC_ALL=C sort)
awk -v rule_lines="$rule_lines" '
BEGIN {
    count = split(rule_lines, lines, "\n")
    for (i = 1; i <= count; i++) {
        n = split(lines[i], words, " ")
        if (words[2] != "->") { print "check-layers: bad rule line: " lines[i] > "/dev/stderr"; bad = 2; exit 2 }
        allowed[words[1]] = " "
        for (j = 3; j <= n; j++) allowed[words[1]] = allowed[words[1]] words[j] " "
    }
}
function fail(message) { print message > "/dev/stderr"; failures++ }
FNR == 1 {
    # main.cpp builds the program out of every layer, as app/ does
    layer = index(FILENAME, "/") ? substr(FILENAME, 1, index(FILENAME, "/") - 1) : "app"
    if (!(layer in allowed)) { fail(FILENAME ": folder \047" layer "\047 is no layer of docs/architecture.md"); nextfile }
}
/^[ \t]*#[ \t]*include[ \t]*"/ {
    header = $0
    sub(/^[^"]*"/, "", header); sub(/".*$/, "", header)
    if (header ~ /(^|\/)\.\.\//) { fail(FILENAME ":" FNR ": \"" header "\" climbs out of its folder; include \"layer/File.h\""); next }
    if (index(header, "/") == 0) next
    # One backend is compiled in, chosen inside platform/: no other layer names one.
    if (header ~ /^platform\/(x11|win32|posix)\// && layer != "platform") { fail(FILENAME ":" FNR ": only platform/ includes the backend header " header); next }
    target = substr(header, 1, index(header, "/") - 1)
    if (!(target in allowed) || target == layer) next # a folder of the same layer, e.g. "x11/X11Display.h"
    if (index(allowed[layer], " " target " ") == 0)
        fail(FILENAME ":" FNR ": " layer "/ may not include " header " (allowed:" allowed[layer] ")")
    next
}
/^[ \t]*#[ \t]*include[ \t]*<(X11\/|[Ww]indows\.h>)/ {
    header = $0
    sub(/^[^<]*</, "", header); sub(/>.*$/, "", header)
    if (header ~ /^X11\// && FILENAME !~ /^platform\/x11\//) fail(FILENAME ":" FNR ": only platform/x11/ includes <" header ">")
    if (header !~ /^X11\// && FILENAME !~ /^platform\/win32\//) fail(FILENAME ":" FNR ": only platform/win32/ includes <" header ">")
}
END {
    if (bad) exit bad
    if (failures) { print "check-layers: " failures " include(s) against the layers of docs/architecture.md" > "/dev/stderr"; exit 1 }
}' "${files[@]}"
