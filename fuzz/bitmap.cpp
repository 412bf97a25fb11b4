// Bitmap::read over a memory stream: the first input byte chooses the read flags, the rest
// is the file. Whatever loads is used in full and written back in both formats.

#include "bitmap/bitmap.h"
#include "fuzz/discarding_stream.h"
#include "fuzz/limits.h"
#include "tests/support/memory_stream.h"

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
    }
    return 0;
}
