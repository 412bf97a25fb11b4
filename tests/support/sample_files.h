#pragma once
// Files of every format our readers take, built byte by byte rather than with our own
// writers, so that a fault shared by a reader and its writer cannot hide. Each format has
// one builder over its fields; the samples below are valid files of every format, which the
// mutation sweeps start from and the fuzzers use as seeds.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "tests/support/file_bytes.h"

namespace testing_support {

// The 256-entry grey colour table: i, i, i, 0 for every i.
Bytes greyTable();

// The fields of a Windows BMP, with the values of a small valid 8-bit file.
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
    std::uint32_t sizeImage = 0;
    std::int32_t pelsPerMeter = 0; // both directions
    std::uint32_t clrUsed = 0;
    Bytes extraHeader; // after the 40 bytes of the info header
    Bytes colourTable = greyTable();
    Bytes pixels = {1, 2, 3, 0, 4, 5, 6, 0}; // file order: the bottom row first
};
Bytes bmpFile(const BmpFields& fields);

// The five fields of a "PBMP" file's "head" chunk.
Bytes headRecord(std::uint32_t chunkCount, std::int32_t width, std::int32_t height,
                 std::int32_t bitDepth, std::uint32_t flags);

// A "PBMP" file as the writer lays it out: head, the palette chunk when there is one, data,
// DETL and PiDX.
struct PbmpFields {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitDepth = 8;
    std::uint32_t flags = 8; // as written: the bitmap owned its pixels
    Bytes palette;           // a whole RIFF palette, or nothing
    Bytes pixels;
    std::int32_t paletteIndex = -1;
};
Bytes pbmpFile(const PbmpFields& fields);

// A RIFF palette of 4-byte entries (red, green, blue, flags). Its data chunk's size is
// `dataSize`, or what the entries take.
Bytes riffPalette(const Bytes& entries, std::optional<std::uint32_t> dataSize = std::nullopt);

// The palette file with all colour sets.
struct Pl98Set {
    Bytes colors; // 256 entries of red, green, blue, flags
    std::int32_t paletteIndex = 0;
    std::int32_t kind = 0;
};
struct Pl98Aux {
    Bytes table; // 1,024 bytes
    std::uint32_t value1 = 0;
    std::uint32_t value2 = 0;
};
struct Pl98Fields {
    std::optional<std::int32_t> subPaletteCount; // as many as there are sets
    std::int32_t levelShift = 0;
    std::int32_t extraGroups = 0;
    std::uint32_t headerValue = 0;
    std::array<std::uint32_t, 8> mask{};
    std::vector<Pl98Set> sets;
    Bytes tables; // the stored table block
    std::optional<Pl98Aux> aux;
};
// The magic, the header and the sets: everything before the table block.
Bytes pl98Head(const Pl98Fields& fields);
Bytes pl98File(const Pl98Fields& fields);

// The game palette marker of a BMP header and the palette index the samples carry.
inline constexpr std::uint16_t SamplePaletteMarker = 0xF5F7;
inline constexpr std::int32_t SamplePaletteIndex = 3;

// A bottom-up Windows BMP: a 40-byte info header, a 256-entry colour table unless the depth
// is 24, and `height` rows of a recognisable byte pattern padded to whole 4-byte words.
Bytes sampleBmp(std::int32_t width, std::int32_t height, std::int32_t bitDepth);
// An 8-bit "PBMP" file: head, an optional RIFF palette of 256 entries, data, DETL, PiDX.
Bytes samplePbmp(std::int32_t width, std::int32_t height, bool withPalette);
// A RIFF palette of `entries` colours.
Bytes sampleRiffPalette(std::int32_t entries);
// A "PL98" palette: sub-palettes of kind 0 and kind 1 (levelShift 1, extraGroups 1), with
// their tables and an auxiliary table; `withPairTable` adds a kind-2 sub-palette.
Bytes samplePl98(bool withPairTable);

// The byte at offset `i` of the sample pixel patterns.
inline std::uint8_t samplePixelByte(std::size_t i) {
    return static_cast<std::uint8_t>(i * 37 + (i >> 8) * 11 + 5);
}

} // namespace testing_support
