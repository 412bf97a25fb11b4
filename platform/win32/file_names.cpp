#include "platform/file_names.h"

#include <windows.h>

#include "platform/file_probes.h"

namespace platform {
namespace {

constexpr unsigned NameAttempts = 100;
// Attributes carried over to the replacement; a read-only one refuses the write before.
constexpr DWORD KeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// A name no other writer uses at the same moment: the process, the clock and a counter.
std::string uniqueName(const char* prefix, const char* suffix, unsigned attempt) {
    static unsigned counter = 0;
    const unsigned long stamp =
        (GetCurrentProcessId() << 16) ^ GetTickCount() ^ (++counter * 2654435761u) ^ attempt;
    char digits[16];
    wsprintfA(digits, "%06lx", stamp & 0xFFFFFFul);
    return std::string(prefix) + digits + suffix;
}

// ReplaceFile works in the replaced file's directory, and some implementations find none in
// a bare file name. The name stays relative: a full path in the code page would lose the
// letters of a folder named outside it.
std::string withDirectory(const std::string& path) {
    return path.find_first_of("/\\") == std::string::npos ? ".\\" + path : path;
}

// A rename the tests' build of the file layer may refuse, as the system would.
bool renameRefused() {
    if (const auto refusal = file_probes::renameRefusal()) {
        setLastFileError(*refusal);
        return true;
    }
    return false;
}

} // namespace

// Made without sharing: nobody else can open or delete it while it is open.
FileHandle createUniqueFile(const HeldFolder& folder, const char* prefix, const char* suffix,
                            std::string& name) {
    for (unsigned attempt = 0; attempt < NameAttempts; ++attempt) {
        const std::string candidate = uniqueName(prefix, suffix, attempt);
        const HANDLE created = CreateFileA(folder.pathOf(candidate).c_str(), GENERIC_WRITE, 0,
                                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            name = candidate;
            return reinterpret_cast<FileHandle>(created);
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    return InvalidFileHandle;
}

NameSwap exchangeNames(const HeldFolder&, const std::string&, const std::string&) {
    return NameSwap::Unsupported;
}

NewName renameToFreeName(const HeldFolder& folder, const std::string& from, const std::string& to) {
    if (renameRefused()) {
        return NewName::Failed;
    }
    if (MoveFileExA(folder.pathOf(from).c_str(), folder.pathOf(to).c_str(),
                    MOVEFILE_WRITE_THROUGH) != FALSE) {
        return NewName::Renamed;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? NewName::Taken
                                                                       : NewName::Failed;
}

// ReplaceFile keeps the replaced file's security descriptor, attributes and creation time;
// the attributes we keep are set once more, so that they hold wherever it lets them go.
bool replaceName(const HeldFolder& folder, const std::string& fromName, const std::string& toName) {
    if (renameRefused()) {
        return false;
    }
    const std::string from = folder.pathOf(fromName);
    const std::string to = folder.pathOf(toName);
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

bool removeName(const HeldFolder& folder, const std::string& name) {
    const DWORD error = GetLastError();
    const bool removed = DeleteFileA(folder.pathOf(name).c_str()) != FALSE;
    SetLastError(error);
    return removed;
}

} // namespace platform
