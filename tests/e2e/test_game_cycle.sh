#!/usr/bin/env bash
# The whole game cycle as a player meets it: the splash picture gives way to the ready screen
# after about five seconds, a click starts a run, an unsteered run crashes on its own and the
# score file is written; a stored high score that a run does not beat is left alone; the music
# is mixed; and missing music or a missing Media folder still let the game run and close.
source "$(dirname "$0")/lib.sh"

start_xvfb

# The colours the ready screen takes from the HUD picture, read from the picture itself so that
# the checks hold for any artwork with the required layout.
HUD=$VELMORA_SOURCE_DIR/Media/hudtexture.png
BACKGROUND=$(pixel "$HUD" 25 294)  # the strip stretched over the whole window
BORDER=$(pixel "$HUD" 502 492)     # the score panel's frame
FILL=$(pixel "$HUD" 502 72)        # and its inside

near() {  # near "R G B" "R G B": every channel within 2
    local a=($1) b=($2) i d
    for i in 0 1 2; do
        d=$((a[i] - b[i]))
        [ "${d#-}" -le 2 ] || return 1
    done
}

has_score_panel() { near "$(pixel "$1" 9 430)" "$BORDER" && near "$(pixel "$1" 15 445)" "$FILL"; }
# The corners and the top of the window show the logo's background, the panel its frame.
is_ready_screen() {
    near "$(pixel "$1" 5 5)" "$BACKGROUND" && near "$(pixel "$1" 635 5)" "$BACKGROUND" &&
        near "$(pixel "$1" 320 30)" "$BACKGROUND" && has_score_panel "$1"
}
is_splash() { ! has_score_panel "$1"; }
is_run() { ! is_ready_screen "$1" && has_score_panel "$1"; }

wait_ready_screen() {  # wait_ready_screen SECONDS
    local i
    for ((i = 0; i < $1 * 4; i++)); do
        screenshot "$E2E_TMP/poll.png"
        is_ready_screen "$E2E_TMP/poll.png" && return 0
        sleep 0.25
    done
    return 1
}

wait_file() {  # wait_file PATH SECONDS
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        [ -e "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

# The largest magnitude among the signed 16-bit samples of raw audio.
loudest_sample() {
    od -An -v -t d2 "$1" | awk '{for (i = 1; i <= NF; i++) {v = $i < 0 ? -$i : $i; if (v > m) m = v}}
        END {print m + 0}'
}
is_audible() { [ -s "$1" ] && [ "$(loudest_sample "$1")" -gt 1000 ]; }
is_silent() { [ -s "$1" ] && [ "$(loudest_sample "$1")" -eq 0 ]; }

# Digits, then one line end, and nothing else.
holds_one_integer() { grep -qxE -- '-?[0-9]+' "$1" && [ "$(wc -l <"$1")" -eq 1 ] &&
    [ "$(tail -c 1 "$1" | od -An -c | tr -d ' ')" = '\n' ]; }
holds_exactly() { [ "$(od -An -c "$1")" = "$(printf '%s' "$2" | od -An -c)" ]; }
nothing_else_in_workdir() { [ "$(ls -A "$WORKDIR" | tr '\n' ' ')" = "$1" ]; }

closes_with_status_0() { close_window && wait_exit 15 && [ "$GAME_STATUS" -eq 0 ]; }

click_away() {  # a click in the window's middle, then the pointer off the window
    click_at 320 240
    xdotool mousemove 1200 1000
}
# Without a window manager the keyboard follows the pointer: it rests over the window, away
# from the pixels the checks read.
press_a() {
    move_pointer 600 300
    hold_key a
}

# --- Splash, ready screen, a run and its score file; the music mixed to a file. ---
make_workdir
xdotool mousemove 1200 1000  # the pointer off the window keeps it out of the pictures
AUDIO=$E2E_TMP/audio.raw
start_game SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$AUDIO"
check "the window opens" wait_window
sleep 1  # well inside the five seconds, even on a loaded machine
screenshot "$E2E_TMP/splash.png"
check "the splash picture shows for its first seconds" is_splash "$E2E_TMP/splash.png"
check "the ready screen follows after about five seconds" wait_ready_screen 5
check "the music is mixed, not silence" is_audible "$AUDIO"

click_away
sleep 0.5
screenshot "$E2E_TMP/run.png"
check "a click held for 100 ms starts a run" is_run "$E2E_TMP/run.png"
check "an unsteered run crashes by itself and writes the score file" \
    wait_file "$WORKDIR/velmora.score" 30
check "the score file holds one integer and a line end" holds_one_integer "$WORKDIR/velmora.score"
check "the ready screen returns after the crash" wait_ready_screen 5
check "no temporary file is left behind" nothing_else_in_workdir "Media settings.ini velmora.score "
check "the game closes with status 0" closes_with_status_0

# --- A stored high score that the run does not beat stays as it was. ---
printf '99999\n' >"$WORKDIR/velmora.score"
start_game SDL_AUDIODRIVER=dummy
check "the window opens again" wait_window
click_away  # leaves the splash
check "a click leaves the splash at once" wait_ready_screen 2
press_a
sleep 0.5
screenshot "$E2E_TMP/run2.png"
check "the a key starts a run" is_run "$E2E_TMP/run2.png"
check "the run crashes and the ready screen returns" wait_ready_screen 30
check "the high score file of 99999 is unchanged" holds_exactly "$WORKDIR/velmora.score" $'99999\n'
check "the game closes with status 0 after a run" closes_with_status_0
check "the game printed nothing" printed_nothing

# --- Without the music file the game runs in silence. ---
rm "$WORKDIR/Media/music.mp3"
rm -f "$AUDIO"
start_game SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$AUDIO"
check "the window opens without the music file" wait_window
check "the ready screen shows without the music file" wait_ready_screen 10
check "nothing but silence is mixed" is_silent "$AUDIO"
check "the game without music closes with status 0" closes_with_status_0

# --- Without a Media folder the game still runs, untextured. ---
rm -rf "$WORKDIR/Media"
start_game SDL_AUDIODRIVER=dummy
check "the window opens without a Media folder" wait_window
click_away
press_a
sleep 1
check "the game without a Media folder still runs" kill -0 "$GAME_PID"
check "the game without a Media folder closes with status 0" closes_with_status_0
check "it printed nothing either" printed_nothing

finish
