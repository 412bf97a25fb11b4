// The program following a folder as an artist saves into it (`--watch -o`): each save is
// converted once it is whole, whatever way it arrives, with the palette as it is then.
// Linux only.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/skin_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

Rgb otherPixel(int x, int y) {
    return testPixel(y, x + 3);
}

// Should a watch never end, the test does.
RunOptions watchLimits() {
    RunOptions limits;
    limits.timeLimit = 60;
    return limits;
}

class WatchRunTest : public ::testing::Test {
  protected:
    WatchRunTest() {
        fs::create_directories(art);
        writeBytes((art / "skins.ipl").string(), riffPalette(colors));
        writeBytes((art / "one.bmp").string(), bmp24(5, 3, testPixel));
    }

    // Reads the program's lines up to the first that holds `text`; false when it ended first.
    bool waitFor(ProgramRun& run, const std::string& text) {
        while (const auto line = run.nextLine()) {
            if (line->find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    // Waits up to ten seconds for `text` on the program's standard error.
    bool waitForError(const std::string& text) const {
        for (int tries = 0; tries < 200; ++tries) {
            if (fs::exists(errors) && readText(errors.string()).find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    std::string converted(const std::string& name, int width, int height, const PixelSource& pixel,
                          const std::array<Rgb, 256>& palette) const {
        return checkRemapped(
            readBytes((out / name).string()), width, height, -1,
            [&](int x, int y) { return nearestIndex(palette, false, pixel(x, y)); });
    }

    TempDir scratch;
    const fs::path art = scratch.path() / "art";
    const fs::path out = scratch.path() / "game";
    const fs::path errors = scratch.path() / "errors";
    const std::array<Rgb, 256> colors = testColors();
};

TEST_F(WatchRunTest, EachSaveIsConvertedOnceWholeAndCtrlCEndsWithNothingLeftBehind) {
    ProgramRun run(SKINREMAP_PROGRAM, {"--watch", "-o", out.string(), art.string()}, scratch.path(),
                   errors, watchLimits());
    ASSERT_TRUE(waitFor(run, "Watching "));
    EXPECT_EQ(converted("one.bmp", 5, 3, testPixel, colors), "");

    // Saved in two halves with a pause: left alone while half there, converted when whole.
    const Bytes two = bmp24(9, 7, testPixel);
    writeBytes((art / "two.bmp").string(), Bytes(two.begin(), two.begin() + 80));
    ASSERT_TRUE(waitForError("Left alone: two.bmp (the file holds only part of its pixels)"));
    EXPECT_FALSE(fs::exists(out / "two.bmp"));
    writeBytes((art / "two.bmp").string(), two);
    ASSERT_TRUE(waitFor(run, "two.bmp: mean distance"));
    EXPECT_EQ(converted("two.bmp", 9, 7, testPixel, colors), "");

    // Renamed in, as editors that write a temporary first save.
    writeBytes((scratch.path() / "three.tmp").string(), bmp24(4, 4, testPixel));
    fs::rename(scratch.path() / "three.tmp", art / "three.bmp");
    ASSERT_TRUE(waitFor(run, "three.bmp: mean distance"));
    EXPECT_EQ(converted("three.bmp", 4, 4, testPixel, colors), "");

    // Saved again: the new art replaces the old conversion.
    writeBytes((art / "one.bmp").string(), bmp24(5, 3, otherPixel));
    ASSERT_TRUE(waitFor(run, "one.bmp: mean distance"));
    EXPECT_EQ(converted("one.bmp", 5, 3, otherPixel, colors), "");

    // A new palette serves the saves that follow; a deleted skin keeps its conversion.
    std::array<Rgb, 256> reversed = colors;
    std::reverse(reversed.begin(), reversed.end());
    writeBytes((art / "skins.ipl").string(), riffPalette(reversed));
    ASSERT_TRUE(waitFor(run, "The palette skins.ipl was saved"));
    fs::remove(art / "three.bmp");
    writeBytes((art / "one.bmp").string(), bmp24(5, 3, testPixel));
    ASSERT_TRUE(waitFor(run, "one.bmp: mean distance"));
    EXPECT_EQ(converted("one.bmp", 5, 3, testPixel, reversed), "");
    EXPECT_TRUE(fs::exists(out / "three.bmp"));

    // Ctrl-C is how a watch ends: exit 0, and no temporary anywhere.
    run.interrupt();
    EXPECT_EQ(run.wait(), 0);
    EXPECT_EQ(namesIn(out), (std::vector<std::string>{"one.bmp", "three.bmp", "two.bmp"}));
    EXPECT_EQ(namesIn(art), (std::vector<std::string>{"one.bmp", "skins.ipl", "two.bmp"}));
}

} // namespace
