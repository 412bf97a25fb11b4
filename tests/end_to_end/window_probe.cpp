// Looks at the running remapper from another process, the way a user sees it, and ends it
// through its window. The end-to-end run under Wine drives the real program with it.
//
//   window_probe window <timeout-ms> <file label text> close|quit|none
//       Waits until the main window's file label reads the text, prints the window and its
//       controls, then uses the close box, clicks "Quit", or leaves the window as it is.
//   window_probe box <timeout-ms>
//       Waits for a message box, prints its caption and text, and presses its OK button.
//   window_probe version <program>
//       Prints the version a program's file properties show: the fixed file version, then
//       the product version and name.
//   window_probe launch <directory> <program> [argument]
//       Starts the program as Explorer does when a folder or file is dropped on it: the
//       command line is the program and the argument, each in quotes, it starts in
//       <directory>, and it has no standard handles and no console to attach to. Waits for
//       its end and exits with its exit code (125 when it could not be started).
//
// Exit code 0 when the window or box was found and handled, 1 on timeout, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

namespace {

constexpr const char* MainClass = "VaskorRemaper";
constexpr const char* DialogClass = "#32770";
constexpr int TextStatic = 0xFFFF; // the message text's control in a message box
constexpr DWORD PollMs = 50;

std::string textOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string classOf(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

BOOL CALLBACK collectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

// The file label is the second of the two static texts.
bool fileLabelReads(HWND window, const std::string& expected) {
    int labels = 0;
    for (HWND child : childrenOf(window)) {
        if (lstrcmpiA(classOf(child).c_str(), "Static") == 0 && ++labels == 2) {
            return textOf(child) == expected;
        }
    }
    return false;
}

template <typename Found> HWND waitFor(DWORD timeoutMs, Found found) {
    const DWORD start = GetTickCount();
    do {
        if (HWND window = found()) {
            return window;
        }
        Sleep(PollMs);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

void describe(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    RECT client{};
    GetClientRect(window, &client);
    std::printf("window|%s|%s|%ld|%ld|%08lx\n", classOf(window).c_str(), textOf(window).c_str(),
                outer.right - outer.left, outer.bottom - outer.top,
                static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)));
    std::printf("client|%ld|%ld|%d\n", client.right, client.bottom, GetSystemMetrics(SM_CYVSCROLL));
    for (HWND child : childrenOf(window)) {
        RECT place{};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        std::printf("control|%s|%s|%08lx|%ld|%ld|%ld|%ld\n", classOf(child).c_str(),
                    textOf(child).c_str(),
                    static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)), place.left,
                    place.top, place.right - place.left, place.bottom - place.top);
        if (lstrcmpiA(classOf(child).c_str(), "msctls_progress32") == 0) {
            std::printf("progress|%ld|%ld\n",
                        static_cast<long>(SendMessageA(child, PBM_GETPOS, 0, 0)),
                        static_cast<long>(SendMessageA(child, PBM_GETRANGE, FALSE, 0)));
        }
    }
    std::fflush(stdout);
}

int probeWindow(DWORD timeoutMs, const std::string& label, const std::string& action) {
    const HWND window = waitFor(timeoutMs, [&] {
        const HWND found = FindWindowA(MainClass, nullptr);
        return found != nullptr && fileLabelReads(found, label) ? found : nullptr;
    });
    if (window == nullptr) {
        std::fprintf(stderr, "window_probe: no window showing \"%s\"\n", label.c_str());
        return 1;
    }
    describe(window);
    if (action == "none") {
        return 0;
    }
    if (action == "close") {
        // What the close box sends.
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    for (HWND child : childrenOf(window)) {
        if (lstrcmpiA(classOf(child).c_str(), "Button") == 0) {
            // The button presses and releases itself and reports the click to its parent.
            PostMessageA(child, BM_CLICK, 0, 0);
            return 0;
        }
    }
    std::fprintf(stderr, "window_probe: no button\n");
    return 1;
}

int probeBox(DWORD timeoutMs) {
    // A box is found while it is still being made; it is ready once shown.
    const HWND box = waitFor(timeoutMs, [] {
        const HWND found = FindWindowA(DialogClass, nullptr);
        return found != nullptr && IsWindowVisible(found) ? found : nullptr;
    });
    if (box == nullptr) {
        std::fprintf(stderr, "window_probe: no message box\n");
        return 1;
    }
    char text[512] = {};
    GetDlgItemTextA(box, TextStatic, text, sizeof(text));
    std::printf("box|%s|%s\n", textOf(box).c_str(), text);
    std::fflush(stdout);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
}

// One text of the file properties, in the language the program's resource declares.
std::string versionText(const std::vector<char>& info, const char* name) {
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), path.c_str(), &text, &length) || length == 0) {
        return "";
    }
    return static_cast<const char*>(text);
}

int probeVersion(const char* program) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(program, &ignored);
    std::vector<char> info(size);
    void* block = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(program, 0, size, info.data()) ||
        !VerQueryValueA(info.data(), "\\", &block, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
        std::fprintf(stderr, "window_probe: %s has no version information\n", program);
        return 1;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
    std::printf("version|%lu.%lu.%lu.%lu|%s|%s\n",
                static_cast<unsigned long>(HIWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned long>(LOWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned long>(HIWORD(fixed->dwFileVersionLS)),
                static_cast<unsigned long>(LOWORD(fixed->dwFileVersionLS)),
                versionText(info, "ProductVersion").c_str(),
                versionText(info, "ProductName").c_str());
    return 0;
}

// The probe's own words, whole: names from outside the system's code page included.
std::vector<std::wstring> wideArguments() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments(words, words + (words != nullptr ? count : 0));
    LocalFree(words);
    return arguments;
}

int launch(const std::wstring& directory, const std::wstring& program,
           const std::wstring* argument) {
    std::wstring commandLine = L"\"" + program + L"\"";
    if (argument != nullptr) {
        commandLine += L" \"" + *argument + L"\"";
    }
    // The probe's console (if it has one) goes first, so that the program finds none.
    FreeConsole();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // all three left null
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS, nullptr, directory.c_str(), &startup, &started)) {
        return 125;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD code = 125;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return static_cast<int>(code);
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const DWORD timeoutMs = argc > 2 ? static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)) : 0;
    if (mode == "window" && argc == 5) {
        const std::string action = argv[4];
        if (action == "close" || action == "quit" || action == "none") {
            return probeWindow(timeoutMs, argv[3], action);
        }
    }
    if (mode == "box" && argc == 3) {
        return probeBox(timeoutMs);
    }
    if (mode == "version" && argc == 3) {
        return probeVersion(argv[2]);
    }
    if (mode == "launch" && (argc == 4 || argc == 5)) {
        const std::vector<std::wstring> words = wideArguments();
        return launch(words[2], words[3], argc == 5 ? &words[4] : nullptr);
    }
    std::fprintf(stderr, "usage: window_probe window <timeout-ms> <label> close|quit|none\n"
                         "       window_probe box <timeout-ms>\n"
                         "       window_probe version <program>\n"
                         "       window_probe launch <directory> <program> [argument]\n");
    return 2;
}
