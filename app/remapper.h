#pragma once
// The remapper's start-up and main loop, written once for every front end.

#include "app/exit_codes.h"
#include "app/remapper_state.h"
#include "app/run_folders.h"
#include "platform/ui.h"

// Makes the main window with its controls and the list of skins of the current directory,
// loads "skins.ipl" and converts one file per turn of the message loop until the window is
// closed (the quit message's code) or "Quit" is pressed (ExitQuitButton). A front end
// without a window ends with the shell's codes instead (see exit_codes.h). Returns the
// process exit code.
int runRemapper(platform::UserInterface& ui, const RunFolders& folders = {},
                const RemapperSeams& seams = {});
