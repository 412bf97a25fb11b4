// skinremap: converts every 24-bit skin of a folder (the current directory unless one is
// named) into 8-bit indices of the game palette "skins.ipl" found there.

#include <string>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/remapper.h"
#include "app/run_folders.h"
#include "platform/front_end.h"
#include "platform/shell.h"
#include "platform/stale_temporaries.h"

#ifndef SKINREMAP_VERSION
#define SKINREMAP_VERSION "unknown"
#endif

namespace {

constexpr const char* ProgramName = "skinremap";

void refuse(const std::string& text) {
    platform::answerUser(text, platform::Answer::Error, ProgramName);
}

} // namespace

int main(int argc, char** argv) {
    // Words the program does not take are most likely a mistake, so they are refused before
    // a single file is touched.
    const ParsedCommandLine parsed = parseCommandLine(platform::programArguments(argc, argv));
    if (!parsed.error.empty()) {
        refuse(refusalText(parsed.error));
        return ExitUsage;
    }
    const CommandLine& commandLine = parsed.options;
    if (commandLine.showHelp) {
        platform::answerUser(helpText(), platform::Answer::Information, ProgramName);
        return 0;
    }
    if (commandLine.showVersion) {
        platform::answerUser(std::string("skinremap ") + SKINREMAP_VERSION + "\n",
                             platform::Answer::Information, ProgramName);
        return 0;
    }
    const SettledFolders settled = settleFolders(commandLine);
    if (!settled.error.empty()) {
        refuse(settled.error);
        return ExitUsage;
    }

    // A run killed in the middle of a write leaves its temporary file beside the skin;
    // the skin itself is whole. Only files of our own naming are removed.
    platform::removeStaleTemporaries(".");
    if (!settled.folders.outputFolder.empty()) {
        platform::removeStaleTemporaries(settled.folders.outputFolder.c_str());
    }
    const auto ui = platform::openFrontEnd();
    if (!ui) {
        refuse("skinremap: no user interface could be opened\n");
        return ExitStartupFailed;
    }
    return runRemapper(*ui, settled.folders);
}
