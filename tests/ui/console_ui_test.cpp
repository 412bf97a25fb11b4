#include "ui/console/console_ui.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "tests/ui/user_interface_contract.h"

namespace {

using namespace ui;
using front_end_contract::ContractWindow;

std::uint32_t fakeNow = 0;
std::uint32_t fakeClock() {
    return fakeNow;
}

// Reads back everything written to a temporary stdio file.
std::string contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        text.push_back(static_cast<char>(c));
    }
    return text;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TemporaryFile = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

// Outside the anonymous namespace, so that the tests' names say plainly which it is.
class ConsoleFrontEnd {
  public:
    static constexpr bool EndsRunWhenIdle = true;
    ui::UserInterface& ui() { return console; }
    // Ctrl-C: the console closes the window when the queue is next looked at.
    void close(ui::WindowId) { std::raise(SIGINT); }

  private:
    TemporaryFile out{std::tmpfile()};
    ui::ConsoleUi console{out.get(), false, fakeClock};
};

namespace front_end_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Console, UserInterfaceContract, ConsoleFrontEnd);
} // namespace front_end_contract

namespace {

class ConsoleUiTest : public ::testing::Test {
  protected:
    // A console writing to `out`, with its window open.
    void open(bool statusLine) {
        ui.emplace(out.get(), statusLine, fakeClock);
        window.emplace(*ui);
        ASSERT_NE(ui->createMainWindow("t", 450, 110, *window), NoWindow);
    }
    // What the console wrote once it ended, which clears its status line as it goes.
    std::string closedOutput() {
        ui.reset();
        return contents(out.get());
    }

    TemporaryFile out{std::tmpfile()};
    std::optional<ConsoleUi> ui;
    std::optional<ContractWindow> window;
};

RunSummary counts(int converted, int leftAlone, int failed, int notReached) {
    RunSummary summary;
    summary.converted = converted;
    summary.leftAlone = leftAlone;
    summary.failed = failed;
    summary.notReached = notReached;
    return summary;
}

TEST_F(ConsoleUiTest, PrintsFileLinesAndKeepsEstimatesOffAPipe) {
    open(false);
    ui->reportFileCount(0, 2);
    ui->setText(window->fileLabel, "Remapping: a.bmp");
    ui->setText(window->timeLabel, "Time remaining:   1.5 second(s)");
    ui->reportFileCount(1, 2);
    ui->setText(window->fileLabel, "Remapping: done.");
    ui->reportSummary(counts(1, 2, 3, 0));
    ui->reportSummary(counts(0, 0, 0, 4));
    EXPECT_EQ(closedOutput(), "Remapping: a.bmp\nRemapping: done.\n"
                              "1 converted, 2 left alone, 3 failed.\n"
                              "0 converted, 0 left alone, 0 failed, 4 not reached.\n");
}

TEST_F(ConsoleUiTest, SaysHowFarEachSkinMovedAndWhichMovedMost) {
    open(false);
    ui->setText(window->fileLabel, "Remapping: a.bmp");
    ui->reportDistances(ColourDistances{3.24, 41.06, 0.125, 24});
    ui->setText(window->fileLabel, "Remapping: b.bmp");
    ui->reportDistances(ColourDistances{0.04, 25.0, 0.0004, 24}); // 4 pixels of 10,000
    ui->setText(window->fileLabel, "Remapping: c.bmp");
    ui->reportDistances(ColourDistances{});
    RunSummary summary = counts(3, 0, 0, 0);
    summary.movedMost = {{"a.bmp", {3.24, 41.06, 0.125, 24}}, {"b.bmp", {0.04, 25.0, 0.0004, 24}}};
    ui->reportSummary(summary);
    EXPECT_EQ(closedOutput(), "Remapping: a.bmp\n"
                              "  mean distance 3.2, largest 41.1, 12.5% of pixels farther than 24\n"
                              "Remapping: b.bmp\n"
                              "  mean distance 0.0, largest 25.0, <0.1% of pixels farther than 24\n"
                              "Remapping: c.bmp\n"
                              "  mean distance 0.0, largest 0.0, 0.0% of pixels farther than 24\n"
                              "3 converted, 0 left alone, 0 failed.\n"
                              "Moved most: a.bmp (mean 3.2), b.bmp (mean 0.0).\n" +
                                  std::string(DistancesExplained) + "\n");
}

// After the counts, one line says why nothing was converted, or where the skins went.
TEST_F(ConsoleUiTest, SummarySaysWhyNothingWasConvertedOrWhereTheSkinsWent) {
    struct Case {
        RunSummary summary;
        const char* line; // after the counts; empty for none
    };
    RunSummary empty = counts(0, 0, 0, 0);
    empty.folder = "/art/new";
    RunSummary second = counts(0, 24, 0, 0);
    second.filesListed = 24;
    second.convertedBefore = 22;
    second.notTrueColour = 1;
    RunSummary elsewhere = counts(2, 3, 0, 0);
    elsewhere.filesListed = 5;
    elsewhere.convertedBefore = 3;
    elsewhere.outputFolder = "/game/skins";
    RunSummary inPlace = counts(2, 3, 0, 0);
    inPlace.convertedBefore = 3;
    const Case cases[] = {
        {empty, "Nothing to convert: the folder /art/new holds no *.bmp files.\n"},
        {second, "Nothing to convert: 22 skins were converted before; 1 file is not a 24-bit "
                 "bitmap; 1 file was left alone for the reasons above.\n"},
        {elsewhere, "Converted skins are in /game/skins; 3 skins already in the game's format "
                    "were not written there.\n"},
        {inPlace, ""},
    };
    for (const Case& c : cases) {
        out.reset(std::tmpfile());
        open(false);
        ui->reportSummary(c.summary);
        const std::string output = closedOutput();
        EXPECT_EQ(output.substr(output.find('\n') + 1), c.line) << c.line;
    }
}

TEST_F(ConsoleUiTest, DryRunSaysWhatWouldBeDoneAndWhereThePreviewsAre) {
    open(false);
    RunSummary summary = counts(2, 1, 0, 1);
    summary.dryRun = true;
    summary.previewsFailed = 1;
    summary.previewPage = "/tmp/p/index.html";
    ui->reportSummary(summary);
    EXPECT_EQ(closedOutput(), "Dry run: 2 would be converted, 1 left alone, 1 not reached, "
                              "1 without preview; no skin was changed.\n"
                              "Previews: /tmp/p/index.html\n");
}

// The count is the batch's own, not the progress bar's 16-bit range, which would call
// 70,000 files 4,464.
TEST_F(ConsoleUiTest, StatusLineCountsEveryFileAndIsRedrawnAtMostTenTimesASecond) {
    fakeNow = 5000;
    open(true);
    ui->setProgressRange(window->bar, 0, 70000 & 0xFFFF);
    ui->setProgressStep(window->bar, 1);
    ui->reportFileCount(0, 70000);
    ui->setText(window->timeLabel, "Time remaining:   9.0 second(s)"); // too soon: not drawn
    fakeNow += 99;
    ui->setText(window->timeLabel, "Time remaining:   8.0 second(s)"); // still too soon
    fakeNow += 1;
    ui->stepProgress(window->bar);
    ui->reportFileCount(1, 70000);
    ui->setText(window->fileLabel, "Remapping: b.bmp");

    const std::string first = "[0/70000]"; // no estimate yet: nothing done, no time gone
    const std::string second = "[1/70000] Time remaining:   8.0 second(s)";
    const std::string blank(second.size(), ' ');
    EXPECT_EQ(closedOutput(), "\r" + first + "\r" + "\r" + second + "\r" + "\r" + blank + "\r" +
                                  "Remapping: b.bmp\n");
}

// The first estimates come from a sliver of the first file and can read hours; the line
// shows them once a file is done or a second has gone.
TEST_F(ConsoleUiTest, TheEstimateShowsOnceItMeansSomething) {
    struct Case {
        std::uint32_t after; // milliseconds since the window was made
        bool fileDone;
        bool shown;
    };
    const Case cases[] = {
        {0, false, false}, {999, false, false}, {1000, false, true}, {5, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.after) + (c.fileDone ? " after a file" : ""));
        out.reset(std::tmpfile());
        fakeNow = 0xFFFFFF00; // the tick count wraps meanwhile
        open(true);
        ui->reportFileCount(0, 3);
        fakeNow += c.after;
        if (c.fileDone) {
            ui->reportFileCount(1, 3);
            fakeNow += 100; // the next redraw is due
        }
        ui->setText(window->timeLabel, "Time remaining: 7936.5 second(s)");
        const std::string output = closedOutput();
        const std::string estimate =
            c.fileDone ? "[1/3] Time remaining: 7936.5" : "[0/3] Time remaining: 7936.5";
        EXPECT_EQ(output.find(estimate) != std::string::npos, c.shown) << output;
    }
}

TEST_F(ConsoleUiTest, ADetailFollowsTheBoxTextOnItsLine) {
    ::testing::internal::CaptureStderr();
    open(false);
    EXPECT_EQ(ui->detailedMessageBox(window->created, "Error", "Can't load palette: skins.ipl",
                                     "looked in /skins: the file is cut short", MessageIcon::Error,
                                     MessageButtons::Ok),
              MessageResult::Ok);
    closedOutput();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: Can't load palette: skins.ipl (looked in /skins: the file is cut short)\n");
}

TEST_F(ConsoleUiTest, TheRunEndsAsTheBatchEndsOrAsCtrlCEndsIt) {
    open(false);
    Message message;
    ui->waitMessage(); // nothing left to do: the console ends the run
    ASSERT_TRUE(ui->peekMessage(message, true));
    EXPECT_EQ(ui->runEnd(), RunEnd::BatchDone);

    open(false);
    std::raise(SIGINT);
    ASSERT_TRUE(ui->peekMessage(message, true));
    EXPECT_TRUE(message.isQuit);
    EXPECT_EQ(ui->runEnd(), RunEnd::Interrupted);
}

TEST_F(ConsoleUiTest, BoxesFromAnywhereGoToStderrAsOneLine) {
    ::testing::internal::CaptureStderr();
    open(false);
    EXPECT_EQ(ui->messageBox(NoWindow, "Error", "Can't write file: a.bmp", MessageIcon::Information,
                             MessageButtons::Ok),
              MessageResult::Ok);
    EXPECT_EQ(showMessageBox("Assert", "x", MessageIcon::Error, MessageButtons::RetryCancel),
              MessageResult::Cancel);
    closedOutput();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: Can't write file: a.bmp\nAssert: x\n");
    EXPECT_EQ(setMessageBoxHandler(nullptr), nullptr); // the console put back what it found
}

// Every file left alone gets a line with its reason: on stdout when it is part of an ordinary
// run (a skin converted before), on stderr when it may need the user.
TEST_F(ConsoleUiTest, FilesLeftAloneAreNamedWithTheirReason) {
    struct Case {
        LeftAlone why;
        const char* line;
        bool error;
    };
    const Case cases[] = {
        {{LeftAloneReason::ConvertedBefore, 3},
         "Left alone: s.bmp (converted before, game palette 3)",
         false},
        {{LeftAloneReason::NotTrueColour}, "Left alone: s.bmp (not a 24-bit bitmap)", false},
        {{LeftAloneReason::NotABitmap}, "Left alone: s.bmp (not a bitmap it can read)", true},
        {{LeftAloneReason::PixelsMissing},
         "Left alone: s.bmp (the file holds only part of its pixels)",
         true},
        {{LeftAloneReason::TooLarge}, "Left alone: s.bmp (too large to convert)", true},
        {{LeftAloneReason::ReadError}, "Left alone: s.bmp (the file could not be read)", true},
        {{LeftAloneReason::NoReadPermission}, "Left alone: s.bmp (no permission to read it)", true},
        {{LeftAloneReason::NotRegularFile}, "Left alone: s.bmp (not a regular file)", true},
        {{LeftAloneReason::Missing}, "Left alone: s.bmp (no longer there)", true},
    };
    fakeNow = 7000;
    ::testing::internal::CaptureStderr();
    open(true);
    ui->reportFileCount(0, 2);
    std::string expectedOutput = "\r[0/2]\r\r     \r"; // the status line is rubbed out first
    std::string expectedErrors;
    for (const Case& c : cases) {
        ui->reportLeftAlone("s.bmp", c.why);
        (c.error ? expectedErrors : expectedOutput) += std::string(c.line) + "\n";
    }
    EXPECT_EQ(closedOutput(), expectedOutput);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), expectedErrors);
}

// A name may carry anything but a slash; what reaches the terminal must not drive it.
TEST_F(ConsoleUiTest, ControlCharactersInNamesArePrintedEscaped) {
    const std::string name = "evil\x1b]0;owned\x07\x1b[2J\r.bmp";
    const std::string shown = "evil\\x1b]0;owned\\x07\\x1b[2J\\x0d.bmp";
    ::testing::internal::CaptureStderr();
    open(false);
    ui->setText(window->fileLabel, ("Remapping: " + name).c_str());
    ui->reportLeftAlone(name.c_str(), {LeftAloneReason::NotTrueColour});
    ui->reportLeftAlone(name.c_str(), {LeftAloneReason::Missing});
    ui->messageBox(NoWindow, "Error", ("Can't write file: " + name).c_str(),
                   MessageIcon::Information, MessageButtons::Ok);
    EXPECT_EQ(closedOutput(),
              "Remapping: " + shown + "\nLeft alone: " + shown + " (not a 24-bit bitmap)\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Left alone: " + shown + " (no longer there)\nError: Can't write file: " + shown +
                  "\n");
}

} // namespace
