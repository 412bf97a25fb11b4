#include "platform/temporary_lock.h"

#include <windows.h>

namespace platform {

// A temporary is created without sharing: while its writer keeps it open, nobody else can
// open it, nor delete it.
bool holdTemporary(FileHandle, const std::filesystem::path&) {
    return true;
}

bool removeUnlessHeld(const std::filesystem::path& path) {
    return DeleteFileW(path.c_str()) != FALSE;
}

} // namespace platform
