#include "platform/folders.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// The name in the system's code page, when every character has its exact form there.
std::optional<std::string> inCodePage(const std::wstring& name) {
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), -1, nullptr, 0,
                                         nullptr, &lossy);
    if (size <= 1 || lossy != FALSE) {
        return std::nullopt;
    }
    std::string converted(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), -1, converted.data(), size,
                        nullptr, &lossy);
    converted.pop_back();
    return converted;
}

} // namespace

std::optional<std::string> fileLayerPath(const std::string& path) {
    const std::wstring name = wideFromUtf8(path);
    if (auto narrow = inCodePage(name)) {
        return narrow;
    }
    const DWORD size = GetShortPathNameW(name.c_str(), nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::wstring shortName(size, L'\0');
    const DWORD length = GetShortPathNameW(name.c_str(), shortName.data(), size);
    if (length == 0 || length >= size) {
        return std::nullopt;
    }
    shortName.resize(length);
    return inCodePage(shortName);
}

} // namespace platform
