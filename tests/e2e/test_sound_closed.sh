#!/usr/bin/env bash
# However the game ends, its sound is closed before the process does: "Exit", the window
# manager's close, SIGTERM and SIGINT end it through its own way out (status 0); another client
# killing its connection or destroying its window, and the display going away, end it inside
# Xlib through exit() (status 1). SDL's audio thread must not outlive the libraries it calls
# into. A preloaded counter of the mixer's device opens and closes reports from its exit
# handler, which runs after the game's and before the libraries' destructors; the sound must be
# open as the game is ended (the music plays) and closed by then. Each way is taken
# $SOUND_ROUNDS times (2); .ci/run repeats this with the sanitizer build.
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
