#pragma once
// The game palette of the folder, "skins.ipl", as a run matches against it.

#include <string>

#include "palette/palette.h"

struct GamePalette {
    PalettePtr palette; // null when none could be loaded
    // Where the palette was looked for and what was wrong with it, for the front ends that
    // can say more than the box's text; empty when it loaded.
    std::string problem;
};

// Loads "skins.ipl" from the current directory and allows matching entries 0 to 254 besides
// what the file allows. Its name is found as the skins' are, whatever its letter case
// ("SKINS.IPL" on a system whose names tell cases apart); where several files differ only
// in case, none is taken, since nothing says which one the game uses.
GamePalette loadGamePalette();
