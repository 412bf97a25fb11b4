#include "platform/console/console_ui.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace platform;

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

// A window procedure that makes the controls the way the remapper does and posts quit when
// the window goes, as the remapper's does.
class Window final : public WindowEvents {
  public:
    explicit Window(UserInterface& ui) : ui(ui) {}
    bool onCreate(WindowId window) override {
        bar = ui.createControl(window, ControlKind::ProgressBar, "", 0, 54, 434, 17);
        time = ui.createControl(window, ControlKind::Label, "Time remaining:", 10, 15, 354, 15);
        file = ui.createControl(window, ControlKind::Label, "Remapping: ", 10, 35, 354, 20);
        return acceptCreate;
    }
    void onCommand(WindowId) override {}
    void onDestroy() override {
        ++destroyed;
        ui.postQuit(0);
    }

    UserInterface& ui;
    bool acceptCreate = true;
    int destroyed = 0;
    WindowId bar = NoWindow, time = NoWindow, file = NoWindow;
};

class ConsoleUiTest : public ::testing::Test {
  protected:
    std::unique_ptr<std::FILE, FileCloser> out{std::tmpfile()};
};

TEST_F(ConsoleUiTest, PrintsFileLinesAndKeepsEstimatesOffAPipe) {
    ConsoleUi ui(out.get(), false, fakeClock);
    Window window(ui);
    ASSERT_NE(ui.createMainWindow("t", 450, 110, window), NoWindow);
    ui.setProgressRange(window.bar, 0, 2);
    ui.setProgressStep(window.bar, 1);
    ui.setText(window.file, "Remapping: a.bmp");
    ui.setText(window.time, "Time remaining:   1.5 second(s)");
    ui.stepProgress(window.bar);
    ui.setText(window.file, "Remapping: done.");
    ui.reportSummary(RunSummary{1, 2, 3, 0});
    ui.reportSummary(RunSummary{0, 0, 0, 4});
    EXPECT_EQ(contents(out.get()), "Remapping: a.bmp\nRemapping: done.\n"
                                   "1 converted, 2 left alone, 3 failed.\n"
                                   "0 converted, 0 left alone, 0 failed, 4 not reached.\n");
}

TEST_F(ConsoleUiTest, StatusLineIsRedrawnAtMostTenTimesASecondAndClearedForLines) {
    fakeNow = 5000;
    {
        ConsoleUi ui(out.get(), true, fakeClock);
        Window window(ui);
        ASSERT_NE(ui.createMainWindow("t", 450, 110, window), NoWindow);
        ui.setProgressRange(window.bar, 0, 3);
        ui.setProgressStep(window.bar, 1);
        ui.setText(window.time, "Time remaining:   9.0 second(s)");
        fakeNow += 99;
        ui.setText(window.time, "Time remaining:   8.0 second(s)"); // too soon: not drawn
        fakeNow += 1;
        ui.stepProgress(window.bar);
        ui.setText(window.file, "Remapping: b.bmp");
    } // the console clears its status line as it goes

    const std::string first = "[0/3] Time remaining:   9.0 second(s)";
    const std::string second = "[1/3] Time remaining:   8.0 second(s)";
    const std::string blank(second.size(), ' ');
    EXPECT_EQ(contents(out.get()), "\r" + first + "\r" + "\r" + second + "\r" + "\r" + blank +
                                       "\r" + "Remapping: b.bmp\n");
}

TEST_F(ConsoleUiTest, ControlCClosesTheWindowAndTheQuitIsSeenAtOnce) {
    ConsoleUi ui(out.get(), false, fakeClock);
    Window window(ui);
    ASSERT_NE(ui.createMainWindow("t", 450, 110, window), NoWindow);
    Message message;
    EXPECT_FALSE(ui.peekMessage(message, false));

    std::raise(SIGINT);
    ASSERT_TRUE(ui.peekMessage(message, false));
    EXPECT_TRUE(message.isQuit);
    EXPECT_EQ(window.destroyed, 1);
    ASSERT_TRUE(ui.peekMessage(message, true)); // still queued after the first look
    EXPECT_EQ(message.quitCode, 0);
    EXPECT_FALSE(ui.peekMessage(message, true));
    EXPECT_EQ(window.destroyed, 1);
}

TEST_F(ConsoleUiTest, EndsTheRunWhenNothingIsLeftToWaitFor) {
    ConsoleUi ui(out.get(), false, fakeClock);
    Window window(ui);
    ASSERT_NE(ui.createMainWindow("t", 450, 110, window), NoWindow);
    ui.waitMessage();
    Message message;
    ASSERT_TRUE(ui.peekMessage(message, true));
    EXPECT_TRUE(message.isQuit);
    EXPECT_EQ(message.quitCode, 0);
}

TEST_F(ConsoleUiTest, RefusedCreationGivesNoWindow) {
    ConsoleUi ui(out.get(), false, fakeClock);
    Window window(ui);
    window.acceptCreate = false;
    EXPECT_EQ(ui.createMainWindow("t", 450, 110, window), NoWindow);
}

TEST_F(ConsoleUiTest, BoxesFromAnywhereGoToStderrAsOneLine) {
    ::testing::internal::CaptureStderr();
    {
        ConsoleUi ui(out.get(), false, fakeClock);
        EXPECT_EQ(ui.messageBox(NoWindow, "Error", "Can't write file: a.bmp",
                                MessageIcon::Information, MessageButtons::Ok),
                  MessageResult::Ok);
        EXPECT_EQ(showMessageBox("Assert", "x", MessageIcon::Error, MessageButtons::RetryCancel),
                  MessageResult::Cancel);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: Can't write file: a.bmp\nAssert: x\n");
    EXPECT_EQ(setMessageBoxHandler(nullptr), nullptr); // the console put back what it found
}

TEST_F(ConsoleUiTest, FilesLeftAloneAreNamedOnStderrWithTheirReason) {
    fakeNow = 7000;
    ::testing::internal::CaptureStderr();
    {
        ConsoleUi ui(out.get(), true, fakeClock);
        Window window(ui);
        ASSERT_NE(ui.createMainWindow("t", 450, 110, window), NoWindow);
        ui.setProgressRange(window.bar, 0, 2);
        ui.setText(window.time, "Time remaining:   2.0 second(s)");
        ui.reportLeftAlone("half.bmp", LeftAloneReason::PixelsMissing);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Left alone: half.bmp (the file holds only part of its pixels)\n");
    // The status line is rubbed out before the line goes to the terminal.
    const std::string status = "[0/2] Time remaining:   2.0 second(s)";
    EXPECT_EQ(contents(out.get()),
              "\r" + status + "\r" + "\r" + std::string(status.size(), ' ') + "\r");
}

} // namespace
