#include "platform/folders.h"

#include <filesystem>

namespace platform {
namespace {

namespace fs = std::filesystem;

fs::path fromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string toUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

PathKind pathKind(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(fromUtf8(path), error);
    if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::none) {
        return PathKind::Missing;
    }
    return status.type() == fs::file_type::directory ? PathKind::Folder : PathKind::NotAFolder;
}

bool isSameFolder(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(fromUtf8(a), fromUtf8(b), error) && !error;
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(fromUtf8(path), error);
    return error ? path : toUtf8(absolute);
}

bool enterFolder(const std::string& path, std::string& why) {
    std::error_code error;
    fs::current_path(fromUtf8(path), error);
    if (error) {
        why = error.message();
    }
    return !error;
}

bool makeFolder(const std::string& path, std::string& why) {
    std::error_code error;
    fs::create_directories(fromUtf8(path), error);
    if (!error && pathKind(path) == PathKind::Folder) {
        return true;
    }
    why = error ? error.message() : "a file of that name is in the way";
    return false;
}

} // namespace platform
