#include "palette/palette_tables.h"

#include <cstring>

#include "core/size_math.h"

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

// The bytes a palette file stores for one set: level groups or a pair table, then its
// index and float tables; none for the other kinds. Nothing when the level groups can't
// be sized.
std::optional<std::int32_t> storedBytesOf(const SubPalette& set, std::int32_t levelCount,
                                          std::int32_t extraGroups) {
    switch (set.kind) {
    case LevelKind: {
        const std::int64_t groups = std::int64_t{extraGroups} + 1;
        if (levelCount < 1 || groups < 1) {
            return std::nullopt;
        }
        const auto groupSize = size_math::checkedMultiply(levelCount, RowSize);
        const auto levelBytes =
            groupSize ? size_math::checkedMultiply(*groupSize, groups) : std::nullopt;
        return levelBytes ? size_math::checkedAdd(*levelBytes, ColorTablesSize) : std::nullopt;
    }
    case PairKind:
        return static_cast<std::int32_t>(PairTableSize + ColorTablesSize);
    default:
        return 0;
    }
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
    TableSizes sizes;
    for (std::int32_t i = 0; i < subPaletteCount; ++i) {
        const SubPalette& set = sets[i];
        const auto stored = storedBytesOf(set, levelCount, extraGroups);
        const auto computed = set.kind == PlainKind ? ColorTablesSize : 0;
        const auto inMemory = stored ? size_math::checkedAdd(*stored, computed) : std::nullopt;
        if (!inMemory || *inMemory > MaxTableBlockSize - sizes.inMemory) {
            return std::nullopt;
        }
        sizes.stored += *stored;
        sizes.inMemory += *inMemory;
    }
    return sizes;
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
