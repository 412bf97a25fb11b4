// Loads a 24-bit bitmap, turns it into an 8-bit bitmap of grey levels by hand and writes
// that as an 8-bit BMP: the output an independent reader checks in check_with_pillow.py.
//
//     remap_by_hand <24-bit input> <8-bit output> <palette index>

#include <cstdio>
#include <cstdlib>

#include "bitmap/bitmap.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s input output paletteIndex\n", argv[0]);
        return 2;
    }
    const BitmapPtr input(Bitmap::loadFile(argv[1], 0));
    if (!input || input->bitDepth != 24) {
        std::fprintf(stderr, "%s: not a 24-bit bitmap\n", argv[1]);
        return 1;
    }
    const BitmapPtr output(Bitmap::create(input->width, input->height, 8));
    if (!output) {
        return 1;
    }
    output->paletteIndex = std::atoi(argv[3]);
    for (int y = 0; y < input->height; ++y) {
        const std::uint8_t* from = input->pixels + y * input->stride;
        std::uint8_t* to = output->pixels + y * output->stride;
        for (int x = 0; x < input->width; ++x) {
            const int blue = from[3 * x], green = from[3 * x + 1], red = from[3 * x + 2];
            to[x] = static_cast<std::uint8_t>((red + green + blue) / 3);
        }
    }
    return output->writeFile(argv[2], BitmapAsBmp) ? 0 : 1;
}
