// Writes the palette file with all colour sets, mask and tables. The table block goes out
// as the reader takes it back: the stored tables only, the computed ones are rebuilt.

#include "core/stream_fields.h"
#include "palette/palette.h"
#include "palette/palette_tables.h"
#include "palette/pl98_format.h"

namespace {

using namespace pl98_format;
using stream_fields::writeLittle;
using stream_fields::writeTag;

bool hasLevelTables(const Palette& palette) {
    for (std::int32_t i = 0; i < palette.subPaletteCount; ++i) {
        if (palette.subPalettes[i].kind == palette_tables::LevelKind) {
            return true;
        }
    }
    return false;
}

// The stored tables this palette's sets announce, when its block really holds them and the
// header describes them as the reader will size them.
std::optional<std::int32_t> storedTableBytes(const Palette& palette) {
    if (palette.subPaletteCount < 1 || palette.subPaletteCount > MaxSubPalettes ||
        palette.levelShift < 0 || palette.levelShift > palette_tables::MaxLevelShift ||
        palette.matchMask.wordCount < MaskWords) {
        return std::nullopt;
    }
    if (hasLevelTables(palette) && palette.levelCount != std::int32_t{1} << palette.levelShift) {
        return std::nullopt;
    }
    const auto sizes = palette_tables::tableSizes(palette.subPalettes, palette.subPaletteCount,
                                                  palette.levelCount, palette.extraGroups);
    if (!sizes) {
        return std::nullopt;
    }
    if (sizes->stored > 0 && (palette.tableBlock == nullptr || palette.tableBase < 0 ||
                              sizes->stored > palette.tableBlockSize - palette.tableBase)) {
        return std::nullopt;
    }
    return sizes->stored;
}

} // namespace

bool Palette::writePl98(StreamIO& stream) const {
    // Refuse before the first byte rather than write a file that can't be read back.
    const auto stored = storedTableBytes(*this);
    if (!stored) {
        return false;
    }
    writeTag(stream, Magic);
    writeLittle(stream, subPaletteCount);
    writeLittle(stream, levelShift);
    writeLittle(stream, extraGroups);
    writeLittle(stream, headerValue);
    for (int i = 0; i < MaskWords; ++i) {
        writeLittle(stream, matchMask.words[i]);
    }
    for (std::int32_t i = 0; i < subPaletteCount; ++i) {
        const SubPalette& set = subPalettes[i];
        stream.write(static_cast<int>(sizeof set.colors), set.colors); // red, green, blue, flags
        writeLittle(stream, set.paletteIndex);
        writeLittle(stream, set.kind);
    }
    if (*stored > 0) {
        stream.write(*stored, table(tableBase));
    }
    if (auxTable != nullptr) {
        writeLittle(stream, AuxPresent);
        stream.write(AuxTableSize, auxTable);
        writeLittle(stream, auxValue1);
        writeLittle(stream, auxValue2);
    } else {
        writeLittle(stream, AuxAbsent);
    }
    writeLittle(stream, std::uint32_t{0}); // trailer
    return stream.getStatus() == Ok;
}
