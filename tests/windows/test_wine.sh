#!/usr/bin/env bash
# The Windows package as a player meets it, under Wine (64-bit) on a private Xvfb with software
# OpenGL, through the cases every platform shares (cases.sh): the zip unpacked into a folder
# whose path has a space and a non-ASCII letter, started from another folder (as from a command
# prompt), played with its shipped settings and their Windows line ends, the score file kept
# with a Windows line end. Then its own: the installer, its shortcut and uninstaller. Frames are
# counted from outside, by what the program draws on its window (framecount). The music, the
# score file's replacement and junk files are the unit tests', which run under Wine too.
#
# Usage: tests/windows/test_wine.sh DIR   (DIR: the output of scripts/build-windows.sh)
# Needs the Linux build's wm_close and framecount (build/tests, as ./test.sh makes them).
source "$(dirname "$0")/../e2e/lib.sh"
source "$(dirname "$0")/../e2e/cases.sh"
PACKAGE=$(cd "$1" && pwd)
FRAMECOUNT_BIN=$VELMORA_SOURCE_DIR/build/tests/framecount
export WINEPREFIX=$T/wine WINEDEBUG=-all WINEARCH=win64
# No installer prompt for .NET or a browser engine blocks the fresh prefix; the disk driver
# needs no sound server.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winealsa.drv=;winepulse.drv="
trap 'wineserver -k 2>/dev/null; e2e_cleanup' EXIT

start_xvfb
started=$SECONDS
mkdir -p "$WINEPREFIX"
wineserver -p  # kept until the end: each start of the game then takes a second, not five
timeout 120 wineboot -i >/dev/null 2>&1 || { echo "the Wine prefix was not made" >&2; exit 1; }
echo "Wine prefix ready in $((SECONDS - started)) s"

GAME_DIR="$T/Saved Games/Zoë Velmora" PACKED=$T/Velmora && mkdir "$T/Saved Games"
(cd "$T" && unzip -q "$PACKAGE/velmora-windows-x64.zip")
PLAYER_DIR=$GAME_DIR SCORE=$GAME_DIR/velmora.score

# wait_wine_window [seconds]: sets GAME_WINDOW once the window shows, and counts its frames.
wait_wine_window() {
    local end=$((SECONDS + ${1:-30}))
    until GAME_WINDOW=$(xdotool search --onlyvisible --name '^www\.velmora\.games$' | tail -1) &&
        [ -n "$GAME_WINDOW" ]; do
        ((SECONDS < end)) && game_alive && sleep 0.2 || return 1
    done
    "$FRAMECOUNT_BIN" "$GAME_WINDOW" "$SWAPS" &
}
# start_wine: velmora.exe started from another folder, where it must find its own folder's.
start_wine() {
    rm -f "$AUDIO" "$SWAPS"
    (cd "$T" && exec env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$AUDIO" \
        wine "$GAME_DIR/velmora.exe" >"$T/stdout" 2>"$T/stderr") &
    GAME_PID=$! GAME_STATUS='' GAME_WINDOW=
}

# ---- the driver's verbs (cases.sh) ----
game_start() { start_wine && wait_wine_window && wait_frames 2; }
game_end() { closes_with_0; }
exited() { wait_exit 15 && [ "$GAME_STATUS" = 0 ]; }
stored_score() {
    grep -qxE -- "-?[0-9]+"$'\r' "$SCORE" && [ "$(wc -l <"$SCORE")" = 1 ] && tr -d '\r\n' <"$SCORE" ||
        echo none
}
store_score() { printf '%s\r\n' "$1" >"$SCORE"; }
new_player() { rm -rf "$GAME_DIR" && cp -r "$PACKED" "$GAME_DIR"; }

xdotool mousemove 1200 1000  # off the window until a case moves it
shared_cases

# ---- the installer ----

wine_path() { timeout 60 wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
timeout 120 wine "$PACKAGE/velmora-setup.exe" /S >/dev/null 2>&1
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

# The shortcut starts the game in the install folder (start returns at once: found by window).
(cd "$T" && timeout 60 wine start "$SHORTCUT" >/dev/null 2>&1)
GAME_PID=
check "the shortcut starts the game" wait_wine_window
GAME_PID=$(xdotool getwindowpid "$GAME_WINDOW" 2>/dev/null)
check "in the install folder, where its crash keeps the score" eval 'wait_frames 2 &&
    leave_splash && start_run && wait_crash && [ -e "$INSTALLED/velmora.score" ]'
game_end  # the program must have ended, or Windows keeps its file

# The uninstaller runs a copy of itself from the temporary folder and returns at once.
timeout 60 wine "$INSTALLED/uninstall.exe" /S >/dev/null 2>&1
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
