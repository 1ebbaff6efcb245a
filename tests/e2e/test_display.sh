#!/usr/bin/env bash
# The window the settings ask for: its size, the desktop's size for a zero or missing size, full
# screen, the caption, a quiet exit 1 without a display and 3 for a size the display refuses,
# status 0 when the window is closed, and never a word on stdout or stderr.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24
make_workdir

size() { xwininfo -id "$GAME_WINDOW" | awk '/Width:/ {w = $2} /Height:/ {print w "x" $2}'; }

# opens SETTINGS WxH: with that settings.ini ("shipped": the game's own, "none": no file) the
# game opens a window of that size captioned with the maker's address, and closes quietly.
opens() {
    case $1 in shipped) cp "$VELMORA_SOURCE_DIR"/*.ini "$WORKDIR" ;; none) rm "$WORKDIR"/*.ini ;;
        *) printf '%b' "$1" >"$WORKDIR/settings.ini" ;; esac
    start_game
    wait_window || { wait_exit 5; fail "[$1] no window, status $GAME_STATUS"; return; }
    check "[$1] window is $2" [ "$(size)" = "$2" ]
    check "[$1] caption" eval 'xprop -id $GAME_WINDOW WM_NAME | grep -q "= \"www.velmora.games\"$"'
    check "[$1] closing the window: status 0, quietly" eval 'closes_with_0 && printed_nothing'
}
opens shipped 640x480                          # multisampling and mipmaps on
opens none 1024x768                            # the desktop's size
opens "screenw=800\nscreenh=0\n" 800x768       # a zero height: the desktop's
opens "screenw=8 00.9\nscreenh=0.5\n" 800x768  # below one pixel counts as zero
opens "fullscreen=1\n" 1024x768                # the whole screen

# A size the display refuses ends the game with status 3, no display with status 1. Classic SDL
# refuses widths from 16384 itself, SDL 2 clips the drawable to the driver's largest, and 65536
# reaches the X server as 0.
for row in "screenw=-5|3" "screenh=1e30|3" "screenw=1e39|3" "screenbpp=1e30|3" \
    "screenw=100000\nscreenh=100000|3" "screenw=40000\nscreenh=40000|3" \
    "screenw=70000\nscreenh=10|3" "screenh=20000|3" "screenw=65536|3" "screenh=65536|3" \
    "|1|-u DISPLAY" "|1|DISPLAY=:65000"; do
    IFS='|' read -r setting status environment <<<"$row"
    printf 'screenw=640\nscreenh=480\n%b\n' "$setting" >"$WORKDIR/settings.ini"  # the last wins
    start_game $environment
    check "[$setting $environment] ends with status $status, quietly" \
        eval 'wait_exit 60 && [ "$GAME_STATUS" = "$status" ] && printed_nothing'
done

finish
