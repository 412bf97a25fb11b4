#include "platform/folders.h"

namespace platform {

// Names are bytes here, whatever their encoding.
std::optional<std::string> fileLayerPath(const std::string& path) {
    return path;
}

// The file layer takes and gives the system's own bytes.
std::string utf8FromFileLayerName(const std::string& name) {
    return name;
}

} // namespace platform
