# Sourced after lib.sh by the browser's tests, the driver of the shared cases (cases.sh): the
# site served on loopback, chromium driven through tools/devtools/cdp.py (trusted mouse, key and
# touch events), the canvas, the page's sound and its IndexedDB read.
for tool in emcc chromium python3 compare; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
source "$(dirname "${BASH_SOURCE[0]}")/cases.sh"
CDP=$VELMORA_SOURCE_DIR/tools/devtools/cdp.py WWW=$E2E_TMP/www
SHOTS=${WEB_TEST_SHOTS:-$E2E_TMP/shots}  # WEB_TEST_SHOTS=folder keeps the pictures taken
mkdir -p "$WWW" "$SHOTS"
SERVER_PID='' BROWSER_PID='' CHROMIUM_PID='' SITE=site
SCREEN_FRAME_TOLERANCE=60  # a canvas scaled on a phone's page blends the score panel's frame

# web COMMAND...: one command to the browser (see cdp.py), joined on one line; prints the answer.
web() {
    local answer command="$*"
    printf '%s\n' "${command//$'\n'/ }" >&"$TO_BROWSER" &&
        IFS= read -r -t 120 answer <&"$FROM_BROWSER" || { echo "no answer to: $*" >&2; return 1; }
    [ "${answer%% *}" = ok ] || { echo "browser: ${answer#error }" >&2; return 1; }
    printf '%s\n' "${answer#ok }"
}
# start_browser PROFILE [--no-webgl]: chromium, its sound tapped, driven through named pipes (a
# coprocess's descriptors would not reach the subshells of pipelines).
start_browser() {
    rm -f "$T/to-browser" "$T/from-browser" && mkfifo "$T/to-browser" "$T/from-browser"
    python3 "$CDP" --user-data-dir "$1" --tap-audio "${@:2}" <"$T/to-browser" \
        >"$T/from-browser" 2>>"$T/cdp.err" &
    BROWSER_PID=$!
    exec {TO_BROWSER}>"$T/to-browser" {FROM_BROWSER}<"$T/from-browser"
    CHROMIUM_PID=$(web pid) && web onload "$PAD_SCRIPT" >/dev/null
}
# The pad, in the standard layout, is what every page's navigator.getGamepads() answers.
PAD_SCRIPT='let pad = null; navigator.getGamepads = () => [pad];
window.setTestPad = (held) => { const on = (c) => held.includes(c) ? 1 : 0;
  pad = held && { id: "Xbox 360 Controller (STANDARD GAMEPAD Vendor: 045e Product: 028e)",
    index: 0, connected: true, mapping: "standard", timestamp: performance.now(),
    axes: [on("right") - on("left"), on("down") - on("up"), 0, 0],
    buttons: ["south", "east", 0, 0, 0, 0, 0, 0, 0, "start", 0, 0, "dup", "ddown", "dleft",
      "dright", 0].map(
      (name) => ({ pressed: on(name) == 1, value: on(name) })) }; };'
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

serve() {  # serve [PORT]: $WWW on that loopback port, or a free one; sets BASE_URL
    python3 -u -m http.server --bind 127.0.0.1 -d "$WWW" "${1:-0}" >"$T/server.out" \
        2>"$T/server.log" &
    SERVER_PID=$!
    for ((i = 0; i < 100; i++)); do
        BASE_URL=$(grep -o 'http://127.0.0.1:[0-9]*/' "$T/server.out") && return 0
        sleep 0.1
    done
    return 1
}
stop_server() { kill "$SERVER_PID" && wait "$SERVER_PID" 2>/dev/null; SERVER_PID=''; }

# build_site FOLDER: scripts/build-web.sh's site, or WEB_TEST_SITE, one built before.
build_site() {
    if [ -n "${WEB_TEST_SITE-}" ]; then
        cp -r "$WEB_TEST_SITE" "$1"
    else
        echo "building the site ..."
        "$VELMORA_SOURCE_DIR/scripts/build-web.sh" "$1" >"$T/build.log" 2>&1 ||
            { tail -n 30 "$T/build.log"; return 1; }
    fi
}

holds_within() { web wait "$1" "$2" | grep -qx true; }  # holds_within SECONDS JS
ENDED='getComputedStyle(document.getElementById("game-ended")).display != "none"'

# ---- the driver's verbs (cases.sh) ----

pad_set() { web eval "setTestPad([$(printf '"%s",' "$@")])" >/dev/null; }
pad_unplug() { web eval 'setTestPad(null)' >/dev/null; }

frames() { web eval '((window.Module && Module.velmora) || { framesShown: 0 }).framesShown'; }
since_first() { web eval 'performance.now() - Module.velmora.firstFrameAt | 0'; }
game_alive() { holds_within 0 "!($ENDED)"; }  # the page's game has not ended
wait_frames() {  # wait_frames COUNT [seconds]: frames presented in all, or the game's end
    holds_within "${2:-20}" "Module.velmora.framesShown >= $1 || ($ENDED)" && game_alive
}
after_frames() { wait_frames $(($(frames) + $1)) "${2:-20}"; }
# game_start: the site's page opened anew, until the game presents frames.
game_start() { web open "$BASE_URL$SITE/" >/dev/null && wait_frames 2 90; }
# game_end: the page has thrown nothing and logged no error; the next start replaces it.
game_end() { clean; }
exited() { holds_within 10 "$ENDED" && web_frames_stop; }
web_frames_stop() { local count=$(frames) && sleep 1 && [ "$(frames)" = "$count" ]; }
shot() { web shot "$1" >/dev/null; }
move() { web move "$1" "$2" >/dev/null; }
# Keys and clicks are held over frames: the game misses a press let go between two frames.
hold() { web keydown "$1" >/dev/null && after_frames "$2"; web keyup "$1" >/dev/null; }
pause_key() { hold Escape 2; }
click() {  # "Exit" acts as the button goes down, and no frame follows to see it let go
    web mousedown "$1" "$2" >/dev/null && after_frames 2
    web mouseup "$1" "$2" >/dev/null
}
# The high score lies in IndexedDB as the folder /velmora (emscripten's IDBFS), where players'
# earlier scores are: read there; written through the page's file system, for the next page.
STORED_JS='new Promise((done) => { const q = indexedDB.open("/velmora"); q.onsuccess = () => {
  if (!q.result.objectStoreNames.contains("FILE_DATA")) return done("none");
  const get = q.result.transaction("FILE_DATA").objectStore("FILE_DATA").get("/velmora/velmora.score");
  get.onsuccess = () => done(get.result ? new TextDecoder().decode(get.result.contents) : "none"); }; })'
stored_score() {
    web eval "$STORED_JS" | python3 -c 'import json, re, sys
text = json.load(sys.stdin)
print(text[:-1] if re.fullmatch(r"-?[0-9]+\n", text) else "none" if text == "none" else "junk")'
}
# emscripten 3.1.6's FS keeps a name that a rename wrote over, found again once the newer file
# is unlinked: a page that saved twice needs as many unlinks.
store_score() {  # store_score TEXT: or none, no stored score at all
    local keep='FS.writeFile(s, t + "\n")'
    [ "$1" != none ] || keep='while (FS.analyzePath(s).exists) FS.unlink(s)'
    web eval "(typeof FS == 'undefined') ? 'no page' : new Promise((done) => {
        const s = '/velmora/velmora.score', t = '$1'; $keep; FS.syncfs(false, done); })" >/dev/null
}
new_player() { SITE=site && store_score none; }
# break_media missing|corrupt: a copy of the site whose pictures (in velmora.data, named in its
# index, whose keys later emscriptens leave unquoted) and music are gone or zeroed past 64 bytes.
break_media() {
    SITE=$1
    [ -d "$WWW/$1" ] || { cp -r "$WWW/site" "$WWW/$1" && python3 - "$WWW/$1" "$1" <<'EOF'; }
import json, os, re, sys
site, how = sys.argv[1:]
text, data = open(site + "/velmora.js").read(), bytearray(open(site + "/velmora.data", "rb").read())
entries = re.findall(r'\{\s*"?filename"?\s*:\s*"/Media/[^"]*\.png"[^{}]*\}', text)
for entry in entries:
    item = json.loads(re.sub(r'([{,]\s*)(\w+)\s*:', r'\1"\2":', entry))
    if how == "missing":
        text = text.replace(entry, entry.replace(".png", ".png.gone"))
    else:
        data[item["start"] + 64:item["end"]] = bytes(item["end"] - item["start"] - 64)
open(site + "/velmora.js", "w").write(text)
open(site + "/velmora.data", "wb").write(data)
music = site + "/Media/music.mp3"
size = os.path.getsize(music)
os.remove(music) if how == "missing" else (os.truncate(music, 64), os.truncate(music, size))
sys.exit(len(entries) != 4)
EOF
}
sounds() {  # sounds loud|silent: a second of the page's output, measured and judged
    local measured
    measured=$(web eval "velmoraSound(1000)") && echo "    $measured" && python3 -c '
import json, sys
peak = json.loads(sys.argv[2])["peak"]
sys.exit(not (peak >= 0.01 if sys.argv[1] == "loud" else peak == 0))' "$1" "$measured"
}
# clean: no uncaught error and no console error since the last look.
clean() {  # clean [TEXT]: also passes messages that hold TEXT
    web log | python3 -c 'import json, sys
allowed = sys.argv[1] if len(sys.argv) > 1 else None
bad = [l for l in json.load(sys.stdin) if l.startswith(("uncaught", "console.error", "javascript"))
       and not (allowed and allowed in l)]
bad and print(*bad, sep="\n", file=sys.stderr); sys.exit(bool(bad))' "$@"
}
