#pragma once
// The folder of every kind of file the program meets: 24-bit skins to convert (bottom-up,
// top-down, an upper-case name, the game's chunked format), an 8-bit bitmap, a file that is
// no bitmap, a hidden skin, a text file and a folder named like a skin. Its palette is a
// RIFF palette of the test colours.

#include <filesystem>

namespace testing_support {

struct MixedSkin {
    const char* name;
    int width;
    int height;
};

// The skins a run converts: three bottom-up BMPs, a top-down one and a chunked one. The
// 8-bit bitmap and the file that is no bitmap it leaves alone.
inline constexpr MixedSkin MixedConverted[] = {{"odd.bmp", 5, 3},
                                               {"wide.bmp", 37, 21},
                                               {"A.BMP", 3, 3},
                                               {"top.bmp", 7, 4},
                                               {"game.bmp", 6, 5}};
inline constexpr const char* MixedLeftAlone[] = {"eight.bmp", "x.bmp"};

void writeMixedFolder(const std::filesystem::path& folder);

} // namespace testing_support
