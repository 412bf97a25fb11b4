#pragma once
// The remapper's start-up and main loop, written once for every front end.

#include <string>
#include <vector>

#include "app/exit_codes.h"
#include "app/remapper_state.h"
#include "app/run_folders.h"
#include "ui/ui.h"

// What a run is asked for besides converting the folder's skins in place.
struct RunRequest {
    RunFolders folders;
    // Convert in memory only: no skin is written, nor any temporary file.
    bool dryRun = false;
    // Where pictures of the skins and their page go; null for none. Its page is written
    // once more when the run ends.
    PreviewFolder* preview = nullptr;
    DitherMethod dither = DitherMethod::None;
    // Files that killed runs left under temporary names and that the sweep before the run
    // kept under names of their own: told to the user once the window is up.
    std::vector<std::string> keptAtStart;
    // Watch mode: after the batch, convert each skin as it is saved until the run is ended.
    bool watch = false;
};

// Makes the main window with its controls and the list of skins of the current directory,
// loads "skins.ipl" and converts one file per turn of the message loop until the window is
// closed (the quit message's code) or "Quit" is pressed (ExitQuitButton). A front end
// without a window ends with the shell's codes instead (see exit_codes.h): a picture or
// page that could not be written counts as a skin that could not be. Returns the process
// exit code.
int runRemapper(ui::UserInterface& ui, const RunRequest& request = {},
                const RemapperSeams& seams = {});
