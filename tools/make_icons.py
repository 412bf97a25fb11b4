#!/usr/bin/env python3
"""Draws the program's two Windows icons: 32 x 32 pixels, 16 colours, no other tools needed.

    python3 tools/make_icons.py resources/

Icon 1 (the window class icon) is a grid of colour swatches, some of them pulled towards a
second, darker set: colours being remapped. Icon 2 (the small icon, shown in the caption
and the task bar) keeps only a 2 x 2 block of swatches with an arrow, which still reads
when Windows shrinks it to 16 x 16.
"""
import struct
import sys
from pathlib import Path

SIZE = 32

# The standard 16-colour palette, as red, green, blue.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREY, WHITE = 0, 8, 15
TRANSPARENT = None


def blank():
    return [[TRANSPARENT] * SIZE for _ in range(SIZE)]


def fill(image, left, top, width, height, colour):
    for y in range(top, top + height):
        for x in range(left, left + width):
            image[y][x] = colour


def frame(image, left, top, width, height, colour):
    for x in range(left, left + width):
        image[top][x] = image[top + height - 1][x] = colour
    for y in range(top, top + height):
        image[y][left] = image[y][left + width - 1] = colour


def swatch(image, left, top, size, colour):
    fill(image, left, top, size, size, colour)
    frame(image, left, top, size, size, BLACK)


def arrow(image, left, top, length, colour):
    """A right-pointing arrow, 7 pixels high, its shaft starting at (left, top + 3)."""
    fill(image, left, top + 2, length - 4, 3, colour)
    for step in range(4):
        fill(image, left + length - 4 + step, top + step, 1, 7 - 2 * step, colour)


def class_icon():
    image = blank()
    fill(image, 1, 1, 30, 30, WHITE)
    frame(image, 0, 0, 32, 32, BLACK)
    bright = [9, 11, 10, 14, 12, 13]
    dark = [1, 3, 2, 6, 4, 5]
    for row in range(3):
        for column in range(2):
            swatch(image, 3 + column * 7, 3 + row * 9, 7, bright[row * 2 + column])
        arrow(image, 17, 3 + row * 9, 5, GREY)
        swatch(image, 22, 3 + row * 9, 7, dark[row * 2])
    fill(image, 3, 29, 26, 1, GREY)
    return image


def small_icon():
    image = blank()
    swatch(image, 1, 1, 14, 9)
    swatch(image, 1, 17, 14, 12)
    swatch(image, 17, 1, 14, 11)
    swatch(image, 17, 17, 14, 10)
    arrow(image, 8, 12, 16, BLACK)
    return image


def ico_bytes(image):
    """One 4-bit image with its AND mask, as an .ico file holds it (rows bottom up)."""
    colour_rows = []
    mask_rows = []
    for row in reversed(image):
        nibbles = [0 if pixel is TRANSPARENT else pixel for pixel in row]
        colour_rows.append(bytes(nibbles[x] << 4 | nibbles[x + 1] for x in range(0, SIZE, 2)))
        bits = 0
        for pixel in row:
            bits = bits << 1 | (pixel is TRANSPARENT)
        mask_rows.append(bits.to_bytes(SIZE // 8, "big"))
    colours = b"".join(colour_rows)
    mask = b"".join(mask_rows)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                       len(colours) + len(mask), 0, 0, 16, 0)
    table = b"".join(bytes((blue, green, red, 0)) for red, green, blue in PALETTE)
    image_data = info + table + colours + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image_data), 6 + 16)
    return directory + entry + image_data


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else "resources")
    (folder / "skinremap.ico").write_bytes(ico_bytes(class_icon()))
    (folder / "skinremap_small.ico").write_bytes(ico_bytes(small_icon()))


if __name__ == "__main__":
    main()
