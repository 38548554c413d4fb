# Window searches for the tests that drive wine from outside (sourced). Wine makes and destroys windows
# while it starts, and xdotool's search ends with an X error (BadWindow in X_QueryTree, X_GetProperty...)
# when a window vanishes under it, --sync or not: a search that fails that way is simply made again.

# find_windows PATTERN [SECONDS]: waits up to SECONDS (default 60) for visible windows whose title matches
# PATTERN and prints their ids, one a line; fails when none came.
find_windows() {
    local pattern=$1 seconds=${2:-60} ids deadline
    deadline=$((SECONDS + seconds))
    while :; do
        ids=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null) || ids=""
        # A search that died on a vanished window may have printed ids it cannot vouch for: keep those still there.
        ids=$(for id in $ids; do xdotool getwindowname "$id" >/dev/null 2>&1 && echo "$id"; done)
        [ -n "$ids" ] && { printf '%s\n' "$ids"; return 0; }
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.2
    done
}

# window PATTERN [SECONDS]: the first of find_windows.
window() {
    local ids
    ids=$(find_windows "$@") || return 1
    printf '%s\n' "$ids" | head -n 1
}
