#!/usr/bin/env bash
# The browser build on phones and tablets: chromium's mobile emulation (a phone's or a tablet's
# viewport, a touch screen) at a portrait phone, a landscape phone and a portrait tablet. At each
# the game is shown whole at 4:3, as large as the layout allows, and neither swipes nor double
# taps nor pinches scroll or zoom the page; taps (Input.dispatchTouchEvent) leave the splash,
# start the music and a run, press "Resume game" and "Exit"; a finger held on either half of the
# game, or on the pads under it upright, steers that way; a second finger neither breaks nor
# sticks the first; the pause button, clear of the score panel and the pause buttons, pauses.
# Then on the desktop's window: the page as before, full screen at 4:3 and back with the game
# running and no key held. Last, the installed site: the manifest and installability have no
# errors, a reload with the server gone and the network cut plays, and a new build's cache
# replaces the old one only once it is complete. And a browser without WebGL is told so.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/web_lib.sh"
build_site "$WWW/site" || { fail "scripts/build-web.sh builds the site"; finish; }
serve || { fail "a loopback server for the site"; finish; }
start_browser "$T/profile"

# A finger, by canvas pixel: down for two of the game's frames and lifted.
tap() { web touch 0 "$1" "$2" >/dev/null && after_frames 2 && web untouch 0 >/dev/null; }
double_tap() {  # double_tap X Y: in viewport pixels, two quick taps
    local i
    for i in 1 2; do web touchat 5 "$1" "$2" >/dev/null && web untouch 5 >/dev/null; done
}

# The keys the page has sent the game and not let go, in a page-wide record.
HELD_JS='window.velmoraHeld = {}; ["keydown", "keyup"].forEach((type) =>
  document.addEventListener(type, (e) => {
    if (type == "keydown") velmoraHeld[e.key] = 1; else delete velmoraHeld[e.key];
  }, true)); true'
held() { web eval 'Object.keys(velmoraHeld).sort().join(" ")'; }
watch_keys() { web eval "$(tr '\n' ' ' <<<"$HELD_JS")" >/dev/null; }
after_lift() { sleep 0.3 && after_frames 2; }  # a lifted finger's release waits for a frame

# geometry: the canvas's box and the viewport, "left top width height vw vh sw sh scale".
GEOMETRY_JS='(() => {
  const c = document.getElementById("canvas").getBoundingClientRect();
  const s = document.scrollingElement;
  return [c.left, c.top, c.width, c.height, innerWidth, innerHeight, s.scrollWidth,
          s.scrollHeight, visualViewport.scale].map((v) => Math.round(v * 100) / 100).join(" ");
})()'
geometry() { web eval "$(tr '\n' ' ' <<<"$GEOMETRY_JS")" | tr -d '"'; }
# fits upright|sideways: whole in the viewport, at 4:3, up to 640 x 480, and as large as the
# layout allows: the width less the margins upright, the height less the margins sideways.
fits() {
    read -r x y w h vw vh sw sh scale <<<"$(geometry)"
    echo "    canvas ${w} x $h at ($x, $y) in $vw x $vh, page $sw x $sh, zoom $scale"
    awk -v x="$x" -v y="$y" -v w="$w" -v h="$h" -v vw="$vw" -v vh="$vh" -v way="$1" 'BEGIN {
        whole = x >= 0 && y >= 0 && x + w <= vw + 0.5 && y + h <= vh + 0.5
        four_three = (3 * w - 4 * h) ^ 2 <= 4 && w <= 640.5
        want = way == "upright" ? vw - 20 : (vh - 20) * 4 / 3
        exit !(whole && four_three && w >= (want < 640 ? want : 640)) }'
}
still() {  # nothing scrolled, nothing zoomed, nothing to scroll
    read -r x y w h vw vh sw sh scale <<<"$(geometry)"
    [ "$(web eval 'window.scrollX + window.scrollY')" = 0 ] && [ "$scale" = 1 ] &&
        ((${sw%.*} <= ${vw%.*} && ${sh%.*} <= ${vh%.*}))
}
# The pause button is on screen and clear of what the game draws to be clicked or read: the
# score panel (bottom left) and the pause overlay's buttons, in canvas pixels.
PAUSE_BUTTON_JS='(() => {
  const c = document.getElementById("canvas").getBoundingClientRect(), k = c.width / 640;
  const button = document.getElementById("pause-button"), b = button.getBoundingClientRect();
  const over = ([x0, y0, x1, y1]) => b.left < c.left + x1 * k && b.right > c.left + x0 * k &&
    b.top < c.top + y1 * k && b.bottom > c.top + y0 * k;
  return getComputedStyle(button).display != "none" && b.width >= 40 && b.left >= 0 &&
    b.top >= 0 && b.right <= innerWidth && b.bottom <= innerHeight &&
    !over([0, 390, 270, 480]) && !over([150, 90, 490, 195]);
})()'
# paused_like SHOT REFERENCE: the same pause overlay, the clock (top right) left out; neither
# is the ready screen that the overlay covers.
paused_like() {
    [ "$(screen_of "$1")" != ready ] && [ "$(screen_of "$2")" != ready ] || return 1
    convert "$1" -fill black -draw "rectangle 300,18 639,57" "$T/p1.png" &&
        convert "$2" -fill black -draw "rectangle 300,18 639,57" "$T/p2.png" &&
        [ "$(compare -metric AE -fuzz 10% "$T/p1.png" "$T/p2.png" null: 2>&1)" -lt 3072 ]
}
ENDED='getComputedStyle(document.getElementById("game-ended")).display != "none"'

# finger_held X Y, or finger_held SELECTOR: a finger held 20 frames at canvas pixel (X, Y) or on
# the element. Runs are started with the mouse (start_run): a tap would steer them already, and
# the chase camera, catching up, moves the craft's picture against the way it steers.
finger_held() {
    if [[ $1 == \#* ]]; then web touchon 0 "$1"; else web touch 0 "$1" "$2"; fi >/dev/null &&
        after_frames 20 && web untouch 0 >/dev/null
}

# Left alone the splash gives way five seconds after the game's first frame: the ready screen
# must show two frames after a tap, seen within those five seconds. A loaded machine may take
# longer than that to tap and look; the page is then reloaded and tried again.
tap_leaves_splash() {
    local try seen_at
    for try in 1 2 3; do
        ((try == 1)) || { web reload >/dev/null && wait_frames_web 2 90; } || continue
        tap 320 240 && web shot "$T/now.png" >/dev/null && seen_at=$(since_first) || continue
        echo "    looked $seen_at ms after the first frame: $(screen_of "$T/now.png")"
        ((seen_at < 5000)) || continue
        [ "$(screen_of "$T/now.png")" = ready ]
        return
    done
    return 1
}

for device in "portrait phone 320 568 upright" "landscape phone 740 360 sideways" \
    "portrait tablet 768 1024 upright"; do
    read -r kind what width height way <<<"$device"
    name="$kind $what ${width}x$height"
    web emulate "$width" "$height" mobile >/dev/null
    check "$name: the game starts" open_site site
    check "$name: the game is whole, at 4:3, as large as the layout allows" fits "$way"
    check "$name: the page neither scrolls nor zooms" still
    check "$name: a pause button, clear of the score panel and the pause buttons" \
        holds_within 1 "$(tr '\n' ' ' <<<"$PAUSE_BUTTON_JS")"
    web shot "$T/$kind-$what-splash.png" >/dev/null

    check "$name: a tap leaves the splash" tap_leaves_splash
    [ "$kind" = landscape ] && check "$name: the music sounds after the first tap" sounds loud 1000
    check "$name: holding the right half steers right" steers "right half" 1 finger_held 560 240
    check "$name: holding the left half steers left" steers "left half" -1 finger_held 80 240
    if [ "$way" = upright ]; then
        check "$name: holding the right pad steers right" \
            steers "right pad" 1 finger_held '#steer-right'
        check "$name: holding the left pad steers left" \
            steers "left pad" -1 finger_held '#steer-left'
    fi

    # Two fingers: the first holds right, a second comes on the left and goes.
    watch_keys
    wait_screen ready 30 && tap 320 240 && web touch 0 560 240 >/dev/null &&
        web touch 1 80 240 >/dev/null && after_frames 2 && web untouch 1 >/dev/null && after_lift
    check "$name: a second finger lifted leaves the first steering" [ "$(held)" = '"ArrowRight"' ]
    web untouch 0 >/dev/null && after_lift
    check "$name: with every finger lifted no key is held" [ "$(held)" = '""' ]

    # Swipes, double taps and a pinch, on the game and beside it.
    read -r x y w h vw vh _ <<<"$(geometry)"
    web touchat 6 $((${vw%.*} / 2)) $((${vh%.*} - 4)) >/dev/null &&
        web touchat 6 $((${vw%.*} / 2)) 4 >/dev/null && web untouch 6 >/dev/null
    double_tap 3 3 && double_tap $((${vw%.*} / 2)) $((${vh%.*} - 4))
    double_tap "$(awk -v x="$x" -v w="$w" 'BEGIN { print x + w / 2 }')" \
        "$(awk -v y="$y" -v h="$h" 'BEGIN { print y + h / 2 }')"
    web touchat 7 $((${vw%.*} / 2 - 20)) $((${vh%.*} - 20)) >/dev/null &&
        web touchat 8 $((${vw%.*} / 2 + 20)) $((${vh%.*} - 20)) >/dev/null &&
        web touchat 7 10 $((${vh%.*} - 20)) >/dev/null &&
        web touchat 8 $((${vw%.*} - 10)) $((${vh%.*} - 20)) >/dev/null &&
        web untouch 7 >/dev/null && web untouch 8 >/dev/null
    sleep 0.5
    check "$name: swipes, double taps and a pinch leave the page unscrolled at zoom 1" still

    # The pause button against Escape's overlay; "Resume game", then "Exit", by taps.
    wait_screen ready 30 && press Escape && after_frames 25 &&
        web shot "$T/escape-paused.png" >/dev/null && press Escape && after_frames 25
    web touchon 0 '#pause-button' >/dev/null && after_frames 2 && web untouch 0 >/dev/null &&
        after_frames 25 && web shot "$T/$kind-$what-paused.png" >/dev/null
    check "$name: the pause button shows the pause overlay" \
        paused_like "$T/$kind-$what-paused.png" "$T/escape-paused.png"
    tap 320 115
    # The slide out is 20 frames, and each look at the screen can take a second under load.
    check "$name: a tap on Resume game resumes" wait_screen ready 15
    # "Exit" acts as the finger comes down, and no frame follows to see it lifted.
    web touchon 0 '#pause-button' >/dev/null && after_frames 2 && web untouch 0 >/dev/null &&
        after_frames 25 && web touch 0 320 165 >/dev/null
    check "$name: a tap on Exit shows the ended page" holds_within 10 "$ENDED"
    web untouch 0 >/dev/null
    check "$name: nothing thrown, nothing on the console as an error" clean
done

# The desktop's window, no touch screen: the page as before, and full screen.
web emulate off >/dev/null
check "desktop window: the game starts" open_site site
watch_keys
read -r x y w h vw vh _ <<<"$(geometry)"
check "desktop window ${vw%.*}x${vh%.*}: the game at its own 640 x 480, the title above it" \
    eval '[ "$w $h" = "640 480" ] && ((${y%.*} > 100))'
check "desktop window: no pause button, no pads" holds_within 1 \
    '[...document.querySelectorAll("#pause-button, .pads")].every((e) =>
      getComputedStyle(e).display == "none")'
web press '#fullscreen-button' >/dev/null
check "the full screen button enters full screen" holds_within 5 '!!document.fullscreenElement'
sleep 0.5
read -r x y w h vw vh _ <<<"$(geometry)"
echo "    full screen: canvas $w x $h in $vw x $vh"
check "full screen: the game as large as the screen allows, at 4:3" awk -v w="$w" -v h="$h" \
    -v vw="$vw" -v vh="$vh" 'BEGIN { big = vw * 3 < vh * 4 ? vw : vh * 4 / 3
        exit !((3 * w - 4 * h) ^ 2 <= 4 && w >= big - 2) }'
web key Escape >/dev/null && sleep 0.5
web eval 'document.fullscreenElement && document.exitFullscreen()' >/dev/null && sleep 0.5
count=$(web_frames) && after_frames 10
check "back from full screen the game runs, no key held" \
    eval '[ "$(held)" = "\"\"" ] && ! holds_within 0 "document.fullscreenElement"'
check "and it still takes a click" eval 'wait_screen ready 10 && click 320 240 && wait_screen run 5'

# Installable and offline.
MANIFEST=$(web manifest)
check "the manifest parses with no errors, its name, display, orientation and two icons" \
    python3 -c 'import json, sys
m = json.loads(sys.argv[1])
print("    manifest:", m["url"], m["errors"] or "no errors")
sizes = {i["sizes"] for i in m["icons"]}
sys.exit(not (m["errors"] == [] and m["name"] == "Velmora" and m["short_name"] and
              m["display"] in ("standalone", "fullscreen") and "landscape" in m["orientation"]
              and {"192x192", "512x512"} <= sizes))' "$MANIFEST"
INSTALLABILITY=$(web installability)
echo "    installability errors: $INSTALLABILITY"
check "chromium's installability check has no errors" [ "$INSTALLABILITY" = '[]' ]

KEPT='caches.keys().then((names) => names.filter((n) => n.startsWith("velmora ")).join(","))'
check "the service worker keeps the site once the game has shown a frame" holds_within 60 \
    'navigator.serviceWorker.controller && caches.keys().then((k) => k.length == 1)'
FIRST_CACHE=$(web eval "$KEPT")
port=${BASE_URL##*:} port=${port%/}
stop_server && web offline 1 >/dev/null
check "offline: a reload starts the game" eval 'web reload >/dev/null && wait_frames_web 2 90'
check "offline: and it plays" eval 'tap 320 240 && wait_screen ready 5 && tap 320 240 &&
    wait_screen run 5'
web offline 0 >/dev/null && serve "$port"

# A new build whose download breaks half way (a file missing on the server) leaves the kept
# site as it was; a complete one replaces it and the old cache goes.
SW=$WWW/site/velmora-sw.js
cp "$SW" "$T/sw.js"
# new_build VERSION [FILE]: the site's service worker as a new build's, keeping FILE as well;
# each dated further ahead, since the server answers "not modified" within the same second.
BUILDS=0
new_build() {
    BUILDS=$((BUILDS + 1))
    sed -e "s/^var VERSION = .*/var VERSION = '$1';/" \
        -e "s/^var FILES = \['/var FILES = [${2:+'$2', }'/" "$T/sw.js" >"$SW" &&
        touch -d "@$(($(date +%s) + 10 * BUILDS))" "$SW"
}
new_build broken gone.bin
SETTLED='navigator.serviceWorker.getRegistration().then((r) => !r.installing && !r.waiting)'
# Tried until the new script is fetched: the network comes back a moment after the server.
UPDATED='navigator.serviceWorker.getRegistration().then((r) => r.update()).then(() => true, () => false)'
check "a new build's service worker is fetched" holds_within 30 "$UPDATED"
# What the browser keeps after each step: its caches, and its workers by state.
WORKERS='navigator.serviceWorker.getRegistration().then((r) => ["installing", "waiting",
    "active"].map((state) => state + ": " + (r[state] ? r[state].state : "none")).join(", "))'
kept_state() { echo "    kept: $(web eval "$KEPT"); $(web eval "$WORKERS")"; }
check "a new build that fails to download leaves the kept site alone" \
    eval 'holds_within 60 "$SETTLED" && [ "$(web eval "$KEPT")" = "$FIRST_CACHE" ]'
kept_state
new_build second
check "a complete new build is kept and waits" eval 'holds_within 60 "$UPDATED" &&
    holds_within 60 "navigator.serviceWorker.getRegistration().then((r) => !!r.waiting)"'
web eval 'navigator.serviceWorker.getRegistration().then((r) => r.waiting && r.waiting.postMessage("take over"))' >/dev/null
check "let in, it replaces the kept site and the old cache is deleted" holds_within 60 \
    "$KEPT.then((kept) => kept.endsWith(' second') && !kept.includes(','))"
kept_state
cp "$T/sw.js" "$SW"

# Without WebGL: the page says so, and the game does not start.
stop_browser && start_browser "$T/profile-no-webgl" --no-webgl
web open "${BASE_URL}site/" >/dev/null
check "without WebGL the page says so, and the game never starts" holds_within 20 \
    '!document.getElementById("no-webgl").hidden && document.getElementById("loading").hidden &&
     document.documentElement.classList.contains("lit")'
sleep 1
# The files preloaded for a game that never starts are left unused, which chromium remarks on.
check "and no frame is shown, nothing thrown" eval '[ "$(web eval "(window.Module && Module.velmoraFrames) || 0")" = 0 ] && clean "preloaded using link preload but not used"'
finish
