// Bitmap::read over a memory stream: the first input byte chooses the read flags, the rest
// is the file. Whatever loads is used in full, written back in both formats and, when small
// enough, drawn as a picture in its own palette's colours, or a palette of ours.

#include "bitmap/bitmap.h"
#include "bitmap/png_writer.h"
#include "fuzz/discarding_stream.h"
#include "fuzz/limits.h"
#include "palette/palette.h"
#include "tests/support/memory_stream.h"

namespace {

// Compression costs time per pixel; what a picture's size can go wrong with, a small one
// shows as well.
constexpr std::int64_t MaxPicturePixels = 1 << 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > fuzzing::MaxInputSize) {
        return 0;
    }
    testing_support::MemoryStream stream({data + 1, data + size});
    BitmapPtr bitmap(Bitmap::loadStream(stream, data[0] & BitmapWithPalette));
    if (bitmap) {
        fuzzing::useEveryByte(bitmap->pixels, bitmap->imageSize);
        // The writers must refuse a buffer shorter than the rows they would write.
        for (const std::uint32_t format : {BitmapWithPalette, BitmapAsBmp}) {
            fuzzing::DiscardingStream out;
            bitmap->write(out, format);
        }
        if (std::int64_t{bitmap->width} * bitmap->height <= MaxPicturePixels) {
            static const PalettePtr ours(Palette::create());
            fuzzing::DiscardingStream out;
            writePng(out, *bitmap, bitmap->palette != nullptr ? bitmap->palette : ours.get());
        }
    }
    return 0;
}
