// Runs the built program in temporary directories, through its console front end, and
// looks at every file afterwards. Linux only.

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/end_to_end/mixed_folder.h"
#include "tests/support/program_run.h"
#include "tests/support/skin_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

class EndToEndTest : public ::testing::Test {
  protected:
    RunResult run(const std::vector<std::string>& arguments = {}) {
        return runProgram(SKINREMAP_PROGRAM, arguments, dir.path());
    }
    void write(const std::string& name, const Bytes& bytes) { writeBytes(dir.file(name), bytes); }
    Bytes read(const std::string& name) const { return readBytes(dir.file(name)); }

    // Every regular file of the directory with its bytes.
    std::map<std::string, Bytes> snapshot() const { return filesIn(dir.path()); }

    TempDir dir;
    const std::array<Rgb, 256> colors = testColors();
};

TEST_F(EndToEndTest, ConvertsEveryTrueColourSkinAndNothingElseOnce) {
    writeMixedFolder(dir.path());
    const auto before = snapshot();

    const RunResult first = run();
    EXPECT_EQ(first.exitCode, 0);
    // A bitmap that is not 24-bit is left alone as a matter of course; a file that is no
    // bitmap at all is worth a look.
    EXPECT_NE(first.output.find("Left alone: eight.bmp (not a 24-bit bitmap)\n"),
              std::string::npos);
    EXPECT_EQ(first.errors, "Left alone: x.bmp (not a bitmap it can read)\n");
    for (const char* name :
         {"odd.bmp", "wide.bmp", "A.BMP", "top.bmp", "game.bmp", "eight.bmp", "x.bmp"}) {
        EXPECT_NE(first.output.find(std::string("Remapping: ") + name + "\n"), std::string::npos)
            << name;
    }
    EXPECT_EQ(first.output.find("hidden"), std::string::npos);
    EXPECT_NE(first.output.find("Remapping: done.\n5 converted, 2 left alone, 0 failed.\n"),
              std::string::npos)
        << first.output;

    const auto expectedIndex = [&](int x, int y) {
        return nearestIndex(colors, false, testPixel(x, y));
    };
    auto after = snapshot();
    for (const MixedSkin& skin : MixedConverted) {
        EXPECT_EQ(checkRemapped(after[skin.name], skin.width, skin.height, -1, expectedIndex), "")
            << skin.name;
        after.erase(skin.name);
    }
    for (const auto& [name, bytes] : after) {
        EXPECT_EQ(bytes, before.at(name)) << name;
    }
    EXPECT_TRUE(fs::is_directory(dir.path() / "d.bmp"));

    const auto converted1 = snapshot();
    const RunResult second = run();
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_NE(second.output.find("0 converted, 7 left alone, 0 failed."), std::string::npos);
    EXPECT_NE(second.output.find("Left alone: game.bmp (converted before)\n"), std::string::npos);
    EXPECT_NE(second.output.find("Nothing to convert: 5 skins were converted before; 1 file is "
                                 "not a 24-bit bitmap; 1 file was left alone for the reasons "
                                 "above.\n"),
              std::string::npos)
        << second.output;
    EXPECT_EQ(second.errors, first.errors);
    EXPECT_EQ(snapshot(), converted1);
}

std::vector<std::string> sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Skins cut short (a copy still going on) or otherwise missing pixels are left as they are
// and named on stderr, beside whole skins that are converted as usual.
TEST_F(EndToEndTest, NoSkinIsReplacedByPixelsItsFileDidNotHold) {
    write("skins.ipl", riffPalette(colors));
    write("whole.bmp", bmp24(5, 3, testPixel));
    write("whole_top_down.bmp", bmp24(5, 3, testPixel, true));

    std::map<std::string, Bytes> broken;
    for (const bool topDown : {false, true}) {
        const Bytes skin = bmp24(5, 3, testPixel, topDown);
        for (std::size_t length = 54; length < skin.size(); ++length) {
            const std::string name = (topDown ? "top_" : "bottom_") + std::to_string(length);
            broken[name + ".bmp"] = Bytes(skin.begin(), skin.begin() + static_cast<long>(length));
        }
    }
    Bytes pastTheEnd = bmp24(5, 3, testPixel);
    pastTheEnd[11] = 0x01; // bfOffBits 310, the file being 102 bytes long
    broken["offset_past_the_end.bmp"] = pastTheEnd;
    Bytes huge = bmp24(2000, 1000, testPixel);
    huge.resize(54);
    broken["tiny_claiming_huge.bmp"] = huge;
    Bytes chunked = pbmp24(5, 3, testPixel);
    chunked[16] = 1; // the "data" chunk is the last, and cut short
    chunked.resize(chunked.size() - 30);
    broken["chunked.bmp"] = chunked;
    std::vector<std::string> expectedErrors;
    for (const auto& [name, bytes] : broken) {
        write(name, bytes);
        expectedErrors.push_back("Left alone: " + name +
                                 " (the file holds only part of its pixels)");
    }
    std::sort(expectedErrors.begin(), expectedErrors.end());

    const RunResult result = run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(sortedLines(result.errors), expectedErrors);
    EXPECT_NE(result.output.find("2 converted, " + std::to_string(broken.size()) +
                                 " left alone, 0 failed."),
              std::string::npos)
        << result.output;
    for (const auto& [name, bytes] : broken) {
        EXPECT_EQ(read(name), bytes) << name;
    }
    const auto expectedIndex = [&](int x, int y) {
        return nearestIndex(colors, false, testPixel(x, y));
    };
    EXPECT_EQ(checkRemapped(read("whole.bmp"), 5, 3, -1, expectedIndex), "");
    EXPECT_EQ(checkRemapped(read("whole_top_down.bmp"), 5, 3, -1, expectedIndex), "");
}

TEST_F(EndToEndTest, ReadOnlySkinIsReportedAndTheRestConverted) {
    write("skins.ipl", riffPalette(colors));
    write("locked.bmp", bmp24(4, 4, testPixel));
    write("open.bmp", bmp24(4, 4, testPixel));
    fs::permissions(dir.path() / "locked.bmp",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Bytes locked = read("locked.bmp");

    // The batch ran to its end, but not every skin could be written: a script must see it.
    const RunResult result = run();
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.errors, "Error: Can't write file: locked.bmp\n");
    EXPECT_EQ(read("locked.bmp"), locked);
    EXPECT_EQ(
        checkRemapped(read("open.bmp"), 4, 4, -1,
                      [&](int x, int y) { return nearestIndex(colors, false, testPixel(x, y)); }),
        "");
    EXPECT_NE(result.output.find("1 converted, 0 left alone, 1 failed."), std::string::npos);
}

// `skinremap | head`: the reader goes away before the batch is done. The program must not
// be killed part way through a file by the closed pipe.
TEST_F(EndToEndTest, ReaderOfTheOutputLeavingEarlyStopsNothing) {
    write("skins.ipl", riffPalette(colors));
    const int count = 20;
    for (int i = 0; i < count; ++i) {
        write("skin" + std::to_string(i) + ".bmp", bmp24(64, 64, testPixel));
    }
    TempDir logs;
    ProgramRun run(SKINREMAP_PROGRAM, {}, dir.path(), logs.path() / "errors");
    run.closeOutput();
    EXPECT_EQ(run.wait(), 0);
    for (int i = 0; i < count; ++i) {
        const std::string name = "skin" + std::to_string(i) + ".bmp";
        EXPECT_EQ(checkRemapped(
                      read(name), 64, 64, -1,
                      [&](int x, int y) { return nearestIndex(colors, false, testPixel(x, y)); }),
                  "")
            << name;
    }
}

TEST_F(EndToEndTest, PaletteThatCannotBeLoadedStopsBeforeAnyFile) {
    Bytes otherForm = riffPalette(colors);
    std::copy_n("WAVE", 4, otherForm.begin() + 8);
    Bytes cutShort = riffPalette(colors);
    cutShort.resize(10);
    Bytes gamePaletteCutShort = pl98Palette(colors, 7, {0, 0, 0, 0, 0, 0, 0, 0});
    gamePaletteCutShort.resize(gamePaletteCutShort.size() / 2);
    const Bytes word = {'h', 'e', 'l', 'l', 'o', '\n'};
    const std::string sentence = "Not a palette at all, only a line of text.\n";
    const Bytes text(sentence.begin(), sentence.end());
    struct Unusable {
        std::optional<Bytes> bytes; // nothing: no file at all
        const char* why;
    };
    const Unusable palettes[] = {
        {std::nullopt, "there is no such file"},
        {otherForm, "the file is not a palette"},
        {cutShort, "the file is cut short"},
        {gamePaletteCutShort, "the file is cut short"},
        {text, "the file is not a palette"},
        {word, "the file is not a palette"}, // ends early, but had no palette's values
        {Bytes{}, "the file is cut short"},
    };
    write("a.bmp", bmp24(3, 2, testPixel));
    const Bytes skin = read("a.bmp");
    // The console says where it looked and what it found, after the box's own text.
    const std::string where = fs::canonical(dir.path()).string();
    for (const Unusable& palette : palettes) {
        SCOPED_TRACE(palette.why);
        fs::remove(dir.path() / "skins.ipl");
        if (palette.bytes) {
            write("skins.ipl", *palette.bytes);
        }
        const RunResult result = run();
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.errors, "Error: Can't load palette: skins.ipl (looked in " + where + ": " +
                                     palette.why + ")\n");
        EXPECT_EQ(read("a.bmp"), skin);
    }
    fs::remove(dir.path() / "skins.ipl");
    fs::create_directory(dir.path() / "skins.ipl");
    const RunResult directory = run();
    EXPECT_EQ(directory.exitCode, 2);
    EXPECT_NE(directory.errors.find(": the file cannot be read)"), std::string::npos)
        << directory.errors;
}

TEST_F(EndToEndTest, GamePaletteFileRecordsItsIndexAndItsOwnMaskBit255) {
    // Only index 255 allowed by the file; the remapper adds 0 to 254.
    write("skins.ipl", pl98Palette(colors, 1234, {0, 0, 0, 0, 0, 0, 0, 1}));
    write("a.bmp", bmp24(9, 7, testPixel));

    const RunResult result = run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(
        checkRemapped(read("a.bmp"), 9, 7, 1234,
                      [&](int x, int y) { return nearestIndex(colors, true, testPixel(x, y)); }),
        "");
}

} // namespace
