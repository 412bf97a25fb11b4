#include "tests/support/sample_files.h"

namespace testing_support {
namespace {

// The form size the writer stores adds this to the pixel bytes, and this for a palette.
constexpr std::uint32_t PbmpOverhead = 32;
constexpr std::uint32_t PbmpPaletteSize = 1048;
// What a RIFF size counts besides the entries: form type, chunk header, version, count.
constexpr std::uint32_t RiffOverhead = 16;
constexpr std::uint32_t RiffDataPrefix = 4;

std::int32_t strideOf(std::int32_t width, std::int32_t bitDepth) {
    return (((width * bitDepth) >> 3) + 3) & ~3;
}

Bytes samplePixels(std::size_t count, std::size_t seed) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = samplePixelByte(seed + i);
    }
    return bytes;
}

// Entry i: red i, green 255 - i, blue 7i, flags 4 for every third entry.
Bytes sampleColours(std::int32_t entries) {
    Bytes colours;
    for (std::int32_t i = 0; i < entries; ++i) {
        append(colours, {u8(static_cast<std::uint8_t>(i)), u8(static_cast<std::uint8_t>(255 - i)),
                         u8(static_cast<std::uint8_t>(i * 7)), u8(i % 3 == 0 ? 4 : 0)});
    }
    return colours;
}

} // namespace

Bytes greyTable() {
    Bytes table;
    for (int i = 0; i < 256; ++i) {
        const auto grey = static_cast<std::uint8_t>(i);
        table.insert(table.end(), {grey, grey, grey, 0});
    }
    return table;
}

Bytes bmpFile(const BmpFields& f) {
    return fileOf({f.type,              // bfType
                   u32(f.fileSize),     // bfSize
                   u16(f.reserved1),    // bfReserved1
                   u16(f.reserved2),    // bfReserved2
                   u32(f.offBits),      // bfOffBits
                   u32(f.infoSize),     // biSize
                   i32(f.width),        // biWidth
                   i32(f.height),       // biHeight
                   u16(1),              // biPlanes
                   u16(f.bitCount),     // biBitCount
                   u32(f.compression),  // biCompression
                   u32(f.sizeImage),    // biSizeImage
                   i32(f.pelsPerMeter), // biXPelsPerMeter
                   i32(f.pelsPerMeter), // biYPelsPerMeter
                   u32(f.clrUsed),      // biClrUsed
                   u32(0),              // biClrImportant
                   f.extraHeader, f.colourTable, f.pixels});
}

Bytes headRecord(std::uint32_t chunkCount, std::int32_t width, std::int32_t height,
                 std::int32_t bitDepth, std::uint32_t flags) {
    return fileOf({u32(chunkCount), i32(width), i32(height), i32(bitDepth), u32(flags)});
}

Bytes pbmpFile(const PbmpFields& f) {
    const bool withPalette = !f.palette.empty();
    const auto formSize = static_cast<std::uint32_t>(f.pixels.size()) + PbmpOverhead +
                          (withPalette ? PbmpPaletteSize : 0);
    return fileOf({tag("PBMP"), u32(formSize),
                   chunk("head", headRecord(withPalette ? 4 : 3, f.width, f.height, f.bitDepth,
                                            f.flags)), // chunks after the head
                   f.palette, chunk("data", f.pixels), chunk("DETL", u32(1)),
                   chunk("PiDX", i32(f.paletteIndex))});
}

Bytes riffPalette(const Bytes& entries, std::optional<std::uint32_t> dataSize) {
    const auto entryBytes = static_cast<std::uint32_t>(entries.size());
    return fileOf({tag("RIFF"), u32(RiffOverhead + entryBytes), // RIFF size
                   tag("PAL "),                                 // form type
                   tag("data"), u32(dataSize.value_or(RiffDataPrefix + entryBytes)),
                   u16(0x300),                                      // version
                   u16(static_cast<std::uint16_t>(entryBytes / 4)), // count
                   entries});
}

Bytes pl98Head(const Pl98Fields& f) {
    Bytes file = fileOf({tag("PL98"), // magic
                         i32(f.subPaletteCount.value_or(static_cast<std::int32_t>(f.sets.size()))),
                         i32(f.levelShift), i32(f.extraGroups), u32(f.headerValue)});
    for (const std::uint32_t word : f.mask) {
        append(file, {u32(word)}); // matchMask
    }
    for (const Pl98Set& set : f.sets) {
        append(file, {set.colors, i32(set.paletteIndex), i32(set.kind)});
    }
    return file;
}

Bytes pl98File(const Pl98Fields& f) {
    Bytes file = pl98Head(f);
    append(file, {f.tables});
    if (f.aux) {
        append(file, {u8(1), f.aux->table, u32(f.aux->value1), u32(f.aux->value2)});
    } else {
        append(file, {u8(0)}); // no auxiliary table
    }
    append(file, {u32(0)}); // trailer
    return file;
}

Bytes sampleBmp(std::int32_t width, std::int32_t height, std::int32_t bitDepth) {
    const std::int32_t tableEntries = bitDepth == 24 ? 0 : 256;
    const std::int32_t offBits = 54 + 4 * tableEntries;
    const std::int32_t imageSize = height * strideOf(width, bitDepth);
    BmpFields fields;
    fields.fileSize = static_cast<std::uint32_t>(offBits + imageSize);
    fields.reserved1 = SamplePaletteMarker;
    fields.reserved2 = SamplePaletteIndex;
    fields.offBits = static_cast<std::uint32_t>(offBits);
    fields.width = width;
    fields.height = height; // bottom row first
    fields.bitCount = static_cast<std::uint16_t>(bitDepth);
    fields.sizeImage = static_cast<std::uint32_t>(imageSize);
    fields.pelsPerMeter = 2835;
    fields.colourTable.clear(); // blue, green, red, 0
    for (std::int32_t i = 0; i < tableEntries; ++i) {
        append(fields.colourTable, {u32(static_cast<std::uint32_t>(i * 0x010203))});
    }
    fields.pixels = samplePixels(static_cast<std::size_t>(imageSize), 0);
    return bmpFile(fields);
}

Bytes samplePbmp(std::int32_t width, std::int32_t height, bool withPalette) {
    PbmpFields fields;
    fields.width = width;
    fields.height = height;
    if (withPalette) {
        fields.palette = sampleRiffPalette(256);
    }
    fields.pixels = samplePixels(static_cast<std::size_t>(height * strideOf(width, 8)), 0);
    fields.paletteIndex = SamplePaletteIndex;
    return pbmpFile(fields);
}

Bytes sampleRiffPalette(std::int32_t entries) {
    return riffPalette(sampleColours(entries));
}

Bytes samplePl98(bool withPairTable) {
    constexpr std::int32_t LevelShift = 1;
    constexpr std::int32_t ExtraGroups = 1;
    constexpr std::size_t LevelTableSize = (1u << LevelShift) * 256 * (ExtraGroups + 1);
    constexpr std::size_t PairTableSize = 65536;

    Pl98Fields fields;
    fields.levelShift = LevelShift;
    fields.extraGroups = ExtraGroups;
    fields.headerValue = 0x12345678;
    fields.mask.fill(0xFFFFFFFFu);
    fields.mask[0] = 0x0000FFFFu;
    fields.sets = {{sampleColours(256), 7, 0}, {sampleColours(256), 8, 1}};
    if (withPairTable) {
        fields.sets.push_back({sampleColours(256), 9, 2});
    }
    // Table block: level and pair tables first, then the index and float tables of every
    // sub-palette that carries tables; kind 0 carries none, its tables are computed.
    fields.tables = samplePixels(LevelTableSize, 1);
    if (withPairTable) {
        append(fields.tables, {samplePixels(PairTableSize, 2)});
    }
    for (std::size_t i = 1; i < fields.sets.size(); ++i) {
        append(fields.tables, {samplePixels(256, 3)});
        for (int table = 0; table < 4; ++table) {
            for (int j = 0; j < 256; ++j) {
                append(fields.tables, {u32(0x3F000000u + static_cast<std::uint32_t>(j))});
            }
        }
    }
    fields.aux = Pl98Aux{samplePixels(1024, 4), 0xAAAA0001u, 0xBBBB0002u};
    return pl98File(fields);
}

} // namespace testing_support
