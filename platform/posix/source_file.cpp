#include "platform/source_file.h"

#include <climits>
#include <cstdlib>

#include <sys/stat.h>

#include "platform/posix/file_identity.h"

namespace platform {
namespace posix {

FileIdentity identityOf(const struct stat& info) {
    constexpr std::int64_t NanosecondsPerSecond = 1'000'000'000;
    return FileIdentity{
        static_cast<std::uint64_t>(info.st_dev),
        static_cast<std::uint64_t>(info.st_ino),
        static_cast<std::int64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * NanosecondsPerSecond +
            info.st_mtim.tv_nsec,
    };
}

} // namespace posix

std::optional<FileIdentity> identityAt(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return posix::identityOf(info);
}

std::string resolveName(const char* name) {
    struct stat info {};
    if (lstat(name, &info) != 0 || !S_ISLNK(info.st_mode)) {
        return name;
    }
    char resolved[PATH_MAX];
    return realpath(name, resolved) != nullptr ? resolved : "";
}

// The identity comes from the open file, so it is that of what is read. The name is
// resolved after the open: should it change in between, the resolved path holds another
// file, and the replacement, which looks there again, refuses it.
SourceFile::SourceFile(const char* name) : file(openForRead(name)), given(name) {
    struct stat info {};
    if (!file.isOpen()) {
        return;
    }
    if (fstat(static_cast<int>(file.get()), &info) != 0) {
        file.close();
        setLastFileError(FileErrorKind::Other);
        return;
    }
    id = posix::identityOf(info);
    resolved = resolveName(name);
}

} // namespace platform
