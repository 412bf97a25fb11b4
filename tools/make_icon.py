#!/usr/bin/env python3
"""Draws the program's desktop icon, resources/skinremap.png (64 x 64, RGBA).

Left, a smooth band of colours (a true-colour skin); right, the same band in coarse steps
(its remapped, paletted form); an arrow between them. Plain Python, no imaging library.
"""

import colorsys
import struct
import sys
import zlib
from pathlib import Path

SIZE = 64
CORNER = 11
BACKGROUND = (38, 42, 51)
ARROW = (240, 240, 240)


def inside_rounded_square(x, y):
    cx = min(max(x, CORNER), SIZE - 1 - CORNER)
    cy = min(max(y, CORNER), SIZE - 1 - CORNER)
    return (x - cx) ** 2 + (y - cy) ** 2 <= CORNER ** 2


def band(y, top, bottom):
    """The colour a row of the band shows: a sweep of hues from top to bottom."""
    t = (y - top) / (bottom - top)
    r, g, b = colorsys.hsv_to_rgb(0.95 * t, 0.75, 0.95)
    return round(r * 255), round(g * 255), round(b * 255)


def pixel(x, y):
    if not inside_rounded_square(x, y):
        return (0, 0, 0, 0)
    top, bottom = 10, 53
    if top <= y <= bottom and 10 <= x <= 25:  # smooth
        return band(y, top, bottom) + (255,)
    if top <= y <= bottom and 38 <= x <= 53:  # stepped: rows of 6 share one colour
        step = top + (y - top) // 6 * 6 + 3
        return band(min(step, bottom), top, bottom) + (255,)
    # A right-pointing arrow in the gap.
    dx, dy = x - 28, abs(y - 31.5)
    if 0 <= dx <= 7 and dy <= 7 - dx:
        return ARROW + (255,)
    return BACKGROUND + (255,)


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + bytes(sum(row, ())) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else \
        Path(__file__).resolve().parent.parent / "resources" / "skinremap.png"
    rows = [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    target.write_bytes(png(SIZE, SIZE, rows))
    print(f"wrote {target}")


if __name__ == "__main__":
    main()
