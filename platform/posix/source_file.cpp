#include "platform/source_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_lease.h"
#include "platform/posix/file_identity.h"
#include "platform/posix/system_errors.h"

namespace platform {
namespace posix {

FileIdentity identityOf(const struct stat& info) {
    constexpr std::int64_t NanosecondsPerSecond = 1'000'000'000;
    const auto nanoseconds = [](const struct timespec& time) {
        return static_cast<std::int64_t>(time.tv_sec) * NanosecondsPerSecond + time.tv_nsec;
    };
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino),
                        static_cast<std::int64_t>(info.st_size), nanoseconds(info.st_mtim),
                        nanoseconds(info.st_ctim)};
}

} // namespace posix

std::optional<FileIdentity> identityOf(FileHandle file) {
    struct stat info {};
    if (fstat(static_cast<int>(file), &info) != 0) {
        return std::nullopt;
    }
    return posix::identityOf(info);
}

std::optional<FileIdentity> identityAt(const HeldFolder& folder, const std::string& name) {
    struct stat info {};
    if (fstatat(static_cast<int>(folder.handle()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return posix::identityOf(info);
}

EntryKind entryAt(const HeldFolder& folder, const std::string& name) {
    struct stat info {};
    if (fstatat(static_cast<int>(folder.handle()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? EntryKind::None : EntryKind::Other;
    }
    return S_ISREG(info.st_mode)   ? EntryKind::RegularFile
           : S_ISLNK(info.st_mode) ? EntryKind::Link
                                   : EntryKind::Other;
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
    watch();
    if (file.isOpen()) {
        resolved = resolveName(name);
    }
}

// Only a regular file under the name itself is opened: O_NOFOLLOW refuses a link, and
// O_NONBLOCK keeps a FIFO that appears there meanwhile from holding the open.
SourceFile::SourceFile(const HeldFolder& folder, const std::string& name)
    : given(name), resolved(name) {
    const int fd = ::openat(static_cast<int>(folder.handle()), name.c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP) {
            setLastFileError(FileErrorKind::NotRegularFile);
        } else {
            posix::failWith(error);
        }
        return;
    }
    file = OwnedFile(fd);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        file.close();
        setLastFileError(FileErrorKind::NotRegularFile);
        return;
    }
    watch();
}

// The lease first: its identity is then that of the file nobody writes any more, and any
// write after it breaks the lease.
void SourceFile::watch() {
    if (!file.isOpen()) {
        return;
    }
    switch (takeReadLease(file.get())) {
    case Lease::Held:
        hasLease = true;
        break;
    case Lease::OpenForWriting:
        file.close();
        setLastFileError(FileErrorKind::SharingViolation);
        return;
    case Lease::Unavailable:
        break;
    }
    const auto identity = identityOf(file.get());
    if (!identity) {
        file.close();
        setLastFileError(FileErrorKind::Other);
        return;
    }
    id = *identity;
}

} // namespace platform
