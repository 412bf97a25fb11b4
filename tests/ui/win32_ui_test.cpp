// The Windows front end, driven through the interface the application uses and checked
// with the system's own calls: what a user (or another program) sees of the window.
#include "ui/win32/win32_ui.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>

#include "tests/ui/user_interface_contract.h"

namespace ui {
namespace {

using front_end_contract::ContractWindow;

constexpr const char* Title = "Vaskor Skin Remaper";
constexpr int Width = 450;
constexpr int Height = 110;

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
        drain(); // and the quit the procedure posted as the window went
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
    ContractWindow events{ui};
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
        {events.bar,
         "msctls_progress32",
         "",
         0x50000000,
         {0, area.bottom - h, area.right, area.bottom}},
        {events.timeLabel, "Static", "Time remaining:", 0x5000000C, {10, 15, area.right - 70, 30}},
        {events.fileLabel, "Static", "Remapping: ", 0x5000000C, {10, 35, area.right - 70, 55}},
        {events.button, "Button", "Quit", 0x50000000, {area.right - 70, 20, area.right - 10, 50}},
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

    ui.setProgressRange(events.bar, 0, 7);
    ui.setProgressStep(events.bar, 2);
    ui.stepProgress(events.bar);
    ui.stepProgress(events.bar);
    const HWND bar = hwnd(events.bar);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 7);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 4);
    ui.updateWindow(window);
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
} // namespace ui

// The real window: clicks and the close box are the messages the system sends for them.
class Win32FrontEnd {
  public:
    // The window system keeps the thread waiting until a message comes.
    static constexpr bool EndsRunWhenIdle = false;
    ui::UserInterface& ui() { return win32; }
    void close(ui::WindowId window) {
        SendMessageA(reinterpret_cast<HWND>(window), WM_CLOSE, 0, 0);
    }
    void click(ui::WindowId control) {
        PostMessageA(GetParent(reinterpret_cast<HWND>(control)), WM_COMMAND, BN_CLICKED << 16,
                     static_cast<LPARAM>(control));
    }
    // A thread timer: its message comes while the thread waits.
    void arrangeLateMessage() { timer = SetTimer(nullptr, 0, 50, nullptr); }
    // A window a test left open goes, and everything queued with it.
    void endRun(ui::WindowId window) {
        if (timer != 0) {
            KillTimer(nullptr, timer);
        }
        if (IsWindow(reinterpret_cast<HWND>(window))) {
            DestroyWindow(reinterpret_cast<HWND>(window));
        }
        MSG message;
        for (int guard = 0; guard < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
             ++guard) {
        }
    }

  private:
    ui::Win32UserInterface win32;
    UINT_PTR timer = 0;
};

namespace front_end_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, UserInterfaceContract, Win32FrontEnd);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ButtonContract, Win32FrontEnd);
} // namespace front_end_contract
