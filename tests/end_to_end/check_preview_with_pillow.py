"""The program's pictures, read by Pillow: a run with --preview converts a skin that Pillow
wrote, and the picture of the result must show, pixel for pixel, the palette colour of the
index the converted file holds there; the picture of the source, the skin's own colours.

    check_preview_with_pillow.py <skinremap program> <scratch directory>
"""

import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from skin_bytes import riff_palette  # noqa: E402

try:
    from PIL import Image
except ImportError:
    print("Pillow is not installed")
    sys.exit(77)  # skipped

WIDTH, HEIGHT = 29, 11  # an odd width, so the BMP rows carry fill bytes


def palette_colour(index):
    return ((index * 37 + 11) % 256, (index * 91) % 256, (255 - index * 53) % 256)


def skin_colour(x, y):
    return ((x * 9 + y) % 256, (y * 23 + 3 * x) % 256, (x * y * 7) % 256)


def main():
    program, scratch = sys.argv[1], sys.argv[2]
    shutil.rmtree(scratch, ignore_errors=True)
    folder = os.path.join(scratch, "skins")
    pictures = os.path.join(scratch, "pictures")
    os.makedirs(folder)
    with open(os.path.join(folder, "skins.ipl"), "wb") as file:
        file.write(riff_palette([palette_colour(i) for i in range(256)]))
    skin = Image.new("RGB", (WIDTH, HEIGHT))
    skin.putdata([skin_colour(x, y) for y in range(HEIGHT) for x in range(WIDTH)])
    skin.save(os.path.join(folder, "skin.bmp"), format="BMP")

    environment = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    run = subprocess.run([program, "--preview", pictures, folder], env=environment,
                         capture_output=True, text=True)
    assert run.returncode == 0, (run.returncode, run.stdout, run.stderr)

    with Image.open(os.path.join(folder, "skin.bmp")) as converted:
        # An 8-bit file under a grey ramp: Pillow's grey levels are the indices.
        assert converted.mode == "L", converted.mode
        indices = [converted.getpixel((x, y)) for y in range(HEIGHT) for x in range(WIDTH)]
    assert len(set(indices)) > 10, "the test image should use many palette entries"

    with Image.open(os.path.join(pictures, "skin.png")) as after:
        assert after.format == "PNG" and after.size == (WIDTH, HEIGHT), (after.format, after.size)
        after = after.convert("RGB")
        for y in range(HEIGHT):
            for x in range(WIDTH):
                expected = palette_colour(indices[y * WIDTH + x])
                actual = after.getpixel((x, y))
                assert actual == expected, f"result pixel {x},{y}: {actual} != {expected}"

    with Image.open(os.path.join(pictures, "source", "skin.png")) as before:
        before = before.convert("RGB")
        for y in range(HEIGHT):
            for x in range(WIDTH):
                actual = before.getpixel((x, y))
                assert actual == skin_colour(x, y), f"source pixel {x},{y}: {actual}"

    with open(os.path.join(pictures, "index.html"), encoding="utf-8") as page:
        text = page.read()
    assert 'src="skin.png"' in text and 'src="source/skin.png"' in text, text
    print("Pillow sees the previews in the palette's colours of the written indices")


main()
