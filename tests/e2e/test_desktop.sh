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
axes, buttons = [0] * 8, [0] * 11
where = {"left": (0, -1), "right": (0, 1), "up": (1, -1), "down": (1, 1), "dleft": (6, -1),
         "dright": (6, 1), "dup": (7, -1), "ddown": (7, 1)}
for control in sys.argv[2:]:
    if control in where:
        axes[where[control][0]] = where[control][1] * 32767
    else:
        buttons[{"south": 0, "east": 1, "start": 7}[control]] = 1
events = [struct.pack("<IhBB", 0, v, 2, n) for n, v in enumerate(axes)]
events += [struct.pack("<IhBB", 0, v, 1, n) for n, v in enumerate(buttons)]
os.write(int(sys.argv[1]), b"".join(events))
EOF
}
pad_unplug() { rm -f "$PAD" && exec {PAD_FD}>&-; }

xdotool mousemove 1200 1000  # off the window until a case moves it
shared_cases
if [ -n "${VELMORA_NEW_REFERENCES-}" ]; then
    mkdir -p "$REFERENCE" && cp "$T"/{splash,ready,pause,pad-resume,pad-exit}.png "$REFERENCE"
fi
finish
