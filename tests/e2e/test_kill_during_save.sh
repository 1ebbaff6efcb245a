#!/usr/bin/env bash
# A game killed at any moment, however close to saving a new high score, never leaves the score
# file empty, torn or missing. Runs end by themselves within a few seconds; the score file holds
# a low high score before each start, so every run's crash writes it. Some kills come at random
# moments of the run, the others as soon as a write is seen to begin. Three games play side by
# side, each in its own folder, to fit many kills into the time given. A small preload makes
# every flush, sync and close of a file take 10 to 50 ms longer, so that a write lasts long
# enough to be hit: a game that emptied its score file before writing the new one would then
# be caught with an empty file.
source "$(dirname "$0")/lib.sh" || exit 1

SECONDS_GIVEN=${KILL_TEST_SECONDS:-35}
SLOTS=3
LOW_SCORE=1
SWAPCOUNT_LIB=${VELMORA_BUILD_DIR:-$(dirname "$VELMORA_BIN")}/bench/libswapcount.so
LOCK=$E2E_TMP/pointer.lock

kill_test_cleanup() {
    local file
    for file in "$E2E_TMP"/slot*/pid; do
        [ -s "$file" ] && kill -9 "$(cat "$file")" 2>/dev/null || true
    done
    e2e_cleanup
}
trap kill_test_cleanup EXIT

start_xvfb 1920x1200x24

SLOW_SAVE=$E2E_TMP/slow_save.so
cat >"$E2E_TMP/slow_save.c" <<'EOF'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <time.h>

/* The delay comes from the clock, not rand(), which would change the game's obstacle field. */
static void dawdle(void) {
    struct timespec now, pause = {0, 0};
    clock_gettime(CLOCK_MONOTONIC, &now);
    pause.tv_nsec = (10 + now.tv_nsec / 1000 % 41) * 1000000L;
    nanosleep(&pause, NULL);
}

int fflush(FILE* file) {
    static int (*real)(FILE*);
    if (!real) real = (int (*)(FILE*))dlsym(RTLD_NEXT, "fflush");
    if (file) dawdle();
    return real(file);
}

int fclose(FILE* file) {
    static int (*real)(FILE*);
    if (!real) real = (int (*)(FILE*))dlsym(RTLD_NEXT, "fclose");
    dawdle();
    return real(file);
}

int fsync(int fd) {
    static int (*real)(int);
    if (!real) real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    dawdle();
    return real(fd);
}
EOF
cc -shared -fPIC -O2 -o "$SLOW_SAVE" "$E2E_TMP/slow_save.c" -ldl 2>/dev/null || SLOW_SAVE=

# Digits, then one line end, and nothing else.
holds_one_integer() {
    grep -qxE -- '-?[0-9]+' "$1" && [ "$(wc -l <"$1")" -eq 1 ] &&
        [ "$(tail -c 1 "$1" | od -An -c | tr -d ' ')" = '\n' ]
}

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# click X Y: a left click at screen pixel (X, Y); the pointer is shared, so one slot at a time.
click() {
    (
        flock 8
        xdotool mousemove "$1" "$2"
        sleep 0.1
        xdotool mousedown 1
        sleep 0.1
        xdotool mouseup 1
    ) 8>"$LOCK"
}

# One slot: starts the game at its place on the screen, leaves the splash, starts a run, kills
# the game and checks the score file; again and again until the time is up. Each kill adds a
# line "MODE CLASS VERDICT" to the slot's results.
play_and_kill() {
    local slot=$1 deadline=$2
    local dir=$E2E_TMP/slot$slot x=$((slot * 640 + 320)) pid mode delay_ms started seen_ms
    local class verdict line killed_ms round i preload=()
    [ -e "$SWAPCOUNT_LIB" ] && preload=(SWAPCOUNT_FILE="$dir/swaps")
    local libraries="$SWAPCOUNT_LIB $SLOW_SAVE"
    [ -e "$SWAPCOUNT_LIB" ] || libraries=$SLOW_SAVE
    mkdir -p "$dir"
    cp -r "$VELMORA_SOURCE_DIR/Media" "$dir/Media"
    printf 'screenw=640\nscreenh=480\n' >"$dir/settings.ini"
    mkfifo "$dir/tick"
    exec 9<>"$dir/tick" # read -t on it is a sleep without a process
    local score=$dir/velmora.score temporary=$dir/velmora.score.tmp
    for ((round = 0; $(now_ms) < deadline; round++)); do
        printf '%s\n' "$LOW_SCORE" >"$score"
        rm -f "$temporary" "$dir/swaps"
        (cd "$dir" && exec env SDL_AUDIODRIVER=dummy SDL_VIDEO_WINDOW_POS="$((slot * 640)),0" \
            LD_PRELOAD="$libraries" "${preload[@]}" "$VELMORA_BIN" \
            >"$dir/stdout" 2>"$dir/stderr") &
        pid=$!
        echo "$pid" >"$dir/pid"
        if [ ${#preload[@]} -eq 0 ]; then sleep 1.5; fi # no counter to wait for
        for ((i = 0; i < 300 && ${#preload[@]} > 0; i++)); do # until three frames are shown
            [ -s "$dir/swaps" ] && [ "$(od -An -t d8 -N 8 "$dir/swaps")" -ge 3 ] && break
            sleep 0.05
        done
        click "$x" 240 # leaves the splash
        sleep 0.2
        click "$x" 240 # starts a run
        started=$(now_ms)
        # Even rounds kill at a random moment up to three seconds into the run, odd ones as
        # soon as the write is seen (the temporary file or the new number), a few ms later.
        mode=random
        delay_ms=$((RANDOM % 3000))
        if ((round % 2 == 1)); then
            mode=write
            delay_ms=5000
        fi
        seen_ms=
        while (($(now_ms) - started < delay_ms)); do
            line=
            read -r line <"$score" 2>/dev/null || true # an empty file reads as "" too
            if [ -e "$temporary" ] || [ "$line" != "$LOW_SCORE" ]; then
                seen_ms=$(now_ms)
                [ "$mode" = write ] && { read -t "0.00$((RANDOM % 4))" -u 9 || true; } && break
            fi
            read -t 0.001 -u 9 || true
        done
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "$mode - ended-by-itself" >>"$dir/results"
            wait "$pid" || true
            continue
        fi
        kill -9 "$pid"
        killed_ms=$(now_ms)
        wait "$pid" 2>/dev/null || true
        echo >"$dir/pid"
        if [ -e "$temporary" ]; then
            class=mid-write
        elif read -r line <"$score" && [ "$line" = "$LOW_SCORE" ]; then
            class=before-write
        elif [ -n "$seen_ms" ] && ((killed_ms - seen_ms <= 100)); then
            class=just-after-write
        else
            class=after-write
        fi
        verdict=intact
        holds_one_integer "$score" || verdict="BROKEN($(od -An -c "$score" 2>&1 | head -c 60))"
        echo "$mode $class $verdict" >>"$dir/results"
    done
}

deadline=$(($(now_ms) + SECONDS_GIVEN * 1000))
slots=()
for ((slot = 0; slot < SLOTS; slot++)); do
    play_and_kill "$slot" "$deadline" &
    slots+=($!)
    sleep 0.7 # staggered, so that the slots' clicks seldom wait for each other
done
for pid in "${slots[@]}"; do wait "$pid" || fail "a slot's loop failed"; done

cat "$E2E_TMP"/slot*/results >"$E2E_TMP/results"
count() { grep -cE -- "$1" "$E2E_TMP/results" || true; }
kills=$(count ' (before|mid|just-after|after)-write ')
near=$(count ' (mid|just-after)-write ')
[ -n "$SLOW_SAVE" ] || echo "no C compiler: writes ran at full speed"
echo "$kills kills: $(count '^random ') at random moments, $(count '^write ') as a write began;" \
    "$near near a write ($(count ' mid-write ') while the temporary file existed," \
    "$(count ' just-after-write ') within 100 ms after the new file appeared)," \
    "$(count ' before-write ') before it, $(count ' after-write ') later"
grep -v ' intact$' "$E2E_TMP/results" >&2 || true
check "every kill left one integer and a line end in the score file" \
    [ "$(count ' BROKEN')" -eq 0 ]
check "no game ended by itself" [ "$(count 'ended-by-itself')" -eq 0 ]
check "the games were killed ten times or more" [ "$kills" -ge 10 ]
check "some kills came near a write" [ "$near" -ge 3 ]
finish
