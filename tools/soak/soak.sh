#!/usr/bin/env bash
# Soak: the game built with AddressSanitizer and UBSan played for ten minutes under a private
# Xvfb by random held keys (A, D, Left, Right, Escape) and clicks (on "Resume game" and around
# the pause buttons, never on "Exit"), then ended with a click on "Exit". Meanwhile its resident
# memory and its buffer swaps are sampled every few seconds. Prints the sanitizer reports (there
# should be none), the exit status (0), the resident memory at start-up and its maximum after
# the first 30 s, and the frame rate per sample. Not part of CI: it takes as long as it plays.
#
# Usage: tools/soak/soak.sh [-d seconds] [-b sanitizer-build-dir] [-o folder-for-logs]
# Build first: cmake -S . -B build-asan -DVELMORA_SANITIZE=ON && cmake --build build-asan
#              --target velmora swapcount
set -uo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
duration=600
build_dir=$source_dir/build-asan
out=
sample_every=5

while getopts "d:b:o:h" option; do
    case $option in
        d) duration=$OPTARG ;;
        b) build_dir=$OPTARG ;;
        o) out=$OPTARG ;;
        *) sed -n '2,12p' "$0"; exit 2 ;;
    esac
done

build_dir=$(cd "$build_dir" 2>/dev/null && pwd) || { echo "no build folder" >&2; exit 1; }
game=$build_dir/velmora
preload=$build_dir/bench/libswapcount.so
[ -x "$game" ] || { echo "no game at $game" >&2; exit 1; }
[ -e "$preload" ] || { echo "no swap counter at $preload (build the swapcount target)" >&2; exit 1; }
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

scratch=$(mktemp -d /tmp/velmora-soak.XXXXXX)
[ -n "$out" ] || out=$scratch/logs
mkdir -p "$out"
out=$(cd "$out" && pwd)
xvfb_pid=
game_pid=
sampler_pid=

cleanup() {
    [ -n "$sampler_pid" ] && kill "$sampler_pid" 2>/dev/null
    [ -n "$game_pid" ] && kill -9 "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$scratch/work"
}
trap cleanup EXIT

mkfifo "$scratch/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$scratch/displayfd" \
    >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 display_number <"$scratch/displayfd" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display_number

work=$scratch/work
mkdir -p "$work"
cp -r "$source_dir/Media" "$work/Media"
cp "$source_dir/settings.ini" "$work/settings.ini" # the shipped 640 x 480 with all effects
rm -f "$out"/asan.* "$out"/ubsan.*

# The game sends its stderr to the null device, so the sanitizers write their reports to files.
# The preloads do not come first in the library list, which ASan accepts when told. Mesa's
# software driver is preloaded too: loaded by the GL library on its own, it is unloaded when
# SDL shuts down, and the memory it still held then reads as leaked from an unknown module,
# which no suppression can name.
dri=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1)
(cd "$work" && exec env SDL_AUDIODRIVER=dummy \
    ASAN_OPTIONS="log_path=$out/asan:detect_leaks=1:verify_asan_link_order=0" \
    LSAN_OPTIONS="suppressions=$source_dir/tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="log_path=$out/ubsan:print_stacktrace=1:halt_on_error=1" \
    LD_PRELOAD="$preload${dri:+ $dri}" SWAPCOUNT_FILE="$out/swaps" "$game" >"$out/stdout" 2>"$out/stderr") &
game_pid=$!
started=$(date +%s.%N)

swaps() { od -An -t d8 -N 8 "$out/swaps" 2>/dev/null | tr -d ' '; }
for _ in $(seq 300); do
    [ "$(swaps)" -ge 1 ] 2>/dev/null && break
    sleep 0.1
done
window=$(xdotool search --onlyvisible --name . 2>/dev/null | tail -n 1)
[ -n "$window" ] || { echo "the game opened no window" >&2; exit 1; }

# Every few seconds: seconds since the start, VmRSS in kB, swaps so far.
(
    while kill -0 "$game_pid" 2>/dev/null; do
        rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$game_pid/status" 2>/dev/null)
        [ -n "$rss" ] && echo "$(echo "$(date +%s.%N) - $started" | bc) $rss $(swaps)"
        sleep "$sample_every"
    done
) >"$out/samples" &
sampler_pid=$!

at() { xdotool mousemove --window "$window" "$1" "$2"; }
hold() { # hold KEY SECONDS
    xdotool keydown "$1"
    sleep "$2"
    xdotool keyup "$1"
}
click() { # click X Y
    at "$1" "$2"
    sleep 0.1
    xdotool mousedown 1
    sleep 0.1
    xdotool mouseup 1
}
random_seconds() { printf '0.%03d' $((RANDOM % 1000)); } # 0 to 1 s

# "Resume game" lies between x 157 and 482 and within 20 rows of its line, which slides from
# 595 to 115; "Exit" lies 50 rows lower, so its rows never reach above 145. The band of rows
# 95 to 135 therefore holds "Resume game" once the overlay is in, and never "Exit"; left and
# right of the buttons' columns no row holds either.
resume_click() { click $((160 + RANDOM % 320)) $((96 + RANDOM % 39)); }
aside_click() {
    local x=$((RANDOM % 150))
    ((RANDOM % 2)) && x=$((490 + RANDOM % 145))
    click "$x" $((5 + RANDOM % 470))
}

keys=(a d Left Right)
presses=0 clicks=0
end=$(($(date +%s) + duration))
at 320 240 # the keyboard follows the pointer without a window manager
while [ "$(date +%s)" -lt "$end" ] && kill -0 "$game_pid" 2>/dev/null; do
    roll=$((RANDOM % 100))
    if ((roll < 45)); then
        hold "${keys[RANDOM % 4]}" "$((RANDOM % 2)).$((RANDOM % 10))1"
        presses=$((presses + 1))
    elif ((roll < 55)); then
        hold Escape 0.1
        presses=$((presses + 1))
    elif ((roll < 72)); then
        resume_click
        clicks=$((clicks + 1))
    elif ((roll < 85)); then
        aside_click
        clicks=$((clicks + 1))
    else
        sleep "$(random_seconds)"
    fi
    at $((160 + RANDOM % 320)) $((150 + RANDOM % 300))
done
alive_to_the_end=no
kill -0 "$game_pid" 2>/dev/null && alive_to_the_end=yes

# "Exit": the overlay may be in or out, so Escape until a click on "Exit" ends the game.
for _ in 1 2 3 4; do
    kill -0 "$game_pid" 2>/dev/null || break
    hold Escape 0.1
    sleep 0.8
    click 320 165
    sleep 1.5
done
status=timeout
for _ in $(seq 600); do
    if ! kill -0 "$game_pid" 2>/dev/null; then
        wait "$game_pid"
        status=$?
        game_pid=
        break
    fi
    sleep 0.1
done
sleep "$sample_every"

echo "played $duration s: $presses key presses, $clicks clicks; alive to the end: $alive_to_the_end"
echo "exit status after Exit: $status"
reports=$(ls "$out"/asan.* "$out"/ubsan.* 2>/dev/null)
if [ -n "$reports" ]; then
    echo "SANITIZER REPORTS:"
    for file in $reports; do
        echo "--- $file"
        head -n 40 "$file"
    done
else
    echo "sanitizer reports: none"
fi
[ -s "$out/stdout" ] || [ -s "$out/stderr" ] && echo "the game printed something (see $out)"
awk '
    NR == 1 { startRss = $2 }
    $1 >= 30 && $2 > maxRss { maxRss = $2 }
    { lastRss = $2 }
    END {
        printf "resident memory: %.1f MB at start-up, %.1f MB at most after 30 s, %.1f MB last\n",
            startRss / 1024, maxRss / 1024, lastRss / 1024
    }' "$out/samples"
# Frames per second between samples, sorted, for the spread.
awk 'NR > 1 { printf "%.1f\n", ($3 - swaps) / ($1 - t) } { t = $1; swaps = $3 }' "$out/samples" |
    sort -n >"$out/rates"
echo "frame rate over $(wc -l <"$out/rates") samples of $sample_every s:" \
    "min $(head -n 1 "$out/rates"), median $(sed -n "$((($(wc -l <"$out/rates") + 1) / 2))p" \
    "$out/rates"), max $(tail -n 1 "$out/rates"); $(swaps) swaps in all"
echo "samples (seconds, VmRSS kB, swaps) and logs in $out"
