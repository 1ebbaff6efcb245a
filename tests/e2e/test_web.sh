#!/usr/bin/env bash
# The browser build at a desktop's size, through the cases every platform shares (cases.sh),
# with the mouse and the keys; then its own: the site's size, the page's lights, silence until
# the first gesture and the music after a key, a key leaving the splash with no click first,
# the system cursor hidden, keys that do not scroll the page, the frames stopped by "Exit" and
# "Play again", and the high score kept in the browser across a restart of it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/web_lib.sh"
build_site "$WWW/site" || { fail "scripts/build-web.sh builds the site"; finish; }
check "the site is under 6 MB" [ "$(du -sb "$WWW/site" | cut -f1)" -lt 6000000 ]
serve || { fail "a loopback server for the site"; finish; }
start_browser "$T/profile"

shared_cases
check "nothing thrown, nothing on the console as an error" clean

# A new browser: the splash first and silent, the page lit once the game's first frame is shown.
stop_browser && start_browser "$T/profile" && SITE=site
check "the game starts in a restarted browser" game_start
check "the page's neon lights up once the first frame is shown" holds_within 5 \
    'document.documentElement.classList.contains("lit") && Module.velmora.firstFrameAt !== null'
check "no sound before any gesture" sounds silent
web move 600 300 >/dev/null && leave_splash
high_line "$T/now.png" "$T/high-restarted.png"
check "after a browser restart the high score is still stored and shown" \
    eval '[ "$(stored_score)" = 4321 ] && ! same "$T/high-0.png" "$T/high-restarted.png"'
check "the system cursor is hidden over the canvas" holds_within 1 \
    'getComputedStyle(document.getElementById("canvas")).cursor == "none"'

# Reloaded, A at once: it leaves the splash (no click on the canvas first) and starts the music.
game_start && hold a 2
check "A leaves the splash, without a click on the canvas first" wait_screen ready 3
check "the music sounds after the first key press" sounds loud

for key in Down space Right; do hold "$key" 2; done
web eval 'document.body.style.minHeight = "300vh"' >/dev/null  # scrollable, if it was not
for key in Down space Right; do hold "$key" 2; done
check "arrow keys and space leave the page where it is" \
    eval '[ "$(web eval "window.scrollY + document.scrollingElement.scrollTop")" = 0 ]'

pause_key && after_frames 25 && click 320 165 && exited
web press '#play-again' >/dev/null
check "after Exit, Play again starts the game anew" \
    holds_within 60 "!($ENDED) && Module.velmora.framesShown >= 2"
check "nothing thrown, nothing on the console as an error" clean
finish
