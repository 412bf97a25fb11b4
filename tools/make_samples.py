#!/usr/bin/env python3
"""Writes the demo's sample skins and game palette, all drawn here from simple shapes.

    python3 tools/make_samples.py [output-directory]     (default: samples/)

The skins are 24-bit Windows BMPs of a few sizes (one with a width that is not a multiple
of 4, one stored top row first); "badge.bmp" is already 8-bit and must be left alone. The palette "skins.ipl" is
game palette number 3 in the game's own palette format.
"""

import math
import pathlib
import struct
import sys


def palette_colours():
    """256 colours: black, a few interface colours, a 6x6x6 colour cube, a grey ramp, and
    magenta at 255, the colour key that matching never picks."""
    colours = [(0, 0, 0)]
    colours += [(128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
                (128, 0, 128), (0, 128, 128), (192, 192, 192), (192, 220, 192), (166, 202, 240)]
    steps = (0, 51, 102, 153, 204, 255)
    colours += [(r, g, b) for r in steps for g in steps for b in steps]
    while len(colours) < 255:
        level = round((len(colours) - 226) * 255 / 28)
        colours.append((level, level, level))
    colours.append((255, 0, 255))
    assert len(colours) == 256
    return colours


def pl98_palette(colours, palette_index):
    """The game's own palette file with one colour set and no stored tables. Its mask allows
    indices 10 to 245, as a new palette's does; the remapper widens it to 0 to 254."""
    mask = [0x003FFFFF] + [0xFFFFFFFF] * 6 + [0xFFFFFC00]
    header = b"PL98" + struct.pack("<iiiI", 1, 0, 0, 0) + struct.pack("<8I", *mask)
    entries = b"".join(struct.pack("<BBBB", r, g, b, 0) for r, g, b in colours)
    colour_set = entries + struct.pack("<ii", palette_index, 0)
    return header + colour_set + b"\0" + struct.pack("<I", 0)


def bmp(width, height, bits, rows, table=b"", top_down=False):
    """rows: `height` byte strings, top row first, each already padded to 4 bytes."""
    pixels = b"".join(rows if top_down else reversed(rows))
    offset = 54 + len(table)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1,
                              bits, 0, len(pixels), 2835, 2835, 0, 0)
    return file_header + info_header + table + pixels


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def skin(width, height, colour_at, top_down=False):
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            r, g, b = colour_at(x, y)
            row += bytes((b, g, r))
        rows.append(pad(bytes(row)))
    return bmp(width, height, 24, rows, top_down=top_down)


def clamp(value):
    return max(0, min(255, int(value)))


def knight(x, y):
    """A round helmet over a sky gradient, with a magenta key around it."""
    dx, dy = x - 31.5, y - 28
    if dx * dx + dy * dy < 20 * 20:
        shade = 1 - (dx + dy) / 60
        return clamp(150 * shade), clamp(160 * shade), clamp(180 * shade)
    if y > 52:
        return 90 + x, 60 + y // 2, 30
    return 255, 0, 255


def banner(x, y):
    """Stripes in red and gold with a soft fold."""
    fold = 0.75 + 0.25 * math.sin(x / 3)
    if (y // 4) % 2 == 0:
        return clamp(200 * fold), clamp(30 * fold), clamp(40 * fold)
    return clamp(230 * fold), clamp(180 * fold), clamp(50 * fold)


def shield(x, y):
    """A blue field with a diagonal band and a smooth radial light."""
    light = 1.2 - math.hypot(x - 40, y - 30) / 120
    if abs((x - y) - 16) < 12:
        return clamp(240 * light), clamp(240 * light), clamp(230 * light)
    return clamp(40 * light), clamp(70 * light), clamp(200 * light)


def gem(x, y):
    return (60 * x, 255 - 50 * y, 128)


def badge():
    """An 8-bit bitmap with a grey table: something converted earlier."""
    table = b"".join(struct.pack("<BBBB", i, i, i, 0) for i in range(256))
    rows = [pad(bytes((x * 16 + y) % 256 for x in range(16))) for y in range(16)]
    return bmp(16, 16, 8, rows, table)


def main():
    out = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "samples")
    out.mkdir(parents=True, exist_ok=True)
    files = {
        "skins.ipl": pl98_palette(palette_colours(), 3),
        "knight.bmp": skin(64, 64, knight),
        "banner.bmp": skin(37, 21, banner),
        "shield.bmp": skin(128, 96, shield),
        "gem.bmp": skin(5, 5, gem, top_down=True),
        "badge.bmp": badge(),
    }
    for name, data in files.items():
        (out / name).write_bytes(data)
        print(f"{out / name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
