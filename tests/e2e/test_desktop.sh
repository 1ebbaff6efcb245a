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

xdotool mousemove 1200 1000  # off the window until a case moves it
shared_cases
if [ -n "${VELMORA_NEW_REFERENCES-}" ]; then
    mkdir -p "$REFERENCE" && cp "$T"/{splash,ready,pause}.png "$REFERENCE"
fi
finish
