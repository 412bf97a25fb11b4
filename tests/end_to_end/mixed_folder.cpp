#include "tests/end_to_end/mixed_folder.h"

#include "tests/support/skin_files.h"
#include "tests/support/temp_dir.h"

namespace testing_support {

void writeMixedFolder(const std::filesystem::path& folder) {
    const auto write = [&](const char* name, const Bytes& bytes) {
        writeBytes((folder / name).string(), bytes);
    };
    write("skins.ipl", riffPalette(testColors()));
    for (const MixedSkin& skin : {MixedConverted[0], MixedConverted[1], MixedConverted[2]}) {
        write(skin.name, bmp24(skin.width, skin.height, testPixel)); // bottom-up BMPs
    }
    const MixedSkin& top = MixedConverted[3];
    write(top.name, bmp24(top.width, top.height, testPixel, true));
    const MixedSkin& chunked = MixedConverted[4];
    write(chunked.name, pbmp24(chunked.width, chunked.height, testPixel));
    write("eight.bmp", bmp8(9, 2));
    write("x.bmp", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'});
    write(".hidden.bmp", bmp24(2, 2, testPixel));
    write("notes.txt", Bytes{'h', 'i'});
    std::filesystem::create_directory(folder / "d.bmp");
}

} // namespace testing_support
