#include "app/game_palette.h"

#include "app/texts.h"
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

} // namespace

PalettePtr loadGamePalette(PaletteFileProblem& problem) {
    PalettePtr palette(Palette::loadWholeFile(PaletteFileName, problem));
    if (palette) {
        palette->matchMask.setRange(0, LastMatchedIndex);
    }
    return palette;
}

std::string gamePaletteDetail(PaletteFileProblem problem) {
    return "looked in " + platform::currentDirectory() + ": " + describe(problem);
}
