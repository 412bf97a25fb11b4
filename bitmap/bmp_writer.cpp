// Writing a Windows BMP: the two headers, a 256-entry colour table for every depth but 24,
// and the rows bottom first.

#include <array>

#include "bitmap/bitmap.h"
#include "bitmap/bmp_format.h"
#include "bitmap/row_layout.h"
#include "core/stream_io.h"
#include "palette/palette.h"

namespace {

using namespace bmp_format;

FileHeader fileHeaderFor(const Bitmap& bitmap, std::int32_t offBits, std::int32_t areaSize) {
    FileHeader header;
    header.type = BmpType;
    header.size = static_cast<std::uint32_t>(offBits + areaSize);
    header.reserved1 = PaletteIndexMarker;
    // The index travels as 16 bits; -1 becomes the "no palette" value.
    header.reserved2 = bitmap.paletteIndex == -1 ? NoPaletteIndex
                                                 : static_cast<std::uint16_t>(bitmap.paletteIndex);
    header.offBits = static_cast<std::uint32_t>(offBits);
    return header;
}

InfoHeader infoHeaderFor(const Bitmap& bitmap, std::int32_t areaSize) {
    InfoHeader header;
    header.size = InfoHeaderSize;
    header.width = bitmap.width;
    header.height = bitmap.height; // positive: bottom row first
    header.planes = 1;
    header.bitCount = static_cast<std::uint16_t>(bitmap.bitDepth);
    header.compression = CompressionNone;
    header.sizeImage = static_cast<std::uint32_t>(areaSize);
    return header; // resolution and colour counts stay 0
}

// The palette's colours as blue, green, red, 0; without a palette a ramp of grey from black
// at 0 to white at 255.
void writeColourTable(StreamIO& stream, const Bitmap& bitmap) {
    std::array<std::uint8_t, FullColourTableSize> table{};
    if (bitmap.palette != nullptr) {
        bitmap.palette->getQuads(table.data());
    } else {
        for (std::size_t i = 0; i < FullColourTableEntries; ++i) {
            const auto grey = static_cast<std::uint8_t>(i);
            table[i * ColourEntrySize + 0] = grey; // blue
            table[i * ColourEntrySize + 1] = grey; // green
            table[i * ColourEntrySize + 2] = grey; // red
        }
    }
    stream.write(FullColourTableSize, table.data());
}

// Level 0, bottom row first. Our own rows are reversed in place for one write and then put
// back; a view's rows are written one by one at the stride of its width.
void writeRowsBottomFirst(StreamIO& stream, Bitmap& bitmap, const bitmap_rows::RowLayout& layout) {
    if (bitmap.height == 0) {
        return;
    }
    std::uint8_t* lastRow =
        bitmap.pixels + static_cast<std::ptrdiff_t>(bitmap.height - 1) * bitmap.stride;
    if (layout.inPlace) {
        flipRows(bitmap.pixels, lastRow, bitmap.stride);
        stream.write(layout.areaSize, bitmap.pixels);
        flipRows(bitmap.pixels, lastRow, bitmap.stride);
    } else {
        bitmap_rows::writeRows(stream, lastRow, bitmap.height, -bitmap.stride, layout.fileStride,
                               layout.pixelBytes);
    }
}

} // namespace

bool Bitmap::writeBmp(StreamIO& stream) {
    const auto layout = bitmap_rows::rowLayoutOf(*this);
    if (!layout) {
        return false;
    }
    // Rows the buffer doesn't hold (a PBMP file whose data was short) can't be written.
    if ((layout->inPlace && layout->areaSize > imageSize) ||
        (pixels == nullptr && layout->areaSize > 0)) {
        return false;
    }
    const bool hasTable = bitDepth != TrueColourDepth;
    const std::int32_t offBits = HeadersSize + (hasTable ? FullColourTableSize : 0);

    stream.write(FileHeaderSize, encode(fileHeaderFor(*this, offBits, layout->areaSize)).data());
    stream.write(InfoHeaderSize, encode(infoHeaderFor(*this, layout->areaSize)).data());
    if (hasTable) {
        writeColourTable(stream, *this);
    }
    writeRowsBottomFirst(stream, *this, *layout);
    return stream.getStatus() == Ok;
}
