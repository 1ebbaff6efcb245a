#!/usr/bin/env bash
# Takes the README's screenshots of the real game: the splash, the ready screen with a high
# score, a run in progress and the pause overlay with "Resume game" under the pointer, at
# 640 x 480 and at 1280 x 720, each size on an X server of its own.
# Usage: tools/media/screenshots.sh [path to the velmora binary] [output folder] [WxH]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
bin=$(realpath "${1:-$source_dir/build/velmora}")
out=${2:-$source_dir/docs/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)
if [ -z "${3-}" ]; then
    for size in 640x480 1280x720; do "$0" "$bin" "$out" "$size"; done
    exit 0
fi

export VELMORA_SOURCE_DIR=$source_dir VELMORA_BIN=$bin
source "$source_dir/tests/e2e/lib.sh"
size=$3
w=${size%x*}
h=${size#*x}
start_xvfb 1920x1200x24
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
# Early in a run the field is full and the craft is usually still clear of it; a run that has
# already crashed shows the ready screen's night colour in the corner, so fly again.
for attempt in 1 2 3 4 5; do
    hold_key a
    sleep 1.1
    screenshot "$out/run-$size.png"
    [ "$(pixel "$out/run-$size.png" 2 2)" != "10 7 26" ] && break
done
hold_key Escape
move_pointer 420 112
sleep 1.0
screenshot "$out/pause-$size.png"
