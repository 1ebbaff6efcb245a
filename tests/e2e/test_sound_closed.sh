#!/usr/bin/env bash
# However the game ends, its sound is closed before the libraries go (SDL's audio thread must
# not outlive them), as soundcount.cpp sees: "Exit", the window manager's close, SIGTERM and
# SIGINT (status 0); its connection killed, its window destroyed, the display gone (status 1,
# inside Xlib). Each way $SOUND_ROUNDS times (2); .ci/run repeats this under the sanitizers.
source "$(dirname "$0")/lib.sh"
: "${SOUNDCOUNT_LIB:=$VELMORA_BUILD_DIR/tests/libsoundcount.so}"
GAME_PRELOAD=$SOUNDCOUNT_LIB SOUND=$E2E_TMP/sound
start_xvfb
make_workdir

click_exit() { move_pointer 320 240 && hold_key Escape && after_frames 25 && click_at 320 165; }

# end_by WAY: ends the running game that way.
end_by() {
    case $1 in
    Exit) click_exit ;;
    close) close_window ;;
    SIGTERM | SIGINT) kill -s "$1" "$GAME_PID" ;;
    connection-killed) xdotool windowkill "$GAME_WINDOW" ;;
    window-destroyed) "$WM_CLOSE_BIN" "$GAME_WINDOW" destroy ;;
    display-gone) kill "$XVFB_PID" && wait "$XVFB_PID" 2>/dev/null; XVFB_PID= ;;
    esac
}

for ((round = 1; round <= ${SOUND_ROUNDS:-2}; round++)); do
    for way in Exit close SIGTERM SIGINT connection-killed window-destroyed display-gone; do
        [ -n "$XVFB_PID" ] || start_xvfb
        rm -f "$SOUND"
        start_game SOUNDCOUNT_FILE="$SOUND"
        if ! wait_window; then
            fail "$way: no window" && wait_exit 1
            continue
        fi
        after_frames 20  # the music has begun
        end_by "$way"
        case $way in Exit | close | SIG*) want=0 ;; *) want=1 ;; esac
        check "$way ($round): ends with status $want" eval 'wait_exit 15 && [ "$GAME_STATUS" = "$want" ]'
        check "$way ($round): the sound was closed before the libraries went" \
            eval 'grep -qx "opened 1, closed 1" "$SOUND" || { cat "$SOUND"; false; }'
    done
done
finish
