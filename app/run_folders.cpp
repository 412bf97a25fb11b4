#include "app/run_folders.h"

#include <optional>

#include "platform/folders.h"

namespace {

std::string quoted(const std::string& path) {
    return "'" + path + "'";
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

std::string makeOutputFolder(const std::string& given, const std::string& absolute,
                             RunFolders& folders) {
    std::string why;
    if (!platform::makeFolder(absolute, why)) {
        return "skinremap: cannot use " + quoted(given) + " for the converted skins: " + why +
               ".\n";
    }
    const std::optional<std::string> reachable = platform::fileLayerPath(absolute);
    if (!reachable) {
        return "skinremap: the name " + quoted(given) +
               " cannot be used for the converted skins on this system; choose one in the "
               "system's alphabet.\n";
    }
    folders.outputFolder = *reachable;
    return {};
}

} // namespace

SettledFolders settleFolders(const CommandLine& commandLine) {
    SettledFolders settled;
    // Before the folder is entered, while a relative name still means what the user meant.
    const std::string output = commandLine.outputFolder.empty()
                                   ? std::string{}
                                   : platform::absolutePath(commandLine.outputFolder);
    if (!commandLine.folder.empty()) {
        settled.error = enterSkinFolder(commandLine.folder);
    }
    if (settled.error.empty() && !output.empty()) {
        settled.error = makeOutputFolder(commandLine.outputFolder, output, settled.folders);
    }
    return settled;
}
