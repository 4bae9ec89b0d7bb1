#!/usr/bin/env python3
"""Generates the game's animated mouse cursor (run by the build; deterministic).

Usage: make_cursor.py OUTPUT_FILE
The file is an Xcursor file, the format the X cursor library reads with its frames and their
delays; the engine looks it up by the name its Windows build used, QuibboCursor.ani. An arrow in
Quibbo's blue with a white rim, and a spark beside its tip that glints through the frames.
"""
import math
import struct
import sys

SIZE = 32
FRAMES = 8
DELAY_MS = 90
HOTSPOT = (1, 1)

XCURSOR_MAGIC = b"Xcur"
FILE_HEADER = 16
IMAGE_TYPE = 0xFFFD0002
IMAGE_HEADER = 36


def arrow_distance(x, y):
    """Inside the arrow: > 0, the depth in pixels from its nearest edge; outside: <= 0."""
    # The arrow: tip at the hotspot, left edge straight down, right edge at 45 degrees, a tail.
    px, py = x - HOTSPOT[0], y - HOTSPOT[1]
    head = min(px, py - px, 20 - py)
    tail = min(px - 6, 11 - px + (py - 14) * 0.45, 27 - py, (py - 14))
    return max(head, tail)


def pixel(x, y, frame):
    """(a, r, g, b) of a pixel, straight alpha, 0..255."""
    cx, cy = x + 0.5, y + 0.5
    depth = arrow_distance(cx, cy)
    if depth > 1.5:
        shade = 0.65 + 0.35 * (1 - cy / SIZE)
        colour = (40 * shade, 110 * shade, 235 * shade)
        alpha = 255
    elif depth > 0:
        colour, alpha = (255, 255, 255), 255
    elif depth > -1:
        colour, alpha = (0, 0, 0), int(160 * (1 + depth))
    else:
        colour, alpha = (0, 0, 0), 0
    # The glint: a spark that grows and fades once a cycle beside the tip.
    phase = frame / FRAMES
    glow = max(0.0, math.sin(phase * math.pi)) ** 2
    gx, gy = 19.0, 6.0
    spark = max(0.0, 1 - (abs(cx - gx) + abs(cy - gy)) / (1.5 + 5 * glow))
    if spark > 0:
        colour = tuple(c * (1 - spark) + s * spark for c, s in zip(colour, (255, 240, 120)))
        alpha = max(alpha, int(255 * spark))
    return (alpha,) + tuple(max(0, min(255, int(c))) for c in colour)


def image_chunk(frame):
    header = struct.pack("<9I", IMAGE_HEADER, IMAGE_TYPE, SIZE, 1, SIZE, SIZE, HOTSPOT[0], HOTSPOT[1], DELAY_MS)
    pixels = bytearray()
    for y in range(SIZE):
        for x in range(SIZE):
            a, r, g, b = pixel(x, y, frame)
            # Premultiplied ARGB, one little-endian word a pixel.
            pixels += struct.pack("<I", a << 24 | (r * a // 255) << 16 | (g * a // 255) << 8 | (b * a // 255))
    return header + bytes(pixels)


def main():
    chunks = [image_chunk(frame) for frame in range(FRAMES)]
    position = FILE_HEADER + 12 * len(chunks)
    toc = b""
    for chunk in chunks:
        toc += struct.pack("<3I", IMAGE_TYPE, SIZE, position)
        position += len(chunk)
    with open(sys.argv[1], "wb") as f:
        f.write(XCURSOR_MAGIC + struct.pack("<3I", FILE_HEADER, 0x10000, len(chunks)))
        f.write(toc)
        f.write(b"".join(chunks))


if __name__ == "__main__":
    main()
