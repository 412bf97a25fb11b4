#pragma once
// The game palette for painting programs: the colours that matching may choose, so that
// artists can paint in the game's colours from the start. Each writes the entries of the
// first colour set that the palette's colour-match mask allows.

struct Palette;
class StreamIO;

// GIMP's palette text, read by GIMP, Krita and Inkscape: every allowed entry in index order,
// named by its index. `title` names the palette (line breaks and other control characters
// become spaces).
bool writeGimpPalette(StreamIO& stream, const Palette& palette, const char* title);

// Photoshop's colour table (.act): 256 colours by index, then how many are in use. Entries
// keep their places, so it holds every entry up to the last one allowed (one the mask
// refuses below that included: a table has no gaps) and black after it.
bool writePhotoshopTable(StreamIO& stream, const Palette& palette);

enum class PaintPaletteFormat { Gimp, Photoshop };

// One of the two into a file, which is replaced only once it is complete. `title` is for
// the GIMP palette.
bool writePaintPaletteFile(const char* name, const Palette& palette, PaintPaletteFormat format,
                           const char* title);
