#!/bin/sh
# korvane answers --help and --version before the toolkit starts, so without
# any display; every other argument is ignored and the window starts. Here no
# window can start (the platform named does not exist), which tells the two
# apart. Arguments: the program, its version.
set -u
program=$1
version=$2
export QT_QPA_PLATFORM=no-such-platform
unset DISPLAY WAYLAND_DISPLAY
ulimit -c 0
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

out=$("$program" --version 2>&1) || fail "--version: exit status $?"
[ "$out" = "korvane $version" ] || fail "--version printed: $out"

out=$("$program" --help 2>&1) || fail "--help: exit status $?"
case "$out" in "Usage: korvane "*) ;; *) fail "--help printed: $out" ;; esac

# Among other arguments, still answered; first come, first answered.
out=$("$program" -x --version --help 2>&1) || fail "-x --version --help: exit status $?"
[ "$out" = "korvane $version" ] || fail "-x --version --help printed: $out"

# Any other argument is ignored: the program goes on to start its window.
for argument in --versions -h -version help; do
    if out=$("$program" "$argument" 2>&1); then
        fail "$argument: exit status 0 without a window"
    fi
    case "$out" in *no-such-platform*) ;; *) fail "$argument did not start the window: $out" ;; esac
done

# Output that cannot be written is a failure.
if [ -w /dev/full ] && "$program" --help >/dev/full 2>/dev/null; then
    fail "--help to a full disk: exit status 0"
fi
exit $status
