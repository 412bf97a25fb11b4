"""The files of a folder of skins, as bytes, for the tests written in Python."""

import os
import struct


def riff_palette(colours):
    """A RIFF palette of the given (red, green, blue) colours."""
    entries = b"".join(bytes((r, g, b, 0)) for r, g, b in colours)
    data = struct.pack("<HH", 0x300, len(colours)) + entries
    return b"RIFF" + struct.pack("<I", 4 + 8 + len(data)) + b"PAL data" + \
        struct.pack("<I", len(data)) + data


def bmp24(width, height, pixels=None):
    """A bottom-up 24-bit BMP; random pixels unless given (rows padded to 4 bytes)."""
    stride = (width * 3 + 3) & ~3
    size = stride * height
    body = pixels if pixels is not None else os.urandom(size)
    header = b"BM" + struct.pack("<IHHI", 54 + size, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, size, 2835, 2835, 0, 0)
    return header + info + body
