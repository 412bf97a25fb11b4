// skinremap: converts every 24-bit skin of a folder (the current directory unless one is
// named) into 8-bit indices of the game palette "skins.ipl" found there.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "app/export_palette.h"
#include "app/preview_folder.h"
#include "app/remapper.h"
#include "app/run_folders.h"
#include "core/printable_text.h"
#include "platform/shell.h"
#include "storage/stale_temporaries.h"
#include "ui/front_end.h"

#ifndef SKINREMAP_VERSION
#define SKINREMAP_VERSION "unknown"
#endif

namespace {

constexpr const char* ProgramName = "skinremap";

void refuse(const std::string& text) {
    platform::answerUser(text, platform::Answer::Error, ProgramName);
}

// The folder the user picks when the program was started to ask for one; nothing when the
// run is to end, with `exitCode`.
std::optional<std::string> askedFolder(int& exitCode) {
    std::string folder;
    switch (ui::chooseFolder(folder)) {
    case ui::FolderChoice::Chosen:
        return folder;
    case ui::FolderChoice::Cancelled:
        exitCode = 0; // nothing asked of the run
        return std::nullopt;
    case ui::FolderChoice::NoWindow:
        break;
    }
    refuse("skinremap: there is no window to choose the folder of skins in; name it instead:\n"
           "skinremap FOLDER\n");
    exitCode = ExitUsage;
    return std::nullopt;
}

int exportPalette(const CommandLine& commandLine, const RunFolders& folders) {
    const std::optional<PaintPaletteFormat> format = paintFormatOf(commandLine.paletteFile);
    const PaletteExport done = exportGamePalette(
        folders.paletteFile, format.value_or(PaintPaletteFormat::Gimp), commandLine.paletteFile);
    platform::answerUser(
        done.message, done.exitCode == 0 ? platform::Answer::Information : platform::Answer::Error,
        ProgramName);
    return done.exitCode;
}

// The preview folder's first page, written before any skin is touched: it proves the folder
// takes files, and says the run is under way until the last page replaces it.
bool openPreview(PreviewFolder& preview, const std::string& given) {
    std::string why;
    if (preview.writePage(false, why)) {
        return true;
    }
    refuse("skinremap: cannot write the previews into '" + printableText(given) + "': " + why +
           ".\n");
    return false;
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
    CommandLine commandLine = parsed.options;
    if (commandLine.showHelp) {
        platform::answerUser(helpText(), platform::Answer::Information, ProgramName);
        return 0;
    }
    if (commandLine.showVersion) {
        platform::answerUser(std::string("skinremap ") + SKINREMAP_VERSION + "\n",
                             platform::Answer::Information, ProgramName);
        return 0;
    }
    if (commandLine.chooseFolder && commandLine.folder.empty()) {
        int exitCode = 0;
        const std::optional<std::string> chosen = askedFolder(exitCode);
        if (!chosen) {
            return exitCode;
        }
        commandLine.folder = *chosen;
    }
    const SettledFolders settled = settleFolders(commandLine);
    if (!settled.error.empty()) {
        refuse(settled.error);
        return ExitUsage;
    }

    if (!commandLine.paletteFile.empty()) {
        return exportPalette(commandLine, settled.folders);
    }
    std::optional<PreviewFolder> preview;
    if (!settled.folders.previewFolder.empty()) {
        preview.emplace(settled.folders.previewFolder, commandLine.dryRun, commandLine.dither,
                        commandLine.watch);
        if (!openPreview(*preview, commandLine.previewFolder)) {
            return ExitStartupFailed;
        }
    }

    // A run killed in the middle of a write leaves its temporary file beside the skin;
    // the skin itself is whole. Only files provably ours are removed, and none by a dry
    // run, which changes nothing in the folder.
    std::vector<std::string> kept;
    if (!commandLine.dryRun) {
        kept = storage::removeStaleTemporaries(".").kept;
    }
    if (!settled.folders.outputFolder.empty()) {
        storage::removeStaleTemporaries(settled.folders.outputFolder.c_str());
    }
    const auto ui = ui::openFrontEnd();
    if (!ui) {
        refuse("skinremap: no user interface could be opened\n");
        return ExitStartupFailed;
    }
    return runRemapper(*ui, RunRequest{settled.folders, commandLine.dryRun,
                                       preview ? &*preview : nullptr, commandLine.dither,
                                       std::move(kept), commandLine.watch});
}
