#include "platform/replacing_file.h"

#include <windows.h>

namespace platform {
namespace {

std::string directoryOf(const std::string& path) {
    const auto separator = path.find_last_of("/\\");
    return separator == std::string::npos ? "." : path.substr(0, separator == 0 ? 1 : separator);
}

// A name no other writer uses at the same moment: the process, the clock and a counter.
std::string temporaryName(const std::string& directory, unsigned attempt) {
    static unsigned counter = 0;
    const unsigned long stamp =
        (GetCurrentProcessId() << 16) ^ GetTickCount() ^ (++counter * 2654435761u) ^ attempt;
    char digits[16];
    wsprintfA(digits, "%06lx", stamp & 0xFFFFFFul);
    return directory + "\\" + TemporaryPrefix + digits + TemporarySuffix;
}

constexpr unsigned TemporaryAttempts = 100;
// Attributes carried over to the replacement; the read-only one refuses the write instead.
constexpr DWORD KeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

} // namespace

ReplacingFile::ReplacingFile(const char* target) : targetPath(target) {
    const DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return;
        }
        mode = static_cast<int>(attributes & KeptAttributes);
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        return;
    }

    const std::string directory = directoryOf(targetPath);
    for (unsigned attempt = 0; attempt < TemporaryAttempts; ++attempt) {
        const std::string name = temporaryName(directory, attempt);
        const HANDLE created = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            temporaryPath = name;
            file = reinterpret_cast<FileHandle>(created);
            return;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return;
        }
    }
}

ReplacingFile::~ReplacingFile() {
    discard();
}

void ReplacingFile::discard() {
    if (file != InvalidFileHandle) {
        CloseHandle(reinterpret_cast<HANDLE>(file));
        file = InvalidFileHandle;
    }
    if (!temporaryPath.empty()) {
        DeleteFileA(temporaryPath.c_str());
        temporaryPath.clear();
    }
}

bool ReplacingFile::commit() {
    if (file == InvalidFileHandle) {
        return false;
    }
    const bool written = FlushFileBuffers(reinterpret_cast<HANDLE>(file)) != FALSE;
    const bool closed = CloseHandle(reinterpret_cast<HANDLE>(file)) != FALSE;
    file = InvalidFileHandle;
    const bool moved = written && closed &&
                       MoveFileExA(temporaryPath.c_str(), targetPath.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!moved) {
        const DWORD error = GetLastError();
        discard();
        SetLastError(error);
        return false;
    }
    temporaryPath.clear();
    if (mode != 0) {
        SetFileAttributesA(targetPath.c_str(), static_cast<DWORD>(mode));
    }
    return true;
}

} // namespace platform
