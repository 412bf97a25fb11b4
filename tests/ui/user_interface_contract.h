#pragma once
// What every front end does alike, because the remapper relies on it: typed suites run over
// the console, the FLTK window, the Windows window and the tests' scripted window. Each
// front end's test file instantiates them with a driver that makes the front end and does
// to its window what a user does:
//
//   struct Driver {
//       ui::UserInterface& ui();
//       // What the close box does to the main window (Ctrl-C on the console).
//       void close(ui::WindowId window);
//       // True where waiting with nothing queued ends the run, as no message can come any
//       // more; otherwise arrangeLateMessage() makes one arrive a little later.
//       static constexpr bool EndsRunWhenIdle;
//       void arrangeLateMessage();
//       // For the button suite: a click on a control, queued as the system queues it.
//       void click(ui::WindowId control);
//       // Optional: what is left of the main window when a test ends, let go of.
//       void endRun(ui::WindowId window);
//   };
//
// Only what differs between the front ends is tested in their own files.

#include <functional>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "ui/ui.h"

namespace front_end_contract {

using namespace ui;

// A window procedure laid out as the remapper's: a progress bar, two labels and the button,
// placed from the client area; it posts quit when the window goes, and records what it hears.
class ContractWindow final : public WindowEvents {
  public:
    explicit ContractWindow(UserInterface& ui) : ui(ui) {}

    // The controls are made even when the creation is then refused: they must go with it.
    bool onCreate(WindowId window) override {
        created = window;
        const Rect area = ui.clientRect(window);
        const int arrow = ui.scrollArrowHeight();
        bar = ui.createControl(window, ControlKind::ProgressBar, nullptr, area.left,
                               area.bottom - arrow, area.right, arrow);
        timeLabel = ui.createControl(window, ControlKind::Label, "Time remaining:", area.left + 10,
                                     15, area.right - 80, 15);
        fileLabel = ui.createControl(window, ControlKind::Label, "Remapping: ", area.left + 10, 35,
                                     area.right - 80, 20);
        button = ui.createControl(window, ControlKind::Button, "Quit", area.right - 70, 20, 60, 30);
        return acceptCreation;
    }
    void onCommand(WindowId source) override { commands.push_back(source); }
    void onDestroy() override {
        if (duringDestroy) {
            duringDestroy();
        }
        ++destroyed;
        ui.postQuit(0);
    }

    UserInterface& ui;
    bool acceptCreation = true;
    std::function<void()> duringDestroy; // what a test looks at as the window goes
    WindowId created = NoWindow;
    WindowId bar = NoWindow;
    WindowId timeLabel = NoWindow;
    WindowId fileLabel = NoWindow;
    WindowId button = NoWindow;
    std::vector<WindowId> commands;
    int destroyed = 0;
};

template <typename Driver> class UserInterfaceContract : public ::testing::Test {
  protected:
    void TearDown() override {
        if constexpr (requires { driver.endRun(window.created); }) {
            driver.endRun(window.created);
        }
    }

    UserInterface& ui() { return driver.ui(); }

    // The main window, made and not shown, with whatever its making queued handled.
    WindowId open() {
        const WindowId made = ui().createMainWindow("Vaskor Skin Remaper", 450, 110, window);
        quitCode();
        return made;
    }

    // Takes messages and dispatches them, as the main loop does, up to the quit message;
    // nothing when the queue runs dry first.
    std::optional<int> quitCode() {
        Message message;
        for (int guard = 0; guard < 1000 && ui().peekMessage(message, true); ++guard) {
            if (message.isQuit) {
                return message.quitCode;
            }
            ui().dispatchMessage(message);
        }
        return std::nullopt;
    }

    Driver driver;
    ContractWindow window{driver.ui()};
};

TYPED_TEST_SUITE_P(UserInterfaceContract);

TYPED_TEST_P(UserInterfaceContract, RefusedCreationGivesNoWindow) {
    this->window.acceptCreation = false;
    EXPECT_EQ(this->open(), NoWindow);
    EXPECT_NE(this->window.created, NoWindow) << "the procedure heard of the window's making";
    Message message;
    EXPECT_FALSE(this->ui().peekMessage(message, false));
}

TYPED_TEST_P(UserInterfaceContract, QuitIsRecognisedAndStaysQueuedUntilRemoved) {
    ASSERT_NE(this->open(), NoWindow);
    this->ui().postQuit(3);
    Message message;
    for (int look = 0; look < 2; ++look) {
        ASSERT_TRUE(this->ui().peekMessage(message, false));
        EXPECT_TRUE(message.isQuit);
        EXPECT_EQ(message.quitCode, 3);
    }
    ASSERT_TRUE(this->ui().peekMessage(message, true));
    EXPECT_TRUE(message.isQuit);
    EXPECT_EQ(message.quitCode, 3);
    this->ui().dispatchMessage(message); // does nothing
    EXPECT_TRUE(this->window.commands.empty());
    EXPECT_EQ(this->window.destroyed, 0);
    EXPECT_FALSE(this->ui().peekMessage(message, false) && message.isQuit);
}

// A message a look without removing has already seen must still end the wait at once.
TYPED_TEST_P(UserInterfaceContract, WaitingWithAMessageQueuedReturnsAndKeepsIt) {
    ASSERT_NE(this->open(), NoWindow);
    this->ui().postQuit(5);
    Message message;
    ASSERT_TRUE(this->ui().peekMessage(message, false));
    this->ui().waitMessage();
    ASSERT_TRUE(this->ui().peekMessage(message, true));
    EXPECT_TRUE(message.isQuit);
    EXPECT_EQ(message.quitCode, 5);
    EXPECT_FALSE(this->ui().peekMessage(message, false) && message.isQuit) << "no second quit";
}

TYPED_TEST_P(UserInterfaceContract, WaitingWithNothingLeftEndsWhenAMessageComes) {
    ASSERT_NE(this->open(), NoWindow);
    Message message;
    if constexpr (TypeParam::EndsRunWhenIdle) {
        // Nothing can reach the window any more: the front end ends the run itself.
        this->ui().waitMessage();
        ASSERT_TRUE(this->ui().peekMessage(message, true));
        EXPECT_TRUE(message.isQuit);
        EXPECT_EQ(message.quitCode, 0);
    } else {
        this->driver.arrangeLateMessage();
        this->ui().waitMessage();
        EXPECT_TRUE(this->ui().peekMessage(message, false));
    }
}

TYPED_TEST_P(UserInterfaceContract, ClosingReachesTheWindowOnceAndQuitFollows) {
    const WindowId made = this->open();
    ASSERT_NE(made, NoWindow);
    this->driver.close(made);
    EXPECT_EQ(this->quitCode(), 0);
    EXPECT_EQ(this->window.destroyed, 1);

    // The controls went with the window: what still reaches them does nothing.
    this->ui().setText(this->window.fileLabel, "Remapping: done.");
    this->ui().stepProgress(this->window.bar);
    EXPECT_EQ(this->quitCode(), std::nullopt);
    EXPECT_EQ(this->window.destroyed, 1);
}

REGISTER_TYPED_TEST_SUITE_P(UserInterfaceContract, RefusedCreationGivesNoWindow,
                            QuitIsRecognisedAndStaysQueuedUntilRemoved,
                            WaitingWithAMessageQueuedReturnsAndKeepsIt,
                            WaitingWithNothingLeftEndsWhenAMessageComes,
                            ClosingReachesTheWindowOnceAndQuitFollows);

// For the front ends with a button to click: all but the console.
template <typename Driver> class ButtonContract : public UserInterfaceContract<Driver> {};

TYPED_TEST_SUITE_P(ButtonContract);

TYPED_TEST_P(ButtonContract, AClickReachesTheProcedureOnlyWhenDispatched) {
    ASSERT_NE(this->open(), NoWindow);
    this->driver.click(this->window.button);
    Message message;
    for (int look = 0; look < 2; ++look) {
        ASSERT_TRUE(this->ui().peekMessage(message, false));
        EXPECT_FALSE(message.isQuit);
        EXPECT_TRUE(this->window.commands.empty());
    }
    ASSERT_TRUE(this->ui().peekMessage(message, true));
    this->ui().dispatchMessage(message);
    EXPECT_EQ(this->window.commands, std::vector<WindowId>{this->window.button});
    EXPECT_FALSE(this->ui().peekMessage(message, false));
}

TYPED_TEST_P(ButtonContract, MessagesComeOneAtATimeInOrder) {
    ASSERT_NE(this->open(), NoWindow);
    this->driver.click(this->window.button);
    this->driver.click(this->window.button);
    this->ui().postQuit(7);
    Message message;
    for (int click = 0; click < 2; ++click) {
        ASSERT_TRUE(this->ui().peekMessage(message, true));
        EXPECT_FALSE(message.isQuit);
    }
    ASSERT_TRUE(this->ui().peekMessage(message, true));
    EXPECT_TRUE(message.isQuit);
    EXPECT_EQ(message.quitCode, 7);
    EXPECT_TRUE(this->window.commands.empty()) << "nothing was dispatched";
}

REGISTER_TYPED_TEST_SUITE_P(ButtonContract, AClickReachesTheProcedureOnlyWhenDispatched,
                            MessagesComeOneAtATimeInOrder);

} // namespace front_end_contract
