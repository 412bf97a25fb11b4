#include "platform/held_folder.h"

#include <windows.h>

namespace platform {
namespace {

bool isFolder(const std::string& path, bool refuseLinks) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (refuseLinks && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)) {
        SetLastError(ERROR_BAD_FILE_TYPE);
        return false;
    }
    return true;
}

} // namespace

HeldFolder::HeldFolder() : open(true), folderPath(".") {}

HeldFolder::HeldFolder(const std::string& path) : open(isFolder(path, false)), folderPath(path) {}

// A link or junction under the name is refused, as on POSIX.
HeldFolder::HeldFolder(const HeldFolder& parent, const std::string& name)
    : folderPath(parent.pathOf(name)) {
    open = isFolder(folderPath, true);
}

HeldFolder::~HeldFolder() = default;

bool flushNames(const HeldFolder&) {
    return true;
}

std::string HeldFolder::pathOf(const std::string& name) const {
    return folderPath == "." ? name : folderPath + "\\" + name;
}

} // namespace platform
