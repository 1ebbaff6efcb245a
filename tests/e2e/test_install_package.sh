#!/usr/bin/env bash
# The Debian package as a player gets it: built with CPack, installed with dpkg, started from
# the launcher by an ordinary user, who then finds their settings and score in their own folder.
source "$(dirname "$0")/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "skipped: installing a package needs root"; exit 77; }
player=velmora-player data=/home/velmora-player/.local/share/velmora
trap '{ dpkg -r velmora; userdel -r $player; } >/dev/null 2>&1 || true; e2e_cleanup' EXIT

(cd "$VELMORA_BUILD_DIR" && cpack -G DEB >/dev/null)
check "dpkg installs the package" dpkg -i "$(ls -t "$VELMORA_BUILD_DIR"/velmora_*.deb | head -n 1)"
check "the launcher is on the PATH" test -x /usr/bin/velmora
check "the desktop entry is valid" desktop-file-validate /usr/share/applications/velmora.desktop
check "the metainfo is valid" \
    appstreamcli validate --no-net /usr/share/metainfo/games.velmora.Velmora.metainfo.xml
check "the icon is installed" test -s /usr/share/icons/hicolor/64x64/apps/velmora.png

userdel -r $player >/dev/null 2>&1 || true; useradd -m $player  # a fresh ordinary user
start_xvfb
# setpriv execs the launcher in place, so GAME_PID is the game's own process in the end. Its
# sound goes through SDL's disk driver to a file, where the installed music must be heard.
install -m 666 /dev/null "$AUDIO" && install -m 666 /dev/null "$SWAPS"
(cd /tmp && exec setpriv --reuid=$player --regid=$player --init-groups env -i HOME=/home/$player \
    DISPLAY="$DISPLAY" PATH=/usr/bin:/bin SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$AUDIO" \
    LD_PRELOAD="$(for_player "$SWAPCOUNT_LIB")" SWAPCOUNT_FILE="$SWAPS" \
    velmora >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr") &
GAME_PID=$!
check "the installed game opens its window" wait_window 20
check "a run crashes by itself and its score lands in the player's folder" eval 'click_at 320 240 &&
    wait_screen ready 10 && click_at 320 240 && wait_screen run 5 && wait_crash &&
    test -s "$data/velmora.score"'
check "the player got the default settings" cmp /usr/share/velmora/settings.ini $data/settings.ini
check "the player's Media links to the installed one" test -L "$data/Media"
check "the installed music is heard" [ "$(loudest)" -gt 1000 ]
check "the player owns the folder" test "$(stat -c %U "$data")" = $player
check "closing the window exits with status 0, quietly" eval 'closes_with_0 && printed_nothing'
finish
