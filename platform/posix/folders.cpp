#include "platform/folders.h"

namespace platform {

// Names are bytes here, whatever their encoding.
std::optional<std::string> fileLayerPath(const std::string& path) {
    return path;
}

} // namespace platform
