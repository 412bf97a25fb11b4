#pragma once
// The game palette of the folder, "skins.ipl", as a run matches against it.

#include <string>

#include "palette/palette.h"

// Loads "skins.ipl" from the current directory and allows matching entries 0 to 254 besides
// what the file allows. Null when it is no whole palette file; `problem` says why.
PalettePtr loadGamePalette(PaletteFileProblem& problem);

// Where the palette was looked for and what was wrong with it, for the front ends that can
// say more than the box's text.
std::string gamePaletteDetail(PaletteFileProblem problem);
