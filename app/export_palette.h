#pragma once
// --export-palette FILE: the game palette of the folder for painting programs, so that
// artists can paint in the game's colours from the start. Nothing is converted.

#include <optional>
#include <string>

#include "palette/palette_export.h"

// The format a file name asks for by its extension (letter case aside): ".gpl" or ".act".
std::optional<PaintPaletteFormat> paintFormatOf(const std::string& file);

struct PaletteExport {
    int exitCode = 0;
    std::string message; // what to tell the user: where it went, or what went wrong
};

// Loads "skins.ipl" from the current directory, with the entries a run matches, and writes
// it in `format` to `file` (the file layer's name; `given` is how the user wrote it). The
// palette is named after the file.
PaletteExport exportGamePalette(const std::string& file, PaintPaletteFormat format,
                                const std::string& given);
