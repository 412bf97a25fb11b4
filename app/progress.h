#pragma once
// The main window's contents and keeping them current while a file is converted.

#include <cstdint>

#include "app/remapper_state.h"

// Creates the progress bar, the two text lines and the "Quit" button inside `parent`.
bool CreateControls(RemapperState& state, ui::WindowId parent);

// Called every 1,024 pixels of a conversion: handles at most one waiting message and
// refreshes the time estimate. False when the quit message is waiting, which stays queued.
bool UpdateProgress(RemapperState& state);

// The seconds the run still needs if each file takes as long as those done so far, the
// current one counted by its converted share. Every step is rounded to single precision.
// The tick count may have wrapped since the start; a clock that went back counts as none
// of the time gone.
float secondsRemaining(std::uint32_t ticks, std::uint32_t startTicks, float filesTotal,
                       float filesDone, float fileFraction);
