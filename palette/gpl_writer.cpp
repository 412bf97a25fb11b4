// Writes a GIMP palette: a text of "R G B<tab>name" lines under a short header.

#include <cstdio>
#include <string>

#include "core/stream_io.h"
#include "palette/palette.h"
#include "palette/palette_export.h"

namespace {

constexpr int Columns = 16; // swatches a row in GIMP: 256 colours make a square

// The title on one line: a line break would end the header early.
std::string oneLine(const char* title) {
    std::string line = title != nullptr ? title : "";
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return line;
}

bool writeText(StreamIO& stream, const std::string& text) {
    return stream.write(static_cast<int>(text.size()), text.data());
}

} // namespace

bool writeGimpPalette(StreamIO& stream, const Palette& palette, const char* title) {
    // Appended piece by piece: GCC 12 takes "text" + std::string for an overlapping copy.
    std::string text = "GIMP Palette\nName: ";
    text += oneLine(title);
    text += "\nColumns: ";
    text += std::to_string(Columns);
    text += "\n# The colours skinremap may choose, each named by its index in the game palette\n";
    writeText(stream, text);
    for (int index = 0; index < PaletteSize; ++index) {
        if (!palette.matchMask.test(index)) {
            continue;
        }
        const PaletteEntry& colour = palette.colors()[index];
        char line[32];
        const int length = std::snprintf(line, sizeof line, "%3d %3d %3d\t%d\n", colour.red,
                                         colour.green, colour.blue, index);
        stream.write(length, line);
    }
    return stream.getStatus() == Ok;
}
