#!/usr/bin/env bash
# The game cycle as a player meets it: the splash gives way to the ready screen after about five
# seconds, a click starts a run, an unsteered run crashes on its own and the score file is
# written; a stored high score that a run does not beat is left alone; the music is mixed; and
# missing music still lets the game run, in silence, and close.
source "$(dirname "$0")/lib.sh"
start_xvfb
make_workdir
SCORE=$WORKDIR/velmora.score

wait_ready() { for ((i = $1 * 4; i > 0; i--)); do shows ready && return || sleep .25; done; false; }
click_away() { click_at 320 240 && xdotool mousemove 1200 1000 sleep 0.5; }  # off the pictures

xdotool mousemove 1200 1000
start_game
check "the window opens" wait_window
check "the splash picture shows for its first seconds" shows splash
check "the ready screen follows after about five seconds" wait_ready 6
check "the music is mixed, not silence" [ "$(loudest)" -gt 1000 ]
click_away
check "a click starts a run" shows run
for ((i = 0; i < 300; i++)); do [ -e "$SCORE" ] && break || sleep 0.1; done
check "an unsteered run crashes by itself; the score file holds one integer and a line end" \
    holds_one_integer "$SCORE"
check "the ready screen returns after the crash" wait_ready 5
check "the game closes with status 0, quietly" eval 'closes_with_0 && printed_nothing'

rm "$WORKDIR/Media/music.mp3" "$AUDIO" && echo 99999 >"$SCORE"
start_game
check "without the music file the window opens" wait_window
click_away
check "a click leaves the splash at once" wait_ready 2
click_away
check "a second click starts a run" shows run
check "the run crashes and the ready screen returns" wait_ready 30
check "the high score file of 99999 is unchanged" [ "$(od -c "$SCORE")" = "$(echo 99999 | od -c)" ]
check "nothing but silence is mixed" eval '[ -s "$AUDIO" ] && [ "$(loudest)" -eq 0 ]'
check "the game without music closes with status 0, quietly" eval 'closes_with_0 && printed_nothing'
finish
