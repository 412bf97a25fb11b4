// Reading a Windows BMP: file header, info header, colour table, pixel rows, each stage
// checking what it read before the next one relies on it.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "bitmap/bitmap.h"
#include "bitmap/bmp_format.h"
#include "bitmap/pixel_buffer.h"
#include "bitmap/size_limits.h"
#include "core/byte_order.h"
#include "core/stream_fields.h"
#include "palette/palette.h"

namespace {

using namespace bmp_format;

struct BmpHeaders {
    FileHeader file;
    InfoHeader info;
    // Stream offset of the file header.
    std::int32_t start = 0;
};

// Smallest info header whose fields lie where we read them. The older 12-byte header
// has 16-bit sizes in other places and would be misread.
constexpr std::uint32_t MinInfoHeaderSize = InfoHeaderSize;
// Largest info header we know of (with colour space and profile fields); larger values
// are taken for damage.
constexpr std::uint32_t MaxInfoHeaderSize = 124;

bool readHeaders(StreamIO& stream, BmpHeaders& headers) {
    // read() took the first 8 bytes for a chunk header.
    headers.start = stream.getPosition() - 8;
    if (headers.start < 0 || !stream.setPosition(headers.start)) {
        return false;
    }
    FileHeaderBytes fileBytes{};
    InfoHeaderBytes infoBytes{};
    stream.read(FileHeaderSize, fileBytes.data());
    stream.read(InfoHeaderSize, infoBytes.data());
    if (stream.getStatus() != Ok) {
        return false;
    }
    headers.file = decode(fileBytes);
    headers.info = decode(infoBytes);
    return true;
}

// Refuses what can't describe an image of plain rows. Compressed pixels would be taken
// for rows and come out as noise, so they are refused rather than misread.
bool isReadableImage(const BmpHeaders& headers, BitmapReadReport& report) {
    const InfoHeader& info = headers.info;
    if (headers.file.type != BmpType || info.size < MinInfoHeaderSize ||
        info.size > MaxInfoHeaderSize) {
        return false;
    }
    if (info.compression != CompressionNone && info.compression != CompressionBitFields) {
        return false;
    }
    if (info.height == INT32_MIN) { // its absolute value doesn't exist
        return false;
    }
    const std::int32_t height = std::abs(info.height);
    report.tooLarge = bitmap_size::isTooLarge(info.width, height, info.bitCount);
    return bitmap_size::isAcceptedGeometry(info.width, height, info.bitCount);
}

std::int32_t paletteIndexOf(const FileHeader& file) {
    if (file.reserved1 == PaletteIndexMarker && file.reserved2 != NoPaletteIndex) {
        return file.reserved2;
    }
    return -1;
}

// Entries in the colour table: biClrUsed, or 256 when it is 0, at every depth but 24.
// Depths whose files would mean fewer by 0 are taken to carry 256 as well, as the writer
// stores them.
std::uint32_t colourTableEntries(const InfoHeader& info) {
    if (info.bitCount == TrueColourDepth) {
        return 0;
    }
    return info.clrUsed != 0 ? info.clrUsed : FullColourTableEntries;
}

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

// Where the rows start: at bfOffBits whenever it points past the headers, as every writer
// that fills it in means it (larger headers, bit masks, gaps, and tables shorter than the
// 256 entries a biClrUsed of 0 makes us assume); otherwise, when it can't be right, right
// after the colour table. Nothing when it points beyond any offset a stream can reach:
// such rows lie past the end of every file we read.
std::optional<std::int32_t> pixelOffset(const BmpHeaders& headers, std::int32_t headersEnd,
                                        std::int32_t tableEnd) {
    const auto stated = size_math::checkedAdd(headers.start, headers.file.offBits);
    if (!stated) {
        return std::nullopt;
    }
    return *stated >= headersEnd ? *stated : tableEnd;
}

// Whether the rows at `offset` are all in the file; with nowhere to read them from, none is.
bool holdsRows(StreamIO& stream, std::optional<std::int32_t> offset, std::int32_t size) {
    return offset && stream_fields::holdsBytes(stream, *offset, size);
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
    if (!readHeaders(stream, headers) || !isReadableImage(headers, report)) {
        return false;
    }
    const InfoHeader& info = headers.info;
    width = info.width;
    height = std::abs(info.height);
    bitDepth = info.bitCount;
    stride = bitmap_size::strideFor(width, bitDepth);
    paletteIndex = paletteIndexOf(headers.file);
    report.paletteIndexMarker = headers.file.reserved1 == PaletteIndexMarker;

    // A table too long for any file, read or skipped, leaves no place for the rows.
    const std::uint32_t entries = colourTableEntries(info);
    const auto tableStart = size_math::checkedAdd(headers.start, FileHeaderSize + info.size);
    const auto tableSize = size_math::checkedMultiply(entries, ColourEntrySize);
    const auto tableEnd =
        tableStart && tableSize ? size_math::checkedAdd(*tableStart, *tableSize) : std::nullopt;
    if (!tableEnd) {
        return false;
    }
    if (entries > 0 && (fileFlags & BitmapWithPalette) != 0) {
        if (!stream.setPosition(*tableStart) || !readColourTable(*this, stream, entries)) {
            return false;
        }
    }
    if (!readPixels(*this, stream, pixelOffset(headers, *tableStart, *tableEnd), info.height,
                    fileFlags, report)) {
        return false;
    }
    detailLevelCount = 1;
    detailLevels[0] = pixels;
    return true;
}
