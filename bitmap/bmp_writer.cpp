// Writing a Windows BMP: the two headers, a 256-entry colour table for every depth but 24,
// and the rows bottom first.

#include <algorithm>
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

// Rows handed to the stream at once: each is a piece of one gathered write.
constexpr std::int32_t RowsPerWrite = 512;

// Our own rows as they lie, the bottom row first, in gathered writes straight from their
// places: no copy of the pixels is made, and the bitmap is not touched.
void writeOwnRowsBottomFirst(StreamIO& stream, const Bitmap& bitmap) {
    std::array<platform::WritePiece, RowsPerWrite> pieces{};
    for (std::int32_t row = bitmap.height; row > 0;) {
        const std::int32_t rows = std::min(row, RowsPerWrite);
        for (std::int32_t piece = 0; piece < rows; ++piece) {
            --row;
            pieces[static_cast<std::size_t>(piece)] = {
                bitmap.pixels + static_cast<std::ptrdiff_t>(row) * bitmap.stride, bitmap.stride};
        }
        stream.writeGathered(pieces.data(), rows);
    }
}

// Level 0, bottom row first; a view's rows are written one by one at the stride of its
// width.
void writeRowsBottomFirst(StreamIO& stream, const Bitmap& bitmap,
                          const bitmap_rows::RowLayout& layout) {
    if (bitmap.height == 0) {
        return;
    }
    if (layout.inPlace) {
        writeOwnRowsBottomFirst(stream, bitmap);
        return;
    }
    const std::uint8_t* lastRow =
        bitmap.pixels + static_cast<std::ptrdiff_t>(bitmap.height - 1) * bitmap.stride;
    bitmap_rows::writeRows(stream, lastRow, bitmap.height, -bitmap.stride, layout.fileStride,
                           layout.pixelBytes);
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
