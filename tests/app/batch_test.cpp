#include "app/batch.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/pixel_mapping.h"
#include "app/skin_mapping.h"
#include "platform/owned_file.h"
#include "platform/process.h"
#include "tests/app/remapper_fixture.h"
#include "tests/support/file_probes.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using namespace testing_support;

class BatchTest : public RemapperFixture {};

TEST_F(BatchTest, EmptyDirectoryShowsTheFinalTextsOnceOnly) {
    state.mainWindow = ui.createMainWindow(WindowTitle, WindowWidth, WindowHeight, events);
    EXPECT_EQ(ui.count("setProgressRange 101 0 0"), 1);
    EXPECT_EQ(ui.count("stepProgress 101"), 1);
    EXPECT_EQ(state.filesTotal, 0.0f);

    ui.calls.clear();
    for (int turn = 0; turn < 3; ++turn) {
        EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    }
    EXPECT_EQ(ui.calls,
              (std::vector<std::string>{"setText 102 Time remaining:   0.0 second(s)",
                                        "setText 103 Remapping: done.", "updateWindow 100"}));
    EXPECT_TRUE(state.doneShown);
}

// The bar's range is a 16-bit number, as the progress bar message carries it: of 65,541
// files it is told 5. The count of the estimate, and the one front ends are told in
// words, is the whole number.
TEST_F(BatchTest, ProgressBarRangeIsTheLow16BitsOfTheFileCount) {
    for (int i = 0; i < 65540; ++i) {
        ASSERT_TRUE(state.fileList.add("listed.bmp"));
    }
    writeSkin("found.bmp", 1, 1); // the search adds it
    state.mainWindow = ui.createMainWindow(WindowTitle, WindowWidth, WindowHeight, events);
    EXPECT_EQ(ui.callsStartingWith("setProgressRange"),
              std::vector<std::string>{"setProgressRange 101 0 5"});
    EXPECT_EQ(state.fileList.itemCount, 65541);
    EXPECT_EQ(state.filesTotal, 65541.0f);
    EXPECT_EQ(ui.callsStartingWith("reportFileCount"),
              std::vector<std::string>{"reportFileCount 0/65541"});
}

TEST_F(BatchTest, EachFileIsTakenOnceInSearchOrderAndOthersAreLeftAlone) {
    writePalette();
    writeSkin("skin.bmp", 3, 2);
    writeFile("eight.bmp", bmp8(5, 3));
    writeFile("text.bmp", Bytes{'h', 'i', '\n'});
    // Claims 10 x 10 pixels but carries 3 bytes of them.
    Bytes shortPixels = pbmp24(1, 1, testPixel);
    shortPixels[20] = 10;
    shortPixels[24] = 10;
    writeFile("short.bmp", shortPixels);
    startRun();

    std::vector<std::string> expected;
    for (int i = 0; i < state.fileList.itemCount; ++i) {
        expected.push_back(std::string("setText 103 Remapping: ") + state.fileList.items[i]);
    }
    ASSERT_EQ(expected.size(), 4u);
    for (int step = 0; step < 4; ++step) {
        EXPECT_EQ(RemapNextFile(state), step == 3 ? BatchStep::ListEmpty : BatchStep::FilesLeft);
        EXPECT_EQ(state.fileList.itemCount, 3 - step);
        EXPECT_EQ(ui.count("stepProgress"), step + 1);
    }
    EXPECT_EQ(ui.callsStartingWith("setText 103 Remapping: ").size(), 5u); // and "done."
    for (const std::string& line : expected) {
        EXPECT_EQ(ui.count(line), 1) << line;
    }

    EXPECT_EQ(checkSkin("skin.bmp", 3, 2), "");
    EXPECT_EQ(readFile("eight.bmp"), bmp8(5, 3));
    EXPECT_EQ(readFile("text.bmp"), (Bytes{'h', 'i', '\n'}));
    EXPECT_EQ(readFile("short.bmp"), shortPixels);
    EXPECT_EQ(state.filesTotal, 4.0f);
    EXPECT_EQ(state.filesDone, 1.0f);
    EXPECT_EQ(state.summary.converted, 1);
    EXPECT_EQ(state.summary.leftAlone, 3);
    auto leftAlone = ui.callsStartingWith("reportLeftAlone");
    std::sort(leftAlone.begin(), leftAlone.end());
    EXPECT_EQ(leftAlone, (std::vector<std::string>{"reportLeftAlone eight.bmp NotTrueColour",
                                                   "reportLeftAlone short.bmp PixelsMissing",
                                                   "reportLeftAlone text.bmp NotABitmap"}));
    EXPECT_EQ(ui.callsStartingWith("reportFileCount"),
              (std::vector<std::string>{"reportFileCount 1/4", "reportFileCount 2/4",
                                        "reportFileCount 3/4", "reportFileCount 4/4"}));
}

// A skin still being copied into the folder, or damaged, holds only part of its pixels.
// The reader fills the rest with zeros, which must never reach a written skin.
TEST_F(BatchTest, SkinsWhosePixelsDidNotAllArriveAreLeftAloneAndReported) {
    writePalette();
    writeSkin("good.bmp", 6, 5);
    const Bytes whole = bmp24(6, 5, testPixel);
    const Bytes topDown = bmp24(6, 5, testPixel, true);
    Bytes pastTheEnd = whole;
    pastTheEnd[11] = 0x10; // bfOffBits 4,150, where 54 was
    Bytes beyondAnyOffset = whole;
    beyondAnyOffset[10] = 0x00; // bfOffBits 0x80000000
    beyondAnyOffset[13] = 0x80;
    Bytes chunked = pbmp24(6, 5, testPixel);
    chunked[16] = 1; // only the "data" chunk follows the head, and it is cut short below
    const std::map<std::string, Bytes> broken = {
        {"bottom_up.bmp", Bytes(whole.begin(), whole.end() - 1)},
        {"top_down.bmp", Bytes(topDown.begin(), topDown.begin() + 60)},
        {"headers_only.bmp", Bytes(whole.begin(), whole.begin() + 54)},
        {"past_the_end.bmp", pastTheEnd},
        {"beyond_any_offset.bmp", beyondAnyOffset},
        {"chunked.bmp", Bytes(chunked.begin(), chunked.begin() + 60)},
    };
    for (const auto& [name, bytes] : broken) {
        writeFile(name, bytes);
    }
    startRun();
    while (RemapNextFile(state) == BatchStep::FilesLeft) {
    }

    EXPECT_EQ(checkSkin("good.bmp", 6, 5), "");
    std::vector<std::string> reported;
    for (const auto& [name, bytes] : broken) {
        EXPECT_EQ(readFile(name), bytes) << name;
        reported.push_back("reportLeftAlone " + name + " PixelsMissing");
    }
    auto calls = ui.callsStartingWith("reportLeftAlone");
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls, reported);
    EXPECT_EQ(state.summary.converted, 1);
    EXPECT_EQ(state.summary.leftAlone, 6);
    EXPECT_EQ(state.filesDone, 1.0f);
    EXPECT_EQ(state.filesTotal, 7.0f);
    EXPECT_EQ(ui.count("stepProgress"), 7);
}

struct UpdateCase {
    int width;
    int height;
    std::vector<std::string> timeTexts; // one per progress update
};

class ProgressUpdateTest : public RemapperFixture,
                           public ::testing::WithParamInterface<UpdateCase> {};

// With one file and 1 s gone, the estimate shows the fraction converted at each update.
TEST_P(ProgressUpdateTest, UpdatesAfterEvery1024thPixelAndConvertsEachPixelInPlace) {
    const UpdateCase& test = GetParam();
    writePalette();
    writeSkin("s.bmp", test.width, test.height);
    startRun();
    ui.now = 1000;
    EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    EXPECT_EQ(ui.count("peekMessage keep"), static_cast<int>(test.timeTexts.size()));
    std::vector<std::string> shown;
    for (const std::string& call : ui.callsStartingWith("setText 102 ")) {
        shown.push_back(call.substr(12));
    }
    shown.pop_back(); // the final "0.0"
    EXPECT_EQ(shown, test.timeTexts);
    EXPECT_EQ(checkSkin("s.bmp", test.width, test.height), "");
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ProgressUpdateTest,
    ::testing::Values(
        UpdateCase{32, 32, {}}, UpdateCase{41, 25, {"Time remaining:   0.0 second(s)"}},
        UpdateCase{64,
                   64,
                   {"Time remaining:   3.0 second(s)", // a quarter done
                    "Time remaining:   1.0 second(s)", // half
                    "Time remaining:   0.3 second(s)"}},
        // Updates fall inside rows.
        UpdateCase{1000, 3, {"Time remaining:   1.9 second(s)", "Time remaining:   0.5 second(s)"}},
        UpdateCase{5, 5, {}}, UpdateCase{1, 1, {}}));

// Closing the window while two threads map a picture: both stop, nothing is written.
TEST_F(BatchTest, ClosingWhileTwoThreadsMapAPictureWritesNothing) {
    writePalette();
    writeSkin("big.bmp", 613, 301);
    const Bytes before = readFile("big.bmp");
    state.seams.sharedMappingPixels = 1;
    startRun();
    ui.queueOnText("Remapping: big.bmp", UserAction::Close);

    EXPECT_EQ(RemapNextFile(state), BatchStep::Abandoned);
    EXPECT_NE(state.secondMatcher, nullptr);
    EXPECT_TRUE(ui.quitWaiting());
    EXPECT_EQ(state.fileList.itemCount, 1);
    EXPECT_EQ(ui.count("stepProgress"), 0);
    CommitWaitingSkins(state);
    EXPECT_EQ(readFile("big.bmp"), before);
}

// Abandoned at its first update, a mapping on two threads stops both: the second finishes
// the rows in hand and takes no more, and the picture is left nearly unmapped.
TEST_F(BatchTest, AnAbandonedMappingStopsTheSecondThreadToo) {
    writePalette();
    startRun();
    const BitmapPtr source(Bitmap::create(2048, 1024, 24));
    const BitmapPtr target(Bitmap::create(2048, 1024, 8));
    ASSERT_TRUE(source && target);
    constexpr std::uint8_t Unmapped = 255; // never chosen: the mask allows 0 to 254
    std::fill(target->pixels, target->pixels + target->imageSize, Unmapped);
    const auto first = NearestMatcher::create(*state.skinPalette);
    const auto second = NearestMatcher::create(*state.skinPalette);
    const PixelMappers mappers{*state.skinPalette, first.get(), second.get()};

    EXPECT_EQ(mapPicture(mappers, *source, *target, nullptr, [](std::int64_t) { return false; }),
              MappingEnd::Stopped);
    const auto mapped = std::count_if(target->pixels, target->pixels + target->imageSize,
                                      [](std::uint8_t index) { return index != Unmapped; });
    EXPECT_LT(mapped, target->imageSize / 8);
}

TEST_F(BatchTest, ClosingDuringAConversionWritesNothingAndKeepsTheNameFirst) {
    writePalette();
    writeSkin("big.bmp", 64, 64);
    const Bytes before = readFile("big.bmp");
    startRun();
    ui.queueOnText("Remapping: big.bmp", UserAction::Close);

    EXPECT_EQ(RemapNextFile(state), BatchStep::Abandoned);
    EXPECT_EQ(ui.count("dispatch Close"), 1);
    EXPECT_TRUE(ui.quitWaiting());
    EXPECT_EQ(state.fileList.itemCount, 1);
    EXPECT_STREQ(state.fileList.first(), "big.bmp");
    EXPECT_EQ(state.filesDone, 0.0f);
    EXPECT_EQ(ui.count("stepProgress"), 0);
    EXPECT_EQ(readFile("big.bmp"), before);
}

// The writer waits for a disk that holds it up, with skins waiting for it: handing over the
// next one, the main thread still answers the window, and closing it gives that skin up at
// once; those handed over before are written once the disk goes on.
TEST_F(BatchTest, ClosingWhileTheWriterWaitsForTheDiskIsSeenAtOnce) {
    if (platform::processorCount() < 2) {
        GTEST_SKIP() << "the writer works on the main thread on one processor";
    }
    writePalette();
    for (int i = 0; i < 8; ++i) {
        writeSkin("skin" + std::to_string(i) + ".bmp", 2, 2);
    }
    startRun();
    HeldWrites held;
    // Should the hand-over not answer the window, the disk goes on after a while and the
    // skin is handed over instead: the test fails rather than hangs.
    std::promise<void> closed;
    std::thread disk([&held, seen = closed.get_future()] {
        seen.wait_for(std::chrono::seconds(3));
        held.release();
    });
    for (int handed = 0; handed < 5; ++handed) {
        ASSERT_EQ(RemapNextFile(state), BatchStep::FilesLeft);
    }
    const std::string sixth = state.fileList.first();
    ui.queue(UserAction::Close);
    EXPECT_EQ(RemapNextFile(state), BatchStep::Abandoned);
    EXPECT_STREQ(state.fileList.first(), sixth.c_str());
    closed.set_value();
    disk.join();
    CommitWaitingSkins(state);
    EXPECT_EQ(state.summary.converted, 5);
    EXPECT_EQ(readFile(sixth), bmp24(2, 2, testPixel));
}

TEST_F(BatchTest, QuitDuringAConversionStillWritesThatFile) {
    writePalette();
    writeSkin("big.bmp", 64, 64);
    startRun();
    ui.queueOnText("Remapping: big.bmp", UserAction::PressQuit);

    EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    EXPECT_EQ(ui.count("dispatch PressQuit"), 1);
    EXPECT_TRUE(state.quitRequested);
    EXPECT_EQ(state.filesDone, 1.0f);
    EXPECT_EQ(checkSkin("big.bmp", 64, 64), "");
}

TEST_F(BatchTest, FailedWriteIsReportedAndStillCounted) {
    writePalette();
    writeSkin("ro.bmp", 4, 4);
    const Bytes before = readFile("ro.bmp");
    std::filesystem::permissions(dir.path() / "ro.bmp", std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::group_read |
                                                            std::filesystem::perms::others_read);
    startRun();

    EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    EXPECT_EQ(ui.callsStartingWith("messageBox"),
              (std::vector<std::string>{
                  "messageBox 0 Error: Can't write file: ro.bmp (information)",
                  "messageBox 0 Files left as they were: These files were left as they were:\n"
                  "ro.bmp (could not be written) (information)"}));
    EXPECT_EQ(state.filesDone, 1.0f);
    EXPECT_EQ(state.summary.failed, 1);
    EXPECT_EQ(ui.count("stepProgress"), 1);
    EXPECT_EQ(readFile("ro.bmp"), before);
}

TEST_F(BatchTest, WithoutRoomForTheMatcherThePlainScanConvertsTheSame) {
    writePalette();
    writeSkin("s.bmp", 41, 25);
    state.seams.createMatcher = [](const Palette&) { return std::unique_ptr<NearestMatcher>(); };
    startRun();

    EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    EXPECT_EQ(state.matcher, nullptr);
    EXPECT_EQ(checkSkin("s.bmp", 41, 25), "");
}

// The figures worked out here the long way: each pixel's distance to the colour the plain
// search picks for it.
ui::ColourDistances distancesByHand(int width, int height) {
    const auto colors = testColors();
    double total = 0.0;
    double largest = 0.0;
    int far = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb pixel = testPixel(x, y);
            const Rgb chosen = colors[nearestIndex(colors, false, pixel)];
            const double distance = std::hypot(pixel.red - chosen.red, pixel.green - chosen.green,
                                               pixel.blue - chosen.blue);
            total += distance;
            largest = std::max(largest, distance);
            far += distance > 24.0 ? 1 : 0;
        }
    }
    ui::ColourDistances distances;
    distances.mean = total / (width * height);
    distances.largest = largest;
    distances.farShare = static_cast<double>(far) / (width * height);
    return distances;
}

// A large picture is mapped by two threads, each taking rows as it goes, or by one: the
// file, the updates (after every 1,024th pixel, the estimate falling) and the figures are
// the same either way.
class SharedMappingTest : public RemapperFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(SharedMappingTest, GivesTheFileTheUpdatesAndTheFiguresOfOneThread) {
    constexpr int Width = 613; // shares of 26 rows
    constexpr int Height = 301;
    writePalette();
    writeSkin("s.bmp", Width, Height);
    state.seams.sharedMappingPixels = GetParam() ? 1 : 0;
    startRun();
    ui.now = 1000;

    EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    EXPECT_EQ(state.secondMatcher != nullptr, GetParam());
    EXPECT_EQ(checkSkin("s.bmp", Width, Height), "");
    EXPECT_EQ(ui.count("peekMessage keep"), Width * Height / 1024);
    std::vector<double> remaining;
    for (const std::string& call : ui.callsStartingWith("setText 102 Time remaining:")) {
        remaining.push_back(
            std::stod(call.substr(std::string("setText 102 Time remaining:").size())));
    }
    ASSERT_EQ(remaining.size(), Width * Height / 1024 + 1u); // and the final 0.0
    EXPECT_TRUE(std::is_sorted(remaining.rbegin(), remaining.rend()));
    EXPECT_EQ(remaining.back(), 0.0);

    const ui::ColourDistances expected = distancesByHand(Width, Height);
    ASSERT_EQ(ui.distances.size(), 1u);
    EXPECT_GE(ui.distances[0].mean, expected.mean - 1e-9);
    EXPECT_LE(ui.distances[0].mean, expected.mean + 1.0 / 128);
    EXPECT_GE(ui.distances[0].largest, expected.largest - 1e-9);
    EXPECT_LE(ui.distances[0].largest, expected.largest + 1.0 / 128);
    EXPECT_DOUBLE_EQ(ui.distances[0].farShare, expected.farShare);
}

INSTANTIATE_TEST_SUITE_P(Threads, SharedMappingTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Two" : "One"; });

// Dithering works on the picture as shown, whichever way its file stores the rows, from its
// top row, which a picture cut below its fifth row shares; it reports after every 1,024th
// pixel as the nearest colours do; the ordered pattern gives the same skin on two threads as
// on one, and diffusion keeps to one.
class DitheredRunTest : public RemapperFixture,
                        public ::testing::WithParamInterface<DitherMethod> {};

TEST_P(DitheredRunTest, BothRowOrdersGiveOneSkinOnAnyThreadsWithTheUsualUpdates) {
    constexpr int Width = 613;
    constexpr int Height = 301;
    constexpr int CutHeight = 5;
    writePalette();
    writeFile("down.bmp", bmp24(Width, Height, testPixel, true));
    writeFile("up.bmp", bmp24(Width, Height, testPixel));
    writeFile("cut.bmp", bmp24(Width, CutHeight, testPixel));
    state.dither = GetParam();
    state.seams.sharedMappingPixels = 1;
    startRun();
    while (RemapNextFile(state) == BatchStep::FilesLeft) {
    }
    EXPECT_EQ(state.secondMatcher != nullptr, GetParam() == DitherMethod::Ordered);
    EXPECT_EQ(ui.count("peekMessage keep"), 2 * (Width * Height / 1024) + Width * CutHeight / 1024);
    EXPECT_EQ(readFile("down.bmp"), readFile("up.bmp"));
    EXPECT_NE(checkSkin("up.bmp", Width, Height), "") << "dithered, not the nearest colours";
    const BitmapPtr written(Bitmap::loadFile("up.bmp", 0));
    const BitmapPtr cut(Bitmap::loadFile("cut.bmp", 0));
    ASSERT_TRUE(written && cut);
    EXPECT_TRUE(std::equal(cut->pixels, cut->pixels + cut->imageSize, written->pixels));

    writeFile("again.bmp", bmp24(Width, Height, testPixel));
    const BitmapPtr source(Bitmap::loadFile("again.bmp", 0));
    const BitmapPtr oneThread(Bitmap::create(Width, Height, 8));
    state.seams.sharedMappingPixels = 0;
    MatchDistances unused;
    ASSERT_EQ(remapPixels(state, *source, *oneThread, unused), MappingEnd::Done);
    EXPECT_TRUE(
        std::equal(oneThread->pixels, oneThread->pixels + oneThread->imageSize, written->pixels));
}

INSTANTIATE_TEST_SUITE_P(Methods, DitheredRunTest,
                         ::testing::Values(DitherMethod::Diffusion, DitherMethod::Ordered),
                         [](const auto& info) {
                             return info.param == DitherMethod::Ordered ? "Ordered" : "Diffusion";
                         });

// Diffusion reports as it maps, not after: at each update the pixels passed, and one more,
// are mapped (entry 255, which the test palette never gives, marks those not yet).
TEST_F(BatchTest, DiffusionReportsEachUpdateWhenItsPixelsAreMapped) {
    writePalette();
    startRun();
    const BitmapPtr source(Bitmap::create(100, 30, 24));
    const BitmapPtr target(Bitmap::create(100, 30, 8));
    std::fill(target->pixels, target->pixels + target->imageSize, 0xFF);
    NearestMatcher matcher(*state.skinPalette);
    std::vector<std::int64_t> ahead;
    const auto reported = [&](std::int64_t mapped) {
        ahead.push_back(target->imageSize -
                        std::count(target->pixels, target->pixels + target->imageSize, 0xFF) -
                        mapped);
        return true;
    };
    EXPECT_EQ(mapPicture({*state.skinPalette, &matcher, nullptr, true, nullptr}, *source, *target,
                         nullptr, reported),
              MappingEnd::Done);
    EXPECT_EQ(ahead, (std::vector<std::int64_t>{1, 1}));
}

TEST_F(BatchTest, ClosingWhileDiffusingWritesNothing) {
    writePalette();
    writeSkin("big.bmp", 64, 64);
    const Bytes before = readFile("big.bmp");
    state.dither = DitherMethod::Diffusion;
    startRun();
    ui.queueOnText("Remapping: big.bmp", UserAction::Close);

    EXPECT_EQ(RemapNextFile(state), BatchStep::Abandoned);
    EXPECT_EQ(state.fileList.itemCount, 1);
    CommitWaitingSkins(state);
    EXPECT_EQ(readFile("big.bmp"), before);
}

// The matcher keeps each distance in 128ths of a level, rounded up; the plain scan's
// fallback is exact.
TEST_F(BatchTest, EachConversionReportsHowFarItsColoursMoved) {
    writePalette();
    writeSkin("s.bmp", 37, 23);
    const ui::ColourDistances expected = distancesByHand(37, 23);
    ASSERT_GT(expected.farShare, 0.0) << "the image must have far pixels to count";
    ASSERT_LT(expected.farShare, 1.0);
    for (const bool withMatcher : {true, false}) {
        SCOPED_TRACE(withMatcher ? "matcher" : "plain scan");
        if (!withMatcher) {
            state.matcher.reset();
            state.seams.createMatcher = [](const Palette&) {
                return std::unique_ptr<NearestMatcher>();
            };
        }
        writeSkin("s.bmp", 37, 23);
        startRun();
        ui.distances.clear();
        EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
        EXPECT_EQ(state.matcher != nullptr, withMatcher);
        ASSERT_EQ(ui.distances.size(), 1u);
        const ui::ColourDistances& reported = ui.distances[0];
        const double slack = withMatcher ? 1.0 / 128 : 1e-9;
        EXPECT_GE(reported.mean, expected.mean - 1e-9);
        EXPECT_LE(reported.mean, expected.mean + slack);
        EXPECT_GE(reported.largest, expected.largest - 1e-9);
        EXPECT_LE(reported.largest, expected.largest + slack);
        EXPECT_DOUBLE_EQ(reported.farShare, expected.farShare);
        EXPECT_EQ(reported.farDistance, 24);
    }
}

// Solid skins under a palette of black alone: each moves exactly as far as its colour is
// from black.
TEST_F(BatchTest, SummaryNamesTheThreeSkinsThatMovedMost) {
    std::array<Rgb, 256> black{};
    writeFile("skins.ipl", riffPalette(black));
    const std::map<std::string, std::uint8_t> reds = {
        {"a.bmp", 10}, {"b.bmp", 40}, {"c.bmp", 20}, {"d.bmp", 30}, {"e.bmp", 0}};
    for (const auto& [name, red] : reds) {
        writeFile(name, bmp24(3, 2, [red = red](int, int) { return Rgb{red, 0, 0}; }));
    }
    startRun();
    while (RemapNextFile(state) == BatchStep::FilesLeft) {
    }

    std::vector<std::pair<std::string, double>> moved;
    for (const ui::MovedSkin& skin : state.summary.movedMost) {
        moved.emplace_back(skin.name, skin.distances.mean);
        EXPECT_EQ(skin.distances.largest, skin.distances.mean);
        EXPECT_EQ(skin.distances.farShare, skin.distances.mean > 24 ? 1.0 : 0.0);
    }
    EXPECT_EQ(moved, (std::vector<std::pair<std::string, double>>{
                         {"b.bmp", 40.0}, {"d.bmp", 30.0}, {"c.bmp", 20.0}}));
}

// The artist saves the skin again while it is being converted: the new save stays, and the
// user learns that the skin was left alone.
TEST_F(BatchTest, AFileSavedAgainWhileItWasConvertedIsLeftAsItWasSaved) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the skin is held open and can't be saved while it is converted";
#endif
    writePalette();
    writeSkin("big.bmp", 64, 64);
    const Bytes saved = bmp24(9, 9, testPixel);
    startRun();
    ui.now = 1000;
    ui.doOnText("Time remaining:   3.0 second(s)", [&] { writeFile("big.bmp", saved); });

    EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    EXPECT_EQ(readFile("big.bmp"), saved);
    EXPECT_EQ(ui.callsStartingWith("messageBox"),
              (std::vector<std::string>{
                  "messageBox 0 Error: big.bmp changed while it was converted; left alone "
                  "(information)",
                  "messageBox 0 Files left as they were: These files were left as they were:\n"
                  "big.bmp (changed while it was converted) (information)"}));
    EXPECT_EQ(state.summary.converted, 0);
    EXPECT_EQ(state.summary.leftAlone, 1);
    EXPECT_EQ(state.summary.failed, 0);
    EXPECT_EQ(state.filesDone, 1.0f);
    EXPECT_EQ(ui.count("stepProgress"), 1);
}

// A skin cut short while its rows are still being read, a band at a time: the rows the file
// no longer holds are never taken for pixels, even in a dry run, which has no later look
// at the file to catch it.
TEST_F(BatchTest, ASkinCutShortWhileItsRowsAreReadIsNotConverted) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the skin is held open and can't be changed while it is converted";
#endif
    writePalette();
    writeSkin("big.bmp", 64, 64);
    const Bytes whole = readFile("big.bmp");
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    state.dryRun = true;
    startRun();
    ui.now = 1000;
    ui.doOnText("Time remaining:   3.0 second(s)", [&] { writeFile("big.bmp", cut); });

    EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    EXPECT_EQ(readFile("big.bmp"), cut);
    EXPECT_EQ(state.summary.converted, 0);
    EXPECT_EQ(state.summary.leftAlone, 1);
    EXPECT_TRUE(ui.distances.empty());
}

// What the list was made with may be gone or be something else by the time a file's turn
// comes; whatever it is, it is left alone with its reason.
TEST_F(BatchTest, EveryFileLeftAloneIsReportedWithItsReason) {
    writePalette();
    Bytes huge = bmp24(1, 1, testPixel);
    huge[18] = 0x40; // 40,000 pixels wide
    huge[19] = 0x9C;
    writeFile("huge.bmp", huge);
    writeFile("eight.bmp", bmp8(3, 3));
    Bytes earlier = bmp8(3, 3);
    earlier[6] = 0xF7; // bfReserved1 and 2: the game palette marker, then its number
    earlier[7] = 0xF5;
    earlier[8] = 3;
    writeFile("earlier.bmp", earlier);
    writeFile("text.bmp", Bytes{'h', 'i'});
    std::vector<std::string> expected{"reportLeftAlone earlier.bmp ConvertedBefore 3",
                                      "reportLeftAlone eight.bmp NotTrueColour",
                                      "reportLeftAlone folder.bmp NotRegularFile",
                                      "reportLeftAlone gone.bmp Missing",
                                      "reportLeftAlone huge.bmp TooLarge",
                                      "reportLeftAlone text.bmp NotABitmap"};
    for (const char* name : {"gone.bmp", "folder.bmp", "fifo.bmp"}) {
        writeSkin(name, 2, 2);
    }
    startRun();
    std::filesystem::remove(dir.file("gone.bmp"));
    std::filesystem::remove(dir.file("folder.bmp"));
    std::filesystem::create_directory(dir.file("folder.bmp"));
#ifndef _WIN32
    std::filesystem::remove(dir.file("fifo.bmp"));
    ASSERT_EQ(mkfifo(dir.file("fifo.bmp").c_str(), 0644), 0);
    expected.insert(expected.begin() + 2, "reportLeftAlone fifo.bmp NotRegularFile");
#else
    expected.insert(expected.begin() + 2, "reportLeftAlone fifo.bmp NotTrueColour");
    writeFile("fifo.bmp", bmp8(3, 3)); // no FIFOs here: an 8-bit bitmap takes its place
#endif

    while (RemapNextFile(state) == BatchStep::FilesLeft) {
    }
    auto reported = ui.callsStartingWith("reportLeftAlone");
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(reported, expected);
    EXPECT_EQ(state.summary.leftAlone, 7);
    EXPECT_EQ(readFile("huge.bmp"), huge);
    // The window's one box at the end names the files to look at, and only those.
    const auto boxes = ui.callsStartingWith("messageBox");
    ASSERT_EQ(boxes.size(), 1u);
    for (const char* line : {"\ngone.bmp (no longer there)", "\nhuge.bmp (too large to convert)",
                             "\ntext.bmp (not a bitmap it can read)"}) {
        EXPECT_NE(boxes[0].find(line), std::string::npos) << line;
    }
    EXPECT_EQ(boxes[0].find("eight.bmp"), std::string::npos);
    EXPECT_EQ(boxes[0].find("earlier.bmp"), std::string::npos);
}

// The system refuses to open a skin: no read permission (which root never meets), another
// program writing it, no handles left. Each is named for what it is.
TEST_F(BatchTest, ASkinTheSystemWontOpenIsReportedWithTheReason) {
    using platform::FileErrorKind;
    const std::map<std::string, std::pair<FileErrorKind, std::string>> cases{
        {"denied.bmp",
         {FileErrorKind::AccessDenied, "reportLeftAlone denied.bmp NoReadPermission"}},
        {"held.bmp",
         {FileErrorKind::SharingViolation, "messageBox 0 Error: held.bmp is being written by "
                                           "another program; left alone (information)"}},
        {"many.bmp",
         {FileErrorKind::TooManyOpenFiles, "reportLeftAlone many.bmp TooManyOpenFiles"}},
    };
    writePalette();
    for (const auto& [name, refusal] : cases) {
        writeSkin(name, 2, 2);
    }
    startRun();
    while (state.fileList.itemCount > 0) {
        const std::string name = state.fileList.first();
        const RefusedOpens refused(cases.at(name).first);
        RemapNextFile(state);
        const std::string& told = cases.at(name).second;
        EXPECT_NE(std::find(ui.calls.begin(), ui.calls.end(), told), ui.calls.end()) << told;
    }
    EXPECT_EQ(state.summary.leftAlone, 3);
    EXPECT_EQ(readFile("denied.bmp"), bmp24(2, 2, testPixel));
}

// A program that has a skin open for writing (a copy under way) keeps it from this run, on
// Linux by the lease the run can't have, on Windows by the sharing the open asks for: the
// skin is left alone with the reason said, and the run converts it once the writer is done.
TEST_F(BatchTest, ASkinAnotherProgramHasOpenForWritingIsLeftAloneUntilItIsClosed) {
    writePalette();
    writeSkin("copying.bmp", 3, 2);
    const Bytes before = readFile("copying.bmp");
    platform::OwnedFile writer(platform::openOrCreate("copying.bmp"));
    ASSERT_TRUE(writer.isOpen());
    startRun();
    EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    EXPECT_EQ(ui.count("messageBox 0 Error: copying.bmp is being written by another program; "
                       "left alone (information)"),
              1);
    EXPECT_EQ(state.summary.leftAlone, 1);

    writer.close();
    EXPECT_EQ(readFile("copying.bmp"), before);
    state.fileList.add("copying.bmp");
    state.doneShown = false;
    EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    EXPECT_EQ(checkSkin("copying.bmp", 3, 2), "");
}

TEST_F(BatchTest, BitmapThatCannotBeMadeLowersTheFileCount) {
    writePalette();
    writeSkin("a.bmp", 4, 4);
    const Bytes before = readFile("a.bmp");
    state.seams.createBitmap = [](std::int32_t, std::int32_t, std::int32_t) -> Bitmap* {
        return nullptr;
    };
    startRun();

    EXPECT_EQ(RemapNextFile(state), BatchStep::ListEmpty);
    EXPECT_EQ(state.filesTotal, 0.0f);
    EXPECT_EQ(state.filesDone, 0.0f);
    EXPECT_EQ(ui.count("stepProgress"), 1);
    EXPECT_EQ(state.fileList.itemCount, 0);
    EXPECT_EQ(readFile("a.bmp"), before);
    EXPECT_EQ(ui.callsStartingWith("reportLeftAlone"),
              std::vector<std::string>{"reportLeftAlone a.bmp TooLarge"});
}

} // namespace
