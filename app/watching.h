#pragma once
// Watch mode: once a batch is done, what was saved in the folder becomes the next batch,
// and a palette saved anew is taken for the skins that follow.

#include "app/remapper_state.h"
#include "app/save_watch.h"

// Called whenever the list is empty: tells the user once that the run follows the folder,
// brings the preview page up to date after each batch, and takes what `watch` saw saved
// as the next batch. True when there is something to convert.
bool keepWatching(RemapperState& state, SaveWatch& watch);
