"""Velmora's music: a loopable dusk-synth track rendered sample by sample with numpy.

The echo and the reverb are rendered on a circle: their tails that run past the end come back
in at the start, so the last sample leads straight into the first. The notes themselves stop a
sixteenth before the end (a classic break before the downbeat), and the file leaves out the
last GAP samples of that break: an MP3 decoder without gapless support plays the encoder's
start delay and end padding there instead, so the loop keeps its beat.
"""

import numpy as np

RATE = 44100
STEP = 5247  # one sixteenth note, about 126 beats a minute
BARS = 32
LENGTH = STEP * 16 * BARS  # 2332 MP3 frames of 1152 samples exactly
GAP = 576 + 529 + 815  # LAME's start delay, the decoder's delay and LAME's end padding
TAIL = RATE * 3  # room past the end for the dry notes, which are cut by the final break

A4 = 440.0
# The game mixes at the file's own 44.1 kHz, so the track may use the whole band: the edge from
# here to 1.1 x TOP stays below the encoder's low-pass at 192 kbit/s and far from Nyquist.
TOP = 17500.0


def hz(midi):
    return A4 * 2.0 ** ((midi - 69) / 12.0)


def place(buf, start, sig):
    """Adds sig (n,) or (n, 2) into the stereo buffer at start, cut at the buffer's end."""
    if sig.ndim == 1:
        sig = np.stack([sig, sig], axis=1)
    n = min(len(sig), len(buf) - start)
    if n > 0:
        buf[start:start + n] += sig[:n]


def pan(sig, p):
    """p from -1 (left) to 1 (right), constant power."""
    a = (p + 1) * np.pi / 4
    return np.stack([sig * np.cos(a), sig * np.sin(a)], axis=1)


def adsr(n, attack, decay, sustain, release, hold):
    """Envelope of n samples: attack, decay to sustain, held until 'hold' samples, released."""
    t = np.arange(n, dtype=np.float64)
    env = np.where(t < attack, t / max(attack, 1), 1.0)
    dec = sustain + (1 - sustain) * np.exp(-(t - attack) / max(decay, 1))
    env = np.where(t >= attack, dec, env)
    rel_start_level = sustain + (1 - sustain) * np.exp(-max(hold - attack, 0) / max(decay, 1))
    env = np.where(t >= hold, rel_start_level * np.exp(-(t - hold) / max(release, 1)), env)
    return env


def saw_voice(freq, n, cutoff, detune_cents=0.0, phase=0.0, max_harm=40, resonance=0.0):
    """Band-limited sawtooth through a smooth low-pass whose cutoff (Hz) may move per sample."""
    t = np.arange(n) / RATE
    f = freq * 2 ** (detune_cents / 1200.0)
    out = np.zeros(n)
    cutoff = np.broadcast_to(np.asarray(cutoff, dtype=np.float64), (n,))
    for k in range(1, max_harm + 1):
        fk = f * k
        if fk > TOP:
            break
        ratio = fk / cutoff
        gain = 1.0 / np.sqrt(1.0 + ratio ** 4)
        if resonance:
            gain = gain * (1.0 + resonance * np.exp(-((ratio - 1.0) / 0.25) ** 2))
        out += gain * np.sin(2 * np.pi * fk * t + phase * k) / k
    return out


def square_voice(freq, n, cutoff, max_harm=30, vibrato=0.0):
    t = np.arange(n) / RATE
    vib = 1.0 + vibrato * np.sin(2 * np.pi * 5.5 * t) * np.clip(t / 0.25, 0, 1)
    ph = 2 * np.pi * freq * np.cumsum(vib) / RATE
    out = np.zeros(n)
    for k in range(1, max_harm + 1, 2):
        if freq * k > TOP:
            break
        out += np.sin(ph * k) / k / np.sqrt(1 + (freq * k / cutoff) ** 4)
    return out


# --- Drums -----------------------------------------------------------------------------------


def kick(rng):
    n = int(0.42 * RATE)
    t = np.arange(n) / RATE
    f = 44 + 110 * np.exp(-t / 0.035)
    body = np.sin(2 * np.pi * np.cumsum(f) / RATE) * np.exp(-t / 0.16)
    click = rng.standard_normal(n) * np.exp(-t / 0.0025) * 0.25
    return np.tanh(1.6 * (body + click)) * 0.72


def lowpass(x, a):
    """One-pole low-pass, a = 0..1 (smaller is darker); vectorised by an exponential kernel."""
    k = int(min(len(x), 8 / max(a, 1e-3)))
    kernel = a * (1 - a) ** np.arange(k)
    return np.convolve(x, kernel)[: len(x)]


def snare(rng):
    n = int(0.3 * RATE)
    t = np.arange(n) / RATE
    noise = rng.standard_normal(n)
    noise = noise - lowpass(noise, 0.08)
    tone = np.sin(2 * np.pi * 190 * t) * np.exp(-t / 0.05)
    return (noise * np.exp(-t / 0.075) * 0.55 + tone * 0.5) * 0.8


def hat(rng, open_=False):
    n = int((0.32 if open_ else 0.06) * RATE)
    t = np.arange(n) / RATE
    noise = rng.standard_normal(n)
    noise = lowpass(noise - lowpass(noise, 0.35), 0.75)
    return noise * np.exp(-t / (0.09 if open_ else 0.014)) * 0.17


def crash(rng):
    n = int(2.2 * RATE)
    t = np.arange(n) / RATE
    noise = rng.standard_normal((n, 2))
    for ch in range(2):
        noise[:, ch] -= lowpass(noise[:, ch], 0.25)
    return noise * np.exp(-t / 0.6)[:, None] * 0.16


# --- Harmony ---------------------------------------------------------------------------------
# A minor, four-bar phrases: Am - F - C - G, and in the middle Dm - F - G - Am / F - G - Em - Am.
CHORDS_A = [(57, 60, 64), (53, 57, 60), (48, 52, 55), (55, 59, 62)]
CHORDS_B = [(50, 53, 57), (53, 57, 60), (55, 59, 62), (57, 60, 64)]
CHORDS_C = [(53, 57, 60), (55, 59, 62), (52, 55, 59), (57, 60, 64)]
SECTIONS = [CHORDS_A, CHORDS_A, CHORDS_A, CHORDS_A, CHORDS_B, CHORDS_C, CHORDS_A, CHORDS_A]


def chord_of_bar(bar):
    return SECTIONS[bar // 4][bar % 4]


# Lead melody per four-bar phrase: (step within phrase, midi, length in steps).
LEAD_A = [(0, 76, 6), (6, 74, 2), (8, 72, 4), (12, 71, 4), (16, 72, 6), (22, 69, 2), (24, 72, 4),
          (28, 74, 4), (32, 76, 6), (38, 79, 2), (40, 76, 8), (48, 74, 6), (54, 71, 2),
          (56, 74, 8)]
LEAD_B = [(0, 76, 6), (6, 77, 2), (8, 76, 8), (16, 72, 4), (20, 74, 4), (24, 77, 8),
          (32, 79, 6), (38, 77, 2), (40, 74, 8), (48, 76, 12), (60, 72, 2), (62, 74, 2)]


def drum_pattern(bar, drums, verb_send, kit, kicks):
    section = bar // 4
    base = bar * 16 * STEP
    full = section != 4  # bars 17-20 thin out to kick on one and three
    k, sn, hats, ohat, cr = kit
    for s in range(16):
        pos = base + s * STEP
        if s % 4 == 0 and (full or s in (0, 8)):
            place(drums, pos, k)
            kicks.append(pos)
        if s in (4, 12) and not (bar == BARS - 1 and s == 12):
            place(drums, pos, pan(sn, 0.05))
            place(verb_send, pos, pan(sn, 0.05) * 0.5)
        if s % 2 == 1 or not full:
            swing = int(STEP * 0.08) if s % 2 == 1 else 0
            vel = 0.7 if s % 4 == 2 else (1.0 if s % 2 == 1 else 0.5)
            place(drums, pos + swing, pan(hats[(bar + s) % 4] * vel, 0.3))
        if s in (6, 14) and full and section >= 1:
            place(drums, pos, pan(ohat * 0.7, -0.25))
    if bar % 8 == 7 and bar != BARS - 1:
        for s in (13, 14, 15):
            place(drums, base + s * STEP, pan(sn * (0.45 + 0.15 * (s - 13)), 0.1 * (s - 14)))
    if bar == BARS - 1:  # the turnaround fill into the break and the loop's downbeat
        for s in (8, 10, 11, 12, 13, 14):
            place(drums, base + s * STEP, pan(sn * (0.4 + 0.06 * (s - 8)), 0.3 * ((s % 2) - 0.5)))
            place(verb_send, base + s * STEP, pan(sn * 0.3, 0.0))
    if bar % 8 == 0:
        place(drums, base, cr)
        place(verb_send, base, cr * 0.3)


_voice_cache = {}


def bass_note(note):
    if note not in _voice_cache:
        n = int(STEP * 1.8)
        env = adsr(n, 60, STEP * 0.7, 0.55, 900, int(STEP * 1.6))
        cut = 180 + 900 * np.exp(-np.arange(n) / (STEP * 0.6))
        v = saw_voice(hz(note), n, cut, max_harm=30) * env * 0.38
        v += np.sin(2 * np.pi * hz(note - 12) * np.arange(n) / RATE) * env * 0.3  # sub octave
        _voice_cache[note] = v
    return _voice_cache[note]


def pad_chord(chord, rng):
    key = ("pad", chord)
    if key not in _voice_cache:
        n = STEP * 16 + RATE
        env = adsr(n, RATE * 0.35, RATE * 0.5, 0.8, RATE * 0.45, STEP * 16)
        pad = np.zeros((n, 2))
        for note in chord:
            for det, p in ((-9, -0.7), (9, 0.7)):
                pad += pan(saw_voice(hz(note), n, 1400, det, phase=rng.uniform(0, 6),
                                     max_harm=24), p)
        _voice_cache[key] = pad * env[:, None]
    return _voice_cache[key]


def band_limit(x):
    """Circular low-pass with a raised-cosine edge from TOP to 1.1 x TOP (see TOP)."""
    f = np.fft.rfftfreq(len(x), 1.0 / RATE)
    gain = np.clip((TOP * 1.1 - f) / (TOP * 0.1), 0, 1)
    gain = 0.5 - 0.5 * np.cos(np.pi * gain)
    return np.stack([np.fft.irfft(np.fft.rfft(x[:, ch]) * gain, len(x)) for ch in range(2)], 1)


def render():
    rng = np.random.RandomState(2024)
    size = LENGTH + TAIL
    drums = np.zeros((size, 2))
    synths = np.zeros((size, 2))  # ducked under the kick
    lead = np.zeros((size, 2))
    echo_send = np.zeros((size, 2))
    verb_send = np.zeros((size, 2))
    kit = (kick(rng), snare(rng), [hat(rng) for _ in range(4)], hat(rng, True), crash(rng))
    kicks = []

    for bar in range(BARS):
        section = bar // 4
        base = bar * 16 * STEP
        drum_pattern(bar, drums, verb_send, kit, kicks)
        chord = chord_of_bar(bar)
        root = chord[0] - 12  # the bass line stays between C2 and A2

        # Bass: driving eighths with an octave jump at the end of each half bar.
        for e in range(8):
            place(synths, base + e * 2 * STEP, bass_note(root + (12 if e in (3, 7) else 0)))

        # Pad: soft detuned chord across the bar, wide in stereo.
        pad = pad_chord(chord, rng)
        place(synths, base, pad * 0.085)
        place(verb_send, base, pad * 0.05)

        # Arpeggio: sixteenths up and down the chord over two octaves, its filter breathing
        # over four bars.
        if section != 0 or bar >= 2:
            seq = [chord[0], chord[1], chord[2], chord[0] + 12, chord[2] + 12, chord[0] + 12,
                   chord[2], chord[1]]
            for s in range(16):
                note = seq[s % 8] + 12
                n = int(STEP * 2.2)
                env = adsr(n, 30, STEP * 0.35, 0.0, 600, n)
                open_ = 1800 + 1600 * (0.5 + 0.5 * np.sin(2 * np.pi * (bar * 16 + s) / 64.0))
                cut = 500 + open_ * np.exp(-np.arange(n) / (STEP * 0.5))
                v = saw_voice(hz(note), n, cut, max_harm=36, resonance=0.6) * env * 0.2
                p = pan(v, 0.35 * np.sin(s * 0.9))
                place(synths, base + s * STEP, p)
                place(echo_send, base + s * STEP, p * 0.6)

        # Lead melody over the second half of each sixteen-bar half.
        if section in (2, 3, 6, 7) and bar % 4 == 0:
            phrase = LEAD_A if section in (2, 6) else LEAD_B
            for st, note, length in phrase:
                n = int(STEP * length + RATE * 0.3)
                env = adsr(n, 400, STEP * 2, 0.7, RATE * 0.12, int(STEP * length * 0.92))
                v = square_voice(hz(note), n, 2600, vibrato=0.006) * env * 0.16
                v += saw_voice(hz(note), n, 3000, 7, max_harm=30) * env * 0.06
                p = pan(v, -0.15)
                place(lead, base + st * STEP, p)
                place(echo_send, base + st * STEP, p * 0.5)
                place(verb_send, base + st * STEP, p * 0.6)

    # Side-chain pumping: bass, pad and arpeggio dip under every kick.
    duck = np.ones(size)
    shape = 1.0 - 0.45 * np.exp(-np.arange(int(STEP * 3)) / (STEP * 0.9))
    for pos in kicks:
        n = min(len(shape), size - pos)
        duck[pos:pos + n] = np.minimum(duck[pos:pos + n], shape[:n])
    synths *= duck[:, None]

    # The break: every dry sound stops a sixteenth before the end.
    stop = np.ones(size)
    cut_at = LENGTH - STEP
    fade = int(RATE * 0.012)
    stop[cut_at - fade:cut_at] = np.linspace(1.0, 0.0, fade)
    stop[cut_at:] = 0.0
    dry = (drums * 0.8 + synths + lead) * stop[:, None]
    echo_send = (echo_send * stop[:, None])[:LENGTH]
    verb_send = (verb_send * stop[:, None])[:LENGTH]
    dry = dry[:LENGTH]

    # Ping-pong echo of a dotted eighth, circular.
    echo = np.zeros_like(echo_send)
    tap = echo_send.copy()
    for i in range(1, 6):
        tap = tap * 0.45
        echo += np.roll(tap[:, ::-1] if i % 2 else tap, STEP * 3 * i, axis=0)
    # Reverb: circular convolution with a decaying, darkened noise tail.
    ir_n = int(RATE * 2.0)
    t = np.arange(ir_n) / RATE
    ir = rng.standard_normal((ir_n, 2)) * np.exp(-t / 0.45)[:, None]
    for ch in range(2):
        ir[:, ch] = lowpass(ir[:, ch], 0.35)
    ir /= np.sqrt((ir ** 2).sum(axis=0))
    verb = np.zeros_like(verb_send)
    for ch in range(2):
        padded = np.zeros(LENGTH)
        padded[:ir_n] = ir[:, ch]
        verb[:, ch] = np.fft.irfft(np.fft.rfft(verb_send[:, ch]) * np.fft.rfft(padded), LENGTH)

    mix = band_limit(dry + echo * 0.5 + verb * 0.9)
    mix -= mix.mean(axis=0)  # the kick's lopsided wave leaves a little DC
    mix = np.tanh(mix / np.abs(mix).max() * 1.1) / np.tanh(1.1) * 0.87  # about -1.2 dBFS peak
    # Leave out the end of the break that the decoder fills with its own silence; short fades
    # keep the echo and reverb tails from clicking where they are cut and resume.
    out = mix[:LENGTH - GAP].copy()
    out[-int(RATE * 0.006):] *= np.linspace(1.0, 0.0, int(RATE * 0.006))[:, None]
    out[:int(RATE * 0.002)] *= np.linspace(0.0, 1.0, int(RATE * 0.002))[:, None]
    return out


def write_wav(path, buf):
    import wave
    pcm = np.clip(np.round(buf * 32767), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(pcm.tobytes())
