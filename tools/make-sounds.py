#!/usr/bin/env python3
"""Writes the games' six sounds as 16-bit mono WAV files, each from a short description below.

Nothing is recorded: every sound is made here from sine partials and filtered noise, so it can be
read and changed like a drawing. The noise comes from a fixed seed: same script, same bytes.

  tools/make-sounds.py            writes src/fire/art/sounds/ and src/memory/art/sounds/
  tools/make-sounds.py --report   prints each committed sound's length, peak and loudness
  tools/make-sounds.py --check    checks the committed sounds: made by this script (to 1 step of
                                  16 bits), peaks at or below -3 dBFS, one loudness, a short fire
                                  sound; exit 1 with the reason otherwise (a test runs this)

Python 3 standard library only.
"""

import math
import os
import random
import struct
import sys
import tempfile

RATE = 44100
# Every sound is scaled to this loudness: its loudest 200 ms, K-weighted (as broadcast loudness
# meters weigh what the ear hears), on the LUFS scale. The window is the ear's own: it sums about
# 200 ms, so a sound shorter than that is heard softer than a long one of the same level. (The
# meters' 400 ms window made the 100 ms flip 3 dB louder than the bell to the ear.)
LOUDNESS = -20.0
LOUDNESS_WINDOW_S = 0.2
LOUDNESS_TOLERANCE = 0.5
PEAK_LIMIT_DB = -3.0
FIRE_SOUND_LIMIT_S = 0.25


# --- The building blocks -------------------------------------------------------------------------


def samples(seconds):
    return int(round(seconds * RATE))


def silence(seconds):
    return [0.0] * samples(seconds)


def noise(seconds, rng):
    return [rng.uniform(-1.0, 1.0) for _ in range(samples(seconds))]


def envelope(n, attack, decay, hold=0.0, shape=1.0, release=0.010):
    """A rise of `attack` seconds, `hold` seconds flat, then an exponential fall with time constant
    `decay`, ending in a fade of `release` seconds to exactly 0 so that no sound ends in a click."""
    out = []
    a, h, end, fade = samples(attack), samples(hold), n, samples(release)
    for i in range(n):
        if i < a:
            x = (i / a) ** shape
        elif i < a + h:
            x = 1.0
        else:
            x = math.exp(-(i - a - h) / (decay * RATE))
        if i >= end - fade:
            x *= (end - i) / fade
        out.append(x)
    return out


def multiply(signal, env):
    return [s * e for s, e in zip(signal, env)]


def mix(*parts):
    """Adds signals, each given as (start in seconds, signal)."""
    length = max(samples(start) + len(sig) for start, sig in parts)
    out = [0.0] * length
    for start, sig in parts:
        offset = samples(start)
        for i, s in enumerate(sig):
            out[offset + i] += s
    return out


def partial(freq, seconds, decay, amplitude=1.0, attack=0.002, vibrato=0.0, release=0.010):
    """One sine partial struck and dying away, optionally with a slow vibrato (a fraction of
    the frequency) as a player's breath gives it."""
    n = samples(seconds)
    env = envelope(n, attack, decay, release=release)
    out, phase = [], 0.0
    for i in range(n):
        f = freq * (1.0 + vibrato * math.sin(2 * math.pi * 5.5 * i / RATE))
        phase += 2 * math.pi * f / RATE
        out.append(amplitude * env[i] * math.sin(phase))
    return out


def filtered(signal, kind, freq_at, q=0.707):
    """A resonant filter (lowpass, highpass or bandpass, the audio cookbook's biquads) whose
    centre frequency follows freq_at(t): the sweep is what makes noise sound like water or air."""
    out = []
    x1 = x2 = y1 = y2 = 0.0
    step = 32  # coefficients move every 32 samples, smooth enough for these sweeps
    for i, x in enumerate(signal):
        if i % step == 0:
            w = 2 * math.pi * min(freq_at(i / RATE), 0.45 * RATE) / RATE
            alpha, cw = math.sin(w) / (2 * q), math.cos(w)
            if kind == "lowpass":
                b0, b1, b2 = (1 - cw) / 2, 1 - cw, (1 - cw) / 2
            elif kind == "highpass":
                b0, b1, b2 = (1 + cw) / 2, -(1 + cw), (1 + cw) / 2
            else:
                b0, b1, b2 = alpha, 0.0, -alpha
            a0, a1, a2 = 1 + alpha, -2 * cw, 1 - alpha
            b0, b1, b2, a1, a2 = b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0
        y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2
        x2, x1, y2, y1 = x1, x, y1, y
        out.append(y)
    return out


def glide(start, end, seconds, curve=1.0):
    """A frequency moving from start to end over `seconds` (exponentially, as pitch is heard)."""
    return lambda t: start * (end / start) ** (min(t / seconds, 1.0) ** curve)


def note(name):
    """The frequency of a note name such as "C5" or "G#6", tuned to A4 = 440 Hz."""
    steps = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}[name[0]]
    if "#" in name:
        steps += 1
    octave = int(name[-1])
    return 440.0 * 2 ** ((steps + 12 * (octave - 4)) / 12)


# --- The sounds ----------------------------------------------------------------------------------


def put_out(rng):
    """A fire put out: water on a flame. A hiss that starts bright and sinks as the flame dies,
    with a soft splash under its first moment. Nothing above 8 kHz, where a hiss turns sharp.
    Short: a child clicks fires fast, and each click restarts it."""
    hiss = filtered(noise(0.17, rng), "bandpass", glide(4500, 1400, 0.15), q=1.0)
    hiss = filtered(hiss, "lowpass", lambda t: 8000.0)
    hiss = multiply(hiss, envelope(len(hiss), attack=0.006, decay=0.050, release=0.040))
    splash = filtered(noise(0.06, rng), "lowpass", glide(1400, 300, 0.05), q=1.0)
    splash = multiply(splash, envelope(len(splash), attack=0.003, decay=0.015))
    return mix((0.0, hiss), (0.0, [0.6 * s for s in splash]))


def bell(rng):
    """The round's end: one stroke of a small hand bell on G5. A bell's partials are not in
    whole-number ratios, which is what makes it a bell; the higher ones die first, and the last
    quarter second fades it out rather than cutting it off."""
    strike = note("G5")
    partials = [  # (ratio to the strike note, amplitude, decay time constant in s)
        (0.5, 0.35, 0.40),  # the hum, an octave below
        (1.0, 1.00, 0.30),
        (1.19, 0.30, 0.24),  # a bell's minor third, kept low: the end of a round is not sad
        (1.5, 0.30, 0.20),
        (2.0, 0.40, 0.15),
        (2.52, 0.18, 0.10),
        (3.01, 0.12, 0.07),
    ]
    return mix(*[(0.0, partial(strike * r, 0.95, d, a, attack=0.002, release=0.25)) for r, a, d in partials])


def brass_note(freq, seconds, vibrato=0.0, release=0.03):
    """A soft horn note: harmonics falling off steeply, the higher ones coming in a little later,
    as a brass note opens up."""
    parts = []
    for n in range(1, 7):
        parts.append((0.0, partial(freq * n, seconds, 0.35, 0.8 / n ** 1.5, attack=0.012 + 0.006 * n,
                                   vibrato=vibrato, release=release)))
    return mix(*parts)


def fanfare(rng):
    """The score written into the table: a short fanfare, C-E-G and a held high C that dies away."""
    return mix(
        (0.00, brass_note(note("C5"), 0.13)),
        (0.12, brass_note(note("E5"), 0.13)),
        (0.24, brass_note(note("G5"), 0.13)),
        (0.36, brass_note(note("C6"), 0.55, vibrato=0.004, release=0.25)),
    )


def flip(rng):
    """A card turned: the soft brush of card on card, a breath of paper noise with a faint low
    tap as it lands. Kept below 4 kHz: soft, not a click."""
    brush = filtered(noise(0.10, rng), "bandpass", glide(1200, 2400, 0.08), q=0.9)
    brush = filtered(brush, "lowpass", lambda t: 4000.0)
    brush = multiply(brush, envelope(len(brush), attack=0.025, decay=0.018, shape=2.0, release=0.03))
    tap = partial(190.0, 0.06, 0.015, amplitude=0.3, attack=0.003)
    return mix((0.0, brush), (0.03, tap))


def glock_note(freq, seconds):
    """One bar of a glockenspiel: a free bar's overtones lie at 2.76 and 5.40 times its note.
    A 3 ms strike rather than an instant one, or the top overtone clicks."""
    return mix(
        (0.0, partial(freq, seconds, 0.28, 1.0, attack=0.003, release=0.2)),
        (0.0, partial(freq * 2.76, seconds, 0.08, 0.25, attack=0.003)),
        (0.0, partial(freq * 5.40, seconds, 0.03, 0.08, attack=0.003)),
    )


def chime(rng):
    """A pair found: a bright chime, two glockenspiel notes rising a fifth, C6 then G6."""
    return mix((0.00, glock_note(note("C6"), 0.75)), (0.09, glock_note(note("G6"), 0.70)))


def whoosh(rng):
    """An unlike pair turning back: a soft whoosh of air, noise through a wide band that sweeps
    down, swelling and fading."""
    air = filtered(noise(0.38, rng), "bandpass", glide(1400, 450, 0.36), q=0.8)
    air = filtered(air, "lowpass", lambda t: 2500.0)
    return multiply(air, envelope(len(air), attack=0.14, decay=0.07, shape=1.5, release=0.05))


SOUNDS = [  # (folder under src/, file name, description)
    ("fire/art/sounds", "put_out.wav", put_out),
    ("fire/art/sounds", "bell.wav", bell),
    ("fire/art/sounds", "fanfare.wav", fanfare),
    ("memory/art/sounds", "flip.wav", flip),
    ("memory/art/sounds", "chime.wav", chime),
    ("memory/art/sounds", "whoosh.wav", whoosh),
]


# --- Loudness, peak and the files ----------------------------------------------------------------


def k_weighted(signal):
    """The broadcast loudness meters' K weighting: a high shelf of +4 dB above about 1.5 kHz and a
    high pass at about 38 Hz (their published coefficients, rederived for this sample rate)."""
    def biquad(x, b, a):
        out, x1, x2, y1, y2 = [], 0.0, 0.0, 0.0, 0.0
        for s in x:
            y = b[0] * s + b[1] * x1 + b[2] * x2 - a[1] * y1 - a[2] * y2
            x2, x1, y2, y1 = x1, s, y1, y
            out.append(y)
        return out

    f0, gain, q = 1681.974450955533, 3.999843853973347, 0.7071752369554196
    k = math.tan(math.pi * f0 / RATE)
    vh, vb = 10 ** (gain / 20), (10 ** (gain / 20)) ** 0.4996667741545416
    a0 = 1 + k / q + k * k
    shelf_b = [(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0]
    shelf_a = [1.0, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0]
    f0, q = 38.13547087602444, 0.5003270373238773
    k = math.tan(math.pi * f0 / RATE)
    a0 = 1 + k / q + k * k
    high_b = [1.0, -2.0, 1.0]
    high_a = [1.0, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0]
    return biquad(biquad(signal, shelf_b, shelf_a), high_b, high_a)


def loudness(signal):
    """The loudest window, K-weighted, in LUFS; a shorter sound counts with silence after it."""
    weighted = k_weighted(signal) + [0.0] * samples(LOUDNESS_WINDOW_S)
    window, hop = samples(LOUDNESS_WINDOW_S), samples(0.005)
    squares = [s * s for s in weighted]
    best = 0.0
    for start in range(0, len(squares) - window + 1, hop):
        best = max(best, sum(squares[start:start + window]) / window)
    return -0.691 + 10 * math.log10(best) if best > 0 else -math.inf


def peak_db(signal):
    return 20 * math.log10(max(abs(s) for s in signal))


def active_seconds(signal, below_db=-60.0):
    """How long the sound is heard: to the last sample within 60 dB of its peak."""
    limit = max(abs(s) for s in signal) * 10 ** (below_db / 20)
    last = max(i for i, s in enumerate(signal) if abs(s) >= limit)
    return (last + 1) / RATE


def to_16_bit(signal, rng):
    """Rounds to 16 bits with a triangular dither of one step, inside the sound only, so that the
    silence before and after stays exact zeros."""
    out = []
    for s in signal:
        d = (rng.random() - rng.random()) if s != 0.0 else 0.0
        out.append(max(-32768, min(32767, int(round(s * 32767 + d)))))
    return out


def write_wav(path, values):
    data = struct.pack("<%dh" % len(values), *values)
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE", b"fmt ", 16, 1, 1, RATE,
                         RATE * 2, 2, 16, b"data", len(data))
    with open(path, "wb") as f:
        f.write(header + data)


def read_wav(path):
    """Reads a 16-bit mono PCM file as written above; anything else is an error."""
    with open(path, "rb") as f:
        raw = f.read()
    fields = struct.unpack("<4sI4s4sIHHIIHH4sI", raw[:44])
    if fields[0] != b"RIFF" or fields[2] != b"WAVE" or fields[5:7] != (1, 1) or fields[7] != RATE \
            or fields[10] != 16 or fields[11] != b"data":
        raise ValueError("%s is not 16-bit mono PCM at %d Hz" % (path, RATE))
    n = fields[12] // 2
    return list(struct.unpack("<%dh" % n, raw[44:44 + 2 * n]))


def make(src_root):
    """Makes every sound, scaled to the one loudness, and writes it under src_root."""
    written = []
    for folder, name, describe in SOUNDS:
        rng = random.Random(name)  # each sound its own seed: changing one leaves the rest alone
        signal = describe(rng)
        gain = 10 ** ((LOUDNESS - loudness(signal)) / 20)
        signal = [s * gain for s in signal]
        os.makedirs(os.path.join(src_root, folder), exist_ok=True)
        path = os.path.join(src_root, folder, name)
        write_wav(path, to_16_bit(signal, rng))
        written.append(path)
    return written


def measure(values):
    signal = [v / 32768 for v in values]
    return len(values) / RATE, active_seconds(signal), peak_db(signal), loudness(signal)


def report(src_root):
    print("%-26s %8s %8s %10s %12s" % ("sound", "length", "heard", "peak", "loudness"))
    for folder, name, _ in SOUNDS:
        length, heard, peak, loud = measure(read_wav(os.path.join(src_root, folder, name)))
        print("%-26s %6.0f ms %5.0f ms %6.1f dBFS %7.1f LUFS" % (folder.split("/")[0] + "/" + name,
                                                              length * 1000, heard * 1000, peak, loud))


def check(src_root):
    faults = []
    with tempfile.TemporaryDirectory() as fresh:
        make(fresh)
        for folder, name, _ in SOUNDS:
            committed = read_wav(os.path.join(src_root, folder, name))
            made = read_wav(os.path.join(fresh, folder, name))
            if len(committed) != len(made) or any(abs(a - b) > 1 for a, b in zip(committed, made)):
                faults.append("%s differs from what the script makes: run tools/make-sounds.py" % name)
            length, heard, peak, loud = measure(committed)
            if length >= 1.0:
                faults.append("%s lasts %.2f s, not under 1 s" % (name, length))
            if peak > PEAK_LIMIT_DB:
                faults.append("%s peaks at %.2f dBFS, above %.0f dBFS" % (name, peak, PEAK_LIMIT_DB))
            if abs(loud - LOUDNESS) > LOUDNESS_TOLERANCE:
                faults.append("%s is at %.2f LUFS, not %.1f" % (name, loud, LOUDNESS))
            if name == "put_out.wav" and heard > FIRE_SOUND_LIMIT_S:
                faults.append("%s is heard for %.0f ms, too long for fast clicks" % (name, heard * 1000))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


def main():
    src_root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    if "--check" in sys.argv[1:]:
        sys.exit(check(src_root))
    if "--report" not in sys.argv[1:]:
        for path in make(src_root):
            print(os.path.relpath(path))
    report(src_root)


if __name__ == "__main__":
    main()
