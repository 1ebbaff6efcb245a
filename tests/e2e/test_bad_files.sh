#!/usr/bin/env bash
# Whatever lies in the player's folder, the game starts (or, for a display size the video
# system refuses, ends with status 3), shows its frames, closes with status 0, prints nothing
# and keeps the high score written before. Every Media file in turn is missing, cut short,
# random bytes, a directory, a paletted, a 16-bit and an 8192 x 8192 picture; settings.ini and
# the score file are junk, huge, directories or unreadable; the working directory is read-only.
# One X server for all cases; each case is one start of the real game.
source "$(dirname "$0")/lib.sh" || exit 1

start_xvfb 1280x1024x24
CASES=0
HIGH_SCORE=$'4321\n'
# A small window with mipmaps, so that the mesh texture goes through the mipmap builder too;
# without multisampling, which only makes frames dearer.
SETTINGS=$'screenw=640\nscreenh=480\nmipmapping=1'
BAD=$E2E_TMP/bad
mkdir -p "$BAD"
# Another user for the unreadable files: root reads a file of mode 000 all the same.
PLAYER_ID=65534
# The other user must reach the working directory.
chmod 711 "$E2E_TMP"

# --- The bad files, made once. ---
head -c 65536 /dev/urandom >"$BAD/random"
convert -size 64x64 gradient:red-blue -type Palette PNG8:"$BAD/paletted.png"
convert -size 64x64 gradient:red-blue -depth 16 PNG64:"$BAD/16bit.png"
convert -size 8192x8192 xc:'#3060a0' PNG24:"$BAD/huge.png"
# A picture that claims 60000 x 60000 pixels (14 GB decoded) but holds a few bytes of them.
bomb=89504e470d0a1a0a0000000d494844520000ea600000ea60080600000080d27542000000114944415478
bomb+=9c63601805a360140c77000003e80001b3a6d3460000000049454e44ae426082
printf "$(sed 's/../\\x&/g' <<<"$bomb")" >"$BAD/bomb.png"
head -c 1000000 /dev/zero | tr '\0' 7 >"$BAD/digits"
{
    printf '%s\n' "$SETTINGS"
    head -c 7900000 /dev/urandom | base64 -w 200
} >"$BAD/10mb"
truncate -s 10485760 "$BAD/10mb"

# fresh_workdir: Media, the settings and a high score from an earlier session.
fresh_workdir() {
    chmod -R u+rwX "$WORKDIR" 2>/dev/null || true
    rm -rf "$WORKDIR"
    make_workdir "$SETTINGS"
    printf '%s' "$HIGH_SCORE" >"$WORKDIR/velmora.score"
    chmod -R a+rX "$WORKDIR"
}

# Buffer swaps are counted by the benchmarks' preload, when it is built: the game is in its
# frame loop (all start-up done) once they climb, and a screenshot then shows a real frame.
SWAPCOUNT_LIB=${VELMORA_BUILD_DIR:-$(dirname "$VELMORA_BIN")}/bench/libswapcount.so
SWAPS=$E2E_TMP/swaps
GAME_ENV=(SDL_AUDIODRIVER=dummy)
if [ -e "$SWAPCOUNT_LIB" ]; then GAME_ENV+=(LD_PRELOAD="$SWAPCOUNT_LIB" SWAPCOUNT_FILE="$SWAPS"); fi

# reset_swaps: a fresh counter file that the other user may write too.
reset_swaps() {
    rm -f "$SWAPS"
    printf '' >"$SWAPS"
    chmod 666 "$SWAPS"
}
swaps() { [ -s "$SWAPS" ] && od -An -t d8 -N 8 "$SWAPS" | tr -d ' ' || echo 0; }

# wait_swaps COUNT [seconds]: waits until the game has presented COUNT frames in all (without
# the counter, a fixed second stands in for it).
wait_swaps() {
    [ -e "$SWAPCOUNT_LIB" ] || { sleep 1; return 0; }
    local limit=$((${2:-30} * 20)) i
    for ((i = 0; i < limit; i++)); do
        [ "$(swaps)" -ge "$1" ] && return 0
        kill -0 "$GAME_PID" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

start_here() {
    reset_swaps
    start_game "${GAME_ENV[@]}"
}

# start_as_player: the game as an ordinary user, for whom mode 000 really is unreadable.
start_as_player() {
    reset_swaps
    if [ "$(id -u)" -ne 0 ]; then
        start_game "${GAME_ENV[@]}"
        return
    fi
    (cd "$WORKDIR" && exec setpriv --reuid=$PLAYER_ID --regid=$PLAYER_ID --clear-groups \
        env -i DISPLAY="$DISPLAY" HOME=/nonexistent "${GAME_ENV[@]}" "$VELMORA_BIN" \
        >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr") &
    GAME_PID=$!
    GAME_STATUS=
}

shows_frames() { [ "$(convert "$1" -format '%[fx:maxima]' info:)" != 0 ]; }

why() {
    echo "  $CASE_NAME: $*" >&2
    return 1
}

# plays_and_closes [crash]: once frames come, leaves the splash (which reads the score file),
# starts a run, takes a screenshot of it, slides the pause overlay in and closes the window.
# With "crash" the run is left to crash on its own first, so that the game tries to write its
# score file.
plays_and_closes() {
    if ! wait_settled_window 30; then
        wait_exit 5 || kill -9 "$GAME_PID"
        why "no window (status $GAME_STATUS)"
        return
    fi
    wait_swaps 3 || why "presents no frames" || return
    # Frames come from the final window; a provisional one of the desktop's size may have
    # been seen first.
    GAME_WINDOW=$(xdotool search --onlyvisible --name . 2>/dev/null | tail -n 1)
    click_at 320 240
    move_pointer 600 300 # the keyboard follows the pointer without a window manager
    hold_key a
    wait_swaps $(($(swaps) + 10)) || why "stops presenting frames" || return
    timeout 20 import -window "$GAME_WINDOW" "$E2E_TMP/shot.png" || why "no screenshot" || return
    shows_frames "$E2E_TMP/shot.png" || why "only black frames" || return
    if [ "${1-}" = crash ]; then sleep 4; fi
    hold_key Escape
    kill -0 "$GAME_PID" 2>/dev/null || why "ended by itself" || return
    close_window
    wait_exit 20 || why "does not end when its window is closed" || return
    [ "$GAME_STATUS" = 0 ] || why "status $GAME_STATUS" || return
    printed_nothing || why "printed: $(head -c 200 "$E2E_TMP/stdout" "$E2E_TMP/stderr")"
}

# end_leftover: a game that failed to end is ended here, so that the next case starts alone.
end_leftover() {
    [ -n "$GAME_PID" ] || return 0
    kill -9 "$GAME_PID" 2>/dev/null || true
    wait "$GAME_PID" 2>/dev/null || true
    GAME_PID=
}

keeps_high_score() {
    [ "$(cat "$WORKDIR/velmora.score")" = "${HIGH_SCORE%$'\n'}" ] || why "score file changed"
}

# try CASE_NAME: runs the prepared working directory with the game as root (or the caller).
try() {
    CASE_NAME=$1
    CASES=$((CASES + 1))
    start_here
    check "$CASE_NAME" eval 'plays_and_closes && keeps_high_score'
    end_leftover
}

# --- Every Media file in turn. ---
for name in splashscreen.png hudtexture.png meshtexture.png dashboard.png music.mp3; do
    file=$WORKDIR/Media/$name
    original=$VELMORA_SOURCE_DIR/Media/$name
    fresh_workdir
    rm "$file"
    try "Media/$name missing"
    fresh_workdir
    head -c $(($(stat -c %s "$original") / 2)) "$original" >"$file"
    try "Media/$name cut in half"
    fresh_workdir
    cp "$BAD/random" "$file"
    try "Media/$name random bytes"
    fresh_workdir
    rm "$file" && mkdir "$file"
    try "Media/$name a directory"
    for picture in paletted 16bit huge; do
        fresh_workdir
        cp "$BAD/$picture.png" "$file"
        try "Media/$name a $picture PNG"
    done
done
# Through both ways pictures are loaded: as a texture, and as the interface's surface.
for name in hudtexture.png dashboard.png; do
    fresh_workdir
    cp "$BAD/bomb.png" "$WORKDIR/Media/$name"
    try "Media/$name claiming 60000 x 60000 pixels"
done

# --- settings.ini ---
fresh_workdir
cp "$BAD/random" "$WORKDIR/settings.ini"
try "settings.ini binary junk"
fresh_workdir
cp "$BAD/10mb" "$WORKDIR/settings.ini"
try "settings.ini of 10 MB"
fresh_workdir
rm "$WORKDIR/settings.ini" && mkdir "$WORKDIR/settings.ini"
try "settings.ini a directory"
fresh_workdir
chmod 000 "$WORKDIR/settings.ini"
CASE_NAME="settings.ini unreadable"
CASES=$((CASES + 1))
start_as_player
check "$CASE_NAME" eval 'plays_and_closes && keeps_high_score'

fresh_workdir
printf 'screenw=-640\nscreenh=480\n' >"$WORKDIR/settings.ini"
CASES=$((CASES + 1))
start_here
wait_exit 10 || kill -9 "$GAME_PID"
check "settings.ini with a negative width: status 3, quietly" \
    eval '[ "$GAME_STATUS" = 3 ] && printed_nothing && keeps_high_score'

# --- The score file: the game must not lose it, and its own high score is left alone. ---
# score_case NAME: the score file, as prepared, is the same afterwards.
score_case() {
    CASE_NAME=$1
    CASES=$((CASES + 1))
    local before
    before=$(od -An -c "$WORKDIR/velmora.score" 2>/dev/null || echo directory)
    "${START:-start_here}"
    check "$CASE_NAME" eval 'plays_and_closes "${CRASH-}" &&
        [ "$(od -An -c "$WORKDIR/velmora.score" 2>/dev/null || echo directory)" = "$before" ]'
    end_leftover
}
fresh_workdir
rm "$WORKDIR/velmora.score" && mkdir "$WORKDIR/velmora.score"
CRASH=crash score_case "velmora.score a directory, through a run that would write it"
check "  and no temporary file is left behind" eval '[ ! -e "$WORKDIR/velmora.score.tmp" ]'
fresh_workdir
chmod 000 "$WORKDIR/velmora.score"
START=start_as_player score_case "velmora.score unreadable"
for content in digits random; do
    fresh_workdir
    cp "$BAD/$content" "$WORKDIR/velmora.score"
    score_case "velmora.score holding $content"
done
fresh_workdir
printf '%s\n' -5 >"$WORKDIR/velmora.score"
score_case "velmora.score negative"
fresh_workdir
printf '%s\n' 2147483648 >"$WORKDIR/velmora.score"
score_case "velmora.score holding 2147483648"

# --- A read-only working directory: a run that beats the high score cannot save it. ---
fresh_workdir
printf '0\n' >"$WORKDIR/velmora.score"
chmod 555 "$WORKDIR"
CRASH=crash START=start_as_player score_case "a read-only working directory"
chmod 755 "$WORKDIR"

echo "$CASES bad-file cases tried"
finish
