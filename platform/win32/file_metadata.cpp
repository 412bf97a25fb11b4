#include "platform/file_metadata.h"

#include <windows.h>

namespace platform {

// ReplaceFile gives the new file the replaced one's security descriptor and attributes.
bool copyMetadata(FileHandle, FileHandle) {
    return true;
}

// A new file takes what its folder passes on.
bool giveDefaultPermissions(FileHandle) {
    return true;
}

// A file whose attributes can't be read counts as protected.
bool isWriteProtected(FileHandle, const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

} // namespace platform
