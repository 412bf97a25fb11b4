#!/usr/bin/env python3
"""Draws docs/preview.png from the pictures a demo run writes: for each skin named, the
skin before beside the skin in the game's colours, enlarged pixel for pixel.

    cmake --workflow --preset demo
    /usr/bin/python3 tools/preview_figure.py build/release/demo-previews docs/preview.png shield knight

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
    folder, output, skins = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3:]
    rows = [(enlarged(folder / "source" / f"{skin}.png"), enlarged(folder / f"{skin}.png"))
            for skin in skins]
    width = GAP + 2 * (SIDE + GAP)
    height = GAP + sum(CAPTION + before.height + GAP for before, _ in rows)
    figure = Image.new("RGB", (width, height), BACKGROUND)
    draw = ImageDraw.Draw(figure)
    top = GAP
    for skin, (before, after) in zip(skins, rows):
        for column, (picture, caption) in enumerate(
                ((before, f"{skin}.bmp before"), (after, "in the game's colours"))):
            left = GAP + column * (SIDE + GAP)
            draw.text((left, top + 4), caption, fill=TEXT)
            figure.paste(picture, (left, top + CAPTION))
        top += CAPTION + before.height + GAP
    figure.save(output, optimize=True)


main()
