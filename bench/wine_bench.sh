#!/usr/bin/env bash
# Wine benchmark: the Windows package's velmora.exe under Wine beside the Linux build, each in a
# private Xvfb at 640 x 480 with the shipped settings, kept playing (runs started by clicks every
# two seconds), measured over the same window of time:
#   fps     frames per wall second: Wine's own count in wglSwapBuffers (WINEDEBUG=fps) for the
#           exe, the libswapcount.so preload for the Linux build
#   cpu     CPU seconds per wall second of the game's process (for Wine: velmora.exe's process)
#   server  the same for wineserver (Wine) — the Linux build has none
#   x       the same for the program's Xvfb
# Only processes started here are ended, by PID.
#
# Usage: bench/wine_bench.sh PACKAGE-DIR [seconds]   (PACKAGE-DIR: scripts/build-windows.sh's)
set -uo pipefail
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
package=$(cd "$1" && pwd) duration=${2:-30} warmup=8
work=$(mktemp -d /tmp/velmora-wine-bench.XXXXXX)
export WINEPREFIX=$work/wine WINEARCH=win64
export WINEDLLOVERRIDES="mscoree=;mshtml=;winealsa.drv=;winepulse.drv="
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    WINEDEBUG=-all wineserver -k 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
hz=$(getconf CLK_TCK)

start_xvfb() {
    mkfifo "$work/fd.$1"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$work/fd.$1" \
        >/dev/null 2>&1 &
    xvfb=$! && pids+=("$xvfb")
    read -r -t 20 number <"$work/fd.$1"
    export DISPLAY=:$number
}
# play WINDOW-NAME SECONDS: clicks in the window every two seconds, which leaves the splash
# and starts a run after each crash.
play() {
    local end=$((SECONDS + $2)) window
    while ((SECONDS < end)); do
        window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1)
        [ -z "$window" ] ||
            xdotool mousemove --window "$window" 320 240 mousedown 1 sleep 0.2 mouseup 1 \
                mousemove 1200 1000
        sleep 1.8
    done
}
# measure LABEL GAME-PID [SERVER-PID]: CPU over the measured window; fps comes from the caller.
measure() {
    local g0 s0=0 x0 g1 s1=0 x1
    g0=$(ticks "$2") x0=$(ticks "$xvfb")
    [ -z "${3-}" ] || s0=$(ticks "$3")
    t0=$(date +%s.%N)
    play "$window_name" "$duration"
    t1=$(date +%s.%N)
    g1=$(ticks "$2") x1=$(ticks "$xvfb")
    [ -z "${3-}" ] || s1=$(ticks "$3")
    cpu=$(echo "($g1 - $g0) / $hz / ($t1 - $t0)" | bc -l)
    server=$(echo "($s1 - $s0) / $hz / ($t1 - $t0)" | bc -l)
    x=$(echo "($x1 - $x0) / $hz / ($t1 - $t0)" | bc -l)
}

# ---- the Linux build ----
start_xvfb linux
mkdir -p "$work/linux" && cp -r "$source_dir/Media" "$work/linux/" &&
    cp "$source_dir/settings.ini" "$work/linux/"
counter=$work/swaps && install -m 666 /dev/null "$counter"
(cd "$work/linux" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null SWAPCOUNT_FILE=$counter \
    LD_PRELOAD=$source_dir/build/bench/libswapcount.so exec "$source_dir/build/velmora") &
game=$! && pids+=("$game")
window_name='^www\.velmora\.games$'
play "$window_name" "$warmup"
swaps() { od -An -td8 -N8 "$counter" | tr -d ' '; }
f0=$(swaps)
measure linux "$game"
f1=$(swaps)
printf '%-14s %6.1f fps  cpu %.2f  server  -    x %.2f\n' "linux" \
    "$(echo "($f1 - $f0) / ($t1 - $t0)" | bc -l)" "$cpu" "$x"
kill "$game" "$xvfb" 2>/dev/null

# ---- the Windows package under Wine ----
start_xvfb wine
mkdir -p "$WINEPREFIX"
WINEDEBUG=-all wineserver -p
WINEDEBUG=-all timeout 120 wineboot -i >/dev/null 2>&1
server=$(pgrep -n -x wineserver || true)  # the server this prefix just started
(cd "$work" && unzip -q "$package/velmora-windows-x64.zip")
(cd "$work/Velmora" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=nul WINEDEBUG=fps \
    exec wine velmora.exe 2>"$work/fps.log") &
game=$! && pids+=("$game")
play "$window_name" "$warmup"
n0=$(grep -c 'approx' "$work/fps.log")
measure wine "$game" "$server"
# Wine reports the rate of each five seconds; the reports made within the window are averaged.
fps=$(tail -n +$((n0 + 1)) "$work/fps.log" | grep -o 'approx [0-9.]*' |
    awk '{ s += $2; n++ } END { print n ? s / n : 0 }')
printf '%-14s %6.1f fps  cpu %.2f  server %.2f  x %.2f\n' "wine" "$fps" "$cpu" "$server" "$x"
