// The FLTK front end without a display: windows are made but never shown, and clicks and
// close requests are simulated by running the widgets' callbacks, as FLTK would.

#include "ui/fltk/fltk_ui.h"

#include <cstdlib>
#include <string>

#include <FL/Fl_Widget.H>
#include <gtest/gtest.h>

#include "tests/ui/user_interface_contract.h"
#include "ui/fltk/controls.h"
#include "ui/fltk/display.h"

namespace {

using namespace ui;
using front_end_contract::ContractWindow;
using ui::fltk::FltkUserInterface;

} // namespace

class FltkFrontEnd {
  public:
    // Without a display no window is ever shown, so nothing can arrive while waiting.
    static constexpr bool EndsRunWhenIdle = true;
    ui::UserInterface& ui() { return fltkUi; }
    // What a click or the close box does: FLTK runs the widget's callback.
    void close(ui::WindowId window) { fltkUi.widget(window)->do_callback(); }
    void click(ui::WindowId control) { fltkUi.widget(control)->do_callback(); }

  private:
    FltkUserInterface fltkUi;
};

namespace front_end_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Fltk, UserInterfaceContract, FltkFrontEnd);
INSTANTIATE_TYPED_TEST_SUITE_P(Fltk, ButtonContract, FltkFrontEnd);
} // namespace front_end_contract

namespace {

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
    void click(WindowId id) { ui.widget(id)->do_callback(); }

    FltkUserInterface ui;
    ContractWindow events{ui};
    WindowId window = NoWindow;
};

// The size asked for is the outer size of a Windows window; what FLTK draws is its client
// area, with the controls where Windows puts them.
TEST_F(FltkUiTest, ControlsSitWhereTheyDoInTheWindowsWindow) {
    ASSERT_NE(open(), NoWindow);
    const Rect client = ui.clientRect(window);
    EXPECT_EQ(client.right, 434);
    EXPECT_EQ(client.bottom, 71);
    EXPECT_EQ(geometryOf(ui.widget(window)),
              (Geometry{ui.widget(window)->x(), ui.widget(window)->y(), 434, 71}));
    EXPECT_EQ(ui.scrollArrowHeight(), 17);
    EXPECT_EQ(geometryOf(ui.widget(events.bar)), (Geometry{0, 54, 434, 17}));
    EXPECT_EQ(geometryOf(ui.widget(events.timeLabel)), (Geometry{10, 15, 354, 15}));
    EXPECT_EQ(geometryOf(ui.widget(events.fileLabel)), (Geometry{10, 35, 354, 20}));
    EXPECT_EQ(geometryOf(ui.widget(events.button)), (Geometry{364, 20, 60, 30}));
    EXPECT_STREQ(ui.widget(window)->label(), "Vaskor Skin Remaper");
    EXPECT_STREQ(ui.widget(events.button)->label(), "Quit");
}

TEST_F(FltkUiTest, RefusedCreationLeavesNoWidgets) {
    events.acceptCreation = false;
    EXPECT_EQ(open(), NoWindow);
    EXPECT_EQ(ui.widget(events.created), nullptr);
    EXPECT_EQ(ui.widget(events.button), nullptr);
}

// The controls still exist while the window hears of its end; a click queued before the
// close box goes with the window.
TEST_F(FltkUiTest, TheControlsLastUntilTheWindowHasHeardOfItsEnd) {
    open();
    bool buttonAlive = false;
    events.duringDestroy = [&] { buttonAlive = ui.widget(events.button) != nullptr; };
    click(events.button);
    click(window);
    ASSERT_NE(ui.widget(window), nullptr);

    Message click;
    Message close;
    ASSERT_TRUE(ui.peekMessage(click, true));
    ASSERT_TRUE(ui.peekMessage(close, true));
    ui.dispatchMessage(close);
    EXPECT_EQ(events.destroyed, 1);
    EXPECT_TRUE(buttonAlive);
    EXPECT_EQ(ui.widget(window), nullptr);
    EXPECT_EQ(ui.widget(events.button), nullptr);

    ui.dispatchMessage(click);
    ui.dispatchMessage(close);
    EXPECT_TRUE(events.commands.empty());
    EXPECT_EQ(events.destroyed, 1);
}

TEST_F(FltkUiTest, LabelsKeepTheirTextVerbatim) {
    open();
    const char* name = "Remapping: a@b & @@c.bmp";
    ui.setText(events.timeLabel, name);
    const auto* text = static_cast<const ui::fltk::PlainText*>(ui.widget(events.timeLabel));
    EXPECT_EQ(text->text(), name);
    ui.setText(window, "renamed");
    EXPECT_STREQ(ui.widget(window)->label(), "renamed");
}

TEST_F(FltkUiTest, ProgressBarStepsLikeTheWindowsControl) {
    open();
    const auto* bar = static_cast<const ui::fltk::ProgressBar*>(ui.widget(events.bar));
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
    EXPECT_FALSE(ui::fltk::openDisplay());
    ::unsetenv("DISPLAY");
    EXPECT_FALSE(ui::fltk::openDisplay());
    if (saved != nullptr) {
        ::setenv("DISPLAY", previous.c_str(), 1);
    }
}

} // namespace
