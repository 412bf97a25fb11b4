"""A 24-bit BMP written by Pillow goes through our reader, a conversion by hand and our
8-bit writer; Pillow then opens the result and must see the right size, depth, grey colour
table, pixels and header fields.

    check_with_pillow.py <remap_by_hand program> <scratch directory>
"""

import os
import struct
import subprocess
import sys

try:
    from PIL import Image
except ImportError:
    print("Pillow is not installed")
    sys.exit(77)  # skipped

WIDTH, HEIGHT, PALETTE_INDEX = 13, 7, 42  # an odd width, so rows carry fill bytes


def colour(x, y):
    return ((x * 19) % 256, (y * 37) % 256, (x * y * 5 + 11) % 256)


def main():
    program, scratch = sys.argv[1], sys.argv[2]
    os.makedirs(scratch, exist_ok=True)
    source = os.path.join(scratch, "source24.bmp")
    result = os.path.join(scratch, "result8.bmp")

    image = Image.new("RGB", (WIDTH, HEIGHT))
    image.putdata([colour(x, y) for y in range(HEIGHT) for x in range(WIDTH)])
    image.save(source, format="BMP")

    subprocess.run([program, source, result, str(PALETTE_INDEX)], check=True)

    with Image.open(result) as written:
        assert written.format == "BMP", written.format
        assert written.size == (WIDTH, HEIGHT), written.size
        # Pillow reads an 8-bit file whose 256 colours are the grey ramp as a grey image.
        assert written.mode == "L", written.mode
        for y in range(HEIGHT):
            for x in range(WIDTH):
                expected = sum(colour(x, y)) // 3
                actual = written.getpixel((x, y))
                assert actual == expected, f"pixel {x},{y}: {actual} != {expected}"

    with open(result, "rb") as file:
        header = file.read(54)
        table = file.read(1024)
    (kind, size, reserved1, reserved2, offset) = struct.unpack("<2sIHHI", header[:14])
    (info_size, width, height, planes, bits) = struct.unpack("<IiiHH", header[14:30])
    stride = (WIDTH + 3) & ~3
    assert (kind, size, offset) == (b"BM", 1078 + HEIGHT * stride, 1078)
    assert (reserved1, reserved2) == (0xF5F7, PALETTE_INDEX)
    assert (info_size, width, height, planes, bits) == (40, WIDTH, HEIGHT, 1, 8)
    assert table == bytes(b for i in range(256) for b in (i, i, i, 0)), "not a grey ramp"
    print("Pillow reads the 8-bit BMP as written")


main()
