#!/bin/sh
# The manual pages as lintian reads them: no warning from groff (undefined
# macros too) or man, and every option a program's --help lists is on its
# page. Arguments: the folder of the made pages, then each program; the page
# of a program is its name with ".1".
set -u
pages=$1
shift
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

for program in "$@"; do
    name=$(basename "$program")
    page=$pages/$name.1
    [ -f "$page" ] || { fail "$name has no page $page"; continue; }
    out=$(groff -wall -wmac -mandoc -z "$page" 2>&1)
    [ -z "$out" ] || fail "groff on $name.1: $out"
    if command -v man >/dev/null 2>&1; then
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 --warnings -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
        [ -z "$out" ] || fail "man on $name.1: $out"
    fi
    # Without a display: the programs answer --help before the toolkit starts.
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help 2>&1) || fail "$name --help: exit status $?"
    for option in $(printf '%s\n' "$help" | grep -oE '(^|[ ,])--?[a-z][a-z-]*' | sed 's/^[ ,]//' | sort -u); do
        # On the page every "-" is written "\-".
        escaped=$(printf '%s' "$option" | sed 's/-/\\-/g')
        grep -qF -- "$escaped" "$page" || fail "$name.1 lacks $option, which $name --help lists"
    done
done
exit $status
