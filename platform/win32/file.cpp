#include "platform/file.h"

#include <windows.h>

#include "platform/file_probes.h"

namespace platform {
namespace {

HANDLE native(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

FileHandle ours(HANDLE file) {
    return reinterpret_cast<FileHandle>(file);
}

FileHandle create(const char* name, DWORD access, DWORD sharing, DWORD disposition) {
    file_probes::onCall();
    if (const auto refusal = file_probes::openRefusal()) {
        setLastFileError(*refusal);
        return InvalidFileHandle;
    }
    return ours(
        CreateFileA(name, access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

// Only a file on a disk is read: a pipe or a device (CON, a serial port) may block or
// never end. CreateFileA refuses a directory itself, as access denied; it is told apart.
FileHandle openForRead(const char* name) {
    const FileHandle file = create(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == InvalidFileHandle) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesA(name);
        const bool directory =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        SetLastError(error == ERROR_ACCESS_DENIED && directory ? ERROR_BAD_FILE_TYPE : error);
        return file;
    }
    if (GetFileType(native(file)) != FILE_TYPE_DISK) {
        CloseHandle(native(file));
        SetLastError(ERROR_BAD_FILE_TYPE);
        return InvalidFileHandle;
    }
    return file;
}

FileHandle createForWrite(const char* name) {
    return create(name, GENERIC_WRITE, 0, CREATE_ALWAYS);
}

FileHandle openOrCreate(const char* name) {
    return create(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
}

bool readFile(FileHandle file, void* data, std::int32_t size, std::int32_t& count) {
    file_probes::onCall();
    count = 0;
    if (size < 0) {
        SetLastError(ERROR_INVALID_ACCESS);
        return false;
    }
    DWORD got = 0;
    const BOOL ok = ReadFile(native(file), data, static_cast<DWORD>(size), &got, nullptr);
    count = static_cast<std::int32_t>(got);
    return ok != FALSE;
}

bool writeFile(FileHandle file, const void* data, std::int32_t size, std::int32_t& count) {
    file_probes::onCall();
    count = 0;
    if (size < 0) {
        SetLastError(ERROR_INVALID_ACCESS);
        return false;
    }
    // WriteFile may take fewer bytes than asked (a pipe, a nearly full device); the rest
    // goes in further calls.
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (count < size) {
        const auto chunk = file_probes::writeAllowance(size - count);
        if (!chunk) {
            SetLastError(ERROR_HANDLE_DISK_FULL);
            return false;
        }
        DWORD put = 0;
        if (WriteFile(native(file), bytes + count, static_cast<DWORD>(*chunk), &put, nullptr) ==
            FALSE) {
            return false;
        }
        if (put == 0) {
            break; // taking nothing, it would take nothing again: the short count says so
        }
        count += static_cast<std::int32_t>(put);
        file_probes::onWritten(put);
    }
    return true;
}

// Windows gathers only into unbuffered files, in whole pages: each piece is its own write.
bool writeFileGathered(FileHandle file, const WritePiece* pieces, std::int32_t pieceCount,
                       std::int32_t& count) {
    count = 0;
    std::int64_t total = 0;
    for (std::int32_t piece = 0; piece < pieceCount; ++piece) {
        total += pieces[piece].size;
        if (pieces[piece].size < 0 || total > INT32_MAX) {
            SetLastError(ERROR_INVALID_ACCESS);
            return false;
        }
    }
    for (std::int32_t piece = 0; piece < pieceCount; ++piece) {
        std::int32_t moved = 0;
        const bool written = writeFile(file, pieces[piece].data, pieces[piece].size, moved);
        count += moved;
        if (!written || moved < pieces[piece].size) {
            return written;
        }
    }
    return true;
}

std::int32_t seekFile(FileHandle file, std::int32_t offset, SeekOrigin origin) {
    file_probes::onCall();
    const DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                         : origin == SeekOrigin::Current ? FILE_CURRENT
                                                         : FILE_END;
    const DWORD result = SetFilePointer(native(file), offset, nullptr, method);
    return static_cast<std::int32_t>(result);
}

std::uint32_t fileSize(FileHandle file) {
    file_probes::onCall();
    const DWORD size = GetFileSize(native(file), nullptr);
    return size == INVALID_FILE_SIZE ? 0 : size;
}

bool flushFile(FileHandle file) {
    file_probes::onCall();
    if (const auto refusal = file_probes::flushRefusal(false)) {
        setLastFileError(*refusal);
        return false;
    }
    return FlushFileBuffers(native(file)) != FALSE;
}

// Windows has no call that starts a file's write-back without waiting for it: each file is
// flushed whole, by flushFile.
void startWriteBack(FileHandle) {}

bool finishWriteBack(FileHandle) {
    return true;
}

FlushReach flushReach(FileHandle) {
    return FlushReach::File;
}

bool flushEverythingBefore(FileHandle file) {
    return flushFile(file);
}

bool closeFile(FileHandle file) {
    file_probes::onCall();
    return CloseHandle(native(file)) != FALSE;
}

FileErrorKind lastFileError() {
    switch (GetLastError()) {
    case ERROR_SUCCESS:
        return FileErrorKind::None;
    case ERROR_FILE_NOT_FOUND:
        return FileErrorKind::FileNotFound;
    case ERROR_TOO_MANY_OPEN_FILES:
        return FileErrorKind::TooManyOpenFiles;
    case ERROR_INVALID_HANDLE:
        return FileErrorKind::InvalidHandle;
    case ERROR_INVALID_ACCESS:
        return FileErrorKind::InvalidAccess;
    case ERROR_SHARING_VIOLATION:
        return FileErrorKind::SharingViolation;
    case ERROR_HANDLE_DISK_FULL:
        return FileErrorKind::DiskFull;
    case ERROR_PATH_NOT_FOUND:
        return FileErrorKind::PathNotFound;
    case ERROR_ACCESS_DENIED:
        return FileErrorKind::AccessDenied;
    case ERROR_BAD_FILE_TYPE:
        return FileErrorKind::NotRegularFile;
    default:
        return FileErrorKind::Other;
    }
}

void setLastFileError(FileErrorKind kind) {
    switch (kind) {
    case FileErrorKind::None:
        SetLastError(ERROR_SUCCESS);
        break;
    case FileErrorKind::FileNotFound:
        SetLastError(ERROR_FILE_NOT_FOUND);
        break;
    case FileErrorKind::TooManyOpenFiles:
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        break;
    case FileErrorKind::InvalidHandle:
        SetLastError(ERROR_INVALID_HANDLE);
        break;
    case FileErrorKind::InvalidAccess:
        SetLastError(ERROR_INVALID_ACCESS);
        break;
    case FileErrorKind::SharingViolation:
        SetLastError(ERROR_SHARING_VIOLATION);
        break;
    case FileErrorKind::DiskFull:
        SetLastError(ERROR_HANDLE_DISK_FULL);
        break;
    case FileErrorKind::PathNotFound:
        SetLastError(ERROR_PATH_NOT_FOUND);
        break;
    case FileErrorKind::AccessDenied:
        SetLastError(ERROR_ACCESS_DENIED);
        break;
    case FileErrorKind::NotRegularFile:
        SetLastError(ERROR_BAD_FILE_TYPE);
        break;
    case FileErrorKind::Other:
        SetLastError(ERROR_GEN_FAILURE);
        break;
    }
}

} // namespace platform
