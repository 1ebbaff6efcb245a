#!/usr/bin/env bash
# The pause overlay as a player meets it: Escape in a run slides the panels and buttons over a
# black screen, the panels show the dashboard's artwork, the game's pointer sits with its hot
# spot on the mouse, "Resume game" lets the run go on, and "Exit" ends the game with status 0.
source "$(dirname "$0")/lib.sh"

start_xvfb 1280x1024x24
make_workdir
DASHBOARD=$WORKDIR/Media/dashboard.png

# region_over_black X Y W H OUT: that rectangle of the dashboard, drawn over black the way the
# blending does it.
region_over_black() {
    convert "$DASHBOARD" -crop "$3x$4+$1+$2" +repage -background black -alpha remove -alpha off \
        "$5"
}

# same_picture A B [rectangles...]: the two images match (within rounding) once the given
# rectangles, where text lies, are blacked out in both.
same_picture() {
    local a=$1 b=$2 masks=() r differing
    shift 2
    for r in "$@"; do masks+=(-draw "rectangle $r"); done
    convert "$a" -alpha off -fill black "${masks[@]}" "$E2E_TMP/a.png"
    convert "$b" -alpha off -fill black "${masks[@]}" "$E2E_TMP/b.png"
    differing=$(compare -metric AE -fuzz 1% "$E2E_TMP/a.png" "$E2E_TMP/b.png" null: 2>&1) || true
    [ "$differing" = 0 ] || { echo "  $differing pixels differ" >&2; return 1; }
}

not() { ! "$@"; }

# crop_shot SHOT X Y W H OUT
crop_shot() { convert "$1" -crop "$4x$5+$2+$3" +repage "$6"; }

# all_black SHOT X Y W H: no lit pixel in that rectangle.
all_black() {
    [ "$(convert "$1" -crop "$4x$5+$2+$3" +repage -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)" = 0 ]
}

# differs SHOT_A SHOT_B X Y W H: the rectangle changed between the two shots.
differs() {
    crop_shot "$1" "$3" "$4" "$5" "$6" "$E2E_TMP/da.png"
    crop_shot "$2" "$3" "$4" "$5" "$6" "$E2E_TMP/db.png"
    ! same_picture "$E2E_TMP/da.png" "$E2E_TMP/db.png"
}

# The first pillars reach the craft about 1.3 s into a run; the run is kept shorter than that
# (paused at once, looked at soon after resuming), so it cannot have crashed meanwhile.
start_game SDL_AUDIODRIVER=dummy
wait_window || { fail "no window"; finish; }
move_pointer 600 300
hold_key a  # leaves the splash
sleep 0.4
hold_key a  # starts a run
hold_key Escape
sleep 1  # 20 frames take at least 320 ms
screenshot "$E2E_TMP/shown.png"
sleep 0.3
screenshot "$E2E_TMP/still.png"

# The panels over black; text lies on rows 18-57 of the top panel (title and version from
# column 15, date and time ending at 625) and rows 22-41 of the bottom one (the address).
crop_shot "$E2E_TMP/shown.png" 0 0 640 60 "$E2E_TMP/top.png"
region_over_black 0 120 640 60 "$E2E_TMP/top-want.png"
check "top panel shows the dashboard's top panel" \
    same_picture "$E2E_TMP/top.png" "$E2E_TMP/top-want.png" "10,18 104,57" "300,18 639,57"
crop_shot "$E2E_TMP/shown.png" 0 420 640 60 "$E2E_TMP/bottom.png"
region_over_black 0 180 640 60 "$E2E_TMP/bottom-want.png"
check "bottom panel shows the dashboard's bottom panel" \
    same_picture "$E2E_TMP/bottom.png" "$E2E_TMP/bottom-want.png" "10,22 204,41"
check "the run is not drawn under the overlay" all_black "$E2E_TMP/shown.png" 0 200 560 210
check "the run stands still while paused" \
    same_picture "$E2E_TMP/shown.png" "$E2E_TMP/still.png" "300,18 639,57"
check "a text lies on the panels" differs "$E2E_TMP/top.png" "$E2E_TMP/top-want.png" 0 0 640 60

# The pointer image, 40 x 60, with its point (12, 10) on the mouse at (320, 300).
move_pointer 320 300
sleep 0.2
screenshot "$E2E_TMP/pointer.png"
crop_shot "$E2E_TMP/pointer.png" 308 290 40 60 "$E2E_TMP/pointer-got.png"
region_over_black 440 60 40 60 "$E2E_TMP/pointer-want.png"
check "the pointer's image lies with its hot spot on the mouse" \
    same_picture "$E2E_TMP/pointer-got.png" "$E2E_TMP/pointer-want.png"

click_at 320 115  # "Resume game"
sleep 0.5  # the slide-out takes 20 frames
screenshot "$E2E_TMP/resumed1.png"
sleep 0.2
screenshot "$E2E_TMP/resumed2.png"
check "after Resume game the run is drawn again" not all_black "$E2E_TMP/resumed1.png" 0 200 560 210
check "after Resume game the run moves on" \
    differs "$E2E_TMP/resumed1.png" "$E2E_TMP/resumed2.png" 0 0 640 480

hold_key Escape
sleep 1
move_pointer 320 165
sleep 0.2
xdotool mousedown 1
sleep 0.3  # a held click: the press alone counts
xdotool mouseup 1
wait_exit 10 || true
check "Exit ends the game with status 0" [ "$GAME_STATUS" = 0 ]
check "printed nothing" printed_nothing

finish
