#!/usr/bin/env bash
# A game killed however close to saving a new high score never leaves the score file empty, torn
# or missing. The score file holds a low high score before each start, so every run's crash
# writes it. Three games play side by side to fit many kills into the time; where games start
# slowly (a loaded machine, SDL 1.2 on SDL 2) they play on until the kills suffice, for at most
# a minute more. A small preload makes every flush, sync and close take 10 to 50 ms longer, so
# that a write lasts long enough to be hit: a game that emptied its score file before writing
# the new one is caught.
source "$(dirname "$0")/lib.sh"
SECONDS_GIVEN=${KILL_TEST_SECONDS:-16} SECONDS_MORE=60 LOW_SCORE=1
start_xvfb 1920x1200x24

cat >"$E2E_TMP/slow_save.c" <<'CODE'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <time.h>
/* The delay comes from the clock, not rand(), which would change the game's obstacle field. */
static void dawdle(void) {
    struct timespec now, pause = {0, 0};
    clock_gettime(CLOCK_MONOTONIC, &now);
    pause.tv_nsec = (10 + now.tv_nsec / 1000 % 41) * 1000000L;
    nanosleep(&pause, NULL);
}
#define SLOWED(name, type) int name(type x) { static int (*real)(type); \
    if (!real) real = (int (*)(type))dlsym(RTLD_NEXT, #name); dawdle(); return real(x); }
SLOWED(fflush, void*) SLOWED(fclose, void*) SLOWED(fsync, int)
CODE
GAME_PRELOAD=$E2E_TMP/slow_save.so
cc -shared -fPIC -O2 -o "$GAME_PRELOAD" "$E2E_TMP/slow_save.c" -ldl || GAME_PRELOAD=

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
click() {  # click X Y: at that screen pixel; the pointer is shared, so one slot at a time
    (flock 8 && xdotool mousemove $1 $2 sleep 0.1 mousedown 1 sleep 0.1 mouseup 1) 8>$E2E_TMP/lock
}

count() { cat "$E2E_TMP"/slot*/results 2>/dev/null | grep -c -- "$1" || true; }
enough() { [ "$(count -write)" -ge 6 ] && [ "$(count mid-write)" -ge 3 ]; }

# play_and_kill SLOT DEADLINE_MS LAST_MS: at its place on the screen, the game started, the
# splash left, a run started and the game killed 0-9 or 0-199 ms after its score file write is
# seen to begin (the temporary file, or a new number); again and again until the deadline, or
# past it until LAST_MS while the kills do not suffice; one line "CLASS VERDICT" per kill.
play_and_kill() {
    local x=$(($1 * 640 + 320)) started line class
    WORKDIR=$E2E_TMP/slot$1 SWAPS=$E2E_TMP/slot$1/swaps AUDIO=$E2E_TMP/slot$1/audio.raw
    make_workdir
    local score=$WORKDIR/velmora.score temporary=$WORKDIR/velmora.score.tmp
    mkfifo "$WORKDIR/tick" && exec 9<>"$WORKDIR/tick"  # read -t on it: a sleep without a process
    while (($(now_ms) < $2)) || { (($(now_ms) < $3)) && ! enough; }; do
        echo "$LOW_SCORE" >"$score"
        start_game SDL_VIDEO_WINDOW_POS="$(($1 * 640)),0"
        wait_frames 3 || true
        click "$x" 240 && sleep 0.2 && click "$x" 240  # leaves the splash, starts a run
        started=$(now_ms)
        until [ -e "$temporary" ] || ! read -r line <"$score" 2>/dev/null ||  # "" when emptied
            [ "$line" != "$LOW_SCORE" ] || (($(now_ms) - started > 10000)); do
            read -t 0.001 -u 9 || true
        done
        read -t "$(printf '0.%03d' $((RANDOM % 2 ? RANDOM % 10 : RANDOM % 200)))" -u 9 || true
        kill -9 "$GAME_PID" 2>/dev/null || echo "ended-by-itself"
        wait "$GAME_PID" 2>/dev/null || true
        class=after-write
        read -r line <"$score" 2>/dev/null && [ "$line" = "$LOW_SCORE" ] && class=before-write
        [ ! -e "$temporary" ] || class=mid-write
        holds_one_integer "$score" && echo "$class intact" ||
            echo "$class BROKEN($(od -An -c "$score" 2>&1 | head -c 60))"
        rm -f "$temporary"
    done >"$WORKDIR/results"
}

deadline=$(($(now_ms) + SECONDS_GIVEN * 1000)) last=$((deadline + SECONDS_MORE * 1000))
for slot in 0 1 2; do
    play_and_kill $slot $deadline $last & slots+=($!)
    sleep 0.7  # staggered, so that the slots' clicks seldom wait for each other
done
for pid in "${slots[@]}"; do wait "$pid" || fail "a slot's loop failed"; done

cat "$E2E_TMP"/slot*/results >"$E2E_TMP/results"
echo "$(count -write) kills ($(count mid-write) while the temporary file existed, $(count \
    after-write) after, $(count before-write) before), writes slowed: ${GAME_PRELOAD:+yes}"
grep -v ' intact$' "$E2E_TMP/results" >&2 || true
check "every kill left one integer and a line end in the score file" [ "$(count BROKEN)" -eq 0 ]
check "no game ended by itself" [ "$(count ended-by-itself)" -eq 0 ]
check "the games were killed six times or more, three while writing" enough
finish
