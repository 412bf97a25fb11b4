// Palette files by name and by stream: the format is told apart by the first four bytes.

#include "core/file_rstream.h"
#include "core/file_wstream.h"
#include "core/stream_fields.h"
#include "palette/palette.h"
#include "palette/riff_format.h"
#include "platform/file.h"
#include "storage/replacing_file.h"

namespace {

// Whether a palette read delivered a whole palette, and what was wrong if not. A RIFF
// palette fails on its own when cut short. The other format, whatever its first four
// bytes, is read leniently: a file that ends early loads with what arrived, and only the
// stream's status tells it was cut short; values that describe no palette fail the read.
PaletteFileProblem problemOf(bool read, bool riff, int status) {
    if (read && status == Ok) {
        return PaletteFileProblem::None;
    }
    if (status == EndOfFile && (read || riff)) {
        return PaletteFileProblem::CutShort;
    }
    return status == Ok || status == EndOfFile ? PaletteFileProblem::NotAPalette
                                               : PaletteFileProblem::Unreadable;
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
    PaletteFileProblem ignored = PaletteFileProblem::None;
    return loadWholeFile(name, ignored);
}

Palette* Palette::loadWholeFile(const char* name, PaletteFileProblem& problem) {
    FileRStream stream(name);
    if (stream.getStatus() != Ok) {
        const platform::FileErrorKind error = platform::lastFileError();
        problem = error == platform::FileErrorKind::FileNotFound ||
                          error == platform::FileErrorKind::PathNotFound
                      ? PaletteFileProblem::Missing
                      : PaletteFileProblem::Unreadable;
        return nullptr;
    }
    PalettePtr palette(create());
    if (!palette) {
        problem = PaletteFileProblem::Unreadable;
        return nullptr;
    }
    bool riff = false;
    const bool read = palette->readFromStream(stream, riff);
    problem = problemOf(read, riff, stream.getStatus());
    return problem == PaletteFileProblem::None ? palette.release() : nullptr;
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
    bool riff = false;
    return readFromStream(stream, riff);
}

bool Palette::readFromStream(StreamIO& stream, bool& riff) {
    stream_fields::Tag magic{};
    stream_fields::readTag(stream, magic);
    riff = magic == riff_format::RiffTag;
    if (riff) {
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
    storage::ReplacingFile target(name);
    if (target.handle() == platform::InvalidFileHandle) {
        return false;
    }
    bool written = false;
    {
        FileWStream stream(target.handle());
        written = writeToStream(stream, format);
        stream.close();
    }
    return written && target.commit() == storage::CommitResult::Replaced;
}
