#include "platform/process.h"

#include <algorithm>

#include <windows.h>

namespace platform {

int processorCount() {
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) == FALSE) {
        return 1;
    }
    int count = 0;
    for (; process != 0; process &= process - 1) {
        ++count;
    }
    return std::max(1, count);
}

// Windows counts handles in the millions; the C runtime's own limit does not apply to them.
int openFilesLeft() {
    return 1 << 20;
}

std::string currentDirectory() {
    // The first call asks for the size including the terminator; the directory may change
    // between the calls, so try again when it grew.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD needed = GetCurrentDirectoryA(0, nullptr);
        if (needed == 0) {
            return {};
        }
        std::string directory(needed, '\0');
        const DWORD length = GetCurrentDirectoryA(needed, directory.data());
        if (length == 0) {
            return {};
        }
        if (length < needed) {
            directory.resize(length);
            return directory;
        }
    }
    return {};
}

std::string programDirectory() {
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) {
        return {};
    }
    std::string directory(path, length);
    const auto separator = directory.find_last_of("\\/");
    return separator == std::string::npos ? std::string{} : directory.substr(0, separator);
}

bool debuggerAttached() {
    return IsDebuggerPresent() != FALSE;
}

void breakIntoDebugger() {
    if (debuggerAttached()) {
        DebugBreak();
    }
}

void endProcess(int exitCode) {
    ExitProcess(static_cast<UINT>(exitCode));
}

} // namespace platform
