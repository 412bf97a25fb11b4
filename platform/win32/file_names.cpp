#include "platform/file_names.h"

#include <windows.h>

namespace platform {
namespace {

constexpr unsigned NameAttempts = 100;
// Attributes carried over to the replacement; a read-only one refuses the write before.
constexpr DWORD KeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// A name no other writer uses at the same moment: the process, the clock and a counter.
std::string uniqueName(const std::string& directory, const char* prefix, const char* suffix,
                       unsigned attempt) {
    static unsigned counter = 0;
    const unsigned long stamp =
        (GetCurrentProcessId() << 16) ^ GetTickCount() ^ (++counter * 2654435761u) ^ attempt;
    char digits[16];
    wsprintfA(digits, "%06lx", stamp & 0xFFFFFFul);
    return directory + "\\" + prefix + digits + suffix;
}

// ReplaceFile works in the replaced file's directory, and some implementations find none in
// a bare file name. The name stays relative: a full path in the code page would lose the
// letters of a folder named outside it.
std::string withDirectory(const std::string& path) {
    return path.find_first_of("/\\") == std::string::npos ? ".\\" + path : path;
}

} // namespace

// Made without sharing: nobody else can open or delete it while it is open.
FileHandle createUniqueFile(const std::string& directory, const char* prefix, const char* suffix,
                            std::string& path) {
    for (unsigned attempt = 0; attempt < NameAttempts; ++attempt) {
        const std::string name = uniqueName(directory, prefix, suffix, attempt);
        const HANDLE created = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            path = name;
            return reinterpret_cast<FileHandle>(created);
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    return InvalidFileHandle;
}

NameSwap exchangeNames(const std::string&, const std::string&) {
    return NameSwap::Unsupported;
}

NewName renameToFreeName(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE) {
        return NewName::Renamed;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? NewName::Taken
                                                                       : NewName::Failed;
}

// ReplaceFile keeps the replaced file's security descriptor, attributes and creation time;
// the attributes we keep are set once more, so that they hold wherever it lets them go.
bool replaceName(const std::string& from, const std::string& to) {
    const DWORD attributes = GetFileAttributesA(to.c_str());
    if (ReplaceFileA(withDirectory(to).c_str(), from.c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) == FALSE) {
        return false;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & KeptAttributes) != 0) {
        SetFileAttributesA(to.c_str(), attributes & KeptAttributes);
    }
    return true;
}

bool removeName(const std::string& path) {
    const DWORD error = GetLastError();
    const bool removed = DeleteFileA(path.c_str()) != FALSE;
    SetLastError(error);
    return removed;
}

} // namespace platform
