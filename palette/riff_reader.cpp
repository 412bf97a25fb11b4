// Reads a RIFF palette: form "PAL ", one "data" chunk of version, count and entries. The
// entry count comes from the chunk's size; the count field beside the version is not
// trusted. Nothing in the palette changes unless the whole palette was read.

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "core/stream_fields.h"
#include "palette/palette.h"
#include "palette/palette_tables.h"
#include "palette/riff_format.h"

namespace {

using namespace riff_format;
using stream_fields::readLittle;
using stream_fields::readTag;
using stream_fields::Tag;

// Whole entries after the version and count; nothing when the size can't describe 0 to
// 256 of them.
std::optional<std::uint16_t> entryCount(std::uint32_t dataSize) {
    if (dataSize < DataPrefixSize) {
        return std::nullopt;
    }
    const std::uint32_t entries = dataSize / sizeof(PaletteEntry) - 1;
    if (entries > PaletteSize) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(entries);
}

// The rest of a palette after its form type: the "data" chunk, whose tag is not compared
// (the size after it decides), with version, count and entries.
bool readData(Palette& palette, StreamIO& stream, const Tag& form) {
    Tag chunkTag{};
    readTag(stream, chunkTag);
    if (form != PaletteForm) {
        return false;
    }
    std::uint32_t dataSize = 0;
    readLittle(stream, dataSize);
    const auto entries = entryCount(dataSize);
    if (!entries) {
        return false;
    }
    std::uint32_t versionAndCount = 0; // as stored; the size above decides
    readLittle(stream, versionAndCount);
    std::array<std::uint8_t, PaletteSize * sizeof(PaletteEntry)> colorBytes{};
    const int entryBytes = *entries * static_cast<int>(sizeof(PaletteEntry));
    stream.read(entryBytes, colorBytes.data());
    if (stream.getStatus() != Ok) {
        return false;
    }
    const std::int32_t blockSize = palette_tables::ColorTablesSize;
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[blockSize]());
    if (!block) {
        return false;
    }

    palette.freeTables();
    palette.tableBlock = block.release();
    palette.tableBlockSize = blockSize;
    palette.tableBase = 0;
    palette.version = LogPaletteVersion;
    palette.count = *entries;
    // Entries beyond the count keep what they held.
    std::memcpy(static_cast<void*>(palette.colors()), colorBytes.data(),
                static_cast<std::size_t>(entryBytes));
    palette.levelCount = palette.extraGroups = palette.levelShift = 0;
    palette.subPaletteCount = 1;
    SubPalette& set = palette.subPalettes[0];
    set.kind = palette_tables::PlainKind;
    set.paletteIndex = -1;
    palette_tables::fillColorTables(palette, set, palette.tableBase, std::nullopt);
    palette.touch();
    return true;
}

} // namespace

bool Palette::readRiff(StreamIO& stream) {
    Tag tag{};
    readTag(stream, tag);
    if (tag == RiffTag) {
        return readRiffAfterTag(stream);
    }
    // Read from just after the RIFF header: the form type came first.
    return readData(*this, stream, tag);
}

bool Palette::readRiffAfterTag(StreamIO& stream) {
    std::uint32_t riffSize = 0; // the chunk sizes inside decide
    readLittle(stream, riffSize);
    Tag form{};
    readTag(stream, form);
    return readData(*this, stream, form);
}
