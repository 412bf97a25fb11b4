// The Windows front end, driven through the interface the application uses and checked
// with the system's own calls: what a user (or another program) sees of the window.
#include "platform/win32/win32_ui.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>

namespace platform {
namespace {

constexpr const char* Title = "Vaskor Skin Remaper";
constexpr int Width = 450;
constexpr int Height = 110;

// The application's window procedure in miniature: it makes the four controls the way the
// remapper does and records what reaches it.
class RecordingEvents final : public WindowEvents {
  public:
    RecordingEvents(UserInterface& ui, bool accept) : ui(ui), accept(accept) {}

    bool onCreate(WindowId window) override {
        created = window;
        if (!accept) {
            return false;
        }
        const int h = ui.scrollArrowHeight();
        const Rect area = ui.clientRect(window);
        progressBar = ui.createControl(window, ControlKind::ProgressBar, nullptr, area.left,
                                       area.bottom - h, area.right, h);
        timeLabel = ui.createControl(window, ControlKind::Label, "Time remaining:", area.left + 10,
                                     15, area.right - 80, 15);
        fileLabel = ui.createControl(window, ControlKind::Label, "Remapping: ", area.left + 10, 35,
                                     area.right - 80, 20);
        quitButton =
            ui.createControl(window, ControlKind::Button, "Quit", area.right - 70, 20, 60, 30);
        return true;
    }
    void onCommand(WindowId source) override { commands.push_back(source); }
    void onDestroy() override { ++destroyed; }

    UserInterface& ui;
    bool accept;
    WindowId created = NoWindow;
    WindowId progressBar = NoWindow;
    WindowId timeLabel = NoWindow;
    WindowId fileLabel = NoWindow;
    WindowId quitButton = NoWindow;
    std::vector<WindowId> commands;
    int destroyed = 0;
};

HWND hwnd(WindowId window) {
    return reinterpret_cast<HWND>(window);
}

std::string classOf(WindowId window) {
    char name[64] = {};
    GetClassNameA(hwnd(window), name, sizeof(name));
    return name;
}

std::string textOf(WindowId window) {
    char text[256] = {};
    GetWindowTextA(hwnd(window), text, sizeof(text));
    return text;
}

DWORD styleOf(WindowId window) {
    return static_cast<DWORD>(GetWindowLongA(hwnd(window), GWL_STYLE));
}

// Where a control sits, in its parent's client coordinates.
RECT placeOf(WindowId control) {
    RECT place{};
    GetWindowRect(hwnd(control), &place);
    MapWindowPoints(nullptr, GetParent(hwnd(control)), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

class Win32UiTest : public testing::Test {
  protected:
    void SetUp() override {
        window = ui.createMainWindow(Title, Width, Height, events);
        ASSERT_NE(window, NoWindow);
        ui.showWindow(window);
        drain();
    }
    void TearDown() override {
        if (IsWindow(hwnd(window))) {
            DestroyWindow(hwnd(window));
        }
        // The procedure's stand-in does not post quit when destroyed, but a test may have.
        drain();
    }

    // Handles everything queued so far, leaving the queue empty.
    void drain() {
        Message message;
        for (int guard = 0; guard < 1000 && ui.peekMessage(message, true); ++guard) {
            if (!message.isQuit) {
                ui.dispatchMessage(message);
            }
        }
    }

    Win32UserInterface ui;
    RecordingEvents events{ui, true};
    WindowId window = NoWindow;
};

TEST_F(Win32UiTest, MainWindowHasTheClassTitleSizeAndStyle) {
    EXPECT_EQ(events.created, window);
    EXPECT_EQ(classOf(window), "VaskorRemaper");
    EXPECT_EQ(textOf(window), Title);
    RECT outer{};
    GetWindowRect(hwnd(window), &outer);
    EXPECT_EQ(outer.right - outer.left, Width);
    EXPECT_EQ(outer.bottom - outer.top, Height);
    EXPECT_EQ(styleOf(window) & WS_OVERLAPPEDWINDOW, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
    EXPECT_TRUE(IsWindowVisible(hwnd(window)));

    const Rect area = ui.clientRect(window);
    RECT expected{};
    GetClientRect(hwnd(window), &expected);
    EXPECT_EQ(area.right, expected.right);
    EXPECT_EQ(area.bottom, expected.bottom);
    EXPECT_EQ(ui.scrollArrowHeight(), GetSystemMetrics(SM_CYVSCROLL));
}

TEST_F(Win32UiTest, ClassRecordCarriesIconsCursorAndBackground) {
    WNDCLASSEXA record{};
    record.cbSize = sizeof(record);
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "VaskorRemaper", &record));
    EXPECT_EQ(record.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(record.cbClsExtra, 0);
    EXPECT_EQ(record.cbWndExtra, 0);
    EXPECT_EQ(record.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_MENU + 1));
    EXPECT_EQ(record.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(record.lpszMenuName, nullptr);

    // This test program links the executable's icon resources.
    for (HICON icon : {record.hIcon, record.hIconSm}) {
        ICONINFO info{};
        ASSERT_TRUE(icon != nullptr && GetIconInfo(icon, &info));
        BITMAP mask{};
        GetObjectA(info.hbmMask, sizeof(mask), &mask);
        EXPECT_EQ(mask.bmWidth, 32);
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
    }
}

TEST_F(Win32UiTest, ControlsHaveTheirClassesTextsStylesAndPlaces) {
    const Rect area = ui.clientRect(window);
    const int h = GetSystemMetrics(SM_CYVSCROLL);
    struct Expected {
        WindowId control;
        const char* className;
        const char* text;
        DWORD style;
        RECT place;
    };
    const Expected table[] = {
        {events.progressBar,
         "msctls_progress32",
         "",
         0x50000000,
         {0, area.bottom - h, area.right, area.bottom}},
        {events.timeLabel, "Static", "Time remaining:", 0x5000000C, {10, 15, area.right - 70, 30}},
        {events.fileLabel, "Static", "Remapping: ", 0x5000000C, {10, 35, area.right - 70, 55}},
        {events.quitButton,
         "Button",
         "Quit",
         0x50000000,
         {area.right - 70, 20, area.right - 10, 50}},
    };
    for (const Expected& expected : table) {
        SCOPED_TRACE(expected.text);
        ASSERT_NE(expected.control, NoWindow);
        EXPECT_EQ(GetParent(hwnd(expected.control)), hwnd(window));
        EXPECT_STRCASEEQ(classOf(expected.control).c_str(), expected.className);
        EXPECT_EQ(textOf(expected.control), expected.text);
        // Only the style bits we asked for: the system adds none that matter here.
        EXPECT_EQ(styleOf(expected.control) & 0xFFFF00FFu, expected.style);
        EXPECT_EQ(GetWindowLongA(hwnd(expected.control), GWL_ID), 0);
        const RECT place = placeOf(expected.control);
        EXPECT_EQ(place.left, expected.place.left);
        EXPECT_EQ(place.top, expected.place.top);
        EXPECT_EQ(place.right, expected.place.right);
        EXPECT_EQ(place.bottom, expected.place.bottom);
    }
}

TEST_F(Win32UiTest, TextsAndProgressReachTheControls) {
    ui.setText(events.fileLabel, "Remapping: skin01.bmp");
    EXPECT_EQ(textOf(events.fileLabel), "Remapping: skin01.bmp");
    ui.setText(NoWindow, "nowhere"); // has no effect, and does no harm

    ui.setProgressRange(events.progressBar, 0, 7);
    ui.setProgressStep(events.progressBar, 2);
    ui.stepProgress(events.progressBar);
    ui.stepProgress(events.progressBar);
    const HWND bar = hwnd(events.progressBar);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 7);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 4);
    ui.updateWindow(window);
}

TEST_F(Win32UiTest, PeekWithoutRemovingLeavesTheMessageForDispatch) {
    PostMessageA(hwnd(window), WM_COMMAND, BN_CLICKED << 16,
                 static_cast<LPARAM>(events.quitButton));
    Message message;
    for (int look = 0; look < 2; ++look) {
        ASSERT_TRUE(ui.peekMessage(message, false));
        EXPECT_FALSE(message.isQuit);
        EXPECT_TRUE(events.commands.empty());
    }
    ASSERT_TRUE(ui.peekMessage(message, true));
    ui.dispatchMessage(message);
    ASSERT_EQ(events.commands.size(), 1u);
    EXPECT_EQ(events.commands[0], events.quitButton);
    EXPECT_FALSE(ui.peekMessage(message, false));
}

TEST_F(Win32UiTest, QuitIsRecognisedAndStaysQueuedUntilRemoved) {
    ui.postQuit(3);
    Message message;
    for (int look = 0; look < 2; ++look) {
        ASSERT_TRUE(ui.peekMessage(message, false));
        EXPECT_TRUE(message.isQuit);
        EXPECT_EQ(message.quitCode, 3);
    }
    ASSERT_TRUE(ui.peekMessage(message, true));
    EXPECT_TRUE(message.isQuit);
    EXPECT_FALSE(ui.peekMessage(message, false) && message.isQuit);
}

TEST_F(Win32UiTest, WaitReturnsAtOnceWhenAMessageIsQueued) {
    PostMessageA(hwnd(window), WM_NULL, 0, 0);
    Message message;
    ASSERT_TRUE(ui.peekMessage(message, false));
    // Should waiting miss the message, this timer still ends the wait, late.
    const UINT_PTR timer = SetTimer(nullptr, 0, 3000, nullptr);
    const DWORD start = GetTickCount();
    ui.waitMessage();
    EXPECT_LT(GetTickCount() - start, 1500u);
    KillTimer(nullptr, timer);
}

TEST_F(Win32UiTest, ClosingTheWindowReachesOnDestroyOnce) {
    SendMessageA(hwnd(window), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd(window)));
    EXPECT_EQ(events.destroyed, 1);
}

TEST(Win32UiCreation, RefusedCreationGivesNoWindow) {
    Win32UserInterface ui;
    RecordingEvents events{ui, false};
    EXPECT_EQ(ui.createMainWindow(Title, Width, Height, events), NoWindow);
    EXPECT_NE(events.created, NoWindow);
}

TEST(Win32UiCreation, MessageBoxesGoToTheSystemWhileTheFrontEndLives) {
    const MessageBoxHandler before = setMessageBoxHandler(nullptr);
    {
        Win32UserInterface ui;
        const MessageBoxHandler installed = setMessageBoxHandler(nullptr);
        EXPECT_NE(installed, nullptr);
        EXPECT_NE(installed, consoleMessageBox);
        setMessageBoxHandler(installed);
    }
    EXPECT_EQ(setMessageBoxHandler(before), nullptr);
}

// Answers the next message box with the given button, once it shows, and records what the
// box showed. A thread timer runs inside the box's own message loop.
struct BoxAnswer {
    int button = 0;
    std::string caption;
    std::string text;
    std::vector<int> buttons;
};
BoxAnswer* pendingAnswer = nullptr;

void CALLBACK answerBox(HWND, UINT, UINT_PTR timer, DWORD) {
    // "#32770" is the class of dialog boxes, message boxes among them.
    HWND box = FindWindowA("#32770", nullptr);
    if (box == nullptr || pendingAnswer == nullptr) {
        return;
    }
    KillTimer(nullptr, timer);
    char text[256] = {};
    GetWindowTextA(box, text, sizeof(text));
    pendingAnswer->caption = text;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    pendingAnswer->text = text;
    for (int button : {IDOK, IDCANCEL, IDRETRY}) {
        if (GetDlgItem(box, button) != nullptr) {
            pendingAnswer->buttons.push_back(button);
        }
    }
    PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(pendingAnswer->button), 0);
}

TEST_F(Win32UiTest, MessageBoxesShowTheirTextsAndReportTheAnswer) {
    struct Case {
        MessageButtons buttons;
        int pressed;
        MessageResult result;
        std::vector<int> shown;
    };
    const Case cases[] = {
        {MessageButtons::Ok, IDOK, MessageResult::Ok, {IDOK}},
        {MessageButtons::RetryCancel, IDRETRY, MessageResult::Retry, {IDCANCEL, IDRETRY}},
        {MessageButtons::RetryCancel, IDCANCEL, MessageResult::Cancel, {IDCANCEL, IDRETRY}},
    };
    for (const Case& test : cases) {
        BoxAnswer answer;
        answer.button = test.pressed;
        pendingAnswer = &answer;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, answerBox);
        EXPECT_EQ(ui.messageBox(window, "Error", "Can't write file: a.bmp", MessageIcon::Error,
                                test.buttons),
                  test.result);
        KillTimer(nullptr, timer);
        pendingAnswer = nullptr;
        EXPECT_EQ(answer.caption, "Error");
        EXPECT_EQ(answer.text, "Can't write file: a.bmp");
        EXPECT_EQ(answer.buttons, test.shown);
    }
}

} // namespace
} // namespace platform
