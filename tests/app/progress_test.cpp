#include "app/progress.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "app/format_text.h"
#include "tests/app/remapper_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

using testing_support::ScriptedUi;
using testing_support::UserAction;

class ProgressTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateControls(state, 1);
        ui.calls.clear();
    }
    std::vector<std::string> timeTexts() const {
        return ui.callsStartingWith("setText " + std::to_string(state.timeLabel));
    }

    ScriptedUi ui;
    RemapperState state{ui, RemapperSeams{ScriptedUi::tick, Bitmap::create}};
};

TEST_F(ProgressTest, ControlsFollowTheGeometryTable) {
    ScriptedUi fresh;
    RemapperState other(fresh, RemapperSeams{ScriptedUi::tick, Bitmap::create});
    EXPECT_TRUE(CreateControls(other, 7));
    EXPECT_EQ(fresh.calls, (std::vector<std::string>{
                               "scrollArrowHeight",
                               "clientRect 7",
                               "createControl 7 ProgressBar '' 0,54,434,17 -> 100",
                               "createControl 7 Label 'Time remaining:' 10,15,354,15 -> 101",
                               "createControl 7 Label 'Remapping: ' 10,35,354,20 -> 102",
                               "createControl 7 Button 'Quit' 364,20,60,30 -> 103",
                               "updateWindow 7",
                           }));
    EXPECT_EQ(other.quitButton, 103);
}

TEST_F(ProgressTest, WaitingQuitStopsWithoutDispatchingAndStaysQueued) {
    state.filesTotal = 3;
    state.fileFraction = 0.5f;
    ui.queueQuit(0);
    ui.calls.clear();
    EXPECT_FALSE(UpdateProgress(state));
    EXPECT_EQ(ui.calls, std::vector<std::string>{"peekMessage keep"});
    EXPECT_EQ(ui.queued(), 1u);
    EXPECT_TRUE(ui.quitWaiting());
}

TEST_F(ProgressTest, HandlesOneMessagePerCallAndRefreshesTheEstimate) {
    state.filesTotal = 1;
    state.fileFraction = 0.5f;
    ui.queue(UserAction::Other);
    ui.queue(UserAction::Other);
    EXPECT_TRUE(UpdateProgress(state));
    EXPECT_EQ(ui.count("dispatch"), 1);
    EXPECT_EQ(ui.queued(), 1u);
    EXPECT_EQ(timeTexts().size(), 1u);
}

TEST_F(ProgressTest, NothingCountedLeavesTheTimeLabelAlone) {
    EXPECT_TRUE(UpdateProgress(state));
    EXPECT_TRUE(timeTexts().empty());
}

TEST_F(ProgressTest, EstimateAssumesEveryFileTakesTheAverageTime) {
    // Ten files, two and a half done in 5 s: 20 s in all, 15 s to go.
    state.startTicks = 1000;
    ui.now = 6000;
    state.filesTotal = 10;
    state.filesDone = 2;
    state.fileFraction = 0.5f;
    EXPECT_TRUE(UpdateProgress(state));
    EXPECT_EQ(timeTexts(), std::vector<std::string>{"setText 101 Time remaining:  15.0 second(s)"});
}

TEST(SecondsRemainingTest, ElapsedTimeSurvivesAWrapAndNeverGoesBelowNothing) {
    struct Case {
        const char* what;
        std::uint32_t start;
        std::uint32_t now;
        float seconds; // of one file, half done
    };
    const Case cases[] = {
        {"5 s gone", 1000, 6000, 5.0f},
        {"the counter wrapped 1,296 ms after the start", 4294967000u, 1000, 1.296f},
        {"long after system start, exactly", 16777217, 16777217 + 1000, 1.0f},
        {"a clock 5 ms back", 1000, 995, 0.0f},
        {"half the counter back", 0x80000000u, 0, 0.0f},
        {"just over half the counter: a wrap", 0x80000001u, 0, 2147483.647f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FLOAT_EQ(secondsRemaining(c.now, c.start, 1, 0, 0.5f), c.seconds);
    }
    EXPECT_FLOAT_EQ(secondsRemaining(6000, 1000, 10, 2, 0.5f), 15.0f);
}

// After some hours of uptime a start time kept in single precision would be rounded up to
// 127 ms ahead of the clock, and an update in that window took the negative time for a
// wrap of the counter.
class UptimeTest : public testing_support::RemapperFixture {};

TEST_F(UptimeTest, EstimateIsRightWhereTheStartTimeWouldRoundUp) {
    writePalette();
    const std::uint32_t start = 0x80000000u + 129; // 0x80000100 in single precision
    ui.now = start;
    startRun();
    EXPECT_EQ(state.startTicks, start);

    // Ten files, a hundredth of the first done in 100 ms: 100 s in all.
    ui.now = start + 100;
    state.filesTotal = 10;
    state.fileFraction = 0.01f;
    EXPECT_TRUE(UpdateProgress(state));
    EXPECT_EQ(ui.callsStartingWith("setText 102"),
              std::vector<std::string>{"setText 102 Time remaining:  99.9 second(s)"});
}

TEST(FormatTextTest, FormatsIntoOneBufferAndCutsLongTexts) {
    EXPECT_STREQ(FormatText("Time remaining: %5.1f second(s)", 0.0),
                 "Time remaining:   0.0 second(s)");
    const std::string longName(300, 'n');
    const char* text = FormatText("Remapping: %s", longName.c_str());
    EXPECT_EQ(std::strlen(text), SharedTextSize - 1);
    EXPECT_EQ(std::string(text), "Remapping: " + longName.substr(0, 244));
    EXPECT_EQ(FormatText("%s", "x"), text); // one shared buffer
}

} // namespace
