#!/usr/bin/env python3
"""Writes a game palette made the way artists make one from pictures: a median cut.

    python3 tools/median_cut_palette.py [--images] OUTPUT.pal [PICTURE ...]

The palette is a RIFF palette of 256 entries: a median cut to 255 colours of the pictures
(each scaled to 512 x 512, side by side), or, with no pictures, of a portrait-like scene
drawn here, mostly skin in soft light, so that its colours crowd into one region of colour
space. Entry 255 repeats entry 0, since the remapper matches entries 0 to 254 only. With
--images it also writes OUTPUT.png (16 x 16) and OUTPUT.ppm (256 x 1), the same colours for
other programs. Needs Pillow (Debian: python3-pil).

tests/data/palette/portrait-median-cut.pal is this tool's output without pictures.
"""

import math
import pathlib
import random
import struct
import sys

from PIL import Image

SIDE = 512


def portrait():
    """Skin lit from one side over most of the picture, dark hair at the top and a strip of
    background, all with a little grain, as a photograph would have."""
    rng = random.Random(19)
    image = Image.new("RGB", (SIDE, SIDE))
    pixels = image.load()
    for y in range(SIDE):
        for x in range(SIDE):
            light = 0.55 + 0.4 * math.cos((x - 0.35 * SIDE) / SIDE * 2.2) * (1 - 0.3 * y / SIDE)
            if y < SIDE // 6:
                base = (52, 38, 30)
            elif x > SIDE * 5 // 6:
                base = (90, 120, 150)
            else:
                base = (236, 178, 146)
            pixels[x, y] = tuple(
                max(0, min(255, round(c * light + rng.gauss(0, 3)))) for c in base)
    return image


def collage(paths):
    image = Image.new("RGB", (SIDE * len(paths), SIDE))
    for i, path in enumerate(paths):
        image.paste(Image.open(path).convert("RGB").resize((SIDE, SIDE)), (SIDE * i, 0))
    return image


def median_cut(image):
    colours = image.quantize(colors=255, method=Image.Quantize.MEDIANCUT).getpalette()[:255 * 3]
    colours += [0] * (255 * 3 - len(colours))  # a picture of fewer colours
    colours += colours[:3]
    return [tuple(colours[i:i + 3]) for i in range(0, 256 * 3, 3)]


def write_riff(path, colours):
    data = struct.pack("<HH", 0x300, 256) + b"".join(bytes(c) + b"\0" for c in colours)
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(data)) + b"PAL data")
        out.write(struct.pack("<I", len(data)) + data)


def write_images(path, colours):
    strip = Image.new("RGB", (256, 1))
    strip.putdata(colours)
    strip.save(path.with_suffix(".ppm"))
    square = Image.new("RGB", (16, 16))
    square.putdata(colours)
    square.save(path.with_suffix(".png"))


def main(arguments):
    images = "--images" in arguments
    arguments = [a for a in arguments if a != "--images"]
    if not arguments:
        sys.exit(__doc__)
    output = pathlib.Path(arguments[0])
    colours = median_cut(collage(arguments[1:]) if arguments[1:] else portrait())
    write_riff(output, colours)
    if images:
        write_images(output, colours)


if __name__ == "__main__":
    main(sys.argv[1:])
