#!/usr/bin/env bash
# The browser build as a player meets it: the site built by scripts/build-web.sh, served on
# loopback and played in Debian's chromium (headless, software WebGL) through cdp.py with
# trusted mouse and key events. The splash, the ready screen and the pause overlay must look as
# the desktop window does at the same moments; keys work without a first click; the music sounds
# only after the first gesture; a run moves, steers and crashes back to the ready screen with
# its score; the high score outlives a reload, a browser restart and a corrupt stored value;
# "Exit" stops the frames and shows the ended page; broken Media do not stop the game; the page
# neither scrolls under the keys nor throws.
source "$(dirname "$0")/lib.sh"
for tool in emcc chromium python3 compare Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
CDP=$VELMORA_SOURCE_DIR/tools/devtools/cdp.py T=$E2E_TMP WWW=$E2E_TMP/www
SHOTS=${WEB_TEST_SHOTS:-$E2E_TMP/shots}  # WEB_TEST_SHOTS=folder keeps the pictures taken
mkdir -p "$WWW" "$SHOTS"
SERVER_PID='' BROWSER_PID='' CHROMIUM_PID='' SITE_URL=''

# web COMMAND...: one command to the browser (see cdp.py); prints the answer's JSON value.
web() {
    local answer
    printf '%s\n' "$*" >&"$TO_BROWSER" &&
        IFS= read -r -t 120 answer <&"$FROM_BROWSER" || { echo "no answer to: $*" >&2; return 1; }
    [ "${answer%% *}" = ok ] || { echo "browser: ${answer#error }" >&2; return 1; }
    printf '%s\n' "${answer#ok }"
}
# start_browser PROFILE: chromium with that user data folder, its sound tapped, driven through
# two named pipes (a coprocess's descriptors would not reach the subshells of pipelines).
start_browser() {
    rm -f "$T/to-browser" "$T/from-browser" && mkfifo "$T/to-browser" "$T/from-browser"
    python3 "$CDP" --user-data-dir "$1" --tap-audio <"$T/to-browser" >"$T/from-browser" \
        2>>"$T/cdp.err" &
    BROWSER_PID=$!
    exec {TO_BROWSER}>"$T/to-browser" {FROM_BROWSER}<"$T/from-browser"
    CHROMIUM_PID=$(web pid)
}
stop_browser() {  # quits the browser; one that does not go within 20 s is killed
    [ -n "$BROWSER_PID" ] || return 0
    { printf 'quit\n' >&"$TO_BROWSER" && read -r -t 20 _ <&"$FROM_BROWSER"; } 2>/dev/null ||
        kill -9 "$BROWSER_PID" $CHROMIUM_PID 2>/dev/null
    wait "$BROWSER_PID" 2>/dev/null
    exec {TO_BROWSER}>&- {FROM_BROWSER}<&-
    BROWSER_PID='' CHROMIUM_PID=''
}
web_cleanup() {
    stop_browser
    cp "$T"/*.png "$SHOTS" 2>/dev/null
    [ -z "$SERVER_PID" ] || kill "$SERVER_PID" 2>/dev/null
    e2e_cleanup
}
trap web_cleanup EXIT

serve() {  # serves $WWW on a free loopback port; sets BASE_URL
    python3 -u -m http.server --bind 127.0.0.1 -d "$WWW" 0 >"$T/server.out" 2>"$T/server.log" &
    SERVER_PID=$!
    for ((i = 0; i < 100; i++)); do
        BASE_URL=$(grep -o 'http://127.0.0.1:[0-9]*/' "$T/server.out") && return 0
        sleep 0.1
    done
    return 1
}
web_frames() { web eval Module.velmoraFrames; }
open_site() {  # open_site FOLDER: loads that site of $WWW and waits for the game's frames
    SITE_URL=$BASE_URL$1/
    web open "$SITE_URL" >/dev/null && wait_frames_web 2 90
}
since_first() { web eval 'performance.now() - Module.velmoraFirstFrameAt | 0'; }
holds_within() { web wait "$1" "$2" | grep -qx true; }  # holds_within SECONDS JS
wait_frames_web() { holds_within "${2:-20}" "Module.velmoraFrames >= $1"; }
# after_frames COUNT: until COUNT more frames are presented (a slide takes 20 frames).
after_frames() { wait_frames_web $(($(web_frames) + $1)); }
# Keys and clicks are held over two frames: the game misses a press made and let go between
# two of its frames, and on a loaded machine a frame can last longer than 100 ms.
press() { web keydown "$1" >/dev/null && after_frames 2 && web keyup "$1" >/dev/null; }
click() {
    web mousedown "$1" "$2" >/dev/null && after_frames 2 && web mouseup "$1" "$2" >/dev/null
}

# The ready screen's colours, read from the HUD picture as test_game_cycle.sh does.
HUD=$VELMORA_SOURCE_DIR/Media/hudtexture.png
BACKGROUND=$(pixel "$HUD" 25 294) BORDER=$(pixel "$HUD" 502 492) FILL=$(pixel "$HUD" 502 72)
# screen_of SHOT: splash, ready or run, told by five pixels (each channel within 3): without
# the score panel's frame and inside it is the splash; the ready screen's top corners and top
# middle show the logo's background.
screen_of() {
    local spots='' xy
    for xy in 9,430 15,445 5,5 635,5 320,30; do
        spots+="%[fx:int(255*p{$xy}.r+.5)] %[fx:int(255*p{$xy}.g+.5)] %[fx:int(255*p{$xy}.b+.5)] "
    done
    convert "$1" -format "$spots" info: |
        awk -v want="$BORDER $FILL $BACKGROUND $BACKGROUND $BACKGROUND" '{
        split(want, w, " ")
        for (i = 1; i <= NF; i++) if ($i - w[i] > 3 || w[i] - $i > 3) off[int((i - 1) / 3)] = 1
        print off[0] || off[1] ? "splash" : off[2] || off[3] || off[4] ? "run" : "ready" }'
}
shows() { web shot "$T/now.png" >/dev/null && [ "$(screen_of "$T/now.png")" = "$1" ]; }
wait_screen() {  # wait_screen splash|ready|run SECONDS
    local end=$((SECONDS + $2))
    until shows "$1"; do ((SECONDS < end)) || return 1; done
}
# craft_x SHOT: the mean column of what is drawn in the craft's rows (300-395), between the
# score panel and the pointer: the craft's place on screen, or -1.
craft_x() {
    convert "$1" -crop 460x95+90+300 +repage -colorspace gray -threshold 25% -scale '460x1!' \
        -depth 8 gray:- | od -An -v -tu1 |
        awk '{ for (i = 1; i <= NF; i++) { n++; s += $i * n; t += $i } }
            END { print t ? int(s / t) + 89 : -1 }'
}
high_line() { convert "$1" -crop 120x17+132+404 +repage "$2"; }  # the high score's digits
same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }

# alike NAME [rectangles...]: the desktop's and the browser's pictures NAME agree once the
# rectangles are blacked out in both: under 1 % of the pixels differ by more than 10 % (edges
# and filtering), and at an eighth of the size no pixel differs by more than 8 % (places and
# colours). Both pictures are kept side by side in $SHOTS.
alike() {
    local masks=(-alpha off -fill black) r wide small
    for r in "${@:2}"; do masks+=(-draw "rectangle $r"); done
    convert "$T/desk-$1.png" "${masks[@]}" "$T/a.png" &&
        convert "$T/web-$1.png" "${masks[@]}" "$T/b.png" &&
        convert "$T/desk-$1.png" "$T/web-$1.png" +append "$SHOTS/$1-desktop-browser.png" || return 1
    wide=$(compare -metric AE -fuzz 10% "$T/a.png" "$T/b.png" null: 2>&1)
    convert "$T/a.png" -scale 80x60 "$T/a80.png" && convert "$T/b.png" -scale 80x60 "$T/b80.png"
    small=$(compare -metric AE -fuzz 8% "$T/a80.png" "$T/b80.png" null: 2>&1)
    echo "    $1: $wide of 307200 pixels differ, $small of 4800 at an eighth"
    [ "${wide%%[!0-9]*}" -lt 3072 ] && [ "${small%%[!0-9]*}" = 0 ]
}

# Reads and overwrites the stored high score wherever the page keeps it: any IndexedDB entry
# whose key ends in velmora.score (the compiler's file system keeps file contents there), or a
# local storage key naming it. It gives null when none is stored.
STORE_JS='(async (replacement) => {
  const done = (q) => new Promise((ok, no) => {
    q.onsuccess = () => ok(q.result);
    q.onerror = () => no(q.error);
  });
  for (const { name } of await indexedDB.databases()) {
    const db = await done(indexedDB.open(name));
    for (const storeName of db.objectStoreNames) {
      const store = db.transaction(storeName, "readwrite").objectStore(storeName);
      for (const key of await done(store.getAllKeys())) {
        if (!String(key).endsWith("velmora.score")) continue;
        const value = await done(store.get(key));
        if (replacement !== null) {
          const contents = new TextEncoder().encode(replacement);
          await done(store.put({ ...value, timestamp: new Date(), contents }, key));
        }
        db.close();
        return new TextDecoder().decode(value.contents);
      }
    }
    db.close();
  }
  for (let i = 0; i < localStorage.length; i++) {
    const key = localStorage.key(i);
    if (!key.includes("velmora.score")) continue;
    const value = localStorage.getItem(key);
    if (replacement !== null) localStorage.setItem(key, replacement);
    return value;
  }
  return null;
})'
stored_score() { web eval "$(tr '\n' ' ' <<<"$STORE_JS")(null)"; }
store_score() { web eval "$(tr '\n' ' ' <<<"$STORE_JS")(\"$1\")"; }
sounds() {  # sounds loud|silent MS: that long of the page's output, measured and judged
    local measured
    measured=$(web eval "velmoraSound($2)") && echo "    $measured" && python3 -c '
import json, sys
peak = json.loads(sys.argv[2])["peak"]
sys.exit(not (peak >= 0.01 if sys.argv[1] == "loud" else peak == 0))' "$1" "$measured"
}
# clean: no uncaught error and no console error since the last look (failed downloads of
# files that a site lacks on purpose are the network's log, not the page's).
clean() {
    web log | python3 -c 'import json, sys
bad = [l for l in json.load(sys.stdin) if l.startswith(("uncaught", "console.error", "javascript"))]
bad and print(*bad, sep="\n", file=sys.stderr); sys.exit(bool(bad))'
}

if [ -n "${WEB_TEST_SITE-}" ]; then  # a site built before, to try the test on it quickly
    cp -r "$WEB_TEST_SITE" "$WWW/site"
else
    echo "building the site ..."
    "$VELMORA_SOURCE_DIR/scripts/build-web.sh" "$WWW/site" >"$T/build.log" 2>&1 ||
        { tail -n 30 "$T/build.log"; fail "scripts/build-web.sh builds the site"; finish; }
fi
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
web shot "$T/web-splash.png" >/dev/null
# Left alone, the splash lasts five seconds from the game's first frame, however long the page
# took to load: the ready screen is looked for as often as the browser allows (on a loaded
# machine a look can take a second).
last_splash=0 first_ready=
while [ -z "$first_ready" ] && at=$(since_first) && ((at < 12000)); do
    if shows ready; then first_ready=$(since_first); else last_splash=$at; fi
done
echo "    splash seen until $last_splash ms after the first frame, ready by ${first_ready:--} ms"
check "the splash lasts about five seconds from the game's first frame" \
    eval '((last_splash >= 3000 && ${first_ready:-99999} <= 8000))'
check "the splash shows first" [ "$(screen_of "$T/web-splash.png")" = splash ]
check "the splash looks as on the desktop" alike splash
check "no sound before any gesture" sounds silent 1000

# Reloaded, A at once: it leaves the splash (no click on the canvas first) and starts the music.
web reload >/dev/null && wait_frames_web 2 90 && press a
for ((i = 0; i < 50; i++)); do shows ready && break; done
ready_at=$(since_first) && echo "    ready $ready_at ms after the first frame"
check "A leaves the splash, without a click on the canvas first" \
    eval 'shows ready && ((ready_at < 5000))'
check "the music sounds after the first key press" sounds loud 1000
check "the system cursor is hidden over the canvas" holds_within 1 \
    'getComputedStyle(document.getElementById("canvas")).cursor == "none"'
web move 600 300 >/dev/null && after_frames 3 && web shot "$T/web-ready.png" >/dev/null
check "the ready screen with its score panel looks as on the desktop" alike ready
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
# picture its way (the camera follows the craft sideways only slowly). A run that crashes
# meanwhile is tried again.
start_run() { wait_screen ready 30 && click 320 240 && wait_screen run 5; }
start_run && web shot "$T/run1.png" >/dev/null && sleep 0.2 && web shot "$T/run2.png" >/dev/null
check "a click starts a run that moves" eval '! same "$T/run1.png" "$T/run2.png"'
for case in "a -1" "Left -1" "d 1" "Right 1"; do
    read -r key way <<<"$case"
    steered=
    for try in 1 2 3; do
        start_run && web shot "$T/s0.png" >/dev/null && web keydown "$key" >/dev/null &&
            after_frames 20 && web keyup "$key" >/dev/null && web shot "$T/s1.png" >/dev/null ||
            continue
        [ "$(screen_of "$T/s0.png")$(screen_of "$T/s1.png")" = runrun ] || continue
        x0=$(craft_x "$T/s0.png") x1=$(craft_x "$T/s1.png")
        echo "    $key: craft from column $x0 to $x1"
        (((x1 - x0) * way >= 10)) && steered=1
        break
    done
    check "$key steers the craft $([ "$way" = 1 ] && echo right || echo left)" [ -n "$steered" ]
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

# Broken Media in the site, packed in its data file: every picture and the music missing (their
# names changed in the package's index) or corrupt (all but their first 64 bytes zeroed). The
# game runs on, with texture 0 and in silence. The index is JSON as emscripten 3.1.6 writes it;
# later ones minify it with the rest of the script, keys unquoted ({filename:"/Media/...",...}).
break_media() {  # break_media SITE missing|corrupt: prints the files broken
    python3 - "$@" <<'EOF'
import glob, json, re, sys
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
EOF
}
start_browser "$T/profile-broken"
for how in missing corrupt; do
    cp -r "$WWW/site" "$WWW/$how"
    check "$how pictures and music: all five of them" \
        eval '[ "$(break_media "$WWW/$how" $how | wc -l)" = 5 ]'
    check "$how pictures and music: the game starts" open_site "$how"
    press a && click 320 240
    check "$how pictures and music: A and a click, and frames go on" after_frames 30
    check "$how pictures and music: in silence" sounds silent 1000
    check "$how pictures and music: nothing thrown" clean
done
finish
