#pragma once
// The batch: the list of skins found at start, and one of them read, checked, converted
// and handed to the writer per call.

#include "app/remapper_state.h"

// Fills the list from the directory search, sets up the progress bar and the file count.
void BuildFileList(RemapperState& state);

// What one call of RemapNextFile did.
enum class BatchStep {
    // A file was dealt with, and names remain.
    FilesLeft,
    // The list is empty: every skin handed over is in place and the final texts are shown.
    ListEmpty,
    // A conversion was abandoned for a waiting quit message: the name stays first and
    // nothing of it is written.
    Abandoned,
};

// Takes the first name off the list and converts it when it is a 24-bit bitmap, handing the
// 8-bit result to the writer, which puts it in place under the same name if the file is
// still the one that was read. The first call that finds the list empty waits until every
// skin handed over is in place, then shows the final texts.
BatchStep RemapNextFile(RemapperState& state);

// Waits until every converted skin handed over is in place, and accounts for each, as the
// list's end does; what a run does before it ends, however it ends.
void CommitWaitingSkins(RemapperState& state);
