#pragma once
// Valid files of every format our readers take, built byte by byte rather than with our
// own writers, so that a fault shared by a reader and its writer cannot hide. The mutation
// sweeps start from them and the fuzzers use them as seeds.

#include <cstdint>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

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
