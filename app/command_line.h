#pragma once
// The command line: `skinremap [OPTIONS] [FOLDER]`. Every option is one entry of the table
// in command_line.cpp, from which both the parser and the help text are made.

#include <string>
#include <vector>

#include "app/dither_method.h"

// What the command line asks for, as plain data. Paths are kept as given (UTF-8 on
// Windows), relative to the directory the program was started in.
struct CommandLine {
    std::string folder;       // where to work; empty for the current directory
    std::string outputFolder; // where the converted skins go; empty to replace the originals
    bool showHelp = false;
    bool showVersion = false;
    std::string previewFolder; // where pictures of the skins go; empty for none
    bool dryRun = false;       // convert without writing a skin
    std::string paletteFile;   // where to export the game palette; empty to convert instead
    DitherMethod dither = DitherMethod::None;
    bool watch = false;        // after the batch, convert each skin as it is saved
    // Without a folder, ask for one in a window rather than work in the current directory:
    // what the desktop menu starts, whose current directory is only the home folder.
    bool chooseFolder = false;
};

struct ParsedCommandLine {
    CommandLine options;
    std::string error; // why the words were refused; empty when they were taken
};

// Reads the words that follow the program's name. Options may come anywhere before "--";
// long ones as "--name VALUE" or "--name=VALUE", short ones as "-o VALUE" or "-oVALUE"; one
// whose value may be left out takes it as "--name=VALUE" only. At
// most one word is not an option: the folder. Options that cannot go together are refused
// as well: --export-palette converts nothing, so it takes none of the run's options, and
// its file must be of a format it writes.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& words);

// The usage line, what the program does, every option and the exit codes.
std::string helpText();
// What to say when the words were refused: why, the usage line and where help is.
std::string refusalText(const std::string& error);
