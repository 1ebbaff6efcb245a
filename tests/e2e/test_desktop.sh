#!/usr/bin/env bash
# The desktop game under Xvfb through the cases every platform shares (cases.sh), steering with
# A, Left, D and Right; its own cases are the other test_*.sh here. VELMORA_NEW_REFERENCES=1
# makes this build's screens the reference pictures (after a change to what the game shows,
# looked at first).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cases.sh"
start_xvfb
PLAYER_DIR=$WORKDIR SCORE=$WORKDIR/velmora.score

game_start() { start_game && wait_window; }
game_end() { closes_with_0 && printed_nothing; }
exited() { wait_exit 15 && [ "$GAME_STATUS" = 0 ] && printed_nothing; }
stored_score() { [ -e "$SCORE" ] && holds_one_integer "$SCORE" && cat "$SCORE" || echo none; }
store_score() { printf '%s\n' "$1" >"$SCORE"; }
new_player() { make_workdir; }
# The pad: plugged in as the FIFO that padfeed (padfeed.cpp) reads joydev's events from.
: "${PADFEED_LIB:=$VELMORA_BUILD_DIR/tests/libpadfeed.so}"
PAD_FD=
declare -A PAD_AXIS=([left]=0 [right]=0 [up]=1 [down]=1 [dleft]=6 [dright]=6 [dup]=7 [ddown]=7)
pad_set() {  # in the shell itself: a program started under load would take seconds
    [ -p "$PAD" ] || { mkfifo -m 666 "$PAD" && exec {PAD_FD}<>"$PAD"; } || return 1
    local axes=(0 0 0 0 0 0 0 0) buttons=(0 0 0 0 0 0 0 0 0 0 0) events='' event i control
    for control; do
        case $control in
            left | up | dleft | dup) axes[${PAD_AXIS[$control]}]=-32767 ;;
            right | down | dright | ddown) axes[${PAD_AXIS[$control]}]=32767 ;;
            south) buttons[0]=1 ;; east) buttons[1]=1 ;; start) buttons[7]=1 ;;
        esac
    done
    for i in "${!axes[@]}"; do  # joydev's events: time, value, type (2 an axis), number
        printf -v event '\\x00\\x00\\x00\\x00\\x%02x\\x%02x\\x02\\x%02x' $((axes[i] & 255)) \
            $(((axes[i] >> 8) & 255)) "$i" && events+=$event
    done
    for i in "${!buttons[@]}"; do
        printf -v event '\\x00\\x00\\x00\\x00\\x%02x\\x00\\x01\\x%02x' "${buttons[i]}" "$i"
        events+=$event
    done
    printf "$events" >&"$PAD_FD"
}
pad_unplug() { rm -f "$PAD" && exec {PAD_FD}>&-; }

xdotool mousemove 1200 1000  # off the window until a case moves it
shared_cases
if [ -n "${VELMORA_NEW_REFERENCES-}" ]; then
    mkdir -p "$REFERENCE" && cp "$T"/{splash,ready,pause,pad-resume,pad-exit}.png "$REFERENCE"
fi
finish
