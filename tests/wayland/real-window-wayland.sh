#!/usr/bin/env bash
# The real window on Wayland. Korvane is installed under a prefix that no one
# writes, started with its menu entry's command with QT_QPA_PLATFORM=wayland
# under weston's headless compositor, driven through the pointer and keyboard
# of our compositor module, and checked on what the compositor itself has:
# its windows' places, sizes, states and app ids, and its screen. Qt draws
# the frame (weston decorates nothing), so the title-bar buttons and the
# frame's edges are Qt's. A second run on a 1024 x 600 screen shows the
# window fitted there.
#
# Arguments: cmake, the build folder, screenprobe, the compositor module.
set -euo pipefail
# A command that fails unexpectedly names itself.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

cmake=$1
build=$2
probe=$3
module=$4

work=$(mktemp -d /tmp/korvane-wayland.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

shot="$work/shot.ppm"
last="nothing checked yet"
rm -f "$build/tests/wayland/real-window-wayland-failure.png" "$build/tests/wayland/real-window-wayland.png"
fail() {
    echo "FAIL: $*" >&2
    # The screen as it was, for whoever reads the failure.
    [ -e "$shot" ] && "$probe" png "$shot" 0 0 "$screen_w" "$screen_h" \
        "$build/tests/wayland/real-window-wayland-failure.png" 2>/dev/null || true
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
chmod -R a-w "$prefix"
command=$(sed -n 's/^Exec=//p' "$prefix/share/applications/org.korvane.Korvane.desktop")
[ -n "$command" ] || fail "the menu entry has no command"
data="$prefix/lib/korvane/DATA"

# --- the compositor ----------------------------------------------------------

mkdir -m 700 "$work/runtime" "$work/home"
mkfifo "$work/commands" "$work/replies"
# Opened for reading and writing, so that neither side waits for the other.
exec 4<>"$work/replies"

# Asks the compositor module; its replies end with a line "end".
ask() {
    echo "$*" >"$work/commands"
    local line
    while IFS= read -r -t 20 -u 4 line; do
        [ "$line" = end ] && return 0
        case $line in error:*) fail "compositor module: $line after '$*'" ;; esac
        printf '%s\n' "$line"
    done
    fail "the compositor did not answer '$*'"
}

# Starts weston on a screen of the given size, with its panel or without.
start_compositor() {
    local width=$1 height=$2 config=$3 socket
    socket="korvane-$$-$width"
    XDG_RUNTIME_DIR="$work/runtime" KORVANE_WESTON_PROBE="$work" \
        weston --backend=headless-backend.so --socket="$socket" --use-pixman --width="$width" --height="$height" \
        --config="$config" --modules="$module" --log="$work/weston-$width.log" >/dev/null 2>&1 &
    compositor=$!
    pids+=("$compositor")
    started() {
        kill -0 "$compositor" 2>/dev/null || fail "weston did not start: $(cat "$work/weston-$width.log" 2>/dev/null)"
        last="weston made no socket: $(cat "$work/weston-$width.log" 2>/dev/null)"
        [ -S "$work/runtime/$socket" ]
    }
    until_ok started
    read -r _ _ screen_w screen_h < <(ask output)
    [ "$screen_w" -eq "$width" ] && [ "$screen_h" -eq "$height" ] || fail "weston's screen is $screen_w x $screen_h"
    app_env=(env -i "XDG_RUNTIME_DIR=$work/runtime" "WAYLAND_DISPLAY=$socket" "HOME=$work/home"
        "PATH=$prefix/bin:/usr/bin:/bin" LANG=C.UTF-8 QT_QPA_PLATFORM=wayland)
}

start_program() {
    "${app_env[@]}" sh -c "exec $command" >"$work/program.log" 2>&1 &
    program=$!
    pids+=("$program")
    window_up() {
        running
        last="no window titled RC MODEL CATALOG / Part List"
        window >/dev/null
    }
    until_ok window_up
}

running() { kill -0 "$program" 2>/dev/null || fail "the program ended: $(cat "$work/program.log")"; }

# The main window as the compositor has it: the place and size of its frame
# (the window geometry that Qt gives, decorations included), whether it is
# maximised, and its app id.
window() {
    local line
    line=$(ask windows | grep ' RC MODEL CATALOG / Part List$' | head -n 1)
    [ -n "$line" ] || return 1
    read -r outer_x outer_y outer_w outer_h maximised app_id _ <<<"$line"
    # The client area, inside the frame Qt draws: a title bar on top and one
    # border width elsewhere, which the designed client size shows at start.
    cx=$((outer_x + left)) cy=$((outer_y + top)) cw=$((outer_w - 2 * left)) ch=$((outer_h - top - left))
    echo "$line"
}

take() { ask shot "$1" >/dev/null; }

# The sizes of the part list fl1 and the picture area ScrollBox1, measured on
# the screen, against the resize rule: relative to the window's outer size
# (frame included) or the fixed 537, 600 x 633.
sizes_are() {
    running
    window >/dev/null || fail "the window is gone"
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

changes() { eval "$("$probe" changed "$1" "$2" "$cx" "$cy" "$3" "$4" "$5" "$6")"; }

press_at() { ask move "$1" "$2" >/dev/null && ask down >/dev/null && ask up >/dev/null; }
click() { press_at $((cx + $1)) $((cy + $2)); }

# Evdev key codes.
KEY_LEFTCTRL=29 KEY_LEFTSHIFT=42 KEY_A=30 KEY_F=33 KEY_T=20 KEY_X=45

# Types a capital letter into a drop-down as a person does: click into its
# text, select it all, type.
type_into() {
    click "$1" "$2"
    ask key "+$KEY_LEFTCTRL" "$KEY_A" "-$KEY_LEFTCTRL" >/dev/null
    ask key "+$KEY_LEFTSHIFT" "$3" "-$KEY_LEFTSHIFT" >/dev/null
}

# --- the window as it maps ---------------------------------------------------

# weston as it comes, with its panel along the top, less the on-screen
# keyboard that it would lay over the window whenever an edit has the focus.
printf '[input-method]\npath=\n' >"$work/weston.ini"
start_compositor 1280 1024 "$work/weston.ini"
left=0 top=0
start_program
# At start the client area has its designed size, which gives the frame.
window >/dev/null
left=$(((outer_w - 1064) / 2)) top=$((outer_h - 692 - left))
[ "$left" -ge 0 ] && [ "$top" -gt "$left" ] || fail "the frame is $outer_w x $outer_h around 1064 x 692"
[ "$app_id" = org.korvane.Korvane ] || fail "the app id is '$app_id', not the menu entry's org.korvane.Korvane"
until_ok sizes_are relative "as it maps"

# --- maximising and restoring ------------------------------------------------

# The middle one of the three buttons at the right end of Qt's title bar.
toggle_maximised() {
    window >/dev/null
    press_at $((outer_x + outer_w - 42)) $((outer_y + top / 2))
}
toggle_maximised
is_maximised() { window >/dev/null; last="the window did not maximise"; [ "$maximised" -eq 1 ]; }
until_ok is_maximised
until_ok sizes_are relative "maximised"
[ "$outer_w" -gt 1070 ] || fail "maximised, the frame is $outer_w x $outer_h"

toggle_maximised
is_restored() { window >/dev/null; last="the window was not restored"; [ "$maximised" -eq 0 ]; }
until_ok is_restored
until_ok sizes_are fixed "restored"
[ "$cw" -eq 1064 ] && [ "$ch" -eq 692 ] || fail "restored, the client area is $cw x $ch"

# --- the fixed frame ---------------------------------------------------------

# The frame is fixed: a drag of its bottom-right corner, inward and then
# outward, leaves the window as it was.
drag_corner() {
    window >/dev/null
    local x=$((outer_x + outer_w - 2)) y=$((outer_y + outer_h - 2)) was="$outer_w x $outer_h" step
    ask move "$x" "$y" >/dev/null
    ask down >/dev/null
    for step in 1 2 3 4; do ask move $((x + $1 * step / 4)) $((y + $2 * step / 4)) >/dev/null; done
    ask up >/dev/null
    # Nothing to wait for when nothing changes: a short pause lets a
    # resize that does happen reach the compositor.
    sleep 0.5
    running
    window >/dev/null
    [ "$outer_w x $outer_h" = "$was" ] || fail "a drag of the corner by $1, $2 made the frame $outer_w x $outer_h"
}
drag_corner -200 -100
drag_corner 150 80
# They bring no size notification: the sizes stay those of the restoring.
until_ok sizes_are fixed "after the drags of the frame"

# --- a hotspot press ---------------------------------------------------------

list=(8 112 393 "$fl1_height")
# logo, inside ScrollBox1's 3-pixel bevel
picture=(411 52 $((ScrollBox1_width - 6)) $((ScrollBox1_height - 6)))
take "$work/empty.ppm"

model_dir="$data/XRAY/T4R"
type_into 48 62 "$KEY_X" # Manufacturer: XRAY
type_into 192 62 "$KEY_T" # Model: T4R
model_shown() {
    running
    take "$shot"
    changes "$work/empty.ppm" "$shot" "${picture[@]}"
    last="after XRAY and T4R the picture area changed in $changed pixels"
    [ "$changed" -gt 0 ]
}
until_ok model_shown
view="Front suspension"
cp "$shot" "$work/model.ppm"
type_into 192 94 "$KEY_F" # exview: Front suspension
view_shown() {
    running
    take "$shot"
    changes "$work/model.ppm" "$shot" "${picture[@]}"
    last="choosing the view '$view' changed $changed pixels of the picture area"
    [ "$changed" -gt 0 ]
}
until_ok view_shown
cp "$shot" "$work/view.ppm"

IFS='=-' read -r hotspot hotspot_x hotspot_y < <(head -n 1 "$model_dir/Parts/EXPLODED/$view.met" | tr -d '\r')
line=$(LC_ALL=C grep -n "^$hotspot " "$model_dir/T4R.txt" | head -n 1 | cut -d: -f1)
[ -n "$line" ] || fail "the demo part list has no line for hotspot $hotspot"
click $((picture[0] + hotspot_x)) $((picture[1] + hotspot_y))
line_selected() {
    running
    take "$shot"
    changes "$work/view.ppm" "$shot" "${list[@]}"
    # The middle of the band that changed, in 13-pixel lines from the list's top.
    local band=$(((first_row + last_row) / 2 - list[1]))
    last="a press on hotspot $hotspot changed list rows $first_row to $last_row, not line $line"
    [ "$first_row" -ge 0 ] && [ $((last_row - first_row)) -lt 13 ] && [ $((band / 13 + 1)) -eq "$line" ]
}
until_ok line_selected
"$probe" png "$shot" "$outer_x" "$outer_y" "$outer_w" "$outer_h" "$build/tests/wayland/real-window-wayland.png"
kill "$program" "$compositor"

# --- a screen smaller than the window ----------------------------------------

# On a 1024 x 600 screen the whole window lies on the screen, and the resize
# rule follows the outer size it was fitted to. Wayland tells a program
# nothing of a panel (weston 10 offers no bounds to its windows), so this
# desktop has none: there the screen is the available area.
printf '[shell]\npanel-position=none\n[input-method]\npath=\n' >"$work/no-panel.ini"
start_compositor 1024 600 "$work/no-panel.ini"
start_program
on_screen() {
    running
    window >/dev/null
    last="on the 1024 x 600 screen the frame is $outer_w x $outer_h at $outer_x, $outer_y"
    [ "$outer_x" -ge 0 ] && [ "$outer_y" -ge 0 ] && [ $((outer_x + outer_w)) -le 1024 ] &&
        [ $((outer_y + outer_h)) -le 600 ]
}
until_ok on_screen
until_ok sizes_are relative "on the small screen"
echo "PASS"
