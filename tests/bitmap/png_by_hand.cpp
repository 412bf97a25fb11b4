// Writes a BMP as a PNG picture: the program check_png_with_pillow.py drives. An 8-bit BMP is
// drawn in the colours of its own colour table.
//
//     png_by_hand <BMP input> <PNG output>

#include <cstdio>

#include "bitmap/bitmap.h"
#include "bitmap/png_writer.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s input.bmp output.png\n", argv[0]);
        return 2;
    }
    const BitmapPtr input(Bitmap::loadFile(argv[1], BitmapWithPalette));
    if (!input) {
        std::fprintf(stderr, "%s: not a bitmap\n", argv[1]);
        return 1;
    }
    return writePngFile(argv[2], *input, input->palette) ? 0 : 1;
}
