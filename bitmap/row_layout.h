#pragma once
// How a bitmap's rows are laid out in a file. A bitmap with a buffer of its own stores its
// rows exactly as they lie in memory. A view's rows lie at its source's stride and run on
// into the source's columns beyond the view (and its last row past the source's buffer),
// so a view is stored row by row at the stride of its own width, each row's pixels
// followed by zero fill.

#include <cstddef>
#include <cstdint>
#include <optional>

class Bitmap;
class StreamIO;

namespace bitmap_rows {

struct RowLayout {
    std::int32_t fileStride = 0; // bytes per row in the file
    std::int32_t pixelBytes = 0; // bytes of each row taken from memory
    std::int32_t areaSize = 0;   // height x fileStride
    bool inPlace = false;        // memory rows are file rows: write the buffer as it is
};

// Nothing for a bitmap whose sizes we would refuse to read back.
std::optional<RowLayout> rowLayoutOf(const Bitmap& bitmap);

// Writes `rowCount` rows of `rowStride` bytes, starting at `firstRow` and moving `step`
// bytes from one row to the next (negative to go upwards). Each row's first `pixelBytes`
// come from memory and the rest of it is zero, so nothing beyond a row's pixels is read.
// The stream's status tells the writer how it went.
void writeRows(StreamIO& stream, const std::uint8_t* firstRow, std::int32_t rowCount,
               std::ptrdiff_t step, std::int32_t rowStride, std::int32_t pixelBytes);

} // namespace bitmap_rows
