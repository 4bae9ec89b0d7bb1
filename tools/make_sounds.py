#!/usr/bin/env python3
"""Generates the game's sounds as 16-bit mono WAV files (run by the build; deterministic).

Usage: make_sounds.py OUTPUT_DIR
The click is a short decaying blip; the theme is a short tune of plucked notes over a soft drone.
The levels' two tunes follow it in turn; the chime is a gem picked up, the twinkle a gem's
seamless shimmer, the thud a hard landing and the bump a guard's touch.
"""
import math
import random
import os
import struct
import sys
import wave

RATE = 22050


def write_wav(path, samples):
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32767)) for s in samples))


def click():
    n = int(RATE * 0.04)
    return [0.8 * math.exp(-i / (RATE * 0.006)) * math.sin(2 * math.pi * 1800 * i / RATE) for i in range(n)]


def tune(notes, root, beat_seconds, drone):
    """Plucked notes (semitones above root, None for a rest) over a drone a fifth below."""
    beat = int(RATE * beat_seconds)
    out = [0.0] * (beat * len(notes) + RATE)
    for k, step in enumerate(notes):
        if step is None:
            continue
        frequency = root * 2 ** (step / 12)
        for i in range(int(RATE * 0.7)):
            t = i / RATE
            out[k * beat + i] += 0.28 * math.exp(-t * 5) * (math.sin(2 * math.pi * frequency * t)
                                                            + 0.25 * math.sin(6 * math.pi * frequency * t))
    for i in range(len(out)):
        fade = min(1.0, i / RATE, (len(out) - i) / RATE)
        out[i] += drone * fade * math.sin(2 * math.pi * root * 0.75 * i / RATE)
    return out


def theme():
    return tune([0, 4, 7, 12, 7, 4, 2, 5, 9, 14, 9, 5, 0, 4, 7, 11, 12, 7, 4, 0], 261.63, 0.3, 0.08)


def meadow_tune():
    phrase = [0, 2, 4, 7, 4, 2, 0, None, 5, 4, 2, 4, 0, None, 7, 9, 7, 4, 2, 0, 2, None, 0, None]
    return tune(phrase * 2, 293.66, 0.25, 0.07)


def ridge_tune():
    phrase = [0, 3, 7, 10, 7, 3, 5, None, 3, 2, 0, 2, 3, None, 7, 8, 7, 5, 3, 2, 0, None, None, None]
    return tune(phrase * 2, 220.0, 0.28, 0.09)


def chime():
    out = [0.0] * int(RATE * 0.6)
    # High enough that no tune or twinkle of the game sounds at 2093 Hz.
    for k, frequency in enumerate((2093.0, 3136.0, 4186.0)):
        start = int(RATE * 0.06 * k)
        for i in range(len(out) - start):
            t = i / RATE
            out[start + i] += 0.3 * math.exp(-t * 7) * math.sin(2 * math.pi * frequency * t)
    return out


def twinkle():
    # Whole periods in one second, so the loop has no seam.
    return [0.12 * math.sin(2 * math.pi * 1760 * i / RATE) * (0.5 + 0.5 * math.sin(2 * math.pi * 6 * i / RATE))
            + 0.08 * math.sin(2 * math.pi * 2640 * i / RATE) * (0.5 + 0.5 * math.cos(2 * math.pi * 4 * i / RATE))
            for i in range(RATE)]


def thud():
    noise = random.Random(7)
    out, low = [], 0.0
    for i in range(int(RATE * 0.35)):
        t = i / RATE
        low += 0.08 * (noise.uniform(-1, 1) - low)
        out.append(math.exp(-t * 14) * (0.9 * math.sin(2 * math.pi * (90 - 120 * t) * t) + 2.5 * low))
    return out


def bump():
    n = int(RATE * 0.45)
    return [0.6 * math.exp(-i / (RATE * 0.15)) * math.sin(2 * math.pi * (700 - 900 * i / n) * i / RATE)
            for i in range(n)]


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_wav(os.path.join(out, "Tarnel_Quibbo_Sound02_Click01.wav"), click())
    write_wav(os.path.join(out, "Theme.wav"), theme())
    write_wav(os.path.join(out, "Meadow.wav"), meadow_tune())
    write_wav(os.path.join(out, "Ridge.wav"), ridge_tune())
    write_wav(os.path.join(out, "Chime.wav"), chime())
    write_wav(os.path.join(out, "Twinkle.wav"), twinkle())
    write_wav(os.path.join(out, "Thud.wav"), thud())
    write_wav(os.path.join(out, "Bump.wav"), bump())


if __name__ == "__main__":
    main()
