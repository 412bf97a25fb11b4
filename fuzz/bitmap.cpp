// Bitmap::read over a memory stream: the first input byte chooses the read flags, the rest
// is the file. Whatever loads is used in full, written back in both formats and, when small
// enough, drawn as a picture in its own palette's colours, or a palette of ours. A file that
// the band-at-a-time reader takes for 24-bit rows must be one that a whole read takes, with
// the same rows (the other way round, the batch reads it whole).

#include <cstdlib>
#include <cstring>
#include <vector>

#include "bitmap/bitmap.h"
#include "bitmap/bmp_row_reader.h"
#include "bitmap/png_writer.h"
#include "fuzz/discarding_stream.h"
#include "fuzz/limits.h"
#include "palette/palette.h"
#include "tests/support/memory_stream.h"

namespace {

// Compression costs time per pixel; what a picture's size can go wrong with, a small one
// shows as well.
constexpr std::int64_t MaxPicturePixels = 1 << 16;

// Reads the file in bands of 1 to 8 rows, as `bands` picks, and stops the run if what
// arrives differs from a whole read's picture in any way.
void compareBandedRead(const std::uint8_t* file, std::size_t size, std::uint8_t bands) {
    testing_support::MemoryStream whole({file, file + size});
    BitmapReadReport wholeReport;
    const BitmapPtr picture(Bitmap::loadStream(whole, BitmapWholePixelsOnly, wholeReport));
    const bool wholeIs24 = picture && picture->bitDepth == 24;
    testing_support::MemoryStream banded({file, file + size});
    BitmapReadReport report;
    BmpRowReader rows(banded, report);
    const bool bandedIs24 = rows.open() && rows.bitDepth() == 24;
    if (bandedIs24 && !wholeIs24) {
        std::abort();
    }
    if (!bandedIs24 || std::int64_t{rows.width()} * rows.height() > MaxPicturePixels) {
        return;
    }
    if (rows.width() != picture->width || rows.height() != picture->height ||
        rows.stride() != picture->stride) {
        std::abort();
    }
    const std::int32_t bandRows = bands % 8 + 1;
    std::vector<std::uint8_t> band(static_cast<std::size_t>(bandRows * rows.stride()));
    for (std::int32_t fileRow = 0; fileRow < rows.height(); fileRow += bandRows) {
        const std::int32_t count = std::min(bandRows, rows.height() - fileRow);
        if (!rows.readRows(band.data(), count)) {
            std::abort(); // every row was there for the whole read
        }
        for (std::int32_t i = 0; i < count; ++i) {
            const std::int32_t row =
                rows.topRowFirst() ? fileRow + i : rows.height() - 1 - (fileRow + i);
            if (std::memcmp(band.data() + std::ptrdiff_t{i} * rows.stride(),
                            picture->pixels + std::ptrdiff_t{row} * picture->stride,
                            static_cast<std::size_t>(rows.stride())) != 0) {
                std::abort();
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > fuzzing::MaxInputSize) {
        return 0;
    }
    compareBandedRead(data + 1, size - 1, data[0] >> 1);
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
