#!/usr/bin/env bash
# The browser build at a desktop's size, through the cases every platform shares (cases.sh),
# with the mouse and the keys; then its own: the site's size, the page's lights, silence until
# the first gesture and the music after a key, a key leaving the splash with no click first,
# the system cursor hidden, pictures the same whoever decodes them, keys that do not scroll the
# page, the frames stopped by "Exit" and "Play again", and the high score kept in the browser
# across a restart of it.
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
    'document.documentElement.classList.contains("lit") && Module.velmoraFrames >= 1'
check "no sound before any gesture" sounds silent
web move 600 300 >/dev/null && leave_splash && cp "$T/now.png" "$T/ready-browser.png"
high_line "$T/now.png" "$T/high-restarted.png"
check "after a browser restart the high score is still stored and shown" \
    eval '[ "$(stored_score)" = 4321 ] && ! same "$T/high-0.png" "$T/high-restarted.png"'
check "the system cursor is hidden over the canvas" holds_within 1 \
    'getComputedStyle(document.getElementById("canvas")).cursor == "none"'

# The browser decodes every packed picture itself, the game's own decoder being the fallback;
# both must give the same screens.
DECODES='Promise.all(FS.readdir("/Media").filter((name) => name.endsWith(".png")).map((name) =>
    velmoraDecodePicture(FS.readFile("/Media/" + name), name).then(() =>
        velmoraDecodedPictures[name].pixels.length == velmoraDecodedPictures[name].width *
            velmoraDecodedPictures[name].height * 4))).then((sized) => sized.join())'
check "the browser decodes each picture of the site itself" \
    eval '[ "$(web eval "$DECODES")" = "\"true,true,true,true\"" ]'
# Reloaded without the browser's decoder, A at once: it leaves the splash (no click on the canvas
# first) and starts the music.
web onload 'delete window.ImageDecoder' >/dev/null
game_start && shot "$T/splash-own.png" && hold a 2
check "A leaves the splash, without a click on the canvas first" wait_screen ready 3
check "the music sounds after the first key press" sounds loud
web move 600 300 >/dev/null && after_frames 3 && shot "$T/ready-own.png"
check "the splash and the ready screen are the same, pixel for pixel, whoever decoded them" \
    eval 'same "$T/splash.png" "$T/splash-own.png" && same "$T/ready-browser.png" "$T/ready-own.png"'

for key in Down space Right; do hold "$key" 2; done
web eval 'document.body.style.minHeight = "300vh"' >/dev/null  # scrollable, if it was not
for key in Down space Right; do hold "$key" 2; done
check "arrow keys and space leave the page where it is" \
    eval '[ "$(web eval "window.scrollY + document.scrollingElement.scrollTop")" = 0 ]'

pause_key && after_frames 25 && click 320 165 && exited
web press '#play-again' >/dev/null
check "after Exit, Play again starts the game anew" \
    holds_within 60 "!($ENDED) && Module.velmoraFrames >= 2"
check "nothing thrown, nothing on the console as an error" clean
finish
