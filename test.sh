#!/usr/bin/env bash
# Installs what is missing, builds the game and its tests, and runs every test. Unit tests that
# draw get a private Xvfb; the end-to-end tests start their own.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --tests
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

fifo=$(mktemp -u /tmp/velmora-xvfb.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1200x24 -noreset -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$fifo"' EXIT
read -r -t 20 number <"$fifo"
export DISPLAY=:$number
ctest --test-dir build --output-on-failure -j"$(nproc)" "$@"
