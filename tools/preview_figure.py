#!/usr/bin/env python3
"""Draws docs/preview.png from the pictures a demo run writes: for each skin named, the
skin before beside the skin in the game's colours, enlarged pixel for pixel.

    cmake --workflow --preset demo
    /usr/bin/python3 tools/preview_figure.py build/release/demo-previews docs/preview.png shield knight

Several preview folders, each with the caption of its column after an '=', put their
pictures of a skin side by side, after the skin before (from the first folder): how
docs/dithering.png compares the nearest colours with each way of dithering (see the README).

Needs Pillow (Debian: python3-pil).
"""

import sys
from pathlib import Path

from PIL import Image, ImageDraw

SIDE = 256  # each picture is enlarged to fit a square of this many pixels
GAP = 16
CAPTION = 22
BACKGROUND = (42, 42, 46)
TEXT = (232, 232, 232)


def enlarged(path):
    picture = Image.open(path).convert("RGB")
    scale = max(1, SIDE // max(picture.size))
    return picture.resize((picture.width * scale, picture.height * scale), Image.NEAREST)


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    columns = [(Path(folder), caption or "in the game's colours")
               for folder, _, caption in (given.partition("=") for given in sys.argv[1].split(","))]
    output, skins = Path(sys.argv[2]), sys.argv[3:]
    rows = [[(enlarged(columns[0][0] / "source" / f"{skin}.png"), f"{skin}.bmp before")] +
            [(enlarged(folder / f"{skin}.png"), caption) for folder, caption in columns]
            for skin in skins]
    width = GAP + (len(columns) + 1) * (SIDE + GAP)
    height = GAP + sum(CAPTION + row[0][0].height + GAP for row in rows)
    figure = Image.new("RGB", (width, height), BACKGROUND)
    draw = ImageDraw.Draw(figure)
    top = GAP
    for row in rows:
        for column, (picture, caption) in enumerate(row):
            left = GAP + column * (SIDE + GAP)
            draw.text((left, top + 4), caption, fill=TEXT)
            figure.paste(picture, (left, top + CAPTION))
        top += CAPTION + row[0][0].height + GAP
    figure.save(output, optimize=True)


main()
