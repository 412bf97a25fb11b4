#include "platform/file_lock.h"

#include <windows.h>

namespace platform {

// A file created without sharing is held already: while its writer keeps it open, nobody
// else can open it, nor delete it.
bool lockCreatedFile(FileHandle, const HeldFolder&, const std::string&) {
    return true;
}

// Names are never swapped here (exchangeNames is Unsupported), so nothing but our own
// temporaries ever takes their names: no mark is needed to tell them.
bool markAsOurs(FileHandle, const std::string&) {
    return false;
}

void unmark(FileHandle) {}

std::optional<std::string> markOf(const std::filesystem::path&) {
    return std::nullopt;
}

Removal removeIfAbandoned(const std::filesystem::path& path) {
    return DeleteFileW(path.c_str()) != FALSE ? Removal::Removed : Removal::InUse;
}

// A lock on a byte far past the end of any skin: Windows locks keep others from the bytes
// they cover, and these bytes no reader wants. It ends when the file is closed.
Claim claimOpenFile(FileHandle file) {
    constexpr DWORD ClaimOffsetHigh = 0x40000000;
    OVERLAPPED place{};
    place.OffsetHigh = ClaimOffsetHigh;
    if (LockFileEx(reinterpret_cast<HANDLE>(file),
                   LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &place) != FALSE) {
        return Claim::Claimed;
    }
    return GetLastError() == ERROR_LOCK_VIOLATION ? Claim::ClaimedByOther : Claim::Unavailable;
}

} // namespace platform
