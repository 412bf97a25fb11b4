"""Pillow decodes our PNG pictures to exactly the colours they stand for: an 8-bit BMP that
Pillow writes (indices under a colour table of 256 different colours) and a 24-bit one go
through our reader and our PNG writer, and every decoded pixel must be the colour of the
source's index, or the source's own colour.

    check_png_with_pillow.py <png_by_hand program> <scratch directory>
"""

import os
import subprocess
import sys

try:
    from PIL import Image
except ImportError:
    print("Pillow is not installed")
    sys.exit(77)  # skipped

WIDTH, HEIGHT = 13, 7  # an odd width, so the BMP rows carry fill bytes


def palette_colour(index):
    return ((index * 3) % 256, 255 - index, (index * index) % 256)


def index_at(x, y):
    return (x * 19 + y * 41) % 256


def true_colour(x, y):
    return ((x * 19) % 256, (y * 37) % 256, (x * y * 5 + 11) % 256)


def convert(program, scratch, image, name):
    source = os.path.join(scratch, name + ".bmp")
    picture = os.path.join(scratch, name + ".png")
    image.save(source, format="BMP")
    subprocess.run([program, source, picture], check=True)
    decoded = Image.open(picture)
    assert decoded.format == "PNG", decoded.format
    assert decoded.size == (WIDTH, HEIGHT), decoded.size
    assert decoded.mode == "RGB", decoded.mode
    return decoded


def check(decoded, expected, what):
    for y in range(HEIGHT):
        for x in range(WIDTH):
            actual = decoded.getpixel((x, y))
            assert actual == expected(x, y), f"{what} pixel {x},{y}: {actual} != {expected(x, y)}"


def main():
    program, scratch = sys.argv[1], sys.argv[2]
    os.makedirs(scratch, exist_ok=True)

    indexed = Image.new("P", (WIDTH, HEIGHT))
    indexed.putpalette([c for i in range(256) for c in palette_colour(i)])
    indexed.putdata([index_at(x, y) for y in range(HEIGHT) for x in range(WIDTH)])
    decoded = convert(program, scratch, indexed, "indexed")
    check(decoded, lambda x, y: palette_colour(index_at(x, y)), "8-bit")

    rgb = Image.new("RGB", (WIDTH, HEIGHT))
    rgb.putdata([true_colour(x, y) for y in range(HEIGHT) for x in range(WIDTH)])
    decoded = convert(program, scratch, rgb, "true-colour")
    check(decoded, true_colour, "24-bit")
    print("Pillow decodes the PNG pictures to the colours they stand for")


main()
