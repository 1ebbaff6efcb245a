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
pad_set() {
    [ -p "$PAD" ] || { mkfifo -m 666 "$PAD" && exec {PAD_FD}<>"$PAD"; } || return 1
    python3 - "$PAD_FD" "$@" <<'EOF'
import os, struct, sys
axes, buttons, held = [0] * 8, [0] * 11, sys.argv[2:]
for axis, (less, more) in {0: ("left", "right"), 1: ("up", "down"), 6: ("dleft", "dright"),
                           7: ("dup", "ddown")}.items():
    axes[axis] = 32767 * ((more in held) - (less in held))
for button, name in {0: "south", 1: "east", 7: "start"}.items():
    buttons[button] = int(name in held)
events = [struct.pack("<IhBB", 0, v, 2, n) for n, v in enumerate(axes)]
os.write(int(sys.argv[1]), b"".join(events + [struct.pack("<IhBB", 0, v, 1, n)
                                              for n, v in enumerate(buttons)]))
EOF
}
pad_unplug() { rm -f "$PAD" && exec {PAD_FD}>&-; }

xdotool mousemove 1200 1000  # off the window until a case moves it
shared_cases
if [ -n "${VELMORA_NEW_REFERENCES-}" ]; then
    mkdir -p "$REFERENCE" && cp "$T"/{splash,ready,pause,pad-resume,pad-exit}.png "$REFERENCE"
fi
finish
