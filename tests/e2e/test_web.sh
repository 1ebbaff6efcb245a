#!/usr/bin/env bash
# The browser build as a player meets it: the site built by scripts/build-web.sh, served on
# loopback and played in Debian's chromium (headless, software WebGL) through cdp.py with
# trusted mouse and key events. The splash, the ready screen and the pause overlay must look as
# the desktop window does at the same moments; keys work without a first click; the music sounds
# only after the first gesture; a run moves, steers and crashes back to the ready screen with
# its score; the high score outlives a reload, a browser restart and a corrupt stored value;
# "Exit" stops the frames and shows the ended page; broken Media do not stop the game, and
# pictures that failed to load draw white, as on the desktop; the page neither scrolls under the
# keys nor throws.
source "$(dirname "$0")/lib.sh"
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/web_lib.sh"
build_site "$WWW/site" || { fail "scripts/build-web.sh builds the site"; finish; }
check "the site is under 6 MB" [ "$(du -sb "$WWW/site" | cut -f1)" -lt 6000000 ]

# The desktop game at the moments compared: the splash with the pointer outside the window, the
# ready screen after a click at (600, 300), the pause overlay over it.
start_xvfb
make_workdir
xdotool mousemove 1200 1000
start_game SDL_AUDIODRIVER=dummy
wait_window && screenshot "$T/desk-splash.png" && click_at 600 300 && sleep 0.5 &&
    screenshot "$T/desk-ready.png" && hold_key Escape && sleep 1 &&
    screenshot "$T/desk-pause.png" || fail "desktop pictures to compare with"
close_window && wait_exit 10

serve || { fail "a loopback server for the site"; finish; }
start_browser "$T/profile"
check "the page loads and the game presents frames" open_site site
check "the page's neon lights up once the first frame is shown" holds_within 5 \
    'document.documentElement.classList.contains("lit") && Module.velmoraFrames >= 1'
web shot "$T/web-splash.png" >/dev/null
check "the splash shows first" [ "$(screen_of "$T/web-splash.png")" = splash ]
check "the splash looks as on the desktop" alike splash
check "no sound before any gesture" sounds silent 1000
# Left alone, the splash lasts five seconds from the game's first frame, however long the page
# took to load: the ready screen is looked for as often as the browser allows (on a loaded
# machine a look can take a second). Timed after a reload: the first time a software renderer
# draws the lit page it can hold every look for seconds.
web reload >/dev/null && wait_frames_web 2 90
last_splash=0 first_ready=
while [ -z "$first_ready" ] && at=$(since_first) && ((at < 12000)); do
    if shows ready; then first_ready=$(since_first); else last_splash=$at; fi
done
echo "    splash seen until $last_splash ms after the first frame, ready by ${first_ready:--} ms"
check "the splash lasts about five seconds from the game's first frame" \
    eval '((last_splash >= 3000 && ${first_ready:-99999} <= 8000))'
web move 600 300 >/dev/null && after_frames 3 && web shot "$T/web-ready-browser.png" >/dev/null
# The browser decodes every packed picture itself (the game's own decoder is the fallback).
DECODES='Promise.all(FS.readdir("/Media").filter((name) => name.endsWith(".png")).map((name) =>
    velmoraDecodePicture(FS.readFile("/Media/" + name), name).then(() =>
        velmoraDecodedPictures[name].pixels.length == velmoraDecodedPictures[name].width *
            velmoraDecodedPictures[name].height * 4))).then((sized) => sized.join())'
check "the browser decodes each picture of the site itself" \
    eval '[ "$(web eval "$DECODES")" = "\"true,true,true,true\"" ]'

# Reloaded, A at once: it leaves the splash (no click on the canvas first) and starts the music.
# From here on the game decodes its pictures itself, and they must come out the same.
web onload 'delete window.ImageDecoder' >/dev/null
web reload >/dev/null && wait_frames_web 2 90 && web shot "$T/web-splash-own.png" >/dev/null &&
    press a
for ((i = 0; i < 50; i++)); do shows ready && break; done
ready_at=$(since_first) && echo "    ready $ready_at ms after the first frame"
check "A leaves the splash, without a click on the canvas first" \
    eval 'shows ready && ((ready_at < 5000))'
check "the music sounds after the first key press" sounds loud 1000
check "the system cursor is hidden over the canvas" holds_within 1 \
    'getComputedStyle(document.getElementById("canvas")).cursor == "none"'
web move 600 300 >/dev/null && after_frames 3 && web shot "$T/web-ready.png" >/dev/null
check "the ready screen with its score panel looks as on the desktop" alike ready
check "the splash and the ready screen are the same, pixel for pixel, whoever decoded them" \
    eval 'same "$T/web-splash.png" "$T/web-splash-own.png" &&
        same "$T/web-ready-browser.png" "$T/web-ready.png"'
high_line "$T/web-ready.png" "$T/high-0.png"
press Escape && after_frames 25 && web shot "$T/web-pause.png" >/dev/null
# The date and time end at column 620 on the top panel's text rows.
check "Escape slides in the pause overlay, as on the desktop" alike pause "300,18 639,57"
click 320 115 && after_frames 25
check "Resume game slides it out again" shows ready

for key in Down space Right; do press "$key"; done
web eval 'document.body.style.minHeight = "300vh"' >/dev/null  # scrollable, if it was not
for key in Down space Right; do press "$key"; done
check "arrow keys and space leave the page where it is" \
    eval '[ "$(web eval "window.scrollY + document.scrollingElement.scrollTop")" = 0 ]'

# A run: it moves; each steering key, held for 20 frames from a run's start, moves the craft's
# picture its way (the camera follows the craft sideways only slowly).
start_run && shot "$T/run1.png" && sleep 0.2 && shot "$T/run2.png"
check "a click starts a run that moves" eval '! same "$T/run1.png" "$T/run2.png"'
key_held() { web keydown "$1" >/dev/null && after_frames 20 && web keyup "$1" >/dev/null; }
for case in "a -1 left" "Left -1 left" "d 1 right" "Right 1 right"; do
    read -r key way side <<<"$case"
    check "$key steers the craft $side" steers "$key" "$way" key_held "$key"
done
check "the crash returns to the ready screen" wait_screen ready 30
cp "$T/now.png" "$T/crashed.png" && high_line "$T/crashed.png" "$T/high-1.png"
check "with the run's score as the new high score" eval '! same "$T/high-0.png" "$T/high-1.png"'
holds_within 10 "$(tr '\n' ' ' <<<"$STORE_JS")(null).then((s) => s !== null)"
SCORE=$(stored_score)
check "the high score is stored: $SCORE" eval '[[ $SCORE =~ ^\"[1-9][0-9]*\\n\"$ ]]'
check "nothing thrown, nothing on the console as an error" clean

web reload >/dev/null && wait_frames_web 2 90 && click 600 300 &&
    wait_screen ready 5
high_line "$T/now.png" "$T/high-2.png"
check "after a reload the high score is still shown" same "$T/high-1.png" "$T/high-2.png"

stop_browser && start_browser "$T/profile"
open_site site && click 600 300 && wait_screen ready 5
high_line "$T/now.png" "$T/high-3.png"
check "after a browser restart the high score is still shown" same "$T/high-1.png" "$T/high-3.png"
check "and still stored" [ "$(stored_score)" = "$SCORE" ]

store_score 'no number' >/dev/null && web reload >/dev/null && wait_frames_web 2 90
click 600 300 && wait_screen ready 5
high_line "$T/now.png" "$T/high-4.png"
check "a corrupt stored score is ignored: the high score shows 0" \
    same "$T/high-0.png" "$T/high-4.png"

# "Exit" acts as its button goes down, and no frame follows to see it let go.
press Escape && after_frames 25 && web mousedown 320 165 >/dev/null
ENDED='getComputedStyle(document.getElementById("game-ended")).display != "none"'
check "Exit shows the page's ended message" holds_within 10 "$ENDED"
web mouseup 320 165 >/dev/null
count=$(web_frames) && sleep 1
check "and the frames stop" [ "$(web_frames)" = "$count" ]
web press '#play-again' >/dev/null
check "Play again starts the game anew" holds_within 60 "!($ENDED) && Module.velmoraFrames >= 2"
check "nothing thrown, nothing on the console as an error" clean
stop_browser

# Broken Media in the site: every picture, packed in its data file, and the music, a file beside
# it, missing (the pictures' names changed in the package's index) or corrupt (all but their
# first 64 bytes zeroed). The game runs on, with texture 0 and in silence. The index is JSON as emscripten 3.1.6 writes it;
# later ones minify it with the rest of the script, keys unquoted ({filename:"/Media/...",...}).
break_media() {  # break_media SITE missing|corrupt: prints the files broken
    python3 - "$@" <<'EOF'
import glob, json, os, re, sys
site, how = sys.argv[1], sys.argv[2]
ENTRY = r'\{\s*"?filename"?\s*:\s*"[^"]*"[^{}]*\}'
script = next(f for f in glob.glob(site + "/*.js") if re.search(ENTRY, open(f).read()))
text, data = open(script).read(), bytearray(open(glob.glob(site + "/*.data")[0], "rb").read())
for entry in re.findall(ENTRY, text):
    item = json.loads(re.sub(r'([{,]\s*)([A-Za-z_]\w*)\s*:', r'\1"\2":', entry))
    if not re.search(r"/Media/.*\.(png|mp3|ogg)$", item["filename"]):
        continue
    if how == "missing":
        text = text.replace(entry, entry.replace(item["filename"], item["filename"] + ".gone"))
    else:
        data[item["start"] + 64:item["end"]] = bytes(item["end"] - item["start"] - 64)
    print(how, item["filename"])
open(script, "w").write(text)
open(glob.glob(site + "/*.data")[0], "wb").write(data)
music = site + "/Media/music.mp3"
if how == "missing":
    os.remove(music)
else:
    size = os.path.getsize(music)
    with open(music, "r+b") as file:
        file.seek(64)
        file.write(bytes(size - 64))
print(how, music)
EOF
}
start_browser "$T/profile-broken"
for how in missing corrupt; do
    cp -r "$WWW/site" "$WWW/$how"
    check "$how pictures and music: all five of them" \
        eval '[ "$(break_media "$WWW/$how" $how | wc -l)" = 5 ]'
    check "$how pictures and music: the game starts" open_site "$how"
    # Texture 0 draws white on the desktop, and so the splash without its picture is white.
    web shot "$T/$how-splash.png" >/dev/null
    check "$how pictures: drawn white as on the desktop, not black" \
        eval '(($(convert "$T/$how-splash.png" -colorspace gray -format "%[fx:int(100*mean)]" info:) >= 95))'
    press a && click 320 240
    check "$how pictures and music: A and a click, and frames go on" after_frames 30
    check "$how pictures and music: in silence" sounds silent 1000
    check "$how pictures and music: nothing thrown" clean
done
finish
