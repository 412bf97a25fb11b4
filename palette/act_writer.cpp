// Writes a Photoshop colour table: 256 entries of red, green, blue, then the number of
// entries in use and the index of the transparent one, both 16 bits, most significant byte
// first.

#include <array>
#include <cstdint>

#include "core/stream_io.h"
#include "palette/palette.h"
#include "palette/palette_export.h"

namespace {

constexpr int EntrySize = 3;
constexpr int TableSize = PaletteSize * EntrySize;
constexpr std::uint16_t NoTransparentEntry = 0xFFFF;

void storeBigEndian16(std::uint8_t* bytes, std::uint16_t value) {
    bytes[0] = static_cast<std::uint8_t>(value >> 8);
    bytes[1] = static_cast<std::uint8_t>(value);
}

} // namespace

bool writePhotoshopTable(StreamIO& stream, const Palette& palette) {
    int inUse = 0; // up to the last entry allowed
    for (int index = 0; index < PaletteSize; ++index) {
        if (palette.matchMask.test(index)) {
            inUse = index + 1;
        }
    }
    std::array<std::uint8_t, TableSize + 4> table{};
    for (int index = 0; index < inUse; ++index) {
        const PaletteEntry& colour = palette.colors()[index];
        table[index * EntrySize + 0] = colour.red;
        table[index * EntrySize + 1] = colour.green;
        table[index * EntrySize + 2] = colour.blue;
    }
    storeBigEndian16(&table[TableSize], static_cast<std::uint16_t>(inUse)); // colours in use
    storeBigEndian16(&table[TableSize + 2], NoTransparentEntry);            // transparent entry
    stream.write(static_cast<int>(table.size()), table.data());
    return stream.getStatus() == Ok;
}
