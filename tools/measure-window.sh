#!/usr/bin/env bash
# Measures the main window on a real desktop: its client and outer size, the
# sizes of the part list fl1 and the picture area ScrollBox1 beside what the
# resize rule gives for the outer size, at start, maximised, restored and
# after a drag of the frame's bottom-right corner 200 x 100 inward; and the
# window's X11 class or Wayland app id.
#
#   tools/measure-window.sh x11|wayland WIDTHxHEIGHT [KORVANE]
#
# x11: Xvfb with openbox; wayland: weston's headless compositor (NOPANEL=1:
# without its panel). KORVANE defaults to build/korvane; the screenshots and
# the compositor's input come from the test tools in build/ (screenprobe,
# korvane-westonprobe.so), so any build of the program can be measured.
set -euo pipefail
desktop=$1
size=$2
root=$(cd "$(dirname "$0")/.." && pwd)
program=${3:-$root/build/korvane}
probe=$root/build/tests/xvfb/screenprobe
module=$root/build/tests/wayland/korvane-westonprobe.so
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
width=${size%x*} height=${size#*x}

measure() {
    # Controls larger than the window leave no edge to find.
    { "$probe" sizes "$work/shot" "$cx" "$cy" "$cw" "$ch" 2>&1 || true; } | tr '\n' ' '
    echo "($1: client ${cw}x${ch}, outer ${ow}x${oh} at $ox,$oy; the rule gives fl1 $((oh - 173)), ScrollBox1 $((ow - 420)) x $((oh - 110)))"
}

if [ "$desktop" = x11 ]; then
    Xvfb -ac -screen 0 "${size}x24" -displayfd 3 3>"$work/display" >/dev/null 2>&1 &
    pids+=($!)
    until [ -s "$work/display" ]; do sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
    HOME=$work openbox --startup "touch $work/ready" >/dev/null 2>&1 &
    pids+=($!)
    until [ -e "$work/ready" ]; do sleep 0.1; done
    QT_QPA_PLATFORM=xcb "$program" >/dev/null 2>&1 &
    pids+=($!)
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^RC MODEL CATALOG' | head -n 1)
    sleep 1.5
    look() {
        eval "$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ { print "cx=" $4 } /Absolute upper-left Y/ { print "cy=" $4 }
            /Width:/ { print "cw=" $2 } /Height:/ { print "ch=" $2 }')"
        read -r fl fr ft fb < <(xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ,)
        ow=$((cw + fl + fr)) oh=$((ch + ft + fb)) ox=$((cx - fl)) oy=$((cy - ft))
        "$probe" shoot "$work/shot"
    }
    title_bar() { look; xdotool mousemove --sync $((cx + cw / 2)) $((cy - ft / 2)) click --repeat 2 --delay 100 1; sleep 1.5; }
    drag() {
        look
        local x=$((cx + cw + fr - 2)) y=$((cy + ch + fb - 2)) step
        xdotool mousemove --sync "$x" "$y" mousedown 1
        for step in 1 2 3 4; do xdotool mousemove --sync $((x - 50 * step)) $((y - 25 * step)); done
        xdotool mouseup 1
        sleep 1
    }
    echo "X11 class: $(xprop -id "$wid" WM_CLASS | sed 's/.*= //')"
else
    mkdir -m 700 "$work/runtime"
    mkfifo "$work/commands" "$work/replies"
    printf '[input-method]\npath=\n' >"$work/weston.ini"
    [ -z "${NOPANEL:-}" ] || printf '[shell]\npanel-position=none\n' >>"$work/weston.ini"
    export XDG_RUNTIME_DIR=$work/runtime
    KORVANE_WESTON_PROBE=$work weston --backend=headless-backend.so --socket=measure --use-pixman \
        --width="$width" --height="$height" --config="$work/weston.ini" --modules="$module" >/dev/null 2>&1 &
    pids+=($!)
    until [ -S "$work/runtime/measure" ]; do sleep 0.1; done
    exec 4<>"$work/replies"
    ask() {
        echo "$*" >"$work/commands"
        local line
        while read -r -t 10 -u 4 line; do [ "$line" = end ] && return 0; echo "$line"; done
    }
    WAYLAND_DISPLAY=measure QT_QPA_PLATFORM=wayland "$program" >/dev/null 2>&1 &
    pids+=($!)
    sleep 2.5
    # Qt's frame: a 30-pixel title bar and 3-pixel borders.
    look() {
        read -r ox oy ow oh maximised app_id _ < <(ask windows | grep ' RC MODEL CATALOG')
        cx=$((ox + 3)) cy=$((oy + 30)) cw=$((ow - 6)) ch=$((oh - 33))
        ask shot "$work/shot" >/dev/null
    }
    title_bar() { look; ask move $((ox + ow - 42)) $((oy + 15)) >/dev/null; ask down >/dev/null; ask up >/dev/null; sleep 1.5; }
    drag() {
        look
        local x=$((ox + ow - 2)) y=$((oy + oh - 2)) step
        ask move "$x" "$y" >/dev/null
        ask down >/dev/null
        for step in 1 2 3 4; do ask move $((x - 50 * step)) $((y - 25 * step)) >/dev/null; done
        ask up >/dev/null
        sleep 1
    }
    look
    echo "Wayland app id: $app_id"
fi

look
measure "at start"
title_bar
look
measure "maximised"
title_bar
look
measure "restored"
drag
look
measure "after the drag"
