#include "platform/file_lock.h"

#include <windows.h>

namespace platform {

// A file created without sharing is held already: while its writer keeps it open, nobody
// else can open it, nor delete it.
bool lockCreatedFile(FileHandle, const std::filesystem::path&) {
    return true;
}

bool removeUnlessLocked(const std::filesystem::path& path) {
    return DeleteFileW(path.c_str()) != FALSE;
}

} // namespace platform
