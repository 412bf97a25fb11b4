#include "app/remapper.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/app/remapper_fixture.h"

namespace {

using namespace testing_support;

class RemapperTest : public RemapperFixture {
  protected:
    int run() { return runRemapper(ui, {}, seams); }

    RemapperSeams seams{ScriptedUi::tick, Bitmap::create};
};

TEST_F(RemapperTest, StartsInOrderConvertsAndEndsWhenNothingIsLeft) {
    writePalette();
    writeSkin("a.bmp", 2, 2);
    EXPECT_EQ(run(), ExitWindowClosed);
    EXPECT_EQ(ui.calls, (std::vector<std::string>{
                            "createMainWindow Vaskor Skin Remaper 450x110",
                            "tickCount",
                            "scrollArrowHeight",
                            "clientRect 100",
                            "createControl 100 ProgressBar '' 0,54,434,17 -> 101",
                            "createControl 100 Label 'Time remaining:' 10,15,354,15 -> 102",
                            "createControl 100 Label 'Remapping: ' 10,35,354,20 -> 103",
                            "createControl 100 Button 'Quit' 364,20,60,30 -> 104",
                            "updateWindow 100",
                            "setProgressRange 101 0 1",
                            "setProgressStep 101 1",
                            "reportFileCount 0/1",
                            "created 100",
                            "showWindow 100",
                            // first turn: no message, one file converted, the final texts
                            "peekMessage remove",
                            "setText 103 Remapping: a.bmp",
                            "updateWindow 100",
                            "reportDistances",
                            "stepProgress 101",
                            "updateWindow 100",
                            "reportFileCount 1/1",
                            "setText 102 Time remaining:   0.0 second(s)",
                            "setText 103 Remapping: done.",
                            "updateWindow 100",
                            // nothing left: the run waits, and the console-like queue ends it
                            "waitMessage",
                            "postQuit 0",
                            "peekMessage remove",
                            "reportSummary",
                        }));
    EXPECT_EQ(checkSkin("a.bmp", 2, 2), "");
    EXPECT_EQ(ui.summary.converted, 1);
}

TEST_F(RemapperTest, MissingPaletteIsReportedAndNothingIsTouched) {
    writeSkin("a.bmp", 2, 2);
    const Bytes before = readFile("a.bmp");
    EXPECT_EQ(run(), ExitStartupFailed);
    const std::vector<std::string> tail(ui.calls.end() - 2, ui.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "showWindow 100",
                        "messageBox 100 Error: Can't load palette: skins.ipl (error)"}));
    EXPECT_EQ(readFile("a.bmp"), before);
}

TEST_F(RemapperTest, WindowThatCannotBeMadeEndsTheRun) {
    writePalette();
    writeSkin("a.bmp", 2, 2);
    const Bytes before = readFile("a.bmp");
    ui.createFails = true;
    EXPECT_EQ(run(), ExitStartupFailed);
    EXPECT_EQ(readFile("a.bmp"), before);
}

TEST_F(RemapperTest, QuitAfterTheLastFileEndsWithOne) {
    writePalette();
    writeSkin("a.bmp", 2, 2);
    ui.queueOnText("Remapping: done.", UserAction::PressQuit);
    EXPECT_EQ(run(), ExitQuitButton);
    EXPECT_EQ(ui.count("dispatch PressQuit"), 1);
}

// The main loop takes the click itself: that turn's step still runs and converts one file
// before the loop ends.
TEST_F(RemapperTest, QuitTakenByTheMainLoopStillConvertsThatTurnsFile) {
    writePalette();
    writeSkin("a.bmp", 2, 2);
    writeSkin("b.bmp", 2, 2);
    ui.queue(UserAction::PressQuit);
    EXPECT_EQ(run(), ExitQuitButton);
    EXPECT_EQ(ui.count("dispatch PressQuit"), 1);
    EXPECT_EQ(ui.count("stepProgress"), 1);
    EXPECT_EQ(ui.summary.converted, 1);
    EXPECT_EQ(ui.summary.notReached, 1);
}

// Two skins of 4,096 pixels: the user acts while the first of them is converted.
class InterruptedRunTest : public RemapperTest {
  protected:
    void SetUp() override {
        writePalette();
        writeSkin("a.bmp", 64, 64);
        writeSkin("b.bmp", 64, 64);
        original = readFile("a.bmp");
    }
    void actDuringFirstFile(UserAction action) {
        ui.queueOnText("Remapping: a.bmp", action);
        ui.queueOnText("Remapping: b.bmp", action);
    }
    int converted() const {
        return (readFile("a.bmp") != original) + (readFile("b.bmp") != original);
    }

    Bytes original;
};

TEST_F(InterruptedRunTest, QuitFinishesTheFileInHandThenStops) {
    actDuringFirstFile(UserAction::PressQuit);
    EXPECT_EQ(run(), ExitQuitButton);
    EXPECT_EQ(converted(), 1);
    EXPECT_EQ(ui.summary.converted, 1);
    EXPECT_EQ(ui.summary.notReached, 1);
}

TEST_F(InterruptedRunTest, ClosingAbandonsTheFileInHand) {
    actDuringFirstFile(UserAction::Close);
    EXPECT_EQ(run(), ExitWindowClosed);
    EXPECT_EQ(converted(), 0);
    EXPECT_EQ(ui.summary.notReached, 2);
}

// Converted skins are written on a thread of their own, or with one core on the main
// thread: what the user sees, and what the disk holds afterwards, is the same.
class CoreCountTest : public RemapperTest, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override { seams.writerThread = GetParam(); }

    // The file names of the "Remapping:" texts and the progress steps, in the order shown.
    std::vector<std::string> shownFilesAndSteps() const {
        const std::string remapping = "setText 103 Remapping: ";
        std::vector<std::string> shown;
        for (const std::string& call : ui.calls) {
            if (call.rfind(remapping, 0) == 0) {
                shown.push_back(call.substr(remapping.size()));
            } else if (call == "stepProgress 101") {
                shown.push_back("step");
            }
        }
        return shown;
    }
};

TEST_P(CoreCountTest, FilesAreShownInTheListsOrderOneStepEachAndAFailedWriteIsNamed) {
    writePalette();
    const std::vector<std::string> skins{"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "ro.bmp"};
    for (const std::string& name : skins) {
        writeSkin(name, 40, 30);
    }
    const Bytes readOnly = readFile("ro.bmp");
    std::filesystem::permissions(dir.path() / "ro.bmp", std::filesystem::perms::owner_read);

    EXPECT_EQ(run(), ExitWindowClosed);
    const std::vector<std::string> shown = shownFilesAndSteps();
    ASSERT_EQ(shown.size(), 2 * skins.size() + 1);
    std::vector<std::string> listed; // in the order of the directory search
    for (std::size_t i = 0; i < skins.size(); ++i) {
        listed.push_back(shown[2 * i]);
        EXPECT_EQ(shown[2 * i + 1], "step");
    }
    EXPECT_EQ(shown.back(), "done.");
    std::vector<std::string> counts;
    for (std::size_t i = 0; i <= skins.size(); ++i) {
        counts.push_back("reportFileCount " + std::to_string(i) + "/6");
    }
    EXPECT_EQ(ui.callsStartingWith("reportFileCount "), counts);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, skins);

    // Named once as it fails, and once more in the box that ends the batch.
    EXPECT_EQ(ui.callsStartingWith("messageBox"),
              (std::vector<std::string>{
                  "messageBox 0 Error: Can't write file: ro.bmp (information)",
                  "messageBox 0 Files left as they were: These files were left as they were:\n"
                  "ro.bmp (could not be written) (information)"}));
    EXPECT_EQ(ui.summary.converted, 5);
    EXPECT_EQ(ui.summary.failed, 1);
    for (const std::string& name : skins) {
        if (name != "ro.bmp") {
            EXPECT_EQ(checkSkin(name, 40, 30), "") << name;
        }
    }
    EXPECT_EQ(readFile("ro.bmp"), readOnly);
    EXPECT_EQ(namesIn(dir.path()).size(), skins.size() + 1) << "a temporary was left";
}

// The first skin waits to be put in place with others when the window closes during the
// second: it is put in place before the program ends, the second never is.
TEST_P(CoreCountTest, ClosingDuringTheSecondFileStillPutsTheFirstInPlace) {
    writePalette();
    writeSkin("a.bmp", 64, 64);
    writeSkin("b.bmp", 64, 64);
    const Bytes original = readFile("a.bmp");
    std::vector<std::string> order; // as the directory search gives them
    for (const std::string name : {"a.bmp", "b.bmp"}) {
        ui.doOnText("Remapping: " + name, [this, name, &order] {
            order.push_back(name);
            if (order.size() == 2) {
                ui.queue(UserAction::Close);
            }
        });
    }
    EXPECT_EQ(run(), ExitWindowClosed);
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(checkSkin(order[0], 64, 64), "");
    EXPECT_EQ(readFile(order[1]), original);
    EXPECT_EQ(ui.summary.converted, 1);
    EXPECT_EQ(ui.summary.notReached, 1);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"a.bmp", "b.bmp", "skins.ipl"}));
}

// The display goes during the second skin: before the process ends, the first is put in
// place (it was waiting for others to join its group), the second is never handed over.
TEST_P(CoreCountTest, LosingTheDisplayDuringTheSecondFileStillPutsTheFirstInPlace) {
    writePalette();
    writeSkin("a.bmp", 64, 64);
    writeSkin("b.bmp", 64, 64);
    const Bytes original = readFile("a.bmp");
    std::vector<std::string> order; // as the directory search gives them
    std::vector<std::string> namesAtTheEnd;
    for (const std::string name : {"a.bmp", "b.bmp"}) {
        ui.doOnText("Remapping: " + name, [&, name] {
            order.push_back(name);
            if (order.size() == 2) {
                ui.loseConnection();
                namesAtTheEnd = namesIn(dir.path());
                EXPECT_EQ(checkSkin(order[0], 64, 64), "");
                ui.queue(UserAction::Close); // what was left of the process ends
            }
        });
    }
    run();
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(namesAtTheEnd, (std::vector<std::string>{"a.bmp", "b.bmp", "skins.ipl"}));
    EXPECT_EQ(readFile(order[1]), original);
}

INSTANTIATE_TEST_SUITE_P(WriterThread, CoreCountTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "TwoCores" : "OneCore"; });

} // namespace
