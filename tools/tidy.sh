#!/usr/bin/env bash
# tidy.sh BUILD_DIR: clang-tidy with the checks of .clang-tidy over every source under src/, on every core.
# Needs the build's compile_commands.json and its generated files (moc output, the include links).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:?usage: tidy.sh BUILD_DIR}
[ -f "$build/compile_commands.json" ] || { echo "tidy: no $build/compile_commands.json" >&2; exit 2; }
# run-clang-tidy takes regular expressions over the database's file names: ours under src/, not moc output.
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "^$root/src/.*\.cpp$" >"$build/tidy.log" 2>&1 || {
    grep -E 'warning:|error:' -A3 "$build/tidy.log" >&2 || cat "$build/tidy.log" >&2
    echo "tidy: findings above (fix them, or suppress one with NOLINT(check) and the reason beside it)" >&2
    exit 1
}
