#pragma once
// How a bitmap's rows are laid out in a file. A bitmap with a buffer of its own stores its
// rows exactly as they lie in memory. A view's rows lie at its source's stride and run on
// into the source's columns beyond the view (and its last row past the source's buffer),
// so a view is stored row by row at the stride of its own width, each row's pixels
// followed by zero fill.

#include <algorithm>
#include <optional>

#include "bitmap/bitmap.h"
#include "bitmap/size_math.h"

namespace bitmap_rows {

struct RowLayout {
    std::int32_t fileStride = 0; // bytes per row in the file
    std::int32_t pixelBytes = 0; // bytes of each row taken from memory
    std::int32_t areaSize = 0;   // height x fileStride
    bool inPlace = false;        // memory rows are file rows: write the buffer as it is
};

// Nothing for a bitmap whose sizes we would refuse to read back.
inline std::optional<RowLayout> rowLayoutOf(const Bitmap& bitmap) {
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

} // namespace bitmap_rows
