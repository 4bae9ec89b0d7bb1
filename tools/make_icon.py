#!/usr/bin/env python3
"""Draws the game's desktop icon (run by the package build; deterministic).

Usage: make_icon.py OUTPUT_FOLDER
Writes OUTPUT_FOLDER/<size>x<size>/apps/icon.png for the sizes desktops ask for: Quibbo, the blue
egg with big eyes, on a rounded green tile. Each size is drawn four times larger and scaled down,
so the small ones stay smooth.
"""
import os
import sys

from PIL import Image, ImageDraw

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SCALE = 4


def draw(size):
    big = size * SCALE
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    pen = ImageDraw.Draw(image)

    def box(left, top, right, bottom):
        return [round(left * big), round(top * big), round(right * big), round(bottom * big)]

    pen.rounded_rectangle(box(0.02, 0.02, 0.98, 0.98), radius=round(0.18 * big), fill=(96, 170, 72, 255))
    pen.ellipse(box(0.14, 0.80, 0.86, 0.94), fill=(60, 120, 46, 255))  # his shadow
    pen.ellipse(box(0.22, 0.10, 0.78, 0.88), fill=(40, 92, 200, 255))  # the egg
    pen.ellipse(box(0.30, 0.16, 0.52, 0.40), fill=(90, 140, 235, 255))  # its sheen
    for left in (0.30, 0.52):  # the big eyes and their pupils
        pen.ellipse(box(left, 0.30, left + 0.18, 0.52), fill=(255, 255, 255, 255))
        pen.ellipse(box(left + 0.06, 0.37, left + 0.14, 0.48), fill=(20, 20, 30, 255))
    return image.resize((size, size), Image.LANCZOS)


def main():
    for size in SIZES:
        folder = os.path.join(sys.argv[1], f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        draw(size).save(os.path.join(folder, "icon.png"))


if __name__ == "__main__":
    main()
