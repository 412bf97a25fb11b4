// Reading a Windows BMP: file header, info header, colour table, pixel rows, each stage
// checking what it read before the next one relies on it.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "bitmap/bitmap.h"
#include "bitmap/bmp_format.h"
#include "bitmap/bmp_headers.h"
#include "bitmap/pixel_buffer.h"
#include "bitmap/size_limits.h"
#include "core/byte_order.h"
#include "core/stream_fields.h"
#include "palette/palette.h"

namespace {

using namespace bmp_format;
using namespace bmp_headers;

// Reads `entries` colours at the current position into a new palette; entries the table
// doesn't hold, or the file doesn't reach, are black.
bool readColourTable(Bitmap& bitmap, StreamIO& stream, std::uint32_t entries) {
    if (entries > FullColourTableEntries) {
        return false; // a palette holds 256 colours
    }
    bitmap.palette = Palette::create();
    if (bitmap.palette == nullptr) {
        return false;
    }
    const auto tableSize = static_cast<std::int32_t>(entries) * ColourEntrySize;
    std::array<std::uint8_t, FullColourTableSize> table{};
    std::int32_t arrived = 0; // missing colours stay black
    if (!stream_fields::readAvailable(stream, table.data(), tableSize, arrived)) {
        return false;
    }
    // Blue, green, red, reserved read as a little-endian word is the packed 0x00RRGGBB.
    std::array<std::uint32_t, FullColourTableEntries> packed{};
    for (std::size_t i = 0; i < packed.size(); ++i) {
        packed[i] = byte_order::loadU32(&table[i * ColourEntrySize]);
    }
    bitmap.palette->count = static_cast<std::uint16_t>(entries);
    bitmap.palette->setPackedColors(packed.data());
    return true;
}

// Reads the rows from `offset`, or none when there is no offset to read them from.
bool readPixels(Bitmap& bitmap, StreamIO& stream, std::optional<std::int32_t> offset,
                std::int32_t biHeight, std::uint32_t fileFlags, BitmapReadReport& report) {
    bitmap.imageSize = bitmap.height * bitmap.stride;
    if ((fileFlags & BitmapWholePixelsOnly) != 0 && !holdsRows(stream, offset, bitmap.imageSize)) {
        report.pixelsMissing = true;
        return false;
    }
    bitmap.pixels = bitmap_buffer::allocatePixels(bitmap.imageSize).release();
    if (bitmap.pixels == nullptr) {
        report.tooLarge = true;
        return false;
    }
    bitmap.flags |= BitmapOwnsPixels;
    // Rows missing at the end of the file stay zero; the report says how many bytes came.
    if (offset && (!stream.setPosition(*offset) ||
                   !stream_fields::readAvailable(stream, bitmap.pixels, bitmap.imageSize,
                                                 report.pixelBytesRead))) {
        return false;
    }
    // A positive height stores the bottom row first; we keep the top row first.
    if (biHeight > 0) {
        flipRows(bitmap.pixels, bitmap.pixels + (bitmap.height - 1) * bitmap.stride, bitmap.stride);
    }
    return true;
}

} // namespace

bool Bitmap::readBmp(StreamIO& stream, std::uint32_t fileFlags) {
    BitmapReadReport unused;
    return readBmp(stream, fileFlags, unused);
}

bool Bitmap::readBmp(StreamIO& stream, std::uint32_t fileFlags, BitmapReadReport& report) {
    prepareForRead();
    report = BitmapReadReport{};
    BmpHeaders headers;
    // read() took the first 8 bytes for a chunk header.
    if (!readHeaders(stream, stream.getPosition() - 8, headers) ||
        !isReadableImage(headers, report)) {
        return false;
    }
    const InfoHeader& info = headers.info;
    width = info.width;
    height = std::abs(info.height);
    bitDepth = info.bitCount;
    stride = bitmap_size::strideFor(width, bitDepth);
    paletteIndex = paletteIndexOf(headers.file);
    report.paletteIndexMarker = headers.file.reserved1 == PaletteIndexMarker;

    const auto table = colourTableOf(headers);
    if (!table) {
        return false;
    }
    if (table->entries > 0 && (fileFlags & BitmapWithPalette) != 0) {
        if (!stream.setPosition(table->start) || !readColourTable(*this, stream, table->entries)) {
            return false;
        }
    }
    if (!readPixels(*this, stream, pixelOffset(headers, *table), info.height, fileFlags, report)) {
        return false;
    }
    detailLevelCount = 1;
    detailLevels[0] = pixels;
    return true;
}
