# Sourced by every end-to-end test: checks, a private Xvfb, the real game in the player's folder
# driven with xdotool, its pictures and sound read. Every wait on the game ends on its own frames
# or screens; seconds only bound it. A failed step fails the checks after it, saying what.
set -uo pipefail

: "${VELMORA_SOURCE_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
: "${VELMORA_BIN:=$VELMORA_SOURCE_DIR/build/velmora}"
: "${WM_CLOSE_BIN:=$VELMORA_SOURCE_DIR/build/tests/wm_close}"
: "${VELMORA_BUILD_DIR:=$(dirname "$VELMORA_BIN")}"
SWAPCOUNT_LIB=$VELMORA_BUILD_DIR/bench/libswapcount.so  # preloaded, counts presented frames
REFERENCE=$VELMORA_SOURCE_DIR/tests/data/screens  # the desktop's screens, to compare with

E2E_TMP=$(mktemp -d /tmp/velmora-e2e.XXXXXX) && chmod 711 "$E2E_TMP"  # reachable by any user
WORKDIR=$E2E_TMP/work SWAPS=$E2E_TMP/swaps AUDIO=$E2E_TMP/audio.raw FAILURES=0 T=$E2E_TMP
PAD=$E2E_TMP/pad
XVFB_PID='' GAME_PID='' GAME_WINDOW='' GAME_STATUS='' GAME_USER='' GAME_PRELOAD=''

e2e_cleanup() {
    kill -9 $GAME_PID 2>/dev/null || true
    kill $XVFB_PID 2>/dev/null && wait 2>/dev/null || true
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() { echo "FAIL: $*" >&2; FAILURES=$((FAILURES + 1)); }
check() { if "${@:2}"; then echo "ok: $1"; else fail "$1"; fi; }  # check "what" command...
why() { echo "  $*" >&2 && return 1; }  # says why a check's command failed, and fails
# finish: ends the test, with status 1 when a check failed.
finish() { [ $FAILURES = 0 ] || { echo "$FAILURES checks failed" && exit 1; } && echo all passed; }

# start_xvfb [WIDTHxHEIGHTxDEPTH]: a private X server; exports DISPLAY.
start_xvfb() {
    local number
    rm -f "$E2E_TMP/displayfd" && mkfifo "$E2E_TMP/displayfd"
    Xvfb -displayfd 3 -screen 0 "${1:-1280x1024x24}" -noreset -nolisten tcp \
        3>"$E2E_TMP/displayfd" >/dev/null 2>&1 &
    XVFB_PID=$!
    read -r -t 20 number <"$E2E_TMP/displayfd" || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$number
}

# make_workdir [settings text]: the source tree's Media and that settings.ini (640 x 480).
make_workdir() {
    rm -rf "$WORKDIR" && mkdir -p "$WORKDIR"
    cp -r "$VELMORA_SOURCE_DIR/Media" "$WORKDIR/Media"
    printf '%s\n' "${1-$'screenw=640\nscreenh=480'}" >"$WORKDIR/settings.ini"
}

# for_player FILE: a copy that any user may run, wherever the checkout lies.
for_player() {
    local copy=$E2E_TMP/bin/$(basename "$1")
    [ -e "$copy" ] || install -D -m 755 "$1" "$copy"
    echo "$copy"
}

# start_game [env arguments...]: the game in $WORKDIR, frames counted, $GAME_PRELOAD preloaded,
# as $GAME_USER when set (root reads even mode 000), its sound to $AUDIO by SDL's disk driver,
# a pad at $PAD whenever the test plugs one in (test_desktop.sh).
start_game() {
    local as=() game=$VELMORA_BIN preload="$SWAPCOUNT_LIB ${PADFEED_LIB-} $GAME_PRELOAD" lib libs=()
    if [ -n "$GAME_USER" ]; then
        game=$(for_player "$game")
        for lib in $preload; do libs+=("$(for_player "$lib")"); done
        preload=${libs[*]}
        as=(setpriv --reuid="$GAME_USER" --regid="$GAME_USER" --clear-groups
            env -i DISPLAY="$DISPLAY" HOME=/nonexistent)
    fi
    install -m 666 /dev/null "$SWAPS" && install -m 666 /dev/null "$AUDIO"
    # A background job of a shell without job control ignores SIGINT, and SDL leaves it so.
    (cd "$WORKDIR" && exec "${as[@]}" env --default-signal=INT SDL_AUDIODRIVER=disk \
        SDL_DISKAUDIOFILE="$AUDIO" SDL_JOYSTICK_DEVICE="$PAD" SDL_JOYSTICK_LINUX_CLASSIC=1 \
        SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS=1 env "$@" LD_PRELOAD="$preload" \
        SWAPCOUNT_FILE="$SWAPS" "$game" >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr") &
    GAME_PID=$! GAME_STATUS= GAME_WINDOW=
}

# The counter file's 64-bit slots: 0 the frames presented so far, 2 the first one's time in ns.
counter() { od -An -td8 -j $((8 * $1)) -N8 "$SWAPS" 2>/dev/null | grep -o '[0-9]*' || echo 0; }
frames() { counter 0; }
since_first() { local first=$(counter 2); echo $((first ? ($(date +%s%N) - first) / 1000000 : 0)); }
game_alive() { [ -z "$GAME_PID" ] || kill -0 "$GAME_PID" 2>/dev/null; }

# wait_frames COUNT [seconds]: until the game has presented COUNT frames in all.
wait_frames() {
    local end=$((SECONDS + ${2:-15}))
    until [ "$(frames)" -ge "$1" ]; do
        game_alive && ((SECONDS < end)) || return 1
        sleep 0.05
    done
}
after_frames() { wait_frames $(($(frames) + $1)) "${2:-15}"; }  # COUNT more frames

# wait_window [seconds]: sets GAME_WINDOW once frames come (a provisional first window is gone).
wait_window() {
    local i
    wait_frames 2 "${1:-15}" || return 1
    for ((i = 0; i < 50; i++)); do
        GAME_WINDOW=$(xdotool search --onlyvisible --pid "$GAME_PID" 2>/dev/null | tail -1 || true)
        [ -z "$GAME_WINDOW" ] || return 0
        game_alive && sleep 0.1 || return 1
    done
    return 1
}

# wait_exit [seconds]: sets GAME_STATUS once the game has ended; past the time kills it: 124.
wait_exit() {
    local i late=
    [ -n "$GAME_PID" ] || return 0
    for ((i = ${1:-10} * 10; i > 0; i--)); do kill -0 $GAME_PID 2>/dev/null || break; sleep .1; done
    kill -9 $GAME_PID 2>/dev/null && late=124
    wait $GAME_PID 2>/dev/null && GAME_STATUS=0 || GAME_STATUS=${late:-$?}
    GAME_PID=
    [ -z "$late" ]
}

close_window() { "$WM_CLOSE_BIN" "$GAME_WINDOW"; }  # the window manager's close button
closes_with_0() { close_window && wait_exit 15 && [ "$GAME_STATUS" = 0 ]; }
# printed_nothing: the game wrote nothing to stdout or stderr (else shows what it wrote).
printed_nothing() { ! head -qc 300 "$E2E_TMP"/std{out,err} | grep '' >&2; }

# Held over frames: a press let go between two polls is missed. Keys go to the window under the
# pointer (no window manager gives the focus).
hold_key() {  # hold_key KEY [FRAMES]: two frames unless told; fails if they do not come
    local held=0
    xdotool keydown "$1" && after_frames "${2:-2}" || held=$?
    xdotool keyup "$1" && return $held
}
move_pointer() { xdotool mousemove --window "$GAME_WINDOW" "$1" "$2"; }  # to window pixel X Y
click_at() {  # "Exit" ends the game as the button goes down: no frame need follow
    move_pointer "$1" "$2" && after_frames 1 && xdotool mousedown 1 && { after_frames 2 || true; }
    xdotool mouseup 1
}

# screenshot FILE: the game's window as PNG; fails, rather than hangs, once the window is gone.
screenshot() { timeout 10 import -window "$GAME_WINDOW" "$1"; }

# pixel FILE X Y: prints "R G B" (0-255) of one pixel of a picture.
pixel() { convert "$1" -crop "1x1+$2+$3" -depth 8 rgb:- | od -An -tu1 | xargs; }

same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }  # same A B: pixel for pixel

# alike_pictures A B BOTH NAME [rectangles...]: A and B agree, rectangles blacked out: under 1 %
# of pixels differ by over 10 % (edges), at an eighth none by over 8 % (places, colours).
alike_pictures() {
    local masks=(-alpha off -fill black) r wide small a=$E2E_TMP/alike-a b=$E2E_TMP/alike-b
    for r in "${@:5}"; do masks+=(-draw "rectangle $r"); done
    convert "$1" "${masks[@]}" "$a.png" && convert "$2" "${masks[@]}" "$b.png" &&
        convert "$1" "$2" +append "$3" || return 1
    wide=$(compare -metric AE -fuzz 10% "$a.png" "$b.png" null: 2>&1)
    convert "$a.png" -scale 80x60 "$a-80.png" && convert "$b.png" -scale 80x60 "$b-80.png"
    small=$(compare -metric AE -fuzz 8% "$a-80.png" "$b-80.png" null: 2>&1)
    echo "    $4: $wide of 307200 pixels differ, $small of 4800 at an eighth"
    [ "${wide%%[!0-9]*}" -lt 3072 ] && [ "${small%%[!0-9]*}" = 0 ]
}

# The score panel's frame and inside and the logo's background, from the HUD picture.
HUD=$VELMORA_SOURCE_DIR/Media/hudtexture.png
SCREEN_COLOURS="$(pixel "$HUD" 502 492) $(pixel "$HUD" 502 72) $(pixel "$HUD" 25 294)"
# screen_of SHOT: splash, ready or run, by five pixels against those (the thin frame within
# $SCREEN_FRAME_TOLERANCE): no score panel is the splash, the logo's background the ready screen.
screen_of() {
    local spots='' xy
    for xy in 9,430 15,445 5,5 635,5 320,30; do
        spots+="%[fx:int(255*p{$xy}.r+.5)] %[fx:int(255*p{$xy}.g+.5)] %[fx:int(255*p{$xy}.b+.5)] "
    done
    convert "$1" -format "$spots" info: |
        awk -v want="$SCREEN_COLOURS" -v frame="${SCREEN_FRAME_TOLERANCE:-3}" '{
        split(want, w, " "); w[13] = w[10] = w[7]; w[14] = w[11] = w[8]; w[15] = w[12] = w[9]
        for (i = 1; i <= NF; i++) {
            tolerance = i <= 3 ? frame : 3
            if ($i - w[i] > tolerance || w[i] - $i > tolerance) off[int((i - 1) / 3)] = 1
        }
        print off[0] || off[1] ? "splash" : off[2] || off[3] || off[4] ? "run" : "ready" }'
}

shot() { screenshot "$1"; }  # the browser's driver takes the page's canvas instead
# shows splash|ready|run: the screen now (the driver's shot, kept as $E2E_TMP/now.png) is that.
shows() { shot "$E2E_TMP/now.png" && [ "$(screen_of "$E2E_TMP/now.png")" = "$1" ]; }
wait_screen() {  # wait_screen splash|ready|run SECONDS: while the game runs
    local end=$((SECONDS + $2))
    until shows "$1"; do ((SECONDS < end)) && game_alive || return 1; done
}

# wait_crash: until a run crashes by itself to the ready screen, within 3000 frames (about a
# thousand at full speed; slow frames carry the craft further), or frames stop for ten minutes.
wait_crash() {
    local last=$(($(frames) + 3000)) end=$((SECONDS + 600))
    until shows ready; do (($(frames) < last && SECONDS < end)) && game_alive || return 1; done
}

# craft_x SHOT: the mean column of what is drawn in the craft's rows, or -1.
craft_x() {
    convert "$1" -crop 460x95+90+300 +repage -colorspace gray -threshold 25% -scale '460x1!' \
        -depth 8 gray:- | od -An -v -tu1 |
        awk '{ for (i = 1; i <= NF; i++) { n++; s += $i * n; t += $i } }
            END { print t ? int(s / t) + 89 : -1 }'
}

loudest() { od -An -v -t d2 "$AUDIO" | tr -s ' -' '\n\n' | sort -n | tail -n 1; }  # of either sign

holds_one_integer() {  # holds_one_integer FILE: digits, one line end, nothing else
    grep -qxE -- '-?[0-9]+' "$1" && [ "$(wc -l <"$1")" = 1 ] && [ -z "$(tail -c 1 "$1")" ]
}

# spoil missing|corrupt|directory|KIND FILES...: in $PLAYER_DIR; KIND a copy of $BAD/KIND.
spoil() {
    local file size
    for file in "${@:2}"; do
        file=${PLAYER_DIR:?}/$file size=$(stat -c %s "$file")
        case $1 in
            missing) rm -r "$file" ;;
            corrupt) truncate -s 64 "$file" && truncate -s "$size" "$file" ;;
            directory) rm "$file" && mkdir "$file" ;;
            *) cp "$BAD/$1" "$file" ;;
        esac
    done
}

# The shared cases' verbs (cases.sh) for a window here, the desktop's or Wine's.
hold() { hold_key "$1" "$2"; }
pause_key() { hold Escape 2; }
click() { click_at "$@"; }
move() { move_pointer "$@"; }
MEDIA="Media/splashscreen.png Media/hudtexture.png Media/meshtexture.png Media/dashboard.png"
break_media() { spoil "$1" $MEDIA Media/music.mp3; }
sounds() { case $1 in loud) (($(loudest) > 1000)) ;; silent) [ -s "$AUDIO" ] && (($(loudest) == 0)) ;; esac; }
STEERING="A -1 hold a 20
Left -1 hold Left 20
D 1 hold d 20
Right 1 hold Right 20"
