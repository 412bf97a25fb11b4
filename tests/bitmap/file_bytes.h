#pragma once
// Building test files field by field, so that each test reads like the layout it checks:
//     fileOf({tag("BM"),   // bfType
//             u32(1086),   // bfSize
//             ...});

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace bitmap_testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes u16(std::uint16_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
}

inline Bytes u32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

inline Bytes i32(std::int32_t value) {
    return u32(static_cast<std::uint32_t>(value));
}

// The characters of a tag, in file order.
inline Bytes tag(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// `count` copies of `byte`.
inline Bytes repeat(std::size_t count, std::uint8_t byte) {
    return Bytes(count, byte);
}

inline Bytes fileOf(std::initializer_list<Bytes> fields) {
    Bytes file;
    for (const Bytes& field : fields) {
        file.insert(file.end(), field.begin(), field.end());
    }
    return file;
}

// A chunk of the game's format: tag, 32-bit size, payload.
inline Bytes chunk(std::string_view name, const Bytes& payload) {
    return fileOf({tag(name), u32(static_cast<std::uint32_t>(payload.size())), payload});
}

// The five fields of a "head" chunk's payload.
inline Bytes headRecord(std::uint32_t chunkCount, std::int32_t width, std::int32_t height,
                        std::int32_t bitDepth, std::uint32_t flags) {
    return fileOf({u32(chunkCount), i32(width), i32(height), i32(bitDepth), u32(flags)});
}

// The 256-entry grey colour table: i, i, i, 0 for every i.
inline Bytes greyTable() {
    Bytes table;
    for (int i = 0; i < 256; ++i) {
        const auto grey = static_cast<std::uint8_t>(i);
        table.insert(table.end(), {grey, grey, grey, 0});
    }
    return table;
}

// The fields of a Windows BMP that tests vary, with the values of a small valid 8-bit file.
struct BmpFields {
    Bytes type = tag("BM");
    std::uint32_t fileSize = 0;
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t offBits = 54 + 1024;
    std::uint32_t infoSize = 40;
    std::int32_t width = 3;
    std::int32_t height = 2;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;
    Bytes extraHeader; // after the 40 bytes of the info header
    Bytes colourTable = greyTable();
    Bytes pixels = {1, 2, 3, 0, 4, 5, 6, 0}; // file order: the bottom row first
};

inline Bytes bmpFile(const BmpFields& f) {
    return fileOf({f.type,             // bfType
                   u32(f.fileSize),    // bfSize
                   u16(f.reserved1),   // bfReserved1
                   u16(f.reserved2),   // bfReserved2
                   u32(f.offBits),     // bfOffBits
                   u32(f.infoSize),    // biSize
                   i32(f.width),       // biWidth
                   i32(f.height),      // biHeight
                   u16(1),             // biPlanes
                   u16(f.bitCount),    // biBitCount
                   u32(f.compression), // biCompression
                   u32(0),             // biSizeImage
                   u32(0),             // biXPelsPerMeter
                   u32(0),             // biYPelsPerMeter
                   u32(f.clrUsed),     // biClrUsed
                   u32(0),             // biClrImportant
                   f.extraHeader, f.colourTable, f.pixels});
}

} // namespace bitmap_testing
