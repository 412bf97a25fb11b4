#pragma once
// The Windows BMP headers as the reader and the writer see them: the 14-byte file header
// and the 40-byte info header, with their encoding to and from file bytes.

#include <array>
#include <cstdint>

#include "core/byte_order.h"

namespace bmp_format {

inline constexpr std::int32_t FileHeaderSize = 14;
inline constexpr std::int32_t InfoHeaderSize = 40;
inline constexpr std::int32_t HeadersSize = FileHeaderSize + InfoHeaderSize;

inline constexpr std::uint16_t BmpType = 0x4D42; // "BM"
// bfReserved1 holds this when bfReserved2 carries a game palette index; 0xFFFF there
// means "no palette".
inline constexpr std::uint16_t PaletteIndexMarker = 0xF5F7;
inline constexpr std::uint16_t NoPaletteIndex = 0xFFFF;

// Colour tables are 4-byte entries: blue, green, red, reserved.
inline constexpr std::int32_t ColourEntrySize = 4;
// What the writer always stores, whatever the depth, and what a reader may take into a
// palette at most.
inline constexpr std::int32_t FullColourTableEntries = 256;
inline constexpr std::int32_t FullColourTableSize = FullColourTableEntries * ColourEntrySize;
// The one depth that has no colour table.
inline constexpr std::int32_t TrueColourDepth = 24;

// biCompression values whose pixel area is plain rows.
inline constexpr std::uint32_t CompressionNone = 0;
inline constexpr std::uint32_t CompressionBitFields = 3;

struct FileHeader {
    std::uint16_t type = 0;
    std::uint32_t size = 0;
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t offBits = 0;
};

struct InfoHeader {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

using FileHeaderBytes = std::array<std::uint8_t, FileHeaderSize>;
using InfoHeaderBytes = std::array<std::uint8_t, InfoHeaderSize>;

constexpr FileHeader decode(const FileHeaderBytes& bytes) {
    using namespace byte_order;
    FileHeader header;
    header.type = loadU16(&bytes[0]);
    header.size = loadU32(&bytes[2]);
    header.reserved1 = loadU16(&bytes[6]);
    header.reserved2 = loadU16(&bytes[8]);
    header.offBits = loadU32(&bytes[10]);
    return header;
}

constexpr InfoHeader decode(const InfoHeaderBytes& bytes) {
    using namespace byte_order;
    InfoHeader header;
    header.size = loadU32(&bytes[0]);
    header.width = loadI32(&bytes[4]);
    header.height = loadI32(&bytes[8]);
    header.planes = loadU16(&bytes[12]);
    header.bitCount = loadU16(&bytes[14]);
    header.compression = loadU32(&bytes[16]);
    header.sizeImage = loadU32(&bytes[20]);
    header.xPelsPerMeter = loadI32(&bytes[24]);
    header.yPelsPerMeter = loadI32(&bytes[28]);
    header.clrUsed = loadU32(&bytes[32]);
    header.clrImportant = loadU32(&bytes[36]);
    return header;
}

constexpr FileHeaderBytes encode(const FileHeader& header) {
    using namespace byte_order;
    FileHeaderBytes bytes{};
    storeU16(&bytes[0], header.type);
    storeU32(&bytes[2], header.size);
    storeU16(&bytes[6], header.reserved1);
    storeU16(&bytes[8], header.reserved2);
    storeU32(&bytes[10], header.offBits);
    return bytes;
}

constexpr InfoHeaderBytes encode(const InfoHeader& header) {
    using namespace byte_order;
    InfoHeaderBytes bytes{};
    storeU32(&bytes[0], header.size);
    storeU32(&bytes[4], static_cast<std::uint32_t>(header.width));
    storeU32(&bytes[8], static_cast<std::uint32_t>(header.height));
    storeU16(&bytes[12], header.planes);
    storeU16(&bytes[14], header.bitCount);
    storeU32(&bytes[16], header.compression);
    storeU32(&bytes[20], header.sizeImage);
    storeU32(&bytes[24], static_cast<std::uint32_t>(header.xPelsPerMeter));
    storeU32(&bytes[28], static_cast<std::uint32_t>(header.yPelsPerMeter));
    storeU32(&bytes[32], header.clrUsed);
    storeU32(&bytes[36], header.clrImportant);
    return bytes;
}

} // namespace bmp_format
