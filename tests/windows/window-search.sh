# Window searches for the tests that drive wine from outside (sourced). Wine makes and destroys windows
# while it starts, and xdotool's search ends with an X error (BadWindow in X_QueryTree, X_GetProperty...)
# when a window vanishes under it, --sync or not: a search that fails that way is simply made again.

# managed_windows PATTERN: the windows the window manager lists (_NET_CLIENT_LIST, one property of the root
# window: no walk of the tree that a vanishing window could break) whose title matches PATTERN, ignoring
# case as xdotool does; ids in decimal, one a line.
managed_windows() {
    local pattern=$1 id name
    for id in $(xprop -root -notype _NET_CLIENT_LIST 2>/dev/null | grep -o '0x[0-9a-fA-F]*'); do
        name=$(xdotool getwindowname "$id" 2>/dev/null) || continue
        (shopt -s nocasematch; [[ $name =~ $pattern ]]) && echo $((id))
    done
    return 0
}

# find_windows PATTERN [SECONDS]: waits up to SECONDS (default 60) for visible windows whose title matches
# PATTERN and prints their ids, one a line; fails when none came. The window manager's list comes first;
# xdotool's walk of the tree also finds the windows no manager lists.
find_windows() {
    local pattern=$1 seconds=${2:-60} ids deadline
    deadline=$((SECONDS + seconds))
    while :; do
        ids=$(managed_windows "$pattern")
        [ -n "$ids" ] || ids=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null) || ids=""
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
