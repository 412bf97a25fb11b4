#pragma once
// The remapper's start-up and main loop, written once for every front end.

#include "app/exit_codes.h"
#include "app/remapper_state.h"
#include "platform/ui.h"

// Makes the main window with its controls and the list of skins, loads "skins.ipl" and
// converts one file per turn of the message loop until the window is closed (the quit
// message's code) or "Quit" is pressed (ExitQuitButton). Returns the process exit code.
int runRemapper(platform::UserInterface& ui);
int runRemapper(platform::UserInterface& ui, const RemapperSeams& seams);
