#include "ui/win32/win32_ui.h"

#include <cstring>
#include <utility>

#include <windows.h>

#include <commctrl.h>

namespace ui {
namespace {

// The icon resources the executable carries: the class icon and the small class icon.
constexpr WORD ClassIconId = 1;
constexpr WORD SmallIconId = 2;

static_assert(sizeof(MSG) <= sizeof(Message::native), "a Windows message must fit the record");
// The class record the program was laid out with is the 32-bit one: 48 bytes.
static_assert(sizeof(void*) != 4 || sizeof(WNDCLASSEXA) == 48);
static_assert(alignof(MSG) <= alignof(std::max_align_t));

// The events of the window being created. The window procedure takes them over in
// WM_CREATE and keeps them with the window; the creation call itself passes no data.
thread_local WindowEvents* creatingEvents = nullptr;

HWND native(WindowId window) {
    return reinterpret_cast<HWND>(window);
}

WindowId ours(HWND window) {
    return reinterpret_cast<WindowId>(window);
}

HINSTANCE instance() {
    return GetModuleHandleA(nullptr);
}

WindowEvents* eventsOf(HWND window) {
    return reinterpret_cast<WindowEvents*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT onCreate(HWND window) {
    WindowEvents* events = std::exchange(creatingEvents, nullptr);
    if (events == nullptr) {
        return -1;
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(events));
    return events->onCreate(ours(window)) ? 0 : -1;
}

LRESULT onDestroy(HWND window) {
    if (WindowEvents* events = eventsOf(window)) {
        // The window is going: nothing may reach these events through it any more.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        events->onDestroy();
    }
    return 0;
}

LRESULT onCommand(HWND window, LPARAM source) {
    if (WindowEvents* events = eventsOf(window)) {
        events->onCommand(static_cast<WindowId>(source));
    }
    return 0;
}

// Only dispatches; what the messages mean is the application's business.
LRESULT CALLBACK mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_DESTROY:
        return onDestroy(window);
    case WM_COMMAND:
        return onCommand(window, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool registerMainClass(HINSTANCE module) {
    WNDCLASSEXA record{};
    record.cbSize = sizeof(record);
    record.style = CS_HREDRAW | CS_VREDRAW;
    record.lpfnWndProc = mainWndProc;
    record.cbClsExtra = 0;
    record.cbWndExtra = 0;
    record.hInstance = module;
    record.hIcon = LoadIconA(module, MAKEINTRESOURCEA(ClassIconId));
    record.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    record.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
    record.lpszMenuName = nullptr;
    record.lpszClassName = MainClassName;
    record.hIconSm = LoadIconA(module, MAKEINTRESOURCEA(SmallIconId));
    return RegisterClassExA(&record) != 0;
}

// A process registers its class once, however many windows it makes.
bool mainClassRegistered() {
    static const bool registered = registerMainClass(instance());
    return registered;
}

struct ControlClass {
    const char* name;
    DWORD style;
};

ControlClass controlClass(ControlKind kind) {
    switch (kind) {
    case ControlKind::ProgressBar:
        return {PROGRESS_CLASSA, WS_CHILD | WS_VISIBLE};
    case ControlKind::Label:
        return {"STATIC", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP};
    case ControlKind::Button:
        break;
    }
    return {"BUTTON", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON};
}

UINT messageBoxStyle(MessageIcon icon, MessageButtons buttons) {
    const UINT iconStyle = icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    // The only box with a choice is the fatal assertion report: it must come to the front
    // and hold up the whole program, whichever window has the focus.
    const UINT buttonStyle = buttons == MessageButtons::RetryCancel
                                 ? MB_RETRYCANCEL | MB_TASKMODAL | MB_SETFOREGROUND
                                 : MB_OK;
    return iconStyle | buttonStyle;
}

MessageResult showBox(HWND owner, const char* caption, const char* text, MessageIcon icon,
                      MessageButtons buttons) {
    const int answer = MessageBoxA(owner, text, caption, messageBoxStyle(icon, buttons));
    if (buttons == MessageButtons::Ok) {
        return MessageResult::Ok;
    }
    // A box that could not be shown counts as declined.
    return answer == IDRETRY ? MessageResult::Retry : MessageResult::Cancel;
}

MessageResult systemMessageBox(const char* caption, const char* text, MessageIcon icon,
                               MessageButtons buttons) {
    return showBox(nullptr, caption, text, icon, buttons);
}

} // namespace

Win32UserInterface::Win32UserInterface()
    : previousHandler(setMessageBoxHandler(systemMessageBox)), thread(GetCurrentThreadId()) {
    InitCommonControls();
}

Win32UserInterface::~Win32UserInterface() {
    setMessageBoxHandler(previousHandler);
}

WindowId Win32UserInterface::createMainWindow(const char* title, int width, int height,
                                              WindowEvents& events) {
    if (!mainClassRegistered()) {
        return NoWindow;
    }
    creatingEvents = &events;
    const HWND window =
        CreateWindowExA(0, MainClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        width, height, nullptr, nullptr, instance(), nullptr);
    creatingEvents = nullptr;
    return ours(window);
}

void Win32UserInterface::showWindow(WindowId window) {
    ShowWindow(native(window), SW_SHOW);
}

void Win32UserInterface::updateWindow(WindowId window) {
    UpdateWindow(native(window));
}

Rect Win32UserInterface::clientRect(WindowId window) {
    RECT area{};
    GetClientRect(native(window), &area);
    return {area.left, area.top, area.right, area.bottom};
}

int Win32UserInterface::scrollArrowHeight() {
    return GetSystemMetrics(SM_CYVSCROLL);
}

WindowId Win32UserInterface::createControl(WindowId parent, ControlKind kind, const char* text,
                                           int x, int y, int width, int height) {
    const ControlClass control = controlClass(kind);
    return ours(CreateWindowExA(0, control.name, text, control.style, x, y, width, height,
                                native(parent), nullptr, instance(), nullptr));
}

bool Win32UserInterface::peekMessage(Message& message, bool remove) {
    MSG taken{};
    if (PeekMessageA(&taken, nullptr, 0, 0, remove ? PM_REMOVE : PM_NOREMOVE) == FALSE) {
        return false;
    }
    message.isQuit = taken.message == WM_QUIT;
    message.quitCode = message.isQuit ? static_cast<int>(taken.wParam) : 0;
    std::memcpy(message.native.data(), &taken, sizeof(taken));
    return true;
}

void Win32UserInterface::dispatchMessage(const Message& message) {
    MSG taken{};
    std::memcpy(&taken, message.native.data(), sizeof(taken));
    TranslateMessage(&taken);
    DispatchMessageA(&taken);
}

void Win32UserInterface::postQuit(int exitCode) {
    PostQuitMessage(exitCode);
}

void Win32UserInterface::waitMessage() {
    // WaitMessage sleeps until a message arrives that nobody has looked at yet; one that a
    // peek without removing already saw would not wake it, so check the queue first.
    MSG waiting{};
    if (PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE) != FALSE) {
        return;
    }
    WaitMessage();
}

void Win32UserInterface::wake() {
    PostThreadMessageA(thread, WM_NULL, 0, 0);
}

void Win32UserInterface::setText(WindowId control, const char* text) {
    SendMessageA(native(control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void Win32UserInterface::setProgressRange(WindowId bar, int minimum, int maximum) {
    SendMessageA(native(bar), PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
}

void Win32UserInterface::setProgressStep(WindowId bar, int step) {
    SendMessageA(native(bar), PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void Win32UserInterface::stepProgress(WindowId bar) {
    SendMessageA(native(bar), PBM_STEPIT, 0, 0);
}

MessageResult Win32UserInterface::messageBox(WindowId owner, const char* caption, const char* text,
                                             MessageIcon icon, MessageButtons buttons) {
    return showBox(native(owner), caption, text, icon, buttons);
}

} // namespace ui
