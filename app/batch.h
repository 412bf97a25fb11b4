#pragma once
// The batch: the list of skins found at start and the conversion of one of them per call.

#include <optional>

#include "app/remapper_state.h"

// Fills the list from the directory search, sets up the progress bar and the file count.
void BuildFileList(RemapperState& state);

// Takes the first name off the list and converts it when it is a 24-bit bitmap, and hands
// the 8-bit result to the writer, which puts it in place under the same name if the file is
// still the one that was read. The first call that finds the list empty waits until every
// skin handed over is in place, then shows the final texts. True when the list is empty,
// and when a conversion was abandoned for a waiting quit message (the name then stays first
// and nothing is written).
bool RemapNextFile(RemapperState& state);

// Waits until every converted skin handed over is in place, and counts and reports each, as
// the list's end does; what a run does before it ends, however it ends.
void CommitWaitingSkins(RemapperState& state);

// Why a file the reader made `source` of (null when it did not load), saying `report` about
// it, is left alone; nothing when it is a 24-bit bitmap to convert. A 24-bit bitmap whose
// file held only part of its pixels is left alone too: converting it would write the
// reader's zero fill into the skin.
std::optional<ui::LeftAloneReason> checkSource(const Bitmap* source,
                                               const BitmapReadReport& report);

// Stores the nearest palette index of every pixel of `source` (24-bit) at the same row and
// column of `target` (8-bit, same size), handing over to UpdateProgress after the pixels
// numbered 1,024, 2,048, ..., and adds how far each pixel's colour moved to `distances`.
// False when UpdateProgress reported a quit and the conversion stopped.
bool remapPixels(RemapperState& state, const Bitmap& source, Bitmap& target,
                 MatchDistances& distances);
