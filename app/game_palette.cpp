#include "app/game_palette.h"

#include <cstring>
#include <vector>

#include "app/texts.h"
#include "platform/directory.h"
#include "platform/process.h"

namespace {

constexpr std::int32_t LastMatchedIndex = 254; // index 255 keeps what the palette file says

const char* describe(PaletteFileProblem problem) {
    switch (problem) {
    case PaletteFileProblem::None:
        break;
    case PaletteFileProblem::Missing:
        return "there is no such file";
    case PaletteFileProblem::Unreadable:
        return "the file cannot be read";
    case PaletteFileProblem::NotAPalette:
        return "the file is not a palette";
    case PaletteFileProblem::CutShort:
        return "the file is cut short";
    }
    return "";
}

// The files of the current directory named as the palette, whatever their letter case.
std::vector<std::string> paletteNamesHere() {
    const char* extension = std::strrchr(PaletteFileName, '.');
    platform::DirectorySearch search(extension);
    std::vector<std::string> names;
    while (const char* name = search.next()) {
        if (std::strlen(name) == std::strlen(PaletteFileName) &&
            platform::hasExtension(name, PaletteFileName)) {
            names.emplace_back(name);
        }
    }
    return names;
}

std::string lookedHere(const std::string& what) {
    return "looked in " + platform::currentDirectory() + ": " + what;
}

std::string namesOf(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return list;
}

} // namespace

GamePalette loadGamePalette() {
    const std::vector<std::string> names = paletteNamesHere();
    if (names.size() > 1) {
        return {nullptr, lookedHere("several files differ only in letter case: " + namesOf(names) +
                                    "; keep the one the game uses")};
    }
    // A link or anything else the search leaves out is tried by the name itself.
    const std::string name = names.empty() ? PaletteFileName : names.front();
    PaletteFileProblem problem = PaletteFileProblem::None;
    GamePalette loaded{PalettePtr(Palette::loadWholeFile(name.c_str(), problem)), {}};
    if (!loaded.palette) {
        loaded.problem = lookedHere(describe(problem));
        return loaded;
    }
    loaded.palette->matchMask.setRange(0, LastMatchedIndex);
    return loaded;
}
