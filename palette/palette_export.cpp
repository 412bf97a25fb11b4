// The painting programs' palettes by file name; the formats are written in gpl_writer.cpp
// and act_writer.cpp.

#include "palette/palette_export.h"

#include "core/file_wstream.h"
#include "storage/replacing_file.h"

bool writePaintPaletteFile(const char* name, const Palette& palette, PaintPaletteFormat format,
                           const char* title) {
    storage::ReplacingFile file(name);
    if (file.handle() == platform::InvalidFileHandle) {
        return false;
    }
    FileWStream stream(file.handle());
    const bool written = format == PaintPaletteFormat::Gimp
                             ? writeGimpPalette(stream, palette, title)
                             : writePhotoshopTable(stream, palette);
    stream.close();
    return written && file.commit() == storage::CommitResult::Replaced;
}
