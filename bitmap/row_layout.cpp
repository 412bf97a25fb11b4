#include "bitmap/row_layout.h"

#include <algorithm>
#include <array>

#include "bitmap/bitmap.h"
#include "bitmap/size_limits.h"
#include "core/stream_io.h"

namespace bitmap_rows {

std::optional<RowLayout> rowLayoutOf(const Bitmap& bitmap) {
    if (!bitmap_size::isAcceptedGeometry(bitmap.width, bitmap.height, bitmap.bitDepth)) {
        return std::nullopt;
    }
    RowLayout layout;
    layout.fileStride = bitmap_size::strideFor(bitmap.width, bitmap.bitDepth);
    const std::int32_t rowBits = bitmap.width * bitmap.bitDepth;
    layout.pixelBytes = std::min((rowBits + 7) / 8, layout.fileStride);
    layout.areaSize = bitmap.height * layout.fileStride;
    layout.inPlace = (bitmap.flags & BitmapOwnsPixels) != 0 && bitmap.stride == layout.fileStride;
    return layout;
}

void writeRows(StreamIO& stream, const std::uint8_t* firstRow, std::int32_t rowCount,
               std::ptrdiff_t step, std::int32_t rowStride, std::int32_t pixelBytes) {
    static constexpr std::array<std::uint8_t, 4> fill{};
    const std::int32_t fillBytes = rowStride - pixelBytes;
    for (std::int32_t row = 0; row < rowCount; ++row) {
        stream.write(pixelBytes, firstRow + row * step);
        // Rows hold whole 4-byte units, so the fill never exceeds 3 bytes.
        if (fillBytes > 0) {
            stream.write(fillBytes, fill.data());
        }
    }
}

} // namespace bitmap_rows
