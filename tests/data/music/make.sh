#!/usr/bin/env bash
# Regenerates the music fixtures: one second of a 1 kHz tone at half scale in each sample rate
# and channel count a player's replacement music might have, as MP3 (MPEG-1 and MPEG-2 in both
# channel counts, three MPEG 2.5 rates), and one behind a large ID3v2 tag. Needs python3 and
# lame.
set -euo pipefail
cd "$(dirname "$0")"
tone() {  # tone RATE CHANNELS FILE.wav
    python3 - "$@" <<'PY'
import math, struct, sys, wave
rate, channels, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
with wave.open(path, "wb") as w:
    w.setnchannels(channels), w.setsampwidth(2), w.setframerate(rate)
    w.writeframes(b"".join(struct.pack("<h", int(16384 * math.sin(2 * math.pi * 1000 * i / rate)))
                           * channels for i in range(rate)))
PY
}
for rate in 22050 24000 32000 44100 48000; do
    for channels in 1 2; do
        tone $rate $channels tmp.wav
        lame --quiet -b 64 --resample $((rate / 1000)) tmp.wav "tone-$rate-$channels.mp3"
    done
done
for rate_channels in 8000-1 11025-2 12000-1; do
    rate=${rate_channels%-*} channels=${rate_channels#*-}
    tone "$rate" "$channels" tmp.wav
    lame --quiet -b 32 --resample "$(python3 -c "print($rate / 1000)")" tmp.wav "tone-$rate_channels.mp3"
done
tone 44100 2 tmp.wav
lame --quiet -b 128 --resample 44.1 --tt "Tagged" --add-id3v2 --pad-id3v2-size 70000 tmp.wav tone-tagged.mp3
rm tmp.wav
