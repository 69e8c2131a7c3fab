#!/usr/bin/env bash
# The real window across two monitors of different scale: Korvane, installed
# and started with its menu entry's command under openbox, moved from a
# monitor at 100 % to one at 150 % (QT_SCREEN_SCALE_FACTORS) and back, keeps
# its designed size in logical pixels: 1064 x 692 device pixels on the first,
# 1596 x 1038 on the second, and on the first again when the second is
# unplugged under it. Xvfb knows one monitor only, so this runs an
# Xorg server with the dummy driver, whose screen RandR cuts into two
# monitors; Xorg takes a configuration file from the command line only from
# root.
#
# Arguments: cmake, the build folder.
set -euo pipefail
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

cmake=$1
build=$2

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || fail "Xorg with a configuration of the test's own needs root"

work=$(mktemp -d /tmp/korvane-monitors.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

last="nothing checked yet"
until_ok() {
    local deadline=$((SECONDS + 60))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "$last"
        sleep 0.2
    done
}

prefix="$work/prefix"
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "cmake --install: $(cat "$work/install.log")"
command=$(sed -n 's/^Exec=//p' "$prefix/share/applications/org.korvane.Korvane.desktop")

cat >"$work/xorg.conf" <<'CONF'
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 64000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 3200 1200
    EndSubSection
EndSection
CONF
Xorg -config "$work/xorg.conf" -logfile "$work/xorg.log" -noreset -nolisten tcp -ac -displayfd 3 \
    3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
xorg_ready() { last="Xorg did not start: $(tail -n 5 "$work/xorg.log" 2>/dev/null)"; [ -s "$work/display" ]; }
until_ok xorg_ready
export DISPLAY=":$(cat "$work/display")"

# Two monitors side by side: 1280 x 1024 at 100 %, 1920 x 1200 at 150 %.
xrandr --output DUMMY0 --mode 1280x1024
xrandr --fb 3200x1200
xrandr --setmonitor left 1280/338x1024/270+0+0 DUMMY0 >/dev/null
xrandr --setmonitor right 1920/508x1200/317+1280+0 none >/dev/null

mkdir "$work/wm"
HOME="$work/wm" openbox --startup "touch $work/wm/ready" >"$work/wm/log" 2>&1 &
pids+=($!)
wm_ready() { last="openbox did not start: $(cat "$work/wm/log")"; [ -e "$work/wm/ready" ]; }
until_ok wm_ready

# openbox places a new window on the monitor that holds the pointer.
xdotool mousemove 100 100
env -i "DISPLAY=$DISPLAY" "HOME=$work/wm" "PATH=$prefix/bin:/usr/bin:/bin" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb \
    "QT_SCREEN_SCALE_FACTORS=left=1;right=1.5" sh -c "exec $command" >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")
wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^RC MODEL CATALOG / Part List$' | head -n 1) ||
    fail "no window mapped: $(cat "$work/program.log")"

# The client area in device pixels.
client_is() {
    kill -0 "$program" 2>/dev/null || fail "the program ended: $(cat "$work/program.log")"
    local width height
    read -r width height < <(xwininfo -id "$wid" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
    last="$3: the client area is $width x $height device pixels, not $1 x $2"
    [ "$width" -eq "$1" ] && [ "$height" -eq "$2" ]
}
until_ok client_is 1064 692 "at 100 %"
xdotool windowmove "$wid" 1400 60
until_ok client_is 1596 1038 "moved to the monitor at 150 %"
xdotool windowmove "$wid" 20 20
until_ok client_is 1064 692 "moved back to the monitor at 100 %"

# The monitor at 150 % unplugged under the window: the window comes onto the
# one that is left, whole, at its designed size there.
xdotool windowmove "$wid" 1400 60
until_ok client_is 1596 1038 "moved to the monitor at 150 % again"
xrandr --delmonitor right >/dev/null
xrandr --fb 1280x1024
on_the_monitor_left() {
    client_is 1064 692 "the monitor at 150 % unplugged" || return 1
    local x y
    read -r x y < <(xwininfo -id "$wid" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print x, y }')
    last="the monitor at 150 % unplugged, the client area lies at $x, $y"
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + 1064)) -le 1280 ] && [ $((y + 692)) -le 1024 ]
}
until_ok on_the_monitor_left
echo "PASS"
