#include "tests/support/sample_files.h"

#include <string_view>

namespace testing_support {
namespace {

class ByteWriter {
  public:
    void u8(std::uint32_t value) { bytes.push_back(static_cast<std::uint8_t>(value)); }
    void u16(std::uint32_t value) {
        u8(value);
        u8(value >> 8);
    }
    void u32(std::uint32_t value) {
        u16(value);
        u16(value >> 16);
    }
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void tag(std::string_view fourCharacters) {
        for (char c : fourCharacters) {
            u8(static_cast<std::uint8_t>(c));
        }
    }
    void pattern(std::size_t count, std::size_t seed) {
        for (std::size_t i = 0; i < count; ++i) {
            u8(samplePixelByte(seed + i));
        }
    }

    Bytes bytes;
};

std::int32_t strideOf(std::int32_t width, std::int32_t bitDepth) {
    return (((width * bitDepth) >> 3) + 3) & ~3;
}

void colourEntries(ByteWriter& out, std::int32_t entries) {
    for (std::int32_t i = 0; i < entries; ++i) {
        out.u8(static_cast<std::uint32_t>(i));                  // red
        out.u8(static_cast<std::uint32_t>(255 - i));            // green
        out.u8(static_cast<std::uint32_t>(i * 7));              // blue
        out.u8(static_cast<std::uint32_t>(i % 3 == 0 ? 4 : 0)); // flags
    }
}

void riffPalette(ByteWriter& out, std::int32_t entries) {
    out.tag("RIFF");
    out.u32(static_cast<std::uint32_t>(16 + 4 * entries)); // RIFF size
    out.tag("PAL ");
    out.tag("data");
    out.u32(static_cast<std::uint32_t>(4 + 4 * entries)); // data size
    out.u16(0x300);                                       // version
    out.u16(static_cast<std::uint32_t>(entries));         // count
    colourEntries(out, entries);
}

void subPaletteRecord(ByteWriter& out, std::int32_t paletteIndex, std::int32_t kind) {
    colourEntries(out, 256);
    out.i32(paletteIndex);
    out.i32(kind);
}

} // namespace

Bytes sampleBmp(std::int32_t width, std::int32_t height, std::int32_t bitDepth) {
    const std::int32_t tableEntries = bitDepth == 24 ? 0 : 256;
    const std::int32_t offBits = 54 + 4 * tableEntries;
    const std::int32_t imageSize = height * strideOf(width, bitDepth);
    ByteWriter out;
    out.tag("BM");                                            // bfType
    out.u32(static_cast<std::uint32_t>(offBits + imageSize)); // bfSize
    out.u16(SamplePaletteMarker);                             // bfReserved1
    out.u16(SamplePaletteIndex);                              // bfReserved2
    out.u32(static_cast<std::uint32_t>(offBits));             // bfOffBits
    out.u32(40);                                              // biSize
    out.i32(width);                                           // biWidth
    out.i32(height);                                          // biHeight: bottom row first
    out.u16(1);                                               // biPlanes
    out.u16(static_cast<std::uint32_t>(bitDepth));            // biBitCount
    out.u32(0);                                               // biCompression
    out.u32(static_cast<std::uint32_t>(imageSize));           // biSizeImage
    out.u32(2835);                                            // biXPelsPerMeter
    out.u32(2835);                                            // biYPelsPerMeter
    out.u32(0);                                               // biClrUsed: 256 when a table
    out.u32(0);                                               // biClrImportant
    for (std::int32_t i = 0; i < tableEntries; ++i) {
        out.u32(static_cast<std::uint32_t>(i * 0x010203)); // blue, green, red, 0
    }
    out.pattern(static_cast<std::size_t>(imageSize), 0);
    return out.bytes;
}

Bytes samplePbmp(std::int32_t width, std::int32_t height, bool withPalette) {
    const std::int32_t imageSize = height * strideOf(width, 8);
    ByteWriter out;
    out.tag("PBMP");
    out.u32(static_cast<std::uint32_t>(imageSize + 32 + (withPalette ? 1048 : 0)));
    out.tag("head");
    out.u32(20);
    out.u32(withPalette ? 4 : 3); // chunks after the head
    out.i32(width);
    out.i32(height);
    out.i32(8); // bit depth
    out.u32(8); // flags: owns its pixels
    if (withPalette) {
        riffPalette(out, 256);
    }
    out.tag("data");
    out.u32(static_cast<std::uint32_t>(imageSize));
    out.pattern(static_cast<std::size_t>(imageSize), 0);
    out.tag("DETL");
    out.u32(4);
    out.u32(1);
    out.tag("PiDX");
    out.u32(4);
    out.i32(SamplePaletteIndex);
    return out.bytes;
}

Bytes sampleRiffPalette(std::int32_t entries) {
    ByteWriter out;
    riffPalette(out, entries);
    return out.bytes;
}

Bytes samplePl98(bool withPairTable) {
    constexpr std::int32_t LevelShift = 1;
    constexpr std::int32_t ExtraGroups = 1;
    constexpr std::size_t LevelTableSize = (1u << LevelShift) * 256 * (ExtraGroups + 1);
    constexpr std::size_t PairTableSize = 65536;
    constexpr std::size_t IndexAndFloatTables = 256 + 4 * 1024;
    const std::int32_t count = withPairTable ? 3 : 2;

    ByteWriter out;
    out.tag("PL98");
    out.i32(count);       // subPaletteCount
    out.i32(LevelShift);  // levelShift
    out.i32(ExtraGroups); // extraGroups
    out.u32(0x12345678);  // headerValue
    for (int word = 0; word < 8; ++word) {
        out.u32(word == 0 ? 0x0000FFFFu : 0xFFFFFFFFu); // matchMask
    }
    subPaletteRecord(out, 7, 0);
    subPaletteRecord(out, 8, 1);
    if (withPairTable) {
        subPaletteRecord(out, 9, 2);
    }
    // Table block: level and pair tables first, then the index and float tables of every
    // sub-palette that carries tables; kind 0 carries none, its tables are computed.
    out.pattern(LevelTableSize, 1);
    if (withPairTable) {
        out.pattern(PairTableSize, 2);
    }
    for (int i = 0; i < count - 1; ++i) {
        out.pattern(256, 3);
        for (int table = 0; table < 4; ++table) {
            for (int j = 0; j < 256; ++j) {
                out.u32(0x3F000000u + static_cast<std::uint32_t>(j)); // floats near 0.5
            }
        }
    }
    static_assert(IndexAndFloatTables == 4352);
    out.u8(1); // auxiliary table present
    out.pattern(1024, 4);
    out.u32(0xAAAA0001u); // auxValue1
    out.u32(0xBBBB0002u); // auxValue2
    out.u32(0);           // trailer
    return out.bytes;
}

} // namespace testing_support
