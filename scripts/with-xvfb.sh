#!/usr/bin/env bash
# Runs a command with DISPLAY set to a private Xvfb, which ends with it. Tests that draw need
# a display; a fresh machine or CI has none.
set -euo pipefail
fifo=$(mktemp -u /tmp/velmora-xvfb.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1920x1200x24}" -noreset -nolisten tcp \
    3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$fifo"' EXIT
read -r -t 20 number <"$fifo"
export DISPLAY=:$number
"$@"
