// Writes a RIFF palette of `count` entries: form "PAL " with one "data" chunk.

#include "palette/palette.h"
#include "palette/stream_fields.h"

namespace {

using palette_io::writeLittle;
using palette_io::writeTag;

constexpr std::uint32_t FormHeaderSize = 16; // form type, chunk tag, chunk size, version, count
constexpr std::uint32_t DataPrefixSize = 4;  // version and count
constexpr std::uint16_t LogPaletteVersion = 0x300;

} // namespace

bool Palette::writeRiff(StreamIO& stream) const {
    if (count > PaletteSize) {
        return false; // there are no entries beyond 256 to write
    }
    const std::uint32_t entryBytes = std::uint32_t{count} * sizeof(PaletteEntry);
    writeTag(stream, "RIFF");
    writeLittle(stream, FormHeaderSize + entryBytes); // RIFF size
    writeTag(stream, "PAL ");
    writeTag(stream, "data");
    writeLittle(stream, DataPrefixSize + entryBytes); // data size
    writeLittle(stream, LogPaletteVersion);
    writeLittle(stream, count);
    stream.write(static_cast<int>(entryBytes), colors()); // red, green, blue, flags
    return stream.getStatus() == Ok;
}
