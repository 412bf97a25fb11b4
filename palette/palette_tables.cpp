#include "palette/palette_tables.h"

#include <cstring>

namespace palette_tables {
namespace {

constexpr std::int32_t RedOffset = IndexTableSize;
constexpr std::int32_t GreenOffset = RedOffset + FloatTableSize;
constexpr std::int32_t BlueOffset = GreenOffset + FloatTableSize;
constexpr std::int32_t FourthOffset = BlueOffset + FloatTableSize;

void putFloat(std::uint8_t* at, float value) {
    std::memcpy(at, &value, sizeof value);
}

bool carriesStoredTables(const SubPalette& set) {
    return set.kind == LevelKind || set.kind == PairKind;
}

void pointColorTables(SubPalette& set, std::int32_t at) {
    set.indexTable = at;
    set.redTable = at + RedOffset;
    set.greenTable = at + GreenOffset;
    set.blueTable = at + BlueOffset;
    set.fourthTable = at + FourthOffset;
}

} // namespace

std::optional<TableSizes> tableSizes(const SubPalette* sets, std::int32_t subPaletteCount,
                                     std::int32_t levelCount, std::int32_t extraGroups) {
    std::int64_t stored = 0;
    std::int64_t computed = 0;
    for (std::int32_t i = 0; i < subPaletteCount; ++i) {
        switch (sets[i].kind) {
        case PlainKind:
            computed += ColorTablesSize;
            break;
        case LevelKind: {
            const std::int64_t groupSize = std::int64_t{levelCount} * RowSize;
            const std::int64_t groups = std::int64_t{extraGroups} + 1;
            // Checked by division first: the product itself could pass 64 bits.
            if (levelCount < 1 || groups < 1 || groups > MaxTableBlockSize / groupSize) {
                return std::nullopt;
            }
            stored += groupSize * groups + ColorTablesSize;
            break;
        }
        case PairKind:
            stored += PairTableSize + ColorTablesSize;
            break;
        default: // other kinds carry no tables
            break;
        }
        if (stored + computed > MaxTableBlockSize) {
            return std::nullopt;
        }
    }
    return TableSizes{static_cast<std::int32_t>(stored),
                      static_cast<std::int32_t>(stored + computed)};
}

void layOutTables(Palette& palette) {
    std::int32_t at = palette.tableBase;
    for (std::int32_t i = 0; i < palette.subPaletteCount; ++i) {
        SubPalette& set = palette.subPalettes[i];
        if (set.kind == LevelKind) {
            // Only a palette with level tables had its level count checked against the
            // block size; without one, a level count up to 1 << 30 times a row overflows.
            const std::int32_t groupSize = palette.levelCount * static_cast<std::int32_t>(RowSize);
            set.levelTable = at;
            set.lastLevelGroup = at + groupSize * palette.extraGroups;
            at += groupSize * (palette.extraGroups + 1);
        } else if (set.kind == PairKind) {
            set.pairTable = at;
            at += static_cast<std::int32_t>(PairTableSize);
        }
    }
    for (std::int32_t i = 0; i < palette.subPaletteCount; ++i) {
        SubPalette& set = palette.subPalettes[i];
        if (carriesStoredTables(set)) {
            pointColorTables(set, at);
            at += ColorTablesSize;
        }
    }
    for (std::int32_t i = 0; i < palette.subPaletteCount; ++i) {
        SubPalette& set = palette.subPalettes[i];
        if (set.kind == PlainKind) {
            fillColorTables(palette, set, at, 1.0f);
            at += ColorTablesSize;
        }
    }
}

void fillColorTables(Palette& palette, SubPalette& set, std::int32_t at,
                     std::optional<float> fourth) {
    pointColorTables(set, at);
    std::uint8_t* index = palette.table(set.indexTable);
    for (int j = 0; j < PaletteSize; ++j) {
        const PaletteEntry& entry = set.colors[j];
        const std::size_t offset = static_cast<std::size_t>(j) * sizeof(float);
        index[j] = static_cast<std::uint8_t>(j);
        putFloat(palette.table(set.redTable) + offset, entry.red / 255.0f);
        putFloat(palette.table(set.greenTable) + offset, entry.green / 255.0f);
        putFloat(palette.table(set.blueTable) + offset, entry.blue / 255.0f);
        putFloat(palette.table(set.fourthTable) + offset, fourth.value_or(entry.flags / 255.0f));
    }
}

} // namespace palette_tables
