#include "platform/directory.h"

#include <cstring>

namespace platform {
namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool hasExtension(const char* name, const char* extension) {
    const std::size_t nameLength = std::strlen(name);
    const std::size_t extensionLength = std::strlen(extension);
    if (nameLength < extensionLength) {
        return false;
    }
    const char* tail = name + (nameLength - extensionLength);
    for (std::size_t i = 0; i < extensionLength; ++i) {
        if (lowerAscii(tail[i]) != lowerAscii(extension[i])) {
            return false;
        }
    }
    return true;
}

} // namespace platform
