// The FLTK front end without a display: windows are made but never shown, and clicks and
// close requests are simulated by running the widgets' callbacks, as FLTK would.

#include "platform/fltk/fltk_ui.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <FL/Fl_Widget.H>
#include <gtest/gtest.h>

#include "platform/fltk/controls.h"
#include "platform/fltk/display.h"

namespace {

using namespace platform;
using platform::fltk::FltkUserInterface;

// A window procedure laid out like the remapper's, recording what it hears.
class RecordingEvents final : public WindowEvents {
  public:
    explicit RecordingEvents(UserInterface& ui) : ui(ui) {}

    bool onCreate(WindowId window) override {
        const Rect client = ui.clientRect(window);
        const int arrow = ui.scrollArrowHeight();
        bar = ui.createControl(window, ControlKind::ProgressBar, nullptr, client.left,
                               client.bottom - arrow, client.right, arrow);
        label = ui.createControl(window, ControlKind::Label, "Time remaining:", client.left + 10,
                                 15, client.right - 80, 15);
        button =
            ui.createControl(window, ControlKind::Button, "Quit", client.right - 70, 20, 60, 30);
        return acceptCreation;
    }
    void onCommand(WindowId source) override { heard.push_back("command " + name(source)); }
    void onDestroy() override {
        // The controls still exist while the window hears of its end.
        heard.push_back(std::string("destroy, button ") +
                        (fltkUi().widget(button) != nullptr ? "alive" : "gone"));
        ui.postQuit(0);
    }

    FltkUserInterface& fltkUi() { return static_cast<FltkUserInterface&>(ui); }
    std::string name(WindowId id) const { return id == button ? "button" : std::to_string(id); }

    UserInterface& ui;
    bool acceptCreation = true;
    WindowId bar = NoWindow;
    WindowId label = NoWindow;
    WindowId button = NoWindow;
    std::vector<std::string> heard;
};

struct Geometry {
    int x, y, width, height;
    bool operator==(const Geometry&) const = default;
};

Geometry geometryOf(const Fl_Widget* widget) {
    return {widget->x(), widget->y(), widget->w(), widget->h()};
}

class FltkUiTest : public ::testing::Test {
  protected:
    WindowId open() {
        window = ui.createMainWindow("Vaskor Skin Remaper", 450, 110, events);
        return window;
    }
    // What a click or the close box does: FLTK runs the widget's callback.
    void click(WindowId id) { ui.widget(id)->do_callback(); }

    FltkUserInterface ui;
    RecordingEvents events{ui};
    WindowId window = NoWindow;
};

TEST_F(FltkUiTest, ControlsSitAtClientCoordinatesOfTheRequestedSize) {
    ASSERT_NE(open(), NoWindow);
    const Rect client = ui.clientRect(window);
    EXPECT_EQ(client.right, 450);
    EXPECT_EQ(client.bottom, 110);
    EXPECT_EQ(geometryOf(ui.widget(window)),
              (Geometry{ui.widget(window)->x(), ui.widget(window)->y(), 450, 110}));
    const int arrow = ui.scrollArrowHeight();
    EXPECT_GT(arrow, 0);
    EXPECT_EQ(geometryOf(ui.widget(events.bar)), (Geometry{0, 110 - arrow, 450, arrow}));
    EXPECT_EQ(geometryOf(ui.widget(events.label)), (Geometry{10, 15, 370, 15}));
    EXPECT_EQ(geometryOf(ui.widget(events.button)), (Geometry{380, 20, 60, 30}));
    EXPECT_STREQ(ui.widget(window)->label(), "Vaskor Skin Remaper");
    EXPECT_STREQ(ui.widget(events.button)->label(), "Quit");
}

TEST_F(FltkUiTest, RefusedCreationLeavesNoWindow) {
    events.acceptCreation = false;
    EXPECT_EQ(open(), NoWindow);
    EXPECT_EQ(ui.widget(events.button), nullptr);
    Message message;
    EXPECT_FALSE(ui.peekMessage(message, true));
}

TEST_F(FltkUiTest, AClickIsQueuedAndReachesTheProcedureOnlyWhenDispatched) {
    open();
    click(events.button);
    EXPECT_TRUE(events.heard.empty());

    Message message;
    ASSERT_TRUE(ui.peekMessage(message, false));
    EXPECT_FALSE(message.isQuit);
    ASSERT_TRUE(ui.peekMessage(message, true)); // still there after a look
    ui.dispatchMessage(message);
    EXPECT_EQ(events.heard, std::vector<std::string>{"command button"});
    EXPECT_FALSE(ui.peekMessage(message, true));
}

TEST_F(FltkUiTest, MessagesComeOneAtATimeInOrder) {
    open();
    click(events.button);
    click(events.button);
    ui.postQuit(7);

    Message message;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(ui.peekMessage(message, true));
        EXPECT_FALSE(message.isQuit);
    }
    ASSERT_TRUE(ui.peekMessage(message, false));
    EXPECT_TRUE(message.isQuit);
    EXPECT_EQ(message.quitCode, 7);
    ASSERT_TRUE(ui.peekMessage(message, true)); // a waiting quit stays until taken
    EXPECT_TRUE(message.isQuit);
    ui.dispatchMessage(message); // does nothing
    EXPECT_TRUE(events.heard.empty());
    EXPECT_FALSE(ui.peekMessage(message, false));
}

TEST_F(FltkUiTest, TheCloseBoxDestroysTheWindowWhenDispatchedAndQuitFollows) {
    open();
    click(events.button); // a click queued before the close box goes with the window
    click(window);
    ASSERT_NE(ui.widget(window), nullptr);

    Message click;
    Message close;
    ASSERT_TRUE(ui.peekMessage(click, true));
    ASSERT_TRUE(ui.peekMessage(close, true));
    ui.dispatchMessage(close);
    EXPECT_EQ(events.heard, std::vector<std::string>{"destroy, button alive"});
    EXPECT_EQ(ui.widget(window), nullptr);
    EXPECT_EQ(ui.widget(events.button), nullptr);

    ui.dispatchMessage(click);
    ui.dispatchMessage(close);
    ui.setText(events.label, "Remapping: done.");
    ui.stepProgress(events.bar);
    EXPECT_EQ(events.heard.size(), 1u);

    Message quit;
    ASSERT_TRUE(ui.peekMessage(quit, true));
    EXPECT_TRUE(quit.isQuit);
    EXPECT_EQ(quit.quitCode, 0);
}

TEST_F(FltkUiTest, WaitingWithNoWindowShownEndsTheRun) {
    open(); // hidden: without a display nothing can ever arrive
    ui.waitMessage();
    Message message;
    ASSERT_TRUE(ui.peekMessage(message, true));
    EXPECT_TRUE(message.isQuit);
    EXPECT_EQ(message.quitCode, 0);
}

TEST_F(FltkUiTest, LabelsKeepTheirTextVerbatim) {
    open();
    const char* name = "Remapping: a@b & @@c.bmp";
    ui.setText(events.label, name);
    const auto* text = static_cast<const platform::fltk::PlainText*>(ui.widget(events.label));
    EXPECT_EQ(text->text(), name);
    ui.setText(window, "renamed");
    EXPECT_STREQ(ui.widget(window)->label(), "renamed");
}

TEST_F(FltkUiTest, ProgressBarStepsLikeTheWindowsControl) {
    open();
    const auto* bar = static_cast<const platform::fltk::ProgressBar*>(ui.widget(events.bar));
    struct Case {
        int minimum, maximum, step, steps, expected;
    };
    const Case cases[] = {
        {0, 10, 1, 3, 3},   // plain steps
        {0, 3, 1, 3, 3},    // the last step reaches the maximum
        {0, 3, 1, 4, 1},    // one past the end starts over
        {0, 0, 1, 5, 0},    // an empty range stays at its minimum
        {5, 8, 2, 1, 7},    // the position moves into a new range first
        {0, 100, 10, 2, 20} // the control's defaults
    };
    for (const Case& c : cases) {
        ui.setProgressRange(events.bar, 0, 0); // back to 0
        ui.setProgressRange(events.bar, c.minimum, c.maximum);
        ui.setProgressStep(events.bar, c.step);
        for (int i = 0; i < c.steps; ++i) {
            ui.stepProgress(events.bar);
        }
        EXPECT_EQ(bar->position(), c.expected)
            << c.minimum << ".." << c.maximum << " step " << c.step << " x" << c.steps;
    }
}

TEST_F(FltkUiTest, BoxesWithoutADisplayGoToTheConsole) {
    open();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ui.messageBox(window, "Error", "Can't write file: a.bmp", MessageIcon::Information,
                            MessageButtons::Ok),
              MessageResult::Ok);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: Can't write file: a.bmp\n");
}

TEST(FltkDisplayTest, AMissingDisplayIsReportedNotFatal) {
    const char* saved = std::getenv("DISPLAY");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("DISPLAY", ":4242", 1); // no server listens there
    EXPECT_FALSE(platform::fltk::openDisplay());
    ::unsetenv("DISPLAY");
    EXPECT_FALSE(platform::fltk::openDisplay());
    if (saved != nullptr) {
        ::setenv("DISPLAY", previous.c_str(), 1);
    }
}

} // namespace
