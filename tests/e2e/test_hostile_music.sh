#!/usr/bin/env bash
# Any file as Media/music.mp3 is safe: random bytes, a real MP3 cut short or with random bytes
# inside, two rates or channel counts spliced into one file, a picture, a WAV file renamed.
# Under SDL's dummy audio driver, which takes whatever format it is asked for as many sound
# servers do, each plays in the real game or stays silent, and the game keeps presenting frames
# and closes with status 0. .ci/run repeats this with the sanitizer build, on Debian 12 and 13.
source "$(dirname "$0")/lib.sh"
start_xvfb
make_workdir
MUSIC=$VELMORA_SOURCE_DIR/tests/data/music HOSTILE=$E2E_TMP/hostile
mkdir -p "$HOSTILE"

# Reproducible noise: noise SEED BYTES
noise() { python3 -c 'import random, sys; random.seed(int(sys.argv[1])); sys.stdout.buffer.write(random.randbytes(int(sys.argv[2])))' "$@"; }
for seed in 1 2 3; do noise $seed 60000 >"$HOSTILE/random-$seed"; done
head -c 5000 "$MUSIC/tone-44100-2.mp3" >"$HOSTILE/cut"
{ head -c 3000 "$MUSIC/tone-44100-2.mp3" && noise 4 700 && tail -c +3001 "$MUSIC/tone-44100-2.mp3"; } >"$HOSTILE/noise-inside"
cat "$MUSIC/tone-8000-1.mp3" "$MUSIC/tone-44100-2.mp3" >"$HOSTILE/8k-then-44k"
cat "$MUSIC/tone-44100-2.mp3" "$MUSIC/tone-44100-1.mp3" >"$HOSTILE/stereo-then-mono"
cat "$MUSIC/tone-12000-1.mp3" "$MUSIC/tone-11025-2.mp3" >"$HOSTILE/mpeg25-spliced"
cp "$VELMORA_SOURCE_DIR/Media/splashscreen.png" "$HOSTILE/picture"
{ printf 'RIFF\x24\x58\x01\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x44\xac\x00\x00\x88\x58\x01\x00\x02\x00\x10\x00data\x00\x58\x01\x00' && noise 5 88064; } >"$HOSTILE/wav"

for file in "$HOSTILE"/*; do
    name=$(basename "$file")
    cp "$file" "$WORKDIR/Media/music.mp3"
    start_game SDL_AUDIODRIVER=dummy
    if wait_window && wait_frames $(($(frames) + 60)); then
        check "$name: the game closes with status 0" eval 'closes_with_0'
    else
        fail "$name: the game stopped presenting frames" && wait_exit 1
    fi
done
finish
