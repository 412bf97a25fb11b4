#pragma once
// The folders of a run, settled before anything else happens: the program enters the
// folder of skins, so that it works there exactly as if started in it, and makes the
// folders the converted skins and their pictures go to.

#include <string>

#include "app/command_line.h"

struct RunFolders {
    // The folder of skins and the output folder as the user named them (the current
    // directory when none was named; no output folder in a dry run), for what the run says.
    std::string shownFolder;
    std::string shownOutputFolder;
    // The file layer's name of the folder for the converted skins, absolute; empty when
    // they replace the originals (and in a dry run, which writes none).
    std::string outputFolder;
    // The file layer's name of the folder for pictures of the skins, absolute, made with its
    // subfolder for the skins before conversion; empty for none.
    std::string previewFolder;
    // The file layer's name of the file the game palette is exported to, absolute; empty
    // when the run converts.
    std::string paletteFile;
};

struct SettledFolders {
    RunFolders folders;
    std::string error; // lines for the user; empty when the folders are settled
};

// The output and preview folders and the palette file are taken relative to the directory
// the program was started in. On failure nothing in the folder of skins has been touched.
SettledFolders settleFolders(const CommandLine& commandLine);
