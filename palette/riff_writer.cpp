// Writes a RIFF palette of `count` entries: form "PAL " with one "data" chunk.

#include "core/stream_fields.h"
#include "palette/palette.h"
#include "palette/riff_format.h"

using namespace riff_format;
using stream_fields::writeLittle;
using stream_fields::writeTag;

bool Palette::writeRiff(StreamIO& stream) const {
    if (count > PaletteSize) {
        return false; // there are no entries beyond 256 to write
    }
    const std::uint32_t entryBytes = std::uint32_t{count} * sizeof(PaletteEntry);
    writeTag(stream, RiffTag);
    writeLittle(stream, FormHeaderSize + entryBytes); // RIFF size
    writeTag(stream, PaletteForm);
    writeTag(stream, DataTag);
    writeLittle(stream, DataPrefixSize + entryBytes); // data size
    writeLittle(stream, LogPaletteVersion);
    writeLittle(stream, count);
    stream.write(static_cast<int>(entryBytes), colors()); // red, green, blue, flags
    return stream.getStatus() == Ok;
}
