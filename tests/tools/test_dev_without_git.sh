#!/usr/bin/env bash
# ./dev's format check in a copied tree where git is missing (a fresh system, a tarball): it lists the C++
# files itself, passes a clean tree, names a badly formatted file, and says so when clang-format itself
# fails instead of calling that a formatting fault.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
tree="$scratch/tree"

mkdir -p "$tree/tools" "$tree/src/app" "$tree/build/src" "$tree/build-asan" "$scratch/bin"
cp "$root/dev" "$root/.clang-format" "$tree/"
cp "$root/tools/dev-windows.sh" "$tree/tools/"
printf 'int answer();\n' >"$tree/src/app/Answer.h"
printf '#include "Answer.h"\n\nint answer()\n{\n    return 42;\n}\n' >"$tree/src/app/Answer.cpp"
# Build output is not the tree's: generated files need not follow the house style.
printf 'int  generated( ) {return 0;}\n' >"$tree/build/src/moc_X.cpp"
printf 'int  generated( ) {return 0;}\n' >"$tree/build-asan/moc_Y.cpp"
# git as a fresh system has it: not there.
printf '#!/bin/sh\necho "git: command not found" >&2\nexit 127\n' >"$scratch/bin/git"
chmod +x "$scratch/bin/git"

# run NAME WANT PATTERN SCRIPT: sources ./dev in the tree without git and runs SCRIPT; WANT is pass or fail,
# and PATTERN must be in what it printed.
run() {
    local name=$1 want=$2 pattern=$3 script=$4 output status=0
    output=$(cd "$tree" && PATH="$scratch/bin:$PATH" bash -c "source ./dev; $script" 2>&1) || status=$?
    if { [ "$want" = pass ] && [ "$status" -ne 0 ]; } || { [ "$want" = fail ] && [ "$status" -eq 0 ]; } ||
        ! printf '%s\n' "$output" | grep -q -- "$pattern"; then
        printf 'FAIL %s (status %s):\n%s\n' "$name" "$status" "$output" >&2
        failures=$((failures + 1))
    else
        printf 'PASS %s\n' "$name"
    fi
}

run "lists the tree's files without git" pass 'src/app/Answer.cpp' "cxx_files | tr '\\0' '\\n' | sort"
listed=$(cd "$tree" && PATH="$scratch/bin:$PATH" bash -c "source ./dev; cxx_files | tr '\\0' '\\n'")
if printf '%s\n' "$listed" | grep -q build; then
    printf 'FAIL build output listed:\n%s\n' "$listed" >&2
    failures=$((failures + 1))
fi
run "a clean tree passes" pass 'format check' format_check
printf 'int  answer( );\n' >"$tree/src/app/Answer.h"
run "a badly formatted file is named" fail 'Answer.h' format_check
run "and called a formatting fault" fail 'differ from .clang-format' format_check
# A clang-format that cannot run is no formatting fault.
printf '#!/bin/sh\necho "clang-format: cannot load its libraries" >&2\nexit 1\n' >"$scratch/bin/clang-format"
chmod +x "$scratch/bin/clang-format"
run "a failing clang-format is named" fail 'clang-format failed' format_check

[ "$failures" -eq 0 ]
