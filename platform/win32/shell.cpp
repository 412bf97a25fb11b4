#include "platform/shell.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// Owns what CommandLineToArgvW hands out.
struct LocalMemory {
    explicit LocalMemory(wchar_t** words) : words(words) {}
    ~LocalMemory() { LocalFree(words); }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    wchar_t** words;
};

// Writes to a console as wide text, which shows every character whatever the console's
// code page; to a file or pipe as UTF-8.
bool writeTo(HANDLE target, const std::string& text) {
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(target, &mode) != FALSE) {
        const std::wstring wide = wideFromUtf8(text);
        return WriteConsoleW(target, wide.data(), static_cast<DWORD>(wide.size()), &written,
                             nullptr) != FALSE;
    }
    return WriteFile(target, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) !=
               FALSE &&
           written == text.size();
}

// A handle the program was given for its output (a redirection, a pipe), if any: a
// windowed program started from Explorer or a plain command prompt has none.
HANDLE givenHandle(Answer kind) {
    const HANDLE handle =
        GetStdHandle(kind == Answer::Error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        GetFileType(handle) == FILE_TYPE_UNKNOWN) {
        return nullptr;
    }
    return handle;
}

// The console of the command prompt that started the program. The prompt does not wait
// for a windowed program and has already printed its next prompt, so the text starts on a
// line of its own.
bool writeToParentConsole(const std::string& text) {
    if (AttachConsole(ATTACH_PARENT_PROCESS) == FALSE) {
        return false;
    }
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    bool written = false;
    if (console != INVALID_HANDLE_VALUE) {
        written = writeTo(console, "\n" + text);
        CloseHandle(console);
    }
    FreeConsole();
    return written;
}

} // namespace

std::vector<std::string> programArguments(int, char**) {
    int count = 0;
    const LocalMemory words(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> arguments;
    for (int i = 1; words.words != nullptr && i < count; ++i) {
        arguments.push_back(utf8FromWide(words.words[i]));
    }
    return arguments;
}

void answerUser(const std::string& text, Answer kind, const char* caption) {
    if (const HANDLE given = givenHandle(kind); given != nullptr && writeTo(given, text)) {
        return;
    }
    if (writeToParentConsole(text)) {
        return;
    }
    const UINT icon = kind == Answer::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBoxW(nullptr, wideFromUtf8(text).c_str(), wideFromUtf8(caption).c_str(), MB_OK | icon);
}

} // namespace platform
