#!/usr/bin/env bash
# The window the settings ask for: its size, the desktop's size for a zero or missing size, the
# caption, a quiet exit 1 without a display and 3 for a size the display refuses, status 0
# when the window is closed, and never a word on stdout or stderr.
source "$(dirname "$0")/lib.sh"

start_xvfb 1024x768x24
make_workdir

# printed_nothing, showing what was printed when something was.
quiet() {
    printed_nothing && return 0
    head -c 300 "$E2E_TMP/stdout" "$E2E_TMP/stderr" >&2
    return 1
}

window_size() { xwininfo -id "$GAME_WINDOW" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}'; }

# run_windowed "settings" WIDTHxHEIGHT: the game opens a window of that size and ends with
# status 0 when the window manager closes it.
run_windowed() {
    local settings=$1 size=$2
    printf '%b' "$settings" >"$WORKDIR/settings.ini"
    start_game
    if ! wait_settled_window; then
        fail "[$settings] no window"
        wait_exit 5 || kill -9 "$GAME_PID"
        return
    fi
    check "[$settings] window is $size" [ "$(window_size)" = "$size" ]
    close_window
    wait_exit 10 || true
    check "[$settings] closing the window ends with status 0" [ "$GAME_STATUS" = 0 ]
    check "[$settings] printed nothing" quiet
}

# run_failing "settings" STATUS [env assignments...]: the game ends at once, with that status.
run_failing() {
    local settings=$1 status=$2
    shift 2
    printf '%b' "$settings" >"$WORKDIR/settings.ini"
    start_game "$@"
    wait_exit 10 || kill -9 "$GAME_PID"
    check "[$settings $*] ends with status $status" [ "$GAME_STATUS" = "$status" ]
    check "[$settings $*] printed nothing" quiet
}

# The shipped settings: a 640 x 480 window with multisampling and mipmaps.
cp "$VELMORA_SOURCE_DIR/settings.ini" "$WORKDIR/settings.ini"
start_game
if wait_settled_window; then
    check "shipped settings open a 640x480 window" [ "$(window_size)" = 640x480 ]
    check "caption is the maker's address" \
        [ "$(xprop -id "$GAME_WINDOW" WM_NAME)" = 'WM_NAME(STRING) = "www.velmora.games"' ]
    close_window
    wait_exit 10 || true
    check "closing the window ends with status 0" [ "$GAME_STATUS" = 0 ]
    check "printed nothing" quiet
else
    fail "shipped settings open no window"
fi

run_windowed "" 1024x768                                 # no keys: the desktop's size
run_windowed "screenw=800\nscreenh=0\n" 800x768          # zero height: the desktop's
run_windowed "screen w = 8 00.9\nscreenh=nan\n" 800x768  # "nan" is no number: 0

rm "$WORKDIR/settings.ini"
start_game
if wait_settled_window; then
    check "no settings file: the desktop's size" [ "$(window_size)" = 1024x768 ]
    close_window
    wait_exit 10 || true
    check "no settings file: status 0 on close" [ "$GAME_STATUS" = 0 ]
    check "no settings file: printed nothing" quiet
else
    fail "no settings file: no window"
fi

run_failing "screenw=-5\nscreenh=480\n" 3
run_failing "screenw=640\nscreenh=1e30\n" 3  # finite, but far beyond any window
run_failing "screenw=1e39\nscreenh=480\n" 3  # beyond single precision: infinite
run_failing "screenw=640\nscreenh=480\nscreenbpp=1e30\n" 3
run_failing "screenw=640\nscreenh=480\n" 1 -u DISPLAY
run_failing "screenw=640\nscreenh=480\n" 1 DISPLAY=:65000

finish
