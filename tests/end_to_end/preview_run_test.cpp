// The built program asked to show rather than only convert: pictures of every skin in a
// preview folder, a dry run that touches nothing, and the palette exported for painting
// programs. Linux only.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "bitmap/png_writer.h"
#include "palette/palette.h"
#include "storage/replacing_file.h"
#include "tests/end_to_end/mixed_folder.h"
#include "tests/support/memory_stream.h"
#include "tests/support/program_run.h"
#include "tests/support/skin_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// Everything a run could change about a file or folder: its bytes, its time of last change
// and its permissions. A folder's time changes whenever a file is made or removed in it.
struct Trace {
    Bytes bytes;
    fs::file_time_type changed;
    fs::perms permissions;
    bool operator==(const Trace&) const = default;
};

std::map<std::string, Trace> traces(const fs::path& root) {
    std::map<std::string, Trace> found;
    found["."] = Trace{{}, fs::last_write_time(root), fs::status(root).permissions()};
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const Bytes bytes = entry.is_regular_file() ? readBytes(entry.path().string()) : Bytes{};
        found[fs::relative(entry.path(), root).string()] =
            Trace{bytes, entry.last_write_time(), entry.status().permissions()};
    }
    return found;
}

// The picture the program must have drawn of a BMP or chunked file, in the test palette's
// colours when it is 8-bit.
Bytes pictureOf(const fs::path& file) {
    const BitmapPtr bitmap(Bitmap::loadFile(file.string().c_str(), 0));
    EXPECT_NE(bitmap, nullptr) << file;
    const PalettePtr palette(
        Palette::loadFile((file.parent_path() / "skins.ipl").string().c_str()));
    MemoryStream picture;
    EXPECT_TRUE(writePng(picture, *bitmap, palette.get()));
    return picture.bytes();
}

std::string pngName(const std::string& skin) {
    return skin.substr(0, skin.size() - 4) + ".png";
}

class PreviewRunTest : public ::testing::Test {
  protected:
    PreviewRunTest() {
        fs::create_directories(folder);
        writeMixedFolder(folder);
        // A temporary a killed run left: a dry run, which changes nothing, leaves it too.
        writeBytes((folder / ".skinremap-k1lled.tmp").string(), Bytes{1, 2, 3});
    }

    RunResult run(const std::vector<std::string>& arguments, RunOptions limits = {}) const {
        return runProgram(SKINREMAP_PROGRAM, arguments, scratch.path(), limits);
    }

    TempDir scratch;
    const fs::path folder = scratch.path() / "skins";
    const fs::path pictures = scratch.path() / "pictures";
};

TEST_F(PreviewRunTest, DryRunLeavesEveryByteAndTimeAsItWasAndPreviewsTheConversion) {
    const auto before = traces(folder);
    const RunResult result = run({"--dry-run", "--preview", "pictures", "skins"});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.errors, "Left alone: x.bmp (not a bitmap it can read)\n");
    EXPECT_EQ(traces(folder), before);

    for (const MixedSkin& skin : MixedConverted) {
        const std::string line = std::string("Remapping: ") + skin.name + "\n  mean distance ";
        EXPECT_NE(result.output.find(line), std::string::npos) << skin.name;
    }
    EXPECT_NE(result.output.find("Remapping: done.\nDry run: 5 would be converted, 2 left alone; "
                                 "no skin was changed.\nMoved most: "),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("Previews: " + (pictures / "index.html").string() + "\n"),
              std::string::npos)
        << result.output;

    // What a real run then writes is what the pictures showed.
    const RunResult real = run({"skins"});
    EXPECT_EQ(real.exitCode, 0) << real.errors;
    for (const MixedSkin& skin : MixedConverted) {
        EXPECT_EQ(readBytes((pictures / pngName(skin.name)).string()),
                  pictureOf(folder / skin.name))
            << skin.name;
    }
}

TEST_F(PreviewRunTest, OneRunConvertsAndPicturesEverySkinTheFolderAndTheLastRunMade) {
    std::map<std::string, Bytes> sources;
    for (const MixedSkin& skin : MixedConverted) {
        sources[skin.name] = pictureOf(folder / skin.name);
    }
    const RunResult first = run({"--preview", "pictures", "skins"});
    EXPECT_EQ(first.exitCode, 0) << first.errors;
    std::vector<std::string> expected = {"index.html", "source"};
    for (const MixedSkin& skin : MixedConverted) {
        const std::string picture = pngName(skin.name);
        EXPECT_EQ(readBytes((pictures / picture).string()), pictureOf(folder / skin.name))
            << skin.name;
        EXPECT_EQ(readBytes((pictures / "source" / picture).string()), sources[skin.name]);
        expected.push_back(picture);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(pictures), expected) << "nothing of the other files, no temporary";
    const std::string page = readText((pictures / "index.html").string());
    EXPECT_NE(page.find("src=\"source/A.png\""), std::string::npos);
    EXPECT_EQ(page.find("under way"), std::string::npos) << "the last page replaced the first";
    // The files it left alone are accounted for below the skins, with why.
    EXPECT_NE(page.find("<li>eight.bmp <span class=\"note\">(not a 24-bit bitmap)</span>"),
              std::string::npos);
    EXPECT_NE(page.find("<li>x.bmp <span class=\"note\">(not a bitmap it can read)</span>"),
              std::string::npos);

    // The next run finds them converted: only their pictures, drawn from the files.
    fs::remove_all(pictures);
    const RunResult second = run({"--preview", "pictures", "skins"});
    EXPECT_EQ(second.exitCode, 0) << second.errors;
    EXPECT_EQ(namesIn(pictures / "source"), std::vector<std::string>{});
    for (const MixedSkin& skin : MixedConverted) {
        EXPECT_EQ(readBytes((pictures / pngName(skin.name)).string()),
                  pictureOf(folder / skin.name));
    }
    EXPECT_NE(readText((pictures / "index.html").string()).find("converted before this run"),
              std::string::npos);
}

// Dithering on request: a dry run pictures what the real runs then write, its page says
// how, and every run writes the same bytes, other than the nearest colours'.
TEST_F(PreviewRunTest, DitheredRunsWriteWhatTheirPicturesShowTheSameEachTime) {
    ASSERT_EQ(run({"-o", "nearest", "skins"}).exitCode, 0);
    for (const std::string method : {"--dither", "--dither=ordered"}) {
        SCOPED_TRACE(method);
        const auto before = traces(folder);
        const RunResult dry = run({method, "-n", "--preview", "pictures", "skins"});
        EXPECT_EQ(dry.exitCode, 0) << dry.errors;
        EXPECT_EQ(traces(folder), before);
        EXPECT_NE(readText((pictures / "index.html").string()).find("Dithered"), std::string::npos);
        for (const char* output : {"first", "again"}) {
            EXPECT_EQ(run({method, "-o", output, "skins"}).exitCode, 0);
        }
        const fs::path first = scratch.path() / "first";
        fs::copy_file(folder / "skins.ipl", first / "skins.ipl",
                      fs::copy_options::overwrite_existing);
        for (const MixedSkin& skin : MixedConverted) {
            EXPECT_EQ(readBytes((first / skin.name).string()),
                      readBytes((scratch.path() / "again" / skin.name).string()));
            EXPECT_EQ(readBytes((pictures / pngName(skin.name)).string()),
                      pictureOf(first / skin.name))
                << skin.name;
        }
        EXPECT_NE(readBytes((first / "wide.bmp").string()),
                  readBytes((scratch.path() / "nearest" / "wide.bmp").string()));
    }
}

TEST_F(PreviewRunTest, PreviewFolderThatCannotBeWrittenStopsTheRunBeforeAnySkin) {
    writeBytes((scratch.path() / "a file").string(), Bytes{'x'});
    struct Case {
        const char* what;
        std::vector<std::string> words;
        RunOptions limits;
        const char* error;
    };
    // The page is larger than the file size limit allows; the error message is not.
    const Case cases[] = {
        {"inside a file",
         {"--preview", "a file/pictures", "skins"},
         {},
         "skinremap: cannot use 'a file/pictures' for the previews: "},
        {"no room for its page",
         {"--preview", "pictures", "skins"},
         {200, {}, {}, false, {}, false},
         "skinremap: cannot write the previews into 'pictures': "},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const auto before = traces(folder);
        const RunResult refused = run(test.words, test.limits);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_EQ(refused.output, "");
        EXPECT_EQ(refused.errors.rfind(test.error, 0), 0u) << refused.errors;
        EXPECT_EQ(traces(folder), before);
    }
}

TEST_F(PreviewRunTest, PaletteIsExportedForPaintingProgramsAndNothingConverted) {
    const auto before = traces(folder);
    const RunResult gimp = run({"--export-palette", "game.gpl", "skins"});
    EXPECT_EQ(gimp.exitCode, 0) << gimp.errors;
    EXPECT_EQ(gimp.output, "The 255 colours a skin may be given are in game.gpl.\n");
    const RunResult photoshop = run({"--export-palette=Game.ACT", "skins"});
    EXPECT_EQ(photoshop.exitCode, 0) << photoshop.errors;
    EXPECT_EQ(traces(folder), before);

    const std::string text = readText((scratch.path() / "game.gpl").string());
    EXPECT_EQ(text.rfind("GIMP Palette\nName: game\n", 0), 0u);
    const auto colors = testColors();
    const Bytes table = readBytes((scratch.path() / "Game.ACT").string());
    ASSERT_EQ(table.size(), 772u);
    EXPECT_EQ(table[768 + 1], 255) << "entries in use: 0 to 254";
    for (int index = 0; index < 255; ++index) {
        const Rgb colour = colors[static_cast<std::size_t>(index)];
        char line[32];
        std::snprintf(line, sizeof line, "\n%3d %3d %3d\t%d\n", colour.red, colour.green,
                      colour.blue, index);
        EXPECT_NE(text.find(line), std::string::npos) << index;
        EXPECT_EQ(table[index * 3], colour.red) << index;
        EXPECT_EQ(table[index * 3 + 2], colour.blue) << index;
    }
    EXPECT_EQ(text.find("\t255\n"), std::string::npos) << "entry 255 is never chosen";

    fs::remove(folder / "skins.ipl");
    const RunResult noPalette = run({"--export-palette", "other.gpl", "skins"});
    EXPECT_EQ(noPalette.exitCode, 2);
    EXPECT_EQ(noPalette.errors.rfind("Error: Can't load palette: skins.ipl (looked in ", 0), 0u);
    EXPECT_FALSE(fs::exists(scratch.path() / "other.gpl"));
}

} // namespace
