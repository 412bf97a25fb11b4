#include "platform/source_file.h"

#include <windows.h>

#include "platform/win32/file_identity.h"

namespace platform {
namespace win32 {

std::optional<FileIdentity> identityOf(void* handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO times{};
    if (GetFileInformationByHandle(static_cast<HANDLE>(handle), &info) == FALSE ||
        GetFileInformationByHandleEx(static_cast<HANDLE>(handle), FileBasicInfo, &times,
                                     sizeof times) == FALSE) {
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
        static_cast<std::int64_t>(times.ChangeTime.QuadPart),
    };
}

} // namespace win32

std::optional<FileIdentity> identityOf(FileHandle file) {
    return win32::identityOf(reinterpret_cast<void*>(file));
}

// Opened for its attributes only, which no other program's sharing mode can refuse; a link
// there is looked at itself, and is no regular file.
std::optional<FileIdentity> identityAt(const HeldFolder& folder, const std::string& name) {
    const HANDLE file = CreateFileA(folder.pathOf(name).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    const bool link =
        GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) != FALSE &&
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const auto identity = link ? std::nullopt : win32::identityOf(file);
    CloseHandle(file);
    return identity;
}

EntryKind entryAt(const HeldFolder& folder, const std::string& name) {
    const DWORD attributes = GetFileAttributesA(folder.pathOf(name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EntryKind::None
                                                                              : EntryKind::Other;
    }
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? EntryKind::Link
           : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? EntryKind::Other
                                                            : EntryKind::RegularFile;
}

std::string resolveName(const char* name) {
    return name;
}

// Opened for reading with others allowed to read only, the file can be neither written,
// renamed nor deleted by anyone until it is closed; while another program has it open for
// writing, the open itself fails with a sharing violation.
SourceFile::SourceFile(const char* name) : file(openForRead(name)), given(name), resolved(name) {
    watch();
}

// A link or junction under the name is refused rather than followed.
SourceFile::SourceFile(const HeldFolder& folder, const std::string& name)
    : given(name), resolved(name) {
    const std::string path = folder.pathOf(name);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        setLastFileError(FileErrorKind::NotRegularFile);
        return;
    }
    file = OwnedFile(openForRead(path.c_str()));
    watch();
}

void SourceFile::watch() {
    if (!file.isOpen()) {
        return;
    }
    hasLease = true; // the sharing mode keeps writers out while the file is open
    const auto identity = win32::identityOf(reinterpret_cast<void*>(file.get()));
    if (!identity) {
        file.close();
        setLastFileError(FileErrorKind::Other);
        return;
    }
    id = *identity;
}

} // namespace platform
