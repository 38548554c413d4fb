#!/usr/bin/env bash
# The layer check against scratch trees: a clean tree passes, and each kind of wrong include fails it with
# a message naming the file and the line.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
check="$root/tools/check-layers.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# A small tree with the project's own rules and one file per layer, each including only what it may.
make_tree() {
    rm -rf "$scratch/tree"
    mkdir -p "$scratch/tree/docs" "$scratch/tree/src"/{app,record,play,edit,script,core,platform/x11}
    cp "$root/docs/architecture.md" "$scratch/tree/docs/"
    printf '#pragma once\n' >"$scratch/tree/src/core/Errors.h"
    printf '#include "core/Errors.h"\n' >"$scratch/tree/src/script/ScriptTable.h"
    printf '#include "core/Errors.h"\n#include <QString>\n' >"$scratch/tree/src/platform/Platform.h"
    printf '#include "X11Display.h"\n#include "platform/x11/X11Display.h"\n#include <X11/Xlib.h>\n' \
        >"$scratch/tree/src/platform/x11/X11Display.cpp"
    printf '#include "script/ScriptTable.h"\n#include "platform/Platform.h"\n' >"$scratch/tree/src/record/Rec.cpp"
    printf '#include "script/ScriptTable.h"\n#include "platform/Platform.h"\n' >"$scratch/tree/src/play/Play.cpp"
    printf '#include "script/ScriptTable.h"\n#include "RowEditor.h"\n' >"$scratch/tree/src/edit/Editor.cpp"
    printf '#include "record/Rec.h"\n#include "play/Play.h"\n#include "edit/Editor.h"\n' >"$scratch/tree/src/app/Main.cpp"
    printf '#include "app/Main.h"\n#include "platform/Platform.h"\n' >"$scratch/tree/src/main.cpp"
}

expect() {
    local want=$1 name=$2 pattern=${3:-} output status=0
    output=$("$check" "$scratch/tree" 2>&1) || status=$?
    if [ "$want" = pass ] && [ "$status" -ne 0 ]; then
        echo "FAIL $name: the check failed on a clean tree:"$'\n'"$output"
        failures=$((failures + 1))
    elif [ "$want" = fail ] && [ "$status" -ne 1 ]; then
        echo "FAIL $name: the check passed (status $status)"
        failures=$((failures + 1))
    elif [ -n "$pattern" ] && ! grep -q -- "$pattern" <<<"$output"; then
        echo "FAIL $name: no '$pattern' in:"$'\n'"$output"
        failures=$((failures + 1))
    else
        echo "PASS $name"
    fi
}

make_tree
expect pass "clean tree"

make_tree
printf '#include "record/Rec.h"\n' >>"$scratch/tree/src/script/ScriptTable.h"
expect fail "upward include" "script/ScriptTable.h:2: script/ may not include record/Rec.h"

make_tree
printf '#include "record/ProcessState.h"\n' >>"$scratch/tree/src/play/Play.cpp"
expect fail "include beside" "play/Play.cpp:3: play/ may not include record/ProcessState.h"

make_tree
printf '#  include "script/KeyNames.h"\n' >>"$scratch/tree/src/platform/x11/X11Display.cpp"
expect fail "platform above its layer" "platform/x11/X11Display.cpp:4: platform/ may not include script/KeyNames.h"

make_tree
printf '#include "../record/Rec.h"\n' >>"$scratch/tree/src/edit/Editor.cpp"
expect fail "path climbing out of its folder" "edit/Editor.cpp:3: \"../record/Rec.h\" climbs out"

make_tree
printf '#include <X11/Xlib.h>\n' >>"$scratch/tree/src/record/Rec.cpp"
expect fail "Xlib outside the x11 backend" "record/Rec.cpp:3: only platform/x11/ includes <X11/Xlib.h>"

for backend in x11 win32 posix; do
    make_tree
    printf '#include "platform/%s/Backend.h"\n' "$backend" >>"$scratch/tree/src/main.cpp"
    expect fail "$backend backend named outside platform/" \
        "main.cpp:3: only platform/ includes the backend header platform/$backend/Backend.h"
done

make_tree
mkdir -p "$scratch/tree/src/extra"
printf '#pragma once\n' >"$scratch/tree/src/extra/Thing.h"
expect fail "folder that is no layer" "extra/Thing.h: folder 'extra' is no layer"

make_tree
sed -i 's/^edit -> script core$/edit -> script core record/' "$scratch/tree/docs/architecture.md"
printf '#include "record/Rec.h"\n' >>"$scratch/tree/src/edit/Editor.cpp"
expect pass "a pair allowed in the architecture page"

[ "$failures" -eq 0 ]
