#include "app/export_palette.h"

#include "app/exit_codes.h"
#include "app/game_palette.h"
#include "app/texts.h"
#include "platform/directory.h"

namespace {

constexpr const char* GimpExtension = ".gpl";
constexpr const char* PhotoshopExtension = ".act";

// The file's name without its folder or extension: what GIMP lists the palette as.
std::string titleOf(const std::string& file) {
    const std::string::size_type slash = file.find_last_of("/\\");
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    const std::string::size_type dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

int allowedEntries(const Palette& palette) {
    int count = 0;
    for (int index = 0; index < PaletteSize; ++index) {
        count += palette.matchMask.test(index) ? 1 : 0;
    }
    return count;
}

} // namespace

std::optional<PaintPaletteFormat> paintFormatOf(const std::string& file) {
    if (platform::hasExtension(file.c_str(), GimpExtension)) {
        return PaintPaletteFormat::Gimp;
    }
    if (platform::hasExtension(file.c_str(), PhotoshopExtension)) {
        return PaintPaletteFormat::Photoshop;
    }
    return std::nullopt;
}

PaletteExport exportGamePalette(const std::string& file, PaintPaletteFormat format,
                                const std::string& given) {
    const GamePalette game = loadGamePalette();
    if (!game.palette) {
        return {ExitStartupFailed, "Error: Can't load palette: " + std::string(PaletteFileName) +
                                       " (" + game.problem + ")\n"};
    }
    const Palette* palette = game.palette.get();
    if (!writePaintPaletteFile(file.c_str(), *palette, format, titleOf(given).c_str())) {
        return {ExitNotAllWritten, "Error: Can't write file: " + given + "\n"};
    }
    return {0, "The " + std::to_string(allowedEntries(*palette)) +
                   " colours a skin may be given are in " + given + ".\n"};
}
