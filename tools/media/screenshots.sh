#!/usr/bin/env bash
# Takes the README's screenshots of the real game under a private Xvfb: the splash, the ready
# screen with a high score, a run in progress and the pause overlay with "Resume game" under
# the pointer, at 640 x 480 and at 1280 x 720.
# Usage: tools/media/screenshots.sh [path to the velmora binary] [output folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export VELMORA_SOURCE_DIR=$(cd "$here/../.." && pwd)
export VELMORA_BIN=$(realpath "${1:-$VELMORA_SOURCE_DIR/build/velmora}")
out=$(mkdir -p "${2:-$VELMORA_SOURCE_DIR/docs/screenshots}" && cd "${2:-$VELMORA_SOURCE_DIR/docs/screenshots}" && pwd)
source "$VELMORA_SOURCE_DIR/tests/e2e/lib.sh"

start_xvfb 1920x1200x24
for size in 640x480 1280x720; do
    w=${size%x*}
    h=${size#*x}
    rm -rf "$WORKDIR"
    make_workdir "screenw=$w
screenh=$h
antialiasing=1
mipmapping=1"
    echo 1234 >"$WORKDIR/velmora.score"
    start_game SDL_AUDIODRIVER=dummy
    wait_window
    move_pointer $((w - 200)) $((h - 120))
    sleep 1.2
    screenshot "$out/splash-$size.png"
    click_at $((w - 200)) $((h - 120))
    sleep 0.8
    screenshot "$out/ready-$size.png"
    hold_key a 0.1
    sleep 1.1  # early in the run: the field is full and the craft is still clear of it
    screenshot "$out/run-$size.png"
    hold_key Escape 0.1
    move_pointer 420 112
    sleep 1.0
    screenshot "$out/pause-$size.png"
    kill "$GAME_PID" 2>/dev/null || true
    wait "$GAME_PID" 2>/dev/null || true
    GAME_PID=
done
ls "$out"
