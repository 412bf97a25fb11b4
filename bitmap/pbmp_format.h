#pragma once
// The game's chunked bitmap format: 8-byte chunk headers (a tag of four characters in file
// order, a 32-bit little-endian size) followed by their payloads, unpadded.

#include <array>
#include <cstdint>

namespace pbmp_format {

using Tag = std::array<char, 4>;

inline constexpr Tag FormTag{'P', 'B', 'M', 'P'};
inline constexpr Tag HeadTag{'h', 'e', 'a', 'd'};
inline constexpr Tag DataTag{'d', 'a', 't', 'a'};
inline constexpr Tag DetailTag{'D', 'E', 'T', 'L'};
inline constexpr Tag PaletteIndexTag{'P', 'i', 'D', 'X'};
inline constexpr Tag PaletteTag{'R', 'I', 'F', 'F'};

inline constexpr std::int32_t ChunkHeaderSize = 8;
// Five 32-bit fields: chunk count, width, height, bit depth, flag word.
inline constexpr std::int32_t HeadSize = 20;
// Only the low 24 bits of the head's chunk count count.
inline constexpr std::uint32_t ChunkCountMask = 0x00FFFFFF;
// "DETL" and "PiDX" carry one 32-bit number each.
inline constexpr std::int32_t NumberSize = 4;

} // namespace pbmp_format
