#!/usr/bin/env bash
# Whatever lies in the player's folder, the game plays, closes with status 0, prints nothing and
# keeps the high score: each Media file or the folder missing; all Media directories, paletted,
# 16-bit, 8192 x 8192 or 60000 x 60000 pictures; settings and score file junk, directories or
# unreadable; a read-only folder. (Refused sizes are test_display.sh's, junk in each reader the
# unit tests' and the fuzzers'.)
source "$(dirname "$0")/lib.sh"
start_xvfb
CASES=0 SETTINGS=$'screenw=640\nscreenh=480\nmipmapping=1'  # mesh texture mipmaps built too
PLAYER=$([ "$(id -u)" -ne 0 ] || echo 65534)  # for whom mode 000 is unreadable, unlike root

BAD=$E2E_TMP PLAYER_DIR=$WORKDIR  # the broken files, made once, for the player's folder
head -c 65536 /dev/urandom >"$BAD/random"
convert -size 64x64 gradient:red-blue -type Palette PNG8:"$BAD/paletted"
convert -size 64x64 gradient:red-blue -depth 16 PNG64:"$BAD/16bit"
convert -size 8192x8192 xc:'#3060a0' PNG24:"$BAD/huge"
# A picture that claims 60000 x 60000 pixels (14 GB decoded) but holds a few bytes of them.
bomb=89504e470d0a1a0a0000000d494844520000ea600000ea60080600000080d275420000001149444154
bomb+=789c63601805a360140c77000003e80001b3a6d3460000000049454e44ae426082
printf "$(sed 's/../\\x&/g' <<<$bomb)" >"$BAD/bomb"

fresh() {  # Media, the settings and a high score from an earlier session, readable by the player
    rm -rf "$WORKDIR" && make_workdir "$SETTINGS" && echo 4321 >"$WORKDIR/velmora.score"
    chmod -R a+rX "$WORKDIR"
}
score() { od -An -c "$WORKDIR/velmora.score" 2>&1 || true; }  # a directory reads as an error

# plays: a click leaves the splash (reading the score file), A starts a run (with CRASH set, left
# to crash and write the score file), frames go on; closed, status 0 and nothing printed.
plays() {
    # Four 8192 x 8192 pictures, mipmapped, take a loaded machine half a minute and more.
    wait_window 120 || why "no window" || return
    click_at 320 240 && hold_key a  # the keyboard follows the pointer, which is over the window
    wait_frames $(($(frames) + 10)) || why "stops presenting frames" || return
    [ -z "${CRASH-}" ] || { wait_screen run 5 && wait_crash; } || why "no crash"
    closes_with_0 || why "status $GAME_STATUS on close" || return
    printed_nothing
}
try() {  # try CASE: in the prepared folder the game plays, and the score file stays as it was
    local before
    before=$(score) CASES=$((CASES + 1))
    start_game
    check "$1" eval 'plays && { [ "$(score)" = "$before" ] || why "score file changed"; }'
    wait_exit 0 || true  # a game that failed to end must not share the next case's screen
}

for file in $MEDIA Media/music.mp3 Media; do fresh; spoil missing "$file"; try "$file missing"; done
for kind in directory paletted 16bit huge; do
    fresh; spoil $kind $MEDIA Media/music.mp3; try "all Media: $kind"
done
# Through both ways pictures are loaded: as a texture, and as the interface's surface.
fresh; spoil bomb Media/hudtexture.png Media/dashboard.png; try "60000 x 60000 pixel pictures"
for kind in random directory; do fresh; spoil $kind settings.ini; try "settings: $kind"; done
fresh; chmod 000 "$WORKDIR/settings.ini"; GAME_USER=$PLAYER try "settings.ini unreadable"

fresh; spoil directory velmora.score; CRASH=1 try "velmora.score a directory, through a crash"
check "  and no temporary file is left" [ ! -e "$WORKDIR/velmora.score.tmp" ]
fresh; chmod 000 "$WORKDIR/velmora.score"; GAME_USER=$PLAYER try "velmora.score unreadable"
fresh; spoil random velmora.score; try "velmora.score: random"
fresh; echo 0 >"$WORKDIR/velmora.score"; chmod 555 "$WORKDIR"  # a run beats 0 but cannot save
CRASH=1 GAME_USER=$PLAYER try "a read-only working directory"
chmod 755 "$WORKDIR"
echo "$CASES bad-file cases tried"
finish
