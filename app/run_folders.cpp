#include "app/run_folders.h"

#include <initializer_list>
#include <optional>

#include "app/preview_folder.h"
#include "core/printable_text.h"
#include "platform/folders.h"
#include "platform/process.h"

namespace {

// Names from the command line are printed escaped, as every other line is: a name can't
// drive the terminal.
std::string quoted(const std::string& path) {
    std::string text(1, '\'');
    text += printableText(path);
    text += '\'';
    return text;
}

// The folder of skins becomes the current directory.
std::string enterSkinFolder(const std::string& folder) {
    switch (platform::pathKind(folder)) {
    case platform::PathKind::Missing:
        return "skinremap: there is no folder " + quoted(folder) + ".\n";
    case platform::PathKind::NotAFolder:
        return "skinremap: " + quoted(folder) +
               " is not a folder.\n"
               "It works on a folder of skins: give it the folder that holds the skins and\n"
               "their palette skins.ipl, or drop that folder on the program.\n";
    case platform::PathKind::Folder:
        break;
    }
    std::string why;
    if (!platform::enterFolder(folder, why)) {
        return "skinremap: cannot open the folder " + quoted(folder) + ": " + why + ".\n";
    }
    return {};
}

// Makes each folder of `paths` that is missing; what to tell the user when one cannot be.
std::string makeFolders(const std::string& given, std::initializer_list<std::string> paths,
                        const char* use) {
    std::string why;
    for (const std::string& path : paths) {
        if (!platform::makeFolder(path, why)) {
            return "skinremap: cannot use " + quoted(given) + " for " + use + ": " + why + ".\n";
        }
    }
    return {};
}

// The file layer's name of `absolute` into `name`; what to tell the user when it has none.
std::string reach(const std::string& given, const std::string& absolute, const char* use,
                  std::string& name) {
    const std::optional<std::string> reachable = platform::fileLayerPath(absolute);
    if (!reachable) {
        return "skinremap: the name " + quoted(given) + " cannot be used for " + use +
               " on this system; choose one in the system's alphabet.\n";
    }
    name = *reachable;
    return {};
}

// The converted skins would replace the very skins the user meant to keep.
std::string notTheSkinFolder(const std::string& given, const std::string& absolute) {
    if (platform::pathKind(absolute) != platform::PathKind::Folder ||
        !platform::isSameFolder(absolute, ".")) {
        return {};
    }
    return "skinremap: " + quoted(given) +
           " is the folder of skins itself: the converted skins would replace the originals.\n"
           "To convert the skins in place, leave out -o.\n";
}

std::string makeOutputFolder(const std::string& given, const std::string& absolute,
                             RunFolders& folders) {
    constexpr const char* Use = "the converted skins";
    if (std::string error = notTheSkinFolder(given, absolute); !error.empty()) {
        return error;
    }
    const std::string error = makeFolders(given, {absolute}, Use);
    return error.empty() ? reach(given, absolute, Use, folders.outputFolder) : error;
}

std::string makePreviewFolder(const std::string& given, const std::string& absolute,
                              RunFolders& folders) {
    constexpr const char* Use = "the previews";
    const std::string error = makeFolders(
        given, {absolute, absolute + platform::PathSeparator + SourcePictureFolder}, Use);
    return error.empty() ? reach(given, absolute, Use, folders.previewFolder) : error;
}

// `path` made absolute, or nothing when none was given.
std::string absoluteOrNone(const std::string& path) {
    return path.empty() ? std::string{} : platform::absolutePath(path);
}

} // namespace

SettledFolders settleFolders(const CommandLine& commandLine) {
    SettledFolders settled;
    // Before the folder is entered, while a relative name still means what the user meant.
    // A dry run writes no skin, so its output folder is not made.
    const std::string output =
        commandLine.dryRun ? std::string{} : absoluteOrNone(commandLine.outputFolder);
    const std::string preview = absoluteOrNone(commandLine.previewFolder);
    const std::string palette = absoluteOrNone(commandLine.paletteFile);
    settled.folders.shownFolder =
        commandLine.folder.empty() ? platform::currentDirectory() : commandLine.folder;
    settled.folders.shownOutputFolder = commandLine.dryRun ? "" : commandLine.outputFolder;
    if (!commandLine.folder.empty()) {
        settled.error = enterSkinFolder(commandLine.folder);
    }
    if (settled.error.empty() && !output.empty()) {
        settled.error = makeOutputFolder(commandLine.outputFolder, output, settled.folders);
    }
    if (settled.error.empty() && !preview.empty()) {
        settled.error = makePreviewFolder(commandLine.previewFolder, preview, settled.folders);
    }
    if (settled.error.empty() && !palette.empty()) {
        settled.error =
            reach(commandLine.paletteFile, palette, "the palette", settled.folders.paletteFile);
    }
    return settled;
}
