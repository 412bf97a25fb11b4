#pragma once
// The game's chunked bitmap format: 8-byte chunk headers (a tag of four characters in file
// order, a 32-bit little-endian size) followed by their payloads, unpadded.

#include <cstdint>

#include "core/stream_fields.h"
#include "palette/riff_format.h"

namespace pbmp_format {

using stream_fields::makeTag;
using stream_fields::Tag;

inline constexpr Tag FormTag = makeTag("PBMP");
inline constexpr Tag HeadTag = makeTag("head");
inline constexpr Tag DataTag = makeTag("data");
inline constexpr Tag DetailTag = makeTag("DETL");
inline constexpr Tag PaletteIndexTag = makeTag("PiDX");
// A RIFF palette, as a palette file holds it from its form type on.
inline constexpr Tag PaletteTag = riff_format::RiffTag;

inline constexpr std::int32_t ChunkHeaderSize = 8;
// Five 32-bit fields: chunk count, width, height, bit depth, flag word.
inline constexpr std::int32_t HeadSize = 20;
// Only the low 24 bits of the head's chunk count count.
inline constexpr std::uint32_t ChunkCountMask = 0x00FFFFFF;
// "DETL" and "PiDX" carry one 32-bit number each.
inline constexpr std::int32_t NumberSize = 4;

} // namespace pbmp_format
