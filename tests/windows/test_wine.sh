#!/usr/bin/env bash
# The Windows package as a player meets it, run under Wine (64-bit) on a private Xvfb with
# software OpenGL: the zip unpacked into a folder whose path has a space and a non-ASCII letter,
# the game's pictures beside the Linux build's, steering, crashes and the score file with its
# Windows line end, the bad-file cases, the music heard through SDL's disk driver, the exit
# statuses, and the installer with its shortcut and uninstaller. The music at each file's own
# rate, and the score file's replacement, are the unit tests' (scripts/test-windows.sh runs them
# under Wine).
#
# Usage: tests/windows/test_wine.sh DIR   (DIR: the output of scripts/build-windows.sh)
# The Linux build (build/velmora, as ./test.sh makes it) provides the pictures to compare with
# and wm_close; without it those checks are skipped. Every wait is bounded.
source "$(dirname "$0")/../e2e/lib.sh"
PACKAGE=$(cd "$1" && pwd)
T=$E2E_TMP SHOTS=${VELMORA_WINE_SHOTS:-$E2E_TMP/shots}
mkdir -p "$SHOTS"
export WINEPREFIX=$T/wine WINEDEBUG=-all WINEARCH=win64
# No installer prompt for .NET or a browser engine blocks the fresh prefix; the disk driver
# needs no sound server.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winealsa.drv=;winepulse.drv="
wine_cleanup() { wineserver -k 2>/dev/null || true; }
trap 'wine_cleanup; e2e_cleanup' EXIT

start_xvfb
started=$SECONDS
mkdir -p "$WINEPREFIX"
wineserver -p  # kept until the end: each start of the game then takes a second, not five
timeout 120 wineboot -i >/dev/null 2>&1 || { echo "the Wine prefix was not made" >&2; exit 1; }
echo "Wine prefix ready in $((SECONDS - started)) s"

GAME_DIR="$T/Saved Games/Zoë Velmora"
mkdir -p "$GAME_DIR" && (cd "$T" && unzip -q "$PACKAGE/velmora-windows-x64.zip")
PACKED=$T/Velmora
fresh() {  # the unpacked folder as a player gets it, plus optional settings text
    rm -rf "$GAME_DIR" && cp -r "$PACKED" "$GAME_DIR"
    [ $# = 0 ] || printf '%s\r\n' "$@" >"$GAME_DIR/settings.ini"
}

# start_wine: velmora.exe, its sound to $AUDIO, in the game folder or in $START_DIR when set.
start_wine() {
    rm -f "$AUDIO"
    (cd "${START_DIR:-$GAME_DIR}" && exec env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$AUDIO" \
        wine "$GAME_DIR/velmora.exe" >"$T/stdout" 2>"$T/stderr") &
    GAME_PID=$! GAME_STATUS='' GAME_WINDOW=
}
# wait_wine_window [seconds]: sets GAME_WINDOW once the game's window shows.
wait_wine_window() {
    local end=$((SECONDS + ${1:-30}))
    while ((SECONDS < end)); do
        GAME_WINDOW=$(xdotool search --onlyvisible --name '^www\.velmora\.games$' 2>/dev/null |
            tail -1 || true)
        [ -z "$GAME_WINDOW" ] || return 0
        [ -z "$GAME_PID" ] || kill -0 "$GAME_PID" 2>/dev/null || return 1
        sleep 0.2
    done
    return 1
}
size_of() { xwininfo -id "$GAME_WINDOW" | awk '/Width:/ { w = $2 } /Height:/ { print w "x" $2 }'; }

# Frames are not counted under Wine: a hold lasts long enough for several frames at any rate
# the game reaches here.
held() { sleep "$1"; }

# wait_drawn SECONDS: until the window shows more than the black of its first frames.
wait_drawn() {
    local end=$((SECONDS + $1))
    until screenshot "$T/now.png" && [ "$(convert "$T/now.png" -format '%[fx:mean>0.05]' info:)" = 1 ]; do
        ((SECONDS < end)) || return 1
    done
}
# alike NAME [rectangles...]: the Linux build's and Wine's pictures NAME agree.
alike() { alike_pictures "$T/linux-$1.png" "$T/wine-$1.png" "$SHOTS/$1-linux-wine.png" "$@"; }
off_window() { xdotool mousemove 1200 1000; }
# Keys go to the window under the pointer (no window manager gives focus): the pointer is put on
# the window first, in a corner where it hides nothing looked at.
key() { move_pointer 620 100 && hold_key "$1" "${2:-0.3}"; }
escape() { key Escape; }
click_away() { click_at 320 240 && off_window && sleep 0.3; }
# The pause overlay's date and time (top panel, right half) change from one picture to another.
CLOCK="300,18 639,57"

# ---- the pictures, beside the Linux build's ----

# take PREFIX: the splash, the ready screen and the pause overlay of the game just started.
take() {
    off_window
    wait_screen splash 30 && wait_drawn 10 && cp "$T/now.png" "$T/$1-splash.png" &&
        wait_screen ready 10 && sleep 0.5 && screenshot "$T/$1-ready.png" &&
        escape && off_window && sleep 1.5 && screenshot "$T/$1-pause.png" && escape && sleep 1.5
}
LINUX_BIN=$VELMORA_SOURCE_DIR/build/velmora
if [ -x "$LINUX_BIN" ] && [ -x "$WM_CLOSE_BIN" ]; then
    make_workdir "$(tr -d '\r' <"$PACKED/settings.ini")"
    VELMORA_BIN=$LINUX_BIN start_game
    wait_window 30 && take linux || fail "the Linux build's pictures were not taken"
    close_window && wait_exit 10 || true
fi

fresh
start_wine
check "the game starts from a folder named with a space and a non-ASCII letter" wait_wine_window
check "the shipped settings (Windows line ends) open a 640 x 480 window" \
    eval '[ "$(size_of)" = 640x480 ]'
check "splash, ready screen and pause overlay show" take wine
if [ -e "$T/linux-ready.png" ]; then
    check "the splash is the Linux build's" alike splash
    check "the ready screen is the Linux build's" alike ready
    check "the pause overlay is the Linux build's, the clock aside" alike pause "$CLOCK"
fi
check "the music is mixed, not silence" eval '[ "$(loudest)" -gt 1000 ]'

# ---- runs: moving, steering, crashing, the score file ----

start_run() { wait_screen ready 30 && click_away && wait_screen run 5; }
start_run && screenshot "$T/run1.png" && sleep 0.3 && screenshot "$T/run2.png" || true
cp "$T/run1.png" "$SHOTS/run-wine.png" || true
check "a click starts a run that moves" eval '! same "$T/run1.png" "$T/run2.png"'
for case in "a -1 left" "Left -1 left" "d 1 right" "Right 1 right"; do
    read -r key way side <<<"$case"
    check "$key steers the craft $side" steers "$key" "$way" key "$key" 0.4
done
check "a crash returns to the ready screen" wait_screen ready 30
cp "$T/now.png" "$SHOTS/crashed-wine.png" || true
convert "$T/now.png" -crop 120x17+132+404 +repage "$T/high.png"
convert "$T/wine-ready.png" -crop 120x17+132+404 +repage "$T/high0.png"
check "which shows the run's score as the high score" eval '! same "$T/high.png" "$T/high0.png"'
SCORE=$GAME_DIR/velmora.score
score_holds() { grep -qxE -- "-?[0-9]+"$'\r' "$SCORE" && [ "$(wc -l <"$SCORE")" = 1 ]; }
check "the score file holds one integer and a Windows line end: $(od -An -c "$SCORE" | xargs)" \
    score_holds
close_window
check "closing the window ends the game with status 0" eval 'wait_exit 15 && [ $GAME_STATUS = 0 ]'

# The score file's replacement is the unit tests' (run under Wine too); here, Exit after a run.
start_wine && wait_wine_window && start_run && wait_screen ready 30 || true
escape && sleep 1.5 && move_pointer 320 165 && xdotool mousedown 1 sleep 0.3 mouseup 1
check "Exit ends the game with status 0" eval 'wait_exit 15 && [ $GAME_STATUS = 0 ]'

# Started from another folder (as from a command prompt), the game finds its own folder's
# Media and keeps its score there.
rm -f "$SCORE"
START_DIR=$T start_wine
check "started from another folder, it shows its pictures" \
    eval 'wait_wine_window && wait_screen ready 15 && start_run'
for ((i = 0; i < 300; i++)); do [ -e "$SCORE" ] && break || sleep 0.1; done
check "  and keeps its score in its own folder" score_holds
close_window && wait_exit 15 || true

# ---- settings, bad files, statuses ----

fresh "screenw=-640" "screenh=480"
start_wine
check "a size the display refuses ends the game with status 3" \
    eval 'wait_exit 30 && [ $GAME_STATUS = 3 ]'
fresh
DISPLAY=:9999 start_wine
check "no display ends the game with status 1" eval 'wait_exit 30 && [ $GAME_STATUS = 1 ]'

BAD=$T PLAYER_DIR=$GAME_DIR
head -c 65536 /dev/urandom >"$BAD/random"
MEDIA="Media/splashscreen.png Media/hudtexture.png Media/meshtexture.png Media/dashboard.png"
# try CASE: the game runs, a click and A start a run, it goes on for half a second (the first
# pillars need more to reach the craft, so no run ends and beats a high score read as 0), and
# the closed window ends it with status 0; the score file is as before.
try() {
    local before
    before=$(od -An -c "$SCORE" 2>&1 || true)
    start_wine
    check "$1" eval 'wait_wine_window && click_at 320 240 && hold_key a 0.3 && sleep 0.5 &&
        close_window && wait_exit 15 && [ $GAME_STATUS = 0 ] &&
        [ "$(od -An -c "$SCORE" 2>&1 || true)" = "$before" ]'
    wait_exit 0 || true
}
bad() { fresh && printf '4321\r\n' >"$SCORE" && spoil "$@"; }
bad missing Media && try "without a Media folder"
bad cut $MEDIA Media/music.mp3 && try "all Media cut short"
bad random $MEDIA Media/music.mp3 && try "all Media random"
bad random settings.ini && try "settings.ini random"
bad directory settings.ini && try "settings.ini a directory"
bad random velmora.score && try "velmora.score random"
bad directory velmora.score && try "velmora.score a directory"

# ---- the installer ----

wine_path() { timeout 60 wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
timeout 120 wine "$PACKAGE/velmora-setup.exe" /S >/dev/null 2>&1 || true
windows_variable() { timeout 60 wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
LOCAL=$(wine_path "$(windows_variable LOCALAPPDATA)")
SHORTCUT="$(windows_variable APPDATA)\Microsoft\Windows\Start Menu\Programs\Velmora.lnk"
MENU=$(dirname "$(wine_path "$SHORTCUT")")
INSTALLED=$LOCAL/Programs/Velmora
installed() {
    local f
    for f in velmora.exe settings.ini README.txt THIRD-PARTY.txt uninstall.exe $MEDIA \
        Media/music.mp3 licences/libmad.txt licences/SDL.txt licences/SDL_mixer.txt \
        licences/libpng.txt licences/zlib.txt licences/Velmora.txt; do
        [ -s "$INSTALLED/$f" ] || { echo "  $f missing" >&2 && return 1; }
    done
}
check "the silent install puts the game in %LOCALAPPDATA%\\Programs\\Velmora" installed
check "with a Start-menu shortcut" [ -e "$MENU/Velmora.lnk" ]
check "and an entry in the installed apps" eval \
    'timeout 60 wine reg query "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora" \
        /v UninstallString 2>/dev/null | grep -q uninstall.exe'

# The shortcut starts the game in the install folder: its crash writes the score file there.
# start returns at once: the game's process is known by its window.
(cd "$T" && timeout 60 wine start "$SHORTCUT" >/dev/null 2>&1) || true
GAME_PID=
check "the shortcut starts the game" wait_wine_window
GAME_PID=$(xdotool getwindowpid "$GAME_WINDOW" 2>/dev/null || true)
start_run || true
for ((i = 0; i < 300; i++)); do [ -e "$INSTALLED/velmora.score" ] && break || sleep 0.1; done
check "in the install folder, where its crash keeps the score" [ -e "$INSTALLED/velmora.score" ]
close_window && wait_exit 15 || true
# The program must have ended, or Windows keeps its file.
for ((i = 0; i < 150; i++)); do kill -0 "$GAME_PID" 2>/dev/null && sleep 0.1 || break; done

# The uninstaller runs a copy of itself from the temporary folder and returns at once.
timeout 60 wine "$INSTALLED/uninstall.exe" /S >/dev/null 2>&1 || true
left() {
    local f
    for f in velmora.exe Media uninstall.exe "$MENU/Velmora.lnk"; do
        [ "${f:0:1}" = / ] || f=$INSTALLED/$f
        [ ! -e "$f" ] || echo "$f"
    done
}
for ((i = 0; i < 150; i++)); do [ -n "$(left)" ] && sleep 0.2 || break; done
check "the silent uninstall removes the program, its Media and the shortcut" \
    eval '[ -z "$(left)" ] || { echo "  still there: $(left)" >&2 && false; }'
check "and keeps the player's score and settings" \
    eval '[ -s "$INSTALLED/velmora.score" ] && [ -s "$INSTALLED/settings.ini" ]'
echo "Wine test finished in $((SECONDS - started)) s"
finish
