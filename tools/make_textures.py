#!/usr/bin/env python3
"""Generates the game's textures as PNG files (run by the build; deterministic).

Usage: make_textures.py OUTPUT_DIR
Value noise gives the ground, stone, bark and leaves their grain; the sky box faces share one
sky function of the view direction, so their edges meet.
"""
import math
import os
import random
import struct
import sys
import zlib

SIZE = 256


def write_png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(bytes(max(0, min(255, int(c))) for c in pixel(x, y)))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
        f.write(chunk(b"IEND", b""))


class Noise:
    """Tileable value noise on a lattice of the given period."""

    def __init__(self, seed, period):
        rng = random.Random(seed)
        self.period = period
        self.values = [[rng.random() for _ in range(period)] for _ in range(period)]

    def at(self, u, v):
        p = self.period
        x, y = u * p, v * p
        x0, y0 = int(math.floor(x)), int(math.floor(y))
        fx, fy = x - x0, y - y0
        fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
        a = self.values[y0 % p][x0 % p]
        b = self.values[y0 % p][(x0 + 1) % p]
        c = self.values[(y0 + 1) % p][x0 % p]
        d = self.values[(y0 + 1) % p][(x0 + 1) % p]
        return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy


def fractal(seed, u, v, octaves=4, base=4):
    total, weight, norm = 0.0, 1.0, 0.0
    for i in range(octaves):
        total += NOISES[(seed, base << i)].at(u, v) * weight
        norm += weight
        weight *= 0.5
    return total / norm


NOISES = {}
for seed in range(6):
    for octave in range(6):
        NOISES[(seed, 4 << octave)] = Noise(seed * 100 + octave, 4 << octave)


def grass(x, y):
    u, v = x / SIZE, y / SIZE
    n = fractal(0, u, v)
    blade = fractal(1, u, v, 2, 32)
    return (50 + 50 * n + 20 * blade, 110 + 70 * n + 30 * blade, 30 + 30 * n)


def stone(x, y):
    u, v = x / SIZE, y / SIZE
    row = y // 32
    offset = 32 if row % 2 else 0
    mortar = (y % 32) < 3 or ((x + offset) % 64) < 3
    n = fractal(2, u, v)
    if mortar:
        return (70, 68, 62)
    shade = 120 + 80 * n + 12 * ((row * 7 + (x + offset) // 64 * 3) % 5)
    return (shade, shade * 0.95, shade * 0.88)


def planks(x, y):
    u, v = x / SIZE, y / SIZE
    board = x // 43
    grain = fractal(3, u * 0.25, v * 2 + board * 0.37, 3, 8)
    seam = (x % 43) < 2 or x < 6 or x > SIZE - 7 or y < 6 or y > SIZE - 7
    if seam:
        return (60, 38, 20)
    return (140 + 60 * grain, 90 + 40 * grain, 45 + 20 * grain)


def bark(x, y):
    u, v = x / SIZE, y / SIZE
    n = fractal(4, u * 4, v * 0.5, 3, 8)
    return (70 + 50 * n, 48 + 30 * n, 28 + 15 * n)


def leaves(x, y):
    u, v = x / SIZE, y / SIZE
    n = fractal(5, u, v, 3, 16)
    return (30 + 40 * n, 90 + 90 * n, 35 + 30 * n)


def sky(direction):
    """Sky colour seen along a unit direction: blue zenith, hazy horizon, soft clouds."""
    x, y, z = direction
    height = max(-1.0, min(1.0, y))
    if height < 0:
        return (150, 165, 175)  # below the horizon: the fog colour of the levels
    zenith, horizon = (60, 110, 200), (175, 200, 225)
    t = height ** 0.6
    colour = [h + (z_ - h) * t for h, z_ in zip(horizon, zenith)]
    if height > 0.05:
        u, v = x / (height + 0.3) * 0.25 + 0.5, z / (height + 0.3) * 0.25 + 0.5
        cloud = max(0.0, fractal(1, u % 1.0, v % 1.0, 4, 4) - 0.5) * 2.2
        cloud = min(1.0, cloud) * min(1.0, height * 4)
        colour = [c + (250 - c) * cloud for c in colour]
    return tuple(colour)


# Cube faces: (suffix, function from face coordinates a, b in -1..1 to a direction).
FACES = {
    "fr": lambda a, b: (a, -b, -1),
    "bk": lambda a, b: (-a, -b, 1),
    "lf": lambda a, b: (-1, -b, -a),
    "rt": lambda a, b: (1, -b, a),
    "up": lambda a, b: (a, 1, b),
    "dn": lambda a, b: (a, -1, -b),
}


def sky_face(face):
    def pixel(x, y):
        a, b = (x + 0.5) / SIZE * 2 - 1, (y + 0.5) / SIZE * 2 - 1
        d = FACES[face](a, b)
        length = math.sqrt(sum(c * c for c in d))
        return sky(tuple(c / length for c in d))
    return pixel


def panel(x, y):
    t = y / 31.0
    return (18 + 20 * t, 28 + 26 * t, 70 + 40 * t)


def panel_border(x, y):
    return (170, 190, 235)


def fade(x, y):
    return (0, 0, 0)


def puff(x, y):
    # A soft round dot, white in the middle and black at the rim: drawn added, black shows nothing.
    d = math.hypot(x - 15.5, y - 15.5) / 16
    v = 255 * max(0.0, 1 - d) ** 2
    return (v, v, v)


def menu_background(x, y):
    # Dusk over hills: a warm horizon, a darker sky above, rolling silhouettes below.
    u, v = x / SIZE, y / SIZE
    hill = 0.68 + 0.06 * math.sin(u * 9.0) + 0.03 * math.sin(u * 23.0 + 1.3)
    if v > hill:
        shade = 0.4 + 0.6 * fractal(5, u, v, 3)
        return (24 * shade, 40 * shade, 30 * shade)
    glow = max(0.0, 1 - abs(v - hill) * 3.2)
    return (40 + 200 * glow, 45 + 110 * glow, 90 + 20 * glow)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, pixel in (("grass.png", grass), ("stone.png", stone), ("planks.png", planks),
                        ("bark.png", bark), ("leaves.png", leaves)):
        write_png(os.path.join(out, name), SIZE, SIZE, pixel)
    for name, pixel, size in (("panel.png", panel, 32), ("panel_border.png", panel_border, 8),
                              ("fade.png", fade, 8), ("puff.png", puff, 32),
                              ("menu_background.png", menu_background, SIZE)):
        write_png(os.path.join(out, name), size, size, pixel)
    for face in FACES:
        write_png(os.path.join(out, "sky_%s.png" % face), SIZE, SIZE, sky_face(face))


if __name__ == "__main__":
    main()
