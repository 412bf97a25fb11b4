#pragma once
// The palette file with all colour sets: the magic "PL98", a header of set count, level
// shift, extra groups, a header value and the eight words of the match mask; each set's
// 256 colours, palette index and kind; the stored tables; an optional auxiliary table
// after a flag byte; and a trailing zero word. How the tables are sized is in
// palette_tables.h.

#include <cstdint>

#include "core/stream_fields.h"
#include "palette/palette.h"

namespace pl98_format {

inline constexpr stream_fields::Tag Magic = stream_fields::makeTag("PL98");
inline constexpr int MaskWords = PaletteSize / 32;
// The flag byte before the auxiliary table.
inline constexpr std::uint8_t AuxAbsent = 0;
inline constexpr std::uint8_t AuxPresent = 1;

} // namespace pl98_format
