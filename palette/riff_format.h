#pragma once
// The RIFF palette: a "RIFF" form of type "PAL " holding one "data" chunk, whose payload
// is a 16-bit version, a 16-bit count and 4-byte entries (red, green, blue, flags).

#include <cstdint>

#include "core/stream_fields.h"

namespace riff_format {

using stream_fields::makeTag;

inline constexpr stream_fields::Tag RiffTag = makeTag("RIFF");
inline constexpr stream_fields::Tag PaletteForm = makeTag("PAL ");
inline constexpr stream_fields::Tag DataTag = makeTag("data");

// What the RIFF size counts besides the entries: form type, chunk tag, chunk size, version
// and count.
inline constexpr std::uint32_t FormHeaderSize = 16;
// What the data chunk holds before the entries: version and count.
inline constexpr std::uint32_t DataPrefixSize = 4;
inline constexpr std::uint16_t LogPaletteVersion = 0x300;

} // namespace riff_format
