# Shared by the end-to-end tests: each test sources this, gets its own Xvfb on a free display
# and a scratch working directory, runs the real game there and drives it with xdotool.
# Only the processes started here are ended, by PID.
set -euo pipefail

: "${VELMORA_SOURCE_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
: "${VELMORA_BIN:=$VELMORA_SOURCE_DIR/build/velmora}"
: "${WM_CLOSE_BIN:=$VELMORA_SOURCE_DIR/build/tests/wm_close}"

E2E_TMP=$(mktemp -d /tmp/velmora-e2e.XXXXXX)
WORKDIR=$E2E_TMP/work
XVFB_PID=
GAME_PID=
GAME_WINDOW=
GAME_STATUS=
FAILURES=0

e2e_cleanup() {
    [ -n "$GAME_PID" ] && kill -9 "$GAME_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    FAILURES=$((FAILURES + 1))
}

check() {  # check "description" command...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else fail "$what"; fi
}

# Ends the test: exit 1 when any check failed.
finish() {
    if [ "$FAILURES" -gt 0 ]; then
        echo "$FAILURES check(s) failed"
        exit 1
    fi
    echo "all checks passed"
}

# start_xvfb [WIDTHxHEIGHTxDEPTH]: a private X server; exports DISPLAY.
start_xvfb() {
    local screen=${1:-1280x1024x24}
    local fifo=$E2E_TMP/displayfd
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "$screen" -noreset -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    local number
    read -r -t 20 number <"$fifo" || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$number
}

# make_workdir [settings text]: a working directory with the source tree's Media and the
# given settings.ini (640 x 480 window by default).
make_workdir() {
    local settings=${1-"screenw=640
screenh=480"}
    mkdir -p "$WORKDIR"
    cp -r "$VELMORA_SOURCE_DIR/Media" "$WORKDIR/Media"
    printf '%s\n' "$settings" >"$WORKDIR/settings.ini"
}

# start_game [env assignments...]: runs the game in $WORKDIR, stdout and stderr to files.
start_game() {
    (cd "$WORKDIR" && exec env "$@" "$VELMORA_BIN" >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr") &
    GAME_PID=$!
    GAME_STATUS=
}

# wait_window [seconds]: sets GAME_WINDOW to the game's top-level window once it is mapped.
wait_window() {
    local limit=$((${1:-15} * 10)) i
    for ((i = 0; i < limit; i++)); do
        GAME_WINDOW=$(xdotool search --onlyvisible --pid "$GAME_PID" 2>/dev/null | head -n 1 || true)
        [ -z "$GAME_WINDOW" ] && GAME_WINDOW=$(xdotool search --onlyvisible --name . 2>/dev/null | head -n 1 || true)
        if [ -n "$GAME_WINDOW" ]; then
            sleep 0.3  # let the first frames be presented
            return 0
        fi
        kill -0 "$GAME_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# wait_exit [seconds]: waits for the game to end; sets GAME_STATUS (124 on time-out).
wait_exit() {
    local limit=$((${1:-10} * 10)) i
    for ((i = 0; i < limit; i++)); do
        if ! kill -0 "$GAME_PID" 2>/dev/null; then
            set +e
            wait "$GAME_PID"
            GAME_STATUS=$?
            set -e
            GAME_PID=
            return 0
        fi
        sleep 0.1
    done
    GAME_STATUS=124
    return 1
}

# close_window: the window manager's close button (WM_DELETE_WINDOW).
close_window() { "$WM_CLOSE_BIN" "$GAME_WINDOW"; }

# hold_key KEY [seconds]: key down, wait, key up (a one-shot press would fall within one frame).
hold_key() {
    xdotool keydown "$1"
    sleep "${2:-0.1}"
    xdotool keyup "$1"
}

# move_pointer X Y: pointer to window pixel (X, Y).
move_pointer() { xdotool mousemove --window "$GAME_WINDOW" "$1" "$2"; }

# click_at X Y [button]: pointer there, button down, ~100 ms, up.
click_at() {
    move_pointer "$1" "$2"
    sleep 0.1
    xdotool mousedown "${3:-1}"
    sleep 0.1
    xdotool mouseup "${3:-1}"
}

# screenshot FILE: the game's window as PNG.
screenshot() { import -window "$GAME_WINDOW" "$1"; }

# pixel FILE X Y: prints "R G B" (0-255) of one pixel of a screenshot.
pixel() {
    convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | tail -n 1 |
        sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/'
}

# printed_nothing: the game wrote nothing to stdout or stderr.
printed_nothing() { [ ! -s "$E2E_TMP/stdout" ] && [ ! -s "$E2E_TMP/stderr" ]; }

# wait_settled_window [seconds]: like wait_window, for a game that may first open a provisional
# window (a zero size in the settings makes it take the desktop's size from a plain window
# that the OpenGL window then replaces): GAME_WINDOW ends as the window that is still there.
wait_settled_window() {
    wait_window "$@" || return 1
    local i latest
    for ((i = 0; i < 50; i++)); do
        latest=$(xdotool search --onlyvisible --name . 2>/dev/null | tail -n 1 || true)
        if [ -n "$latest" ] && [ "$latest" = "$GAME_WINDOW" ]; then return 0; fi
        GAME_WINDOW=$latest
        sleep 0.2
    done
    return 1
}
