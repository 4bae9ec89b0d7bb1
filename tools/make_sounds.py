#!/usr/bin/env python3
"""Generates the game's sounds as 16-bit mono WAV files (run by the build; deterministic).

Usage: make_sounds.py OUTPUT_DIR
The click is a short decaying blip; the hum is a seamless loop for things that move; the theme
is a short tune of plucked notes over a soft drone.
"""
import math
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


def hum():
    # Whole periods of every partial in one second, so the loop has no seam.
    n = RATE
    return [0.35 * math.sin(2 * math.pi * 110 * i / RATE) + 0.15 * math.sin(2 * math.pi * 220 * i / RATE)
            + 0.05 * math.sin(2 * math.pi * 7 * i / RATE) * math.sin(2 * math.pi * 330 * i / RATE)
            for i in range(n)]


def theme():
    notes = [0, 4, 7, 12, 7, 4, 2, 5, 9, 14, 9, 5, 0, 4, 7, 11, 12, 7, 4, 0]
    beat = int(RATE * 0.3)
    out = [0.0] * (beat * len(notes) + RATE)
    for k, step in enumerate(notes):
        frequency = 261.63 * 2 ** (step / 12)
        for i in range(int(RATE * 0.8)):
            t = i / RATE
            out[k * beat + i] += 0.3 * math.exp(-t * 4) * (math.sin(2 * math.pi * frequency * t)
                                                           + 0.3 * math.sin(4 * math.pi * frequency * t))
    for i in range(len(out)):
        fade = min(1.0, i / RATE, (len(out) - i) / RATE)
        out[i] += 0.08 * fade * math.sin(2 * math.pi * 130.81 * i / RATE)
    return out


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_wav(os.path.join(out, "Tarnel_Quibbo_Sound02_Click01.wav"), click())
    write_wav(os.path.join(out, "Hum.wav"), hum())
    write_wav(os.path.join(out, "Theme.wav"), theme())


if __name__ == "__main__":
    main()
