#pragma once
// How the tables of a palette's colour sets are sized and laid out in its table block,
// shared by the palette file readers and writers.

#include <cstdint>
#include <optional>

#include "palette/palette.h"

namespace palette_tables {

// Kinds of colour set, by the tables they carry.
inline constexpr std::int32_t PlainKind = 0; // only computed tables
inline constexpr std::int32_t LevelKind = 1; // level groups, then stored tables
inline constexpr std::int32_t PairKind = 2;  // a pair table, then stored tables

inline constexpr std::int64_t RowSize = 256;
inline constexpr std::int64_t PairTableSize = 256 * RowSize;
// The index table and four float tables of a colour set.
inline constexpr std::int32_t IndexTableSize = 256;
inline constexpr std::int32_t FloatTableSize = 256 * 4;
inline constexpr std::int32_t ColorTablesSize = IndexTableSize + 4 * FloatTableSize;
// The largest table block we accept. Arbitrary: far above any real palette file, yet it
// keeps a hostile header from making us allocate gigabytes.
inline constexpr std::int64_t MaxTableBlockSize = 64 * 1024 * 1024;
// Level counts are 1 << levelShift held in 32 bits.
inline constexpr std::int32_t MaxLevelShift = 30;

// The bytes of the table block, with and without the computed tables of plain sets.
struct TableSizes {
    std::int32_t stored = 0;   // what a palette file carries
    std::int32_t inMemory = 0; // stored plus the computed tables of plain sets
};

// Sizes for the first `subPaletteCount` of `sets`, with `levelCount` rows per level group and
// `extraGroups` + 1 groups; nothing when a size is negative or beyond MaxTableBlockSize.
std::optional<TableSizes> tableSizes(const SubPalette* sets, std::int32_t subPaletteCount,
                                     std::int32_t levelCount, std::int32_t extraGroups);

// Points every set's table references into a block laid out as a palette file stores it,
// then fills the computed tables of the plain sets behind the stored ones.
void layOutTables(Palette& palette);

// Fills the index table with 0..255 and the float tables with the components of the
// set's colours divided by 255; the fourth table gets `fourth` for every entry, or the
// flags byte divided by 255 when `fourth` is empty.
void fillColorTables(Palette& palette, SubPalette& set, std::int32_t at,
                     std::optional<float> fourth);

} // namespace palette_tables
