#include "platform/source_file.h"

#include <windows.h>

#include "platform/win32/file_identity.h"

namespace platform {
namespace win32 {

std::optional<FileIdentity> identityOf(void* handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(static_cast<HANDLE>(handle), &info) == FALSE) {
        return std::nullopt;
    }
    const auto join = [](DWORD high, DWORD low) {
        return static_cast<std::uint64_t>(high) << 32 | low;
    };
    return FileIdentity{
        info.dwVolumeSerialNumber,
        join(info.nFileIndexHigh, info.nFileIndexLow),
        static_cast<std::int64_t>(join(info.nFileSizeHigh, info.nFileSizeLow)),
        static_cast<std::int64_t>(
            join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)),
    };
}

} // namespace win32

// Opened for its attributes only, which no other program's sharing mode can refuse.
std::optional<FileIdentity> identityAt(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const auto identity = win32::identityOf(file);
    CloseHandle(file);
    return identity;
}

std::string resolveName(const char* name) {
    return name;
}

// Opened for reading with others allowed to read only, the file can be neither written,
// renamed nor deleted by anyone until it is closed.
SourceFile::SourceFile(const char* name) : file(openForRead(name)), given(name), resolved(name) {
    if (!file.isOpen()) {
        return;
    }
    const auto identity = win32::identityOf(reinterpret_cast<void*>(file.get()));
    if (!identity) {
        file.close();
        setLastFileError(FileErrorKind::Other);
        return;
    }
    id = *identity;
}

} // namespace platform
