// Palette files by name and by stream: the format is told apart by the first four bytes.

#include "core/file_rstream.h"
#include "core/file_wstream.h"
#include "core/stream_fields.h"
#include "palette/palette.h"
#include "palette/riff_format.h"
#include "platform/replacing_file.h"

namespace {

// A RIFF palette fails on its own when cut short; the other format, whatever its first four
// bytes, must deliver everything its header announces.
bool readWholePalette(Palette& palette, StreamIO& stream) {
    return palette.readFromStream(stream) && stream.getStatus() == Ok;
}

} // namespace

Palette* Palette::loadFile(const char* name) {
    PalettePtr palette(create());
    if (!palette || !palette->readFile(name)) {
        return nullptr;
    }
    return palette.release();
}

Palette* Palette::loadWholeFile(const char* name) {
    FileRStream stream(name);
    if (stream.getStatus() != Ok) {
        return nullptr;
    }
    PalettePtr palette(create());
    return palette && readWholePalette(*palette, stream) ? palette.release() : nullptr;
}

Palette* Palette::loadStream(StreamIO& stream) {
    PalettePtr palette(create());
    if (!palette || !palette->readFromStream(stream)) {
        return nullptr;
    }
    return palette.release();
}

bool Palette::readFile(const char* name) {
    bool read = false;
    {
        FileRStream stream(name);
        if (stream.getStatus() != Ok) {
            return false;
        }
        read = readFromStream(stream);
    }
    // Once more after closing, whether or not the read succeeded.
    touch();
    return read;
}

bool Palette::readFromStream(StreamIO& stream) {
    stream_fields::Tag magic{};
    stream_fields::readTag(stream, magic);
    if (magic == riff_format::RiffTag) {
        return readRiffAfterTag(stream);
    }
    // Anything else is taken as the palette file with all colour sets, whatever its magic.
    return readPl98(stream);
}

bool Palette::writeToStream(StreamIO& stream, std::uint32_t format) const {
    if ((format & PaletteAsRiff) != 0) {
        return writeRiff(stream);
    }
    return writePl98(stream);
}

// The new contents go to a temporary beside the file and replace it only when complete, so
// a failed write leaves an existing palette as it was.
bool Palette::writeFile(const char* name, std::uint32_t format) const {
    platform::ReplacingFile target(name);
    if (target.handle() == platform::InvalidFileHandle) {
        return false;
    }
    bool written = false;
    {
        FileWStream stream(target.handle());
        written = writeToStream(stream, format);
        stream.close();
    }
    return written && target.commit() == platform::CommitResult::Replaced;
}
