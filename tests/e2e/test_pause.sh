#!/usr/bin/env bash
# The pause overlay as a player meets it: Escape in a run slides the panels and buttons over a
# black screen, the panels show the dashboard's artwork, the game's pointer sits with its hot
# spot on the mouse, and "Resume game" lets the run go on ("Exit" is test_sound_closed.sh's).
source "$(dirname "$0")/lib.sh"
start_xvfb
make_workdir
T=$E2E_TMP

# cut IMAGE X Y W H OUT: that rectangle of an image (of the dashboard: over black, as blended).
cut() { convert "$1" -crop "$4x$5+$2+$3" +repage -background black -alpha remove "$6"; }
want() { cut "$WORKDIR/Media/dashboard.png" "$@"; }
# same A B [rectangles...]: the images match within rounding once those rectangles (where text
# lies) are blacked out in both.
same() {
    local masks=(-alpha off -fill black) r
    for r in "${@:3}"; do masks+=(-draw "rectangle $r"); done
    convert "$1" "${masks[@]}" "$T/a.png" && convert "$2" "${masks[@]}" "$T/b.png"
    [ "$(compare -metric AE -fuzz 1% "$T/a.png" "$T/b.png" null: 2>&1 || true)" = 0 ]
}
# lit SHOT: a pixel where the run is drawn (0,200 to 560,410) is not black.
lit() { [ "$(convert "$1" -crop 560x210+0+200 -format '%[fx:maxima]' info:)" != 0 ]; }

# The first pillars reach the craft about 1.3 s into a run: paused at once and looked at soon
# after resuming, the run cannot have crashed meanwhile. The overlay slides over 20 frames;
# counted rather than timed, so that slow frames on a loaded machine never cut a slide short.
slid() { wait_frames $(($(frames) + 25)) || true; }
start_game
wait_window || { fail "no window"; finish; }
click_at 600 300 && sleep 0.4  # leaves the splash
click_at 600 300                # starts a run
hold_key Escape && slid        # the keyboard follows the pointer
screenshot "$T/shown.png"
# The panels show the dashboard's over black; text lies on rows 18-57 of the top one (title and
# version from column 15, date and time ending at 625), rows 22-41 of the bottom (the address).
cut "$T/shown.png" 0 0 640 60 "$T/top.png" && want 0 120 640 60 "$T/top-want.png"
cut "$T/shown.png" 0 420 640 60 "$T/bottom.png" && want 0 180 640 60 "$T/bottom-want.png"
check "top panel" same "$T/top.png" "$T/top-want.png" "10,18 104,57" "300,18 639,57"
check "bottom panel" same "$T/bottom.png" "$T/bottom-want.png" "10,22 204,41"
check "the run is not drawn under the overlay" eval '! lit "$T/shown.png"'

# The pointer image, 40 x 60, with its point (12, 10) on the mouse at (320, 300).
move_pointer 320 300 && sleep 0.2 && screenshot "$T/pointer.png"
cut "$T/pointer.png" 308 290 40 60 "$T/pointer-got.png" && want 440 60 40 60 "$T/pointer-want.png"
check "the pointer's hot spot is on the mouse" same "$T/pointer-got.png" "$T/pointer-want.png"

click_at 320 115 && slid       # "Resume game"
screenshot "$T/resumed1.png" && sleep 0.2 && screenshot "$T/resumed2.png"
check "after Resume game the run is drawn again" lit "$T/resumed1.png"
check "after Resume game the run moves on" eval '! same "$T/resumed1.png" "$T/resumed2.png"'
finish
