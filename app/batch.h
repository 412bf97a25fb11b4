#pragma once
// The batch: the list of skins found at start and the conversion of one of them per call.

#include "app/remapper_state.h"

// Fills the list from the directory search, sets up the progress bar and the file count.
void BuildFileList(RemapperState& state);

// Takes the first name off the list and converts it when it is a 24-bit bitmap, writing
// the 8-bit result under the same name. The first call that finds the list empty shows
// the final texts. True when the list is empty, and when a conversion was abandoned for a
// waiting quit message (the name then stays first and nothing is written).
bool RemapNextFile(RemapperState& state);

// What a step makes of a loaded file.
enum class SourceCheck {
    Convertible,
    // Unreadable, or not a 24-bit bitmap: left alone without a word, as files converted
    // by an earlier run must be.
    NotConvertible,
    // A whole 8-bit BMP with the game palette marker: converted by an earlier run. Left
    // alone as well, but its indices can be shown in the palette's colours.
    ConvertedBefore,
    // A 24-bit bitmap whose file held only part of its pixels: converting it would write
    // the reader's zero fill into the skin, so it is left alone and the user told.
    PixelsMissing,
};
// `source` is what the reader made of the file (null when it did not load), and `report`
// what it said about it.
SourceCheck checkSource(const Bitmap* source, const BitmapReadReport& report);

// Stores the nearest palette index of every pixel of `source` (24-bit) at the same row and
// column of `target` (8-bit, same size), handing over to UpdateProgress after the pixels
// numbered 1,024, 2,048, ..., and adds how far each pixel's colour moved to `distances`.
// False when UpdateProgress reported a quit and the conversion stopped.
bool remapPixels(RemapperState& state, const Bitmap& source, Bitmap& target,
                 MatchDistances& distances);
