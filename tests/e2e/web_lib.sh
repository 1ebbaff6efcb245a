# Sourced by the browser build's end-to-end tests after lib.sh: the site built and served on
# loopback, chromium driven through tools/devtools/cdp.py, and what the tests read from the
# canvas. Needs emcc, chromium, python3 and ImageMagick.
for tool in emcc chromium python3 compare; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
CDP=$VELMORA_SOURCE_DIR/tools/devtools/cdp.py T=$E2E_TMP WWW=$E2E_TMP/www
SHOTS=${WEB_TEST_SHOTS:-$E2E_TMP/shots}  # WEB_TEST_SHOTS=folder keeps the pictures taken
mkdir -p "$WWW" "$SHOTS"
SERVER_PID='' BROWSER_PID='' CHROMIUM_PID='' SITE_URL=''

# web COMMAND...: one command to the browser (see cdp.py), on one line (JavaScript written over
# several lines is joined); prints the answer's JSON value.
web() {
    local answer command="$*"
    printf '%s\n' "${command//$'\n'/ }" >&"$TO_BROWSER" &&
        IFS= read -r -t 120 answer <&"$FROM_BROWSER" || { echo "no answer to: $*" >&2; return 1; }
    [ "${answer%% *}" = ok ] || { echo "browser: ${answer#error }" >&2; return 1; }
    printf '%s\n' "${answer#ok }"
}
# start_browser PROFILE [--no-webgl]: chromium with that user data folder, its sound tapped,
# driven through two named pipes (a coprocess's descriptors would not reach the subshells of
# pipelines).
start_browser() {
    rm -f "$T/to-browser" "$T/from-browser" && mkfifo "$T/to-browser" "$T/from-browser"
    python3 "$CDP" --user-data-dir "$1" --tap-audio "${@:2}" <"$T/to-browser" \
        >"$T/from-browser" 2>>"$T/cdp.err" &
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

# A canvas scaled on a phone's page blends the score panel's thin frame.
SCREEN_FRAME_TOLERANCE=60
shot() { web shot "$1" >/dev/null; }
start_run() { wait_screen ready 30 && click 320 240 && wait_screen run 5; }
high_line() { convert "$1" -crop 120x17+132+404 +repage "$2"; }  # the high score's digits

# alike NAME [rectangles...]: the desktop's and the browser's pictures NAME agree.
alike() { alike_pictures "$T/desk-$1.png" "$T/web-$1.png" "$SHOTS/$1-desktop-browser.png" "$@"; }

# Reads and overwrites the stored high score: any IndexedDB entry whose key ends in
# velmora.score (the compiler's file system keeps file contents there). It gives null when none
# is stored.
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
clean() {  # clean [TEXT]: also passes messages that hold TEXT
    web log | python3 -c 'import json, sys
allowed = sys.argv[1] if len(sys.argv) > 1 else None
bad = [l for l in json.load(sys.stdin) if l.startswith(("uncaught", "console.error", "javascript"))
       and not (allowed and allowed in l)]
bad and print(*bad, sep="\n", file=sys.stderr); sys.exit(bool(bad))' "$@"
}

# build_site FOLDER: the site that scripts/build-web.sh builds, or WEB_TEST_SITE, a site built
# before, to try a test on it quickly.
build_site() {
    if [ -n "${WEB_TEST_SITE-}" ]; then
        cp -r "$WEB_TEST_SITE" "$1"
    else
        echo "building the site ..."
        "$VELMORA_SOURCE_DIR/scripts/build-web.sh" "$1" >"$T/build.log" 2>&1 ||
            { tail -n 30 "$T/build.log"; return 1; }
    fi
}
