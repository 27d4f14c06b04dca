#!/usr/bin/env bash
# check_window_frame_x11.sh TARNVIEW X11_HELPER SHOTS TARNVIEW_PACK: without a display the tool says so and exits
# 1. Then starts the main dialog on a virtual display under openbox and checks its frame as the
# window manager sees it: maximise offered and working (the size then fills the work area),
# restore back to the first size and place, a resize asked of the window manager (a client's
# request and an Alt+right-button drag) undone, no resize handles asked for, and the frame first
# shown centred on the work area, as is the preview window's, empty and at its final size with a
# package's picture (chosen in the file dialog). Files dragged from another client: the drag ends
# before the message about two files, and one package dropped is read. At scale 1.5 on
# 1366 x 768 and 2 on 1920 x 1080 the whole frame is on the work area; a picture of each screen
# goes to SHOTS. 77: skipped (a tool or the display missing).
set -uo pipefail
tarnview=$1
helper=$2
shots=$3
pack=$4

message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tarnview" 2>&1 >/dev/null)
status=$?
if [ "$status" != 1 ] || [ "$(wc -l <<<"$message")" != 1 ] || [[ $message != *DISPLAY* ]]; then
    echo "FAILED: without a display: exit $status, stderr: $message"
    exit 1
fi

for tool in Xvfb openbox xdotool wmctrl xprop xwininfo gdal_create; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# until SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds or the time is up.
until_true() {
    local tries=$(($1 * 10))
    shift
    while ((tries-- > 0)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# start_display WIDTHxHEIGHT [SCALE]: a virtual screen with openbox, and the dialog on it.
start_display() {
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
    pids+=($!)
    until_true 5 test -s "$work/display" || { echo "skipped: Xvfb did not start"; exit 77; }
    export DISPLAY=":$(cat "$work/display")"
    export QT_QPA_PLATFORM=xcb  # every Qt program here is a real client of this display
    openbox --sm-disable >/dev/null 2>&1 &
    pids+=($!)
    wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
    until_true 5 wm_ready || { echo "skipped: openbox did not start"; exit 77; }
    QT_SCALE_FACTOR=${2:-1} "$tarnview" >"$work/tarnview.log" 2>&1 &
    pids+=($!)
    if ! until_true 10 find_window || ! until_true 5 framed; then
        echo "the dialog's window never appeared under openbox:"
        cat "$work/tarnview.log"
        exit 1
    fi
}
stop_display() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    pids=()
}
find_window() {
    window=$(wmctrl -l 2>/dev/null | awk '/Tarnview/ { print $1; exit }')
    [ -n "$window" ]
}
framed() { xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | grep -q =; }
start_display 1280x1024

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
# The client area's place and size: "X Y WIDTH HEIGHT".
client() {
    xwininfo -id "$window" |
        awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
             /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }'
}
# Frame extents "LEFT RIGHT TOP BOTTOM" and the work area "X Y WIDTH HEIGHT" as openbox sets them.
extents() { xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g'; }
work_area() { xprop -root _NET_WORKAREA | sed 's/.*= //; s/,//g' | cut -d' ' -f1-4; }
is_at() { [ "$(client)" = "$1" ]; }
sleep 0.5 # the dialog centres itself again once it is framed
read -r left right top bottom <<<"$(extents)"
read -r area_x area_y area_width area_height <<<"$(work_area)"
first=$(client)
read -r x y width height <<<"$first"

actions=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)
for action in MAXIMIZE_HORZ MAXIMIZE_VERT; do
    [[ $actions == *"_NET_WM_ACTION_$action"* ]] || fail "openbox does not offer $action: $actions"
done
decorations=$(xprop -id "$window" _MOTIF_WM_HINTS | sed 's/.*= //' | cut -d, -f3)
(((decorations & 4) == 0)) || fail "the frame hints still ask for resize handles: $decorations"

# Centred: the frame's middle is the work area's, to the pixel (odd sizes round down).
check_centred() {  # NAME "X Y WIDTH HEIGHT" "LEFT RIGHT TOP BOTTOM"
    local cx cy cw ch fl fr ft fb dx dy
    read -r cx cy cw ch <<<"$2"
    read -r fl fr ft fb <<<"$3"
    dx=$((2 * (cx - fl - area_x) + cw + fl + fr - area_width))
    dy=$((2 * (cy - ft - area_y) + ch + ft + fb - area_height))
    if ((dx < -1 || dx > 1 || dy < -1 || dy > 1)); then
        fail "$1 first shown at $2 with frame $3, not centred on $area_width x $area_height"
    fi
}
check_centred "the main window" "$first" "$left $right $top $bottom"

# The empty preview window, from the window menu on the dialog's own area (below the report box).
xdotool mousemove $((x + width / 2)) $((y + height - 4)) click 3 sleep 0.3 key Down Return
find_preview() {
    preview=$(wmctrl -l 2>/dev/null | awk '/预览/ { print $1; exit }')
    [ -n "$preview" ] && xprop -id "$preview" _NET_FRAME_EXTENTS 2>/dev/null | grep -q =
}
if until_true 5 find_preview; then
    sleep 0.5
    check_centred "the preview window" "$(window=$preview client)" "$(window=$preview extents)"
    xdotool windowactivate --sync "$preview" key Escape
    until_true 3 eval '! find_preview' || fail "the preview window did not close on Escape"
else
    fail "the window menu did not open the preview window"
fi

# A resize asked of the window manager, then one dragged with Alt and the right button (openbox's
# own binding), are both undone.
xdotool windowsize "$window" $((width + 137)) $((height + 71))
sleep 0.5
until_true 3 is_at "$first" || fail "a client's resize request was kept: $(client)"
xdotool mousemove $((x + width - 20)) $((y + height - 20)) keydown alt mousedown 3 sleep 0.1 \
    mousemove $((x + width + 60)) $((y + height + 40)) sleep 0.1 \
    mousemove $((x + width + 150)) $((y + height + 100)) sleep 0.2 mouseup 3 keyup alt
sleep 0.5
until_true 3 is_at "$first" || fail "an Alt drag resized the window: $(client)"

# Maximised, the frame fills the work area; restored, the window is where and as it was.
fills_work_area() {
    local now_left now_right now_top now_bottom cx cy cw ch
    read -r now_left now_right now_top now_bottom <<<"$(extents)"
    read -r cx cy cw ch <<<"$(client)"
    [ "$((cw + now_left + now_right)) $((ch + now_top + now_bottom))" = \
        "$area_width $area_height" ] && ((cw > width && ch > height))
}
wmctrl -i -r "$window" -b add,maximized_vert,maximized_horz
until_true 3 fills_work_area || fail "maximised, the window is $(client), not the work area"
wmctrl -i -r "$window" -b remove,maximized_vert,maximized_horz
sleep 0.3
until_true 3 is_at "$first" || fail "restored at $(client), not at $first"

# A package chosen in the file dialog (its path typed, then Return), then previewed.
gdal_create -q -of GTiff -outsize 300 200 -bands 3 -burn 40 -burn 120 -burn 200 "$work/a.tif"
"$pack" --no-aux "$work/a.tif" "$work/a.qvrmp" >/dev/null 2>&1 || fail "could not pack a.tif"
# The select-file button (template x 290 to 340 of 390, y 7 to 21 of 323).
xdotool mousemove $((x + width * 315 / 390)) $((y + height * 14 / 323)) click 1
file_dialog() { [ "$(wmctrl -l | wc -l)" -ge 2 ]; }
until_true 5 file_dialog || fail "the select-file button opened no file dialog"
sleep 0.5
xdotool type --delay 5 "$work/a.qvrmp"
xdotool key Return
sleep 0.5
# The preview button, at the top right (template x 346 to 383 of 390, y 7 to 21 of 323).
xdotool mousemove $((x + width * 364 / 390)) $((y + height * 14 / 323)) click 1
if until_true 5 find_preview; then
    sleep 0.5
    shown=$(window=$preview client)
    check_centred "the preview window with a picture" "$shown" "$(window=$preview extents)"
    read -r _ _ shown_width shown_height <<<"$shown"
    # 512 x 341 (300 x 200 at 512 columns) with 5 pixels on every side.
    [ "$shown_width $shown_height" = "522 351" ] || fail "the preview window is $shown, not 522 x 351"
    xdotool windowactivate --sync "$preview" key Escape
    until_true 3 eval '! find_preview' || fail "the preview window did not close on Escape"
else
    fail "the preview button did not open the preview window"
fi

# Real drops from another client (the helper, by XDND): the drag ends, the target saying it is
# done, while the message about two files is still up; one package dropped is read (the preview
# then shows it: 512 x 128 with 5 pixels on every side) and nothing is said.
find_source() {
    source_window=$(wmctrl -l | awk '/drag source/ { print $1; exit }') && [ -n "$source_window" ]
}
find_notice() { notice=$(wmctrl -l | awk '/提示/ { print $1; exit }') && [ -n "$notice" ]; }
drop() {  # FILE...: the helper's lines go to $work/drag.log
    "$helper" drag "$@" >"$work/drag.log" 2>/dev/null &
    pids+=($!)
    until_true 5 find_source || { fail "the drag source did not appear"; return 1; }
    read -r sx sy sw sh <<<"$(window=$source_window client)"
    local from_x=$((sx + sw / 2)) from_y=$((sy + sh / 2)) step
    xdotool mousemove $from_x $from_y mousedown 1
    for step in 1 2 3 4; do # a few moves onto the middle of the dialog, as a hand makes them
        xdotool mousemove $((from_x + (x + width / 2 - from_x) * step / 4)) \
            $((from_y + (y + height / 2 - from_y) * step / 4)) sleep 0.05
    done
    until_true 5 grep -qx over "$work/drag.log" || fail "the dialog did not accept the drag of $*"
    xdotool mouseup 1
    until_true 5 grep -qx finished "$work/drag.log" ||
        fail "the drag of $* did not end: $(tr '\n' ' ' <"$work/drag.log")"
    grep -qx copy "$work/drag.log" || fail "the drop of $* was not a copy: $(cat "$work/drag.log")"
}
gdal_create -q -of GTiff -outsize 512 128 -bands 3 -burn 200 "$work/b.tif"
"$pack" --no-aux "$work/b.tif" "$work/b.qvrmp" >/dev/null 2>&1 || fail "could not pack b.tif"
drop "$work/a.tif" "$work/b.qvrmp"
if until_true 5 find_notice; then
    xdotool windowactivate --sync "$notice" key Return
    until_true 3 eval '! find_notice' || fail "the message about two files did not close"
else
    fail "no message after a drop of two files"
fi
drop "$work/b.qvrmp"
xdotool mousemove $((x + width * 364 / 390)) $((y + height * 14 / 323)) click 1
if until_true 5 find_preview; then
    until_true 3 eval '[[ $(window=$preview client) == *" 522 138" ]]' ||
        fail "after b.qvrmp was dropped the preview window is $(window=$preview client)"
    xdotool windowactivate --sync "$preview" key Escape
else
    fail "after a drop of one package the preview button opened nothing"
fi
find_notice && fail "a message after a drop of one package"
stop_display

# At large scales on small screens the whole frame is on the work area.
mkdir -p "$shots"
for screen in "1366x768 1.5" "1920x1080 2"; do
    read -r size scale <<<"$screen"
    start_display "$size" "$scale"
    sleep 0.5
    read -r left right top bottom <<<"$(extents)"
    read -r area_x area_y area_width area_height <<<"$(work_area)"
    read -r x y width height <<<"$(client)"
    if ((x - left < area_x || y - top < area_y || x + width + right > area_x + area_width ||
        y + height + bottom > area_y + area_height)); then
        fail "at scale $scale on $size the frame is at $x $y $width $height with $left $right $top $bottom"
    fi
    QT_SCALE_FACTOR=1 "$helper" "$shots/main-window-$size-scale-$scale.png" ||
        fail "no screenshot at scale $scale"
    stop_display
done

if ((failures > 0)); then
    cat "$work/tarnview.log"
    exit 1
fi
echo "under openbox: no display named, maximise, restore, refused resizes, centring, drops and fit at large scales pass"
