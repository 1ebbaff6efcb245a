#!/usr/bin/env bash
# The browser build by touch (chromium's mobile emulation): the shared cases (cases.sh) on a
# portrait tablet, taps for clicks, the pause button for Escape, fingers on the game's halves
# and the pads for steering. Then its own, on phones upright and sideways and the tablet: the
# game whole at 4:3 and as large as the layout allows, a page that neither scrolls nor zooms
# under swipes, double taps and a pinch, a pause button clear of what the game draws, a second
# finger that neither breaks nor sticks the first. On a desktop's window: no touch controls,
# full screen at 4:3 and back with no key held. Installable; offline play; a new build kept only
# once whole. A browser without WebGL is told so.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/web_lib.sh"
build_site "$WWW/site" || { fail "scripts/build-web.sh builds the site"; finish; }
serve || { fail "a loopback server for the site"; finish; }
start_browser "$T/profile"

# finger_held FRAMES X Y|SELECTOR: a finger held on that canvas pixel or page element.
finger_held() {
    if [[ $2 == \#* ]]; then web touchon 0 "$2"; else web touch 0 "$2" "$3"; fi >/dev/null &&
        after_frames "$1"
    web untouch 0 >/dev/null
}
click() { finger_held 2 "$@"; }
pause_key() { finger_held 2 '#pause-button'; }
# Runs start with the mouse: a tap on the game is a finger on one of its halves, which steers.
start_run() { wait_crash && web click 320 240 >/dev/null && wait_screen run 5; }
STEERING="right-half 1 finger_held 20 560 240
left-half -1 finger_held 20 80 240
right-pad 1 finger_held 20 #steer-right
left-pad -1 finger_held 20 #steer-left"

web emulate 768 1024 mobile >/dev/null
shared_cases
new_player

# The keys the page has sent the game and not let go, in a page-wide record.
HELD_JS='window.velmoraHeld = {}; ["keydown", "keyup"].forEach((type) =>
  document.addEventListener(type, (e) => {
    if (type == "keydown") velmoraHeld[e.key] = 1; else delete velmoraHeld[e.key];
  }, true)); true'
held() { web eval 'Object.keys(velmoraHeld).sort().join(" ")'; }
watch_keys() { web eval "$HELD_JS" >/dev/null; }
after_lift() { after_frames 2 && after_frames 2; }  # a lifted finger's release waits for a frame

# geometry: the canvas's box and the viewport, "left top width height vw vh sw sh scale".
GEOMETRY_JS='(() => {
  const c = document.getElementById("canvas").getBoundingClientRect();
  const s = document.scrollingElement;
  return [c.left, c.top, c.width, c.height, innerWidth, innerHeight, s.scrollWidth,
          s.scrollHeight, visualViewport.scale].map((v) => Math.round(v * 100) / 100).join(" ");
})()'
geometry() { web eval "$GEOMETRY_JS" | tr -d '"'; }
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
# gestures: swipes, double taps and a pinch, on the game and beside it.
gestures() {
    read -r x y w h vw vh _ <<<"$(geometry)"
    local mx=$((${vw%.*} / 2)) by=$((${vh%.*} - 4)) cx=$((${x%.*} + ${w%.*} / 2)) t
    local cy=$((${y%.*} + ${h%.*} / 2)) py=$((${vh%.*} - 20))
    for t in "6 $mx $by" "6 $mx 4" -6 "5 3 3" -5 "5 3 3" -5 "5 $mx $by" -5 "5 $mx $by" -5 \
        "5 $cx $cy" -5 "5 $cx $cy" -5 "7 $((mx - 20)) $py" "8 $((mx + 20)) $py" "7 10 $py" \
        "8 $((${vw%.*} - 10)) $py" -7 -8; do
        if [[ $t == -* ]]; then web untouch "${t#-}"; else web touchat $t; fi >/dev/null
    done
    after_frames 10
}

for device in "portrait phone 320 568 upright" "landscape phone 740 360 sideways" \
    "portrait tablet 768 1024 upright"; do
    read -r kind what width height way <<<"$device"
    name="$kind $what ${width}x$height"
    web emulate "$width" "$height" mobile >/dev/null
    check "$name: the game starts" game_start
    check "$name: the game is whole, at 4:3, as large as the layout allows" fits "$way"
    check "$name: the page neither scrolls nor zooms" still
    check "$name: a pause button, clear of the score panel and the pause buttons" \
        holds_within 1 "$PAUSE_BUTTON_JS"
    shot "$T/$kind-$what-splash.png"
    # Two fingers: the first holds right, a second comes on the left and goes.
    watch_keys
    click 320 240 && wait_screen ready 10 && web touch 0 560 240 >/dev/null &&
        web touch 1 80 240 >/dev/null && after_frames 2 && web untouch 1 >/dev/null && after_lift
    check "$name: a second finger lifted leaves the first steering" [ "$(held)" = '"ArrowRight"' ]
    web untouch 0 >/dev/null && after_lift
    check "$name: with every finger lifted no key is held" [ "$(held)" = '""' ]
    gestures
    check "$name: swipes, double taps and a pinch leave the page unscrolled at zoom 1" still
    wait_crash && pause_key && after_frames 25 && shot "$T/$kind-$what-paused.png"
    check "$name: the pause button pauses" eval '[ "$(screen_of "$T/$kind-$what-paused.png")" != ready ]'
    click 320 115 && after_frames 25
    check "$name: a tap on Resume game resumes" wait_screen ready 15
    check "$name: nothing thrown, nothing on the console as an error" clean
done

# The desktop's window, no touch screen: the page as before, and full screen.
web emulate off >/dev/null
check "desktop window: the game starts" game_start
watch_keys
read -r x y w h vw vh _ <<<"$(geometry)"
check "desktop window ${vw%.*}x${vh%.*}: the game at its own 640 x 480, the title above it" \
    eval '[ "$w $h" = "640 480" ] && ((${y%.*} > 100))'
check "desktop window: no pause button, no pads" holds_within 1 \
    '[...document.querySelectorAll("#pause-button, .pads")].every((e) =>
      getComputedStyle(e).display == "none")'
web press '#fullscreen-button' >/dev/null
check "the full screen button enters full screen" holds_within 5 '!!document.fullscreenElement'
after_frames 10
read -r x y w h vw vh _ <<<"$(geometry)"
echo "    full screen: canvas $w x $h in $vw x $vh"
check "full screen: the game as large as the screen allows, at 4:3" awk -v w="$w" -v h="$h" \
    -v vw="$vw" -v vh="$vh" 'BEGIN { big = vw * 3 < vh * 4 ? vw : vh * 4 / 3
        exit !((3 * w - 4 * h) ^ 2 <= 4 && w >= big - 2) }'
web key Escape >/dev/null
web eval 'document.fullscreenElement && document.exitFullscreen()' >/dev/null
check "back from full screen the game runs, no key held" eval 'holds_within 5 \
    "!document.fullscreenElement" && after_frames 10 && [ "$(held)" = "\"\"" ]'
check "and it still takes a click" eval 'wait_screen ready 10 && click 320 240 && wait_screen run 5'

# Installable and offline.
# Chromium's own check: a manifest with a name, a display mode and an icon large enough, a
# service worker, served from a secure origin.
INSTALLABILITY=$(web installability)
echo "    installability errors: $INSTALLABILITY"
check "chromium's installability check has no errors" [ "$INSTALLABILITY" = '[]' ]
check "the manifest asks for a landscape screen" eval '[[ "$(web manifest)" == *landscape* ]]'

# This site's caches (the broken copies that the shared cases played keep their own).
KEPT="caches.keys().then((names) => names.filter((n) => n.startsWith('velmora ${BASE_URL}site/')).join())"
check "the service worker keeps the site once the game has shown a frame" holds_within 60 \
    "navigator.serviceWorker.controller && $KEPT.then((kept) => kept && !kept.includes(','))"
FIRST_CACHE=$(web eval "$KEPT")
port=${BASE_URL##*:} port=${port%/}
stop_server && web offline 1 >/dev/null
check "offline: a reload starts the game" game_start
check "offline: and it plays" eval 'click 320 240 && wait_screen ready 5 && start_run'
web offline 0 >/dev/null && serve "$port"

# A new build whose download breaks half way (a file missing) leaves the kept site as it was; a
# complete one replaces it. Its service worker arrives by rename: the browser may fetch it at any
# moment, and one caught half written would install and wait, in the way of the one meant.
SW=$WWW/site/velmora-sw.js
cp "$SW" "$T/sw.js"
# new_build VERSION [FILE]: a new build's service worker, keeping FILE as well; dated ahead, as
# the server answers "not modified" within a second.
BUILDS=0
new_build() {
    BUILDS=$((BUILDS + 1))
    sed -e "s/^var VERSION = .*/var VERSION = '$1';/" \
        -e "s/^var FILES = \['/var FILES = [${2:+'$2', }'/" "$T/sw.js" >"$T/sw-new.js" &&
        touch -d "@$(($(date +%s) + 10 * BUILDS))" "$T/sw-new.js" && mv "$T/sw-new.js" "$SW"
}
new_build broken gone.bin
SETTLED='navigator.serviceWorker.getRegistration().then((r) => !r.installing && !r.waiting)'
# Tried until the new script is fetched: the network comes back a moment after the server.
UPDATED='navigator.serviceWorker.getRegistration().then((r) => r.update()).then(() => true, () => false)'
check "a new build's service worker is fetched" holds_within 30 "$UPDATED"
check "a new build that fails to download leaves the kept site alone" \
    eval 'holds_within 60 "$SETTLED" && [ "$(web eval "$KEPT")" = "$FIRST_CACHE" ]'
new_build second
check "a complete new build is kept and waits" eval 'holds_within 60 "$UPDATED" &&
    holds_within 60 "navigator.serviceWorker.getRegistration().then((r) => !!r.waiting)"'
web eval 'navigator.serviceWorker.getRegistration().then((r) => r.waiting && r.waiting.postMessage("take over"))' >/dev/null
check "let in, it replaces the kept site and the old cache is deleted" holds_within 60 \
    "$KEPT.then((kept) => kept.endsWith(' second') && !kept.includes(','))"
cp "$T/sw.js" "$T/sw-new.js" && mv "$T/sw-new.js" "$SW"

# Without WebGL: the page says so, and the game does not start.
stop_browser && start_browser "$T/profile-no-webgl" --no-webgl
web open "${BASE_URL}site/" >/dev/null
check "without WebGL the page says so, and the game never starts" holds_within 20 \
    '!document.getElementById("no-webgl").hidden && document.getElementById("loading").hidden &&
     document.documentElement.classList.contains("lit")'
# The files preloaded for a game that never starts are left unused, which chromium remarks on.
check "and no frame is shown, nothing thrown" eval '[ "$(frames)" = 0 ] &&
    clean "preloaded using link preload but not used"'
finish
