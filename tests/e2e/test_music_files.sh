#!/usr/bin/env bash
# A player may put any MP3 the mixer decodes in place of Media/music.mp3. Each fixture tone (at
# every rate of MPEG-1 and MPEG-2, mono and stereo, three MPEG 2.5 rates, and one behind a large
# ID3v2 tag) plays in the real game through the disk audio driver, the decoder's real path: the
# game keeps presenting frames and the tone is heard. Under the classic SDL 1.2 the disk file is what the
# mixer produced, so the 1 kHz tone's half period there shows that the device runs at the file's
# own rate (rate / 2000 samples). SDL 2 converts the mixer's output to a device format of its
# own choosing before the file, so there the mixer's rate is left to the unit tests.
source "$(dirname "$0")/lib.sh"
start_xvfb
make_workdir
AUDIO=$E2E_TMP/audio.raw

# SDL 2 is mapped under the classic SDL 1.2 too (the mixer's MIDI synthesiser uses it); only
# sdl12-compat, SDL 1.2 carried by SDL 2, names its own settings SDL12COMPAT_*.
on_sdl2() { grep -qa SDL12COMPAT "$(awk '/libSDL-1\.2/ { print $6; exit }' "/proc/$GAME_PID/maps")"; }

for tone in "$VELMORA_SOURCE_DIR"/tests/data/music/tone-*; do
    name=$(basename "$tone") rate_channels=${name#tone-}
    case $name in
    tone-tagged.mp3) rate=44100 channels=2 ;;
    *) rate=${rate_channels%%-*} channels=${rate_channels#*-} channels=${channels%%.*} ;;
    esac
    cp "$tone" "$WORKDIR/Media/music.mp3" && rm -f "$AUDIO"
    start_game SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$AUDIO"
    if wait_window && wait_frames $(($(frames) + 90)); then
        read -r half loudest < <(half_period "$channels")
        want=$(((rate + 1000) / 2000))  # rate / 2000 samples, rounded
        check "$name: frames keep coming and the tone is heard ($loudest)" [ "$loudest" -gt 8000 ]
        on_sdl2 ||
            check "$name: the device runs at the file's own rate (half period $half)" \
                eval '[ "$half" -ge $((want - 1)) ] && [ "$half" -le $((want + 1)) ]'
    else
        fail "$name: the game stopped presenting frames"
    fi
    check "$name: the game closes with status 0, quietly" eval 'closes_with_0 && printed_nothing'
done
finish
