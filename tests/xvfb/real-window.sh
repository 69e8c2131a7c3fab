#!/usr/bin/env bash
# The real window as a person sees it. Korvane is installed under a prefix
# that its user cannot write, started with its menu entry's command on the
# demo catalog under openbox on the X server that xvfb-run started, driven
# with real key and mouse events, and checked on screenshots of the root
# window as the X server composes it (screenprobe shoot), open popups
# included. A second, small screen of 1024 x 600 shows the window fitted there.
#
# Run by CTest under xvfb-run (with -ac, so that an unprivileged user's
# programs may connect). Arguments: cmake, the build folder, screenprobe,
# tst_readonly_install.
set -euo pipefail
# A command that fails unexpectedly names itself.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

cmake=$1
build=$2
probe=$3
readonly_test=$4

[ -n "${DISPLAY:-}" ] || { echo "FAIL: no X server (run under xvfb-run)" >&2; exit 1; }

work=$(mktemp -d /tmp/korvane-real-window.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

shot="$work/shot.png"
last="nothing checked yet"
rm -f "$build/tests/xvfb/real-window-failure.png" "$build/tests/xvfb/real-window.png"
fail() {
    echo "FAIL: $*" >&2
    # The screen as it was, for whoever reads the failure.
    [ -e "$shot" ] && "$probe" png "$shot" 0 0 1280 1024 "$build/tests/xvfb/real-window-failure.png" || true
    exit 1
}

# Polls a check until it holds. The time limit only ends a wait for what
# never happens; it measures nothing.
until_ok() {
    local deadline=$((SECONDS + 60))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "$last"
        sleep 0.2
    done
}

# --- the installed copy ------------------------------------------------------

prefix="$work/prefix"
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "cmake --install: $(cat "$work/install.log")"
data="$prefix/lib/korvane/DATA"
[ -L "$prefix/bin/korvane" ] || fail "bin/korvane is not a link"
[ -d "$data" ] && [ ! -L "$data" ] || fail "the catalog is not a folder beside the program"
chmod -R a-w "$prefix"

# Root may write anywhere, so a root run hands the program to nobody.
mkdir "$work/home"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$work/home"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
user_env=(env -i "DISPLAY=$DISPLAY" "HOME=$work/home" "PATH=$prefix/bin:/usr/bin:/bin" LANG=C.UTF-8)

# --- the desktop -------------------------------------------------------------

mkdir "$work/wm"
HOME="$work/wm" openbox --startup "touch $work/wm/ready" >"$work/wm/log" 2>&1 &
pids+=($!)
wm_ready() { last="openbox did not start: $(cat "$work/wm/log")"; [ -e "$work/wm/ready" ]; }
until_ok wm_ready

command=$(sed -n 's/^Exec=//p' "$prefix/share/applications/org.korvane.Korvane.desktop")
[ -n "$command" ] || fail "the menu entry has no command"
"${as_user[@]}" "${user_env[@]}" QT_QPA_PLATFORM=xcb sh -c "exec $command" >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")

running() { kill -0 "$program" 2>/dev/null || fail "the program ended: $(cat "$work/program.log")"; }

wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^RC MODEL CATALOG / Part List$' | head -n 1) ||
    fail "no window titled RC MODEL CATALOG / Part List mapped: $(cat "$work/program.log")"

# The client area's place and size, and the frame around it.
geometry() {
    eval "$(xwininfo -id "$wid" | awk '
        /Absolute upper-left X/ { print "cx=" $4 }
        /Absolute upper-left Y/ { print "cy=" $4 }
        /Width:/  { print "cw=" $2 }
        /Height:/ { print "ch=" $2 }')"
    read -r fl fr ft fb < <(xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ,)
    outer_w=$((cw + fl + fr))
    outer_h=$((ch + ft + fb))
}

take() { "$probe" shoot "$1"; }

# The sizes of the part list fl1 and the picture area ScrollBox1, measured on
# the screen, against the resize rule: relative to the window's outer size
# (frame included) or the fixed 537, 600 x 633.
sizes_are() {
    running
    geometry
    local want_list want_height want_width
    if [ "$1" = relative ]; then
        want_list=$((outer_h - 173)) want_height=$((outer_h - 110)) want_width=$((outer_w - 420))
    else
        want_list=537 want_height=600 want_width=633
    fi
    take "$shot"
    eval "$("$probe" sizes "$shot" "$cx" "$cy" "$cw" "$ch")"
    last="$2: fl1 $fl1_height high, ScrollBox1 $ScrollBox1_width x $ScrollBox1_height;"
    last+=" the outer size $outer_w x $outer_h gives $want_list, $want_width x $want_height"
    [ "$fl1_height" -eq "$want_list" ] && [ "$ScrollBox1_height" -eq "$want_height" ] &&
        [ "$ScrollBox1_width" -eq "$want_width" ]
}

# What changed between two shots inside a rectangle of the client area.
changes() { eval "$("$probe" changed "$1" "$2" "$cx" "$cy" "$3" "$4" "$5" "$6")"; }

click() { xdotool mousemove --sync $((cx + $1)) $((cy + $2)) click 1; }

# Types into a drop-down as a person does: click into its text, select it
# all, type.
type_into() {
    click "$1" "$2"
    xdotool key --clearmodifiers ctrl+a
    xdotool type --clearmodifiers "$3"
}

# --- the window as it maps ---------------------------------------------------

mapped() {
    running
    geometry
    last="the client area is $cw x $ch, not 1064 x 692"
    [ "$cw" -eq 1064 ] && [ "$ch" -eq 692 ]
}
until_ok mapped
title=$(xdotool getwindowname "$wid")
[ "$title" = "RC MODEL CATALOG / Part List" ] || fail "the title is '$title'"
# Until the window manager has framed the window its outer size is the
# client size, and so were the sizes that the first notification gave.
framed() { geometry; last="openbox put no frame around the window"; [ "$outer_h" -gt "$ch" ]; }
until_ok framed
until_ok sizes_are relative "as it maps"

# The frame is fixed: a drag of its bottom-right corner, inward and then
# outward, leaves the window as it was. openbox resizes on the release.
drag_corner() {
    geometry
    local x=$((cx + cw + fr - 2)) y=$((cy + ch + fb - 2)) step
    xdotool mousemove --sync "$x" "$y" mousedown 1
    for step in 1 2 3 4; do xdotool mousemove --sync $((x + $1 * step / 4)) $((y + $2 * step / 4)); done
    xdotool mouseup 1
    # Nothing to wait for when nothing changes: a short pause lets a window
    # manager that does resize be done with it.
    sleep 0.5
    running
    geometry
    [ "$cw" -eq 1064 ] && [ "$ch" -eq 692 ] || fail "a drag of the corner by $1, $2 made the client area $cw x $ch"
}
drag_corner -200 -100
drag_corner 150 80
until_ok sizes_are relative "after the drags of the frame"

# An open drop-down list, as the screen shows it: its entries are there, dark
# text on a light ground, although Qt gives its popups a colormap of their own.
manufacturers=$(LC_ALL=C grep -c . "$data/catalog.txt")
take "$work/closed.png"
click 137 62 # the arrow of Manufacturer
list_shown() {
    running
    take "$shot"
    # The list drops below the drop-down, whose own look changes as well.
    changes "$work/closed.png" "$shot" 0 77 "$cw" $((ch - 77))
    [ "$changed" -gt 0 ] || { last="the list of Manufacturer did not open"; return 1; }
    eval "$("$probe" lines "$shot" "$cx" "$cy" "$first_column" "$first_row" $((last_column - first_column + 1)) \
        $((last_row - first_row + 1)))"
    last="the open list of Manufacturer shows $text_lines lines of text for $manufacturers entries"
    last+=" and is $light_percent % light"
    popup=("$first_column" "$first_row" "$last_column" "$last_row")
    [ "$text_lines" -eq "$manufacturers" ] && [ "$light_percent" -ge 50 ]
}
until_ok list_shown
"$probe" png "$shot" $((cx - fl)) $((cy - ft)) "$outer_w" "$outer_h" "$build/tests/xvfb/real-window-list.png"
xdotool key Escape
list_closed() {
    running
    take "$shot"
    # Where the list lay over the part list (savnam, above it, now shows
    # that it has lost the keyboard).
    changes "$work/closed.png" "$shot" "${popup[0]}" 112 $((popup[2] - popup[0] + 1)) $((popup[3] - 112 + 1))
    last="the list of Manufacturer did not close"
    [ "$changed" -eq 0 ]
}
until_ok list_closed

# --- browsing with real keys -------------------------------------------------

list=(8 112 393 "$fl1_height")
# logo, inside ScrollBox1's 3-pixel bevel
picture=(411 52 $((ScrollBox1_width - 6)) $((ScrollBox1_height - 6)))
take "$work/empty.png"

model_dir="$data/XRAY/T4R"
part_lines=$(LC_ALL=C grep -c . "$model_dir/T4R.txt")
read -r picture_w picture_h < <("$probe" picture-size "$model_dir/T4R.jpg")

type_into 48 62 X   # Manufacturer: XRAY
type_into 192 62 T  # Model: T4R
model_shown() {
    running
    take "$shot"
    changes "$work/empty.png" "$shot" "${list[@]}"
    local list_rows=$((last_row - first_row + 1))
    changes "$work/empty.png" "$shot" "${picture[@]}"
    last="after XRAY and T4R the part list shows $list_rows rows of ink for $part_lines lines,"
    last+=" the picture area changed in $((last_column - first_column + 1)) x $((last_row - first_row + 1))"
    last+=" pixels at ($first_column, $first_row) for a $picture_w x $picture_h picture"
    [ "$list_rows" -gt $((13 * (part_lines - 1))) ] &&
        [ "$first_column" -eq "${picture[0]}" ] && [ "$first_row" -eq "${picture[1]}" ] &&
        [ $((last_column - first_column + 1)) -eq "$picture_w" ] && [ $((last_row - first_row + 1)) -eq "$picture_h" ]
}
until_ok model_shown
cp "$shot" "$work/model.png"

# An exploded view, and a press on one of its hotspots.
view="Front suspension"
type_into 192 94 F
view_shown() {
    running
    take "$shot"
    changes "$work/model.png" "$shot" "${picture[@]}"
    last="choosing the view '$view' changed $changed pixels of the picture area"
    [ "$changed" -gt 0 ]
}
until_ok view_shown
cp "$shot" "$work/view.png"

IFS='=-' read -r hotspot hotspot_x hotspot_y < <(head -n 1 "$model_dir/Parts/EXPLODED/$view.met" | tr -d '\r')
line=$(LC_ALL=C grep -n "^$hotspot " "$model_dir/T4R.txt" | head -n 1 | cut -d: -f1)
[ -n "$line" ] || fail "the demo part list has no line for hotspot $hotspot"
click $((picture[0] + hotspot_x)) $((picture[1] + hotspot_y))
line_selected() {
    running
    take "$shot"
    changes "$work/view.png" "$shot" "${list[@]}"
    # The middle of the band that changed, in 13-pixel lines from the list's top.
    local band=$(((first_row + last_row) / 2 - list[1]))
    last="a press on hotspot $hotspot changed list rows $first_row to $last_row, not line $line"
    [ "$first_row" -ge 0 ] && [ $((last_row - first_row)) -lt 13 ] && [ $((band / 13 + 1)) -eq "$line" ]
}
until_ok line_selected
# The window with its frame, for a look (docs/screenshot.png is such a one).
"$probe" png "$shot" $((cx - fl)) $((cy - ft)) "$outer_w" "$outer_h" "$build/tests/xvfb/real-window.png"

# --- maximising and restoring ------------------------------------------------

# openbox maximises and restores on a double click on the title bar.
toggle_maximised() {
    geometry
    xdotool mousemove --sync $((cx + cw / 2)) $((cy - ft / 2)) click --repeat 2 --delay 100 1
}
maximised() { xprop -id "$wid" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_VERT; }

toggle_maximised
is_maximised() { last="the window did not maximise"; maximised; }
until_ok is_maximised
until_ok sizes_are relative "maximised"

toggle_maximised
is_restored() { last="the window was not restored"; ! maximised; }
until_ok is_restored
until_ok sizes_are fixed "restored"

# --- a screen smaller than the window ----------------------------------------

# On a 1024 x 600 screen the whole window, frame and all, lies on the screen,
# and the resize rule follows the outer size it was fitted to.
Xvfb -ac -screen 0 1024x600x24 -displayfd 3 3>"$work/small-display" >"$work/small.log" 2>&1 &
pids+=($!)
small_ready() { last="the small X server did not start: $(cat "$work/small.log")"; [ -s "$work/small-display" ]; }
until_ok small_ready
export DISPLAY=":$(cat "$work/small-display")"
mkdir "$work/wm-small"
HOME="$work/wm-small" openbox --startup "touch $work/wm-small/ready" >"$work/wm-small/log" 2>&1 &
pids+=($!)
small_wm_ready() { last="openbox did not start on the small screen"; [ -e "$work/wm-small/ready" ]; }
until_ok small_wm_ready
user_env=(env -i "DISPLAY=$DISPLAY" "HOME=$work/home" "PATH=$prefix/bin:/usr/bin:/bin" LANG=C.UTF-8)
"${as_user[@]}" "${user_env[@]}" QT_QPA_PLATFORM=xcb sh -c "exec $command" >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")
wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^RC MODEL CATALOG / Part List$' | head -n 1) ||
    fail "no window mapped on the small screen: $(cat "$work/program.log")"
on_screen() {
    running
    geometry
    last="on the 1024 x 600 screen the frame is $outer_w x $outer_h at $((cx - fl)), $((cy - ft))"
    [ "$outer_h" -gt "$ch" ] && [ $((cx - fl)) -ge 0 ] && [ $((cy - ft)) -ge 0 ] &&
        [ $((cx - fl + outer_w)) -le 1024 ] && [ $((cy - ft + outer_h)) -le 600 ]
}
until_ok on_screen
until_ok sizes_are relative "on the small screen"

# --- the saves that no real input reaches ------------------------------------

cp "$readonly_test" "$work/"
"${as_user[@]}" "${user_env[@]}" QT_QPA_PLATFORM=offscreen \
    KORVANE_INSTALLED_PROGRAM="$prefix/lib/korvane/korvane" "$work/$(basename "$readonly_test")" ||
    fail "the read-only install did not report its saves"
running
echo "PASS"
