#include "app/remapper.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/app/remapper_fixture.h"

namespace {

using namespace testing_support;

class RemapperTest : public RemapperFixture {
  protected:
    int run() { return runRemapper(ui, {}, RemapperSeams{ScriptedUi::tick, Bitmap::create}); }
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

// The first skin waits to be put in place with others when the window closes during the
// second: it is put in place before the program ends, the second never is.
TEST_F(InterruptedRunTest, ClosingDuringTheSecondFileStillPutsTheFirstInPlace) {
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
    EXPECT_EQ(testing_support::namesIn(dir.path()),
              (std::vector<std::string>{"a.bmp", "b.bmp", "skins.ipl"}));
}

} // namespace
