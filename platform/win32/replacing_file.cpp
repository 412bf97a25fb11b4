#include "platform/replacing_file.h"

#include <windows.h>

#include "platform/stale_temporaries.h"
#include "platform/temporary_lock.h"
#include "platform/win32/file_identity.h"

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

// ReplaceFile works in the replaced file's directory, and some implementations find none in
// a bare file name. The name stays relative: a full path in the code page would lose the
// letters of a folder named outside it.
std::string withDirectory(const std::string& path) {
    return path.find_first_of("/\\") == std::string::npos ? ".\\" + path : path;
}

constexpr unsigned TemporaryAttempts = 100;
// Attributes carried over to the replacement; the read-only one refuses the write instead.
constexpr DWORD KeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

} // namespace

void ReplacingFile::start() {
    if (replacing) {
        if (!original.isOpen()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return;
        }
        if ((GetFileAttributesA(original.path().c_str()) & FILE_ATTRIBUTE_READONLY) != 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return;
        }
        targetPath = original.path();
    }
    createTemporary(directoryOf(replacing ? targetPath : original.name()));
}

// Where a run writes, it first clears away what runs killed there before it left.
void ReplacingFile::createTemporary(const std::string& directory) {
    removeStaleTemporariesOnce(directory.c_str());
    for (unsigned attempt = 0; attempt < TemporaryAttempts; ++attempt) {
        const std::string name = temporaryName(directory, attempt);
        OwnedFile created(reinterpret_cast<FileHandle>(CreateFileA(
            name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)));
        if (created.isOpen() && holdTemporary(created.get(), name)) {
            temporaryPath = name;
            temporary = std::move(created);
            return;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return;
        }
    }
}

void ReplacingFile::discard() {
    const DWORD error = GetLastError();
    temporary.close();
    if (!temporaryPath.empty()) {
        DeleteFileA(temporaryPath.c_str());
        temporaryPath.clear();
    }
    SetLastError(error);
}

bool ReplacingFile::finish() {
    return temporary.isOpen();
}

// Both files must be closed for the swap: the temporary is opened without sharing, and the
// original without sharing its deletion.
CommitResult ReplacingFile::place() {
    if (!temporary.isOpen()) {
        return CommitResult::Failed;
    }
    if (!temporary.close()) {
        discard();
        return CommitResult::Failed;
    }
    const CommitResult result = putInPlace();
    discard();
    return result;
}

std::string ReplacingFile::directory() const {
    return directoryOf(targetPath);
}

// The original, held open since it was read, could not change meanwhile; it is let go only
// now, and looked at once more by its name just before it is replaced. The window left is
// that last instant. ReplaceFile keeps the original's security descriptor, attributes and
// creation time.
CommitResult ReplacingFile::putInPlace() {
    if (!replacing) {
        if (MoveFileExA(temporaryPath.c_str(), targetPath.c_str(), MOVEFILE_WRITE_THROUGH) ==
            FALSE) {
            const DWORD error = GetLastError();
            return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS
                       ? CommitResult::TargetChanged
                       : CommitResult::Failed;
        }
        temporaryPath.clear();
        return CommitResult::Replaced;
    }
    original.close();
    const auto now = win32::identityAt(targetPath);
    if (!now || *now != original.identity()) {
        return CommitResult::TargetChanged;
    }
    const DWORD attributes = GetFileAttributesA(targetPath.c_str());
    if (ReplaceFileA(withDirectory(targetPath).c_str(), temporaryPath.c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) == FALSE) {
        return CommitResult::Failed;
    }
    temporaryPath.clear();
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & KeptAttributes) != 0) {
        SetFileAttributesA(targetPath.c_str(), attributes & KeptAttributes);
    }
    return CommitResult::Replaced;
}

} // namespace platform
