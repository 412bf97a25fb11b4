#pragma once
// The folders of a run, settled before anything else happens: the program enters the
// folder of skins, so that it works there exactly as if started in it, and makes the
// folder the converted skins go to.

#include <string>

#include "app/command_line.h"

struct RunFolders {
    // The file layer's name of the folder for the converted skins, absolute; empty when
    // they replace the originals.
    std::string outputFolder;
};

struct SettledFolders {
    RunFolders folders;
    std::string error; // lines for the user; empty when the folders are settled
};

// The output folder is taken relative to the directory the program was started in. On
// failure nothing in the folder of skins has been touched.
SettledFolders settleFolders(const CommandLine& commandLine);
