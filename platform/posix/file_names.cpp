#include "platform/file_names.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/system_errors.h"

namespace platform {
namespace {

// File systems without the atomic forms of rename (some network ones) say so with one of
// these.
bool unsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

} // namespace

FileHandle createUniqueFile(const std::string& directory, const char* prefix, const char* suffix,
                            std::string& path) {
    std::string pattern = directory + "/" + prefix + "XXXXXX" + suffix;
    const int fd = mkostemps(pattern.data(),
                             static_cast<int>(std::char_traits<char>::length(suffix)), O_CLOEXEC);
    if (fd < 0) {
        posix::failWith(errno == ENOENT ? ENOTDIR : errno);
        return InvalidFileHandle;
    }
    path = pattern;
    return fd;
}

NameSwap exchangeNames(const std::string& ours, const std::string& theirs) {
    if (renameat2(AT_FDCWD, ours.c_str(), AT_FDCWD, theirs.c_str(), RENAME_EXCHANGE) == 0) {
        return NameSwap::Swapped;
    }
    const int error = errno;
    posix::failWith(error);
    if (unsupported(error)) {
        return NameSwap::Unsupported;
    }
    return error == ENOENT && !exists(theirs) ? NameSwap::Missing : NameSwap::Failed;
}

// Where the file system can't promise it, a plain rename, with a small window between the
// look and the rename.
NewName renameToFreeName(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return NewName::Renamed;
    }
    int error = errno;
    if (unsupported(error)) {
        if (exists(to)) {
            error = EEXIST;
        } else if (rename(from.c_str(), to.c_str()) == 0) {
            return NewName::Renamed;
        } else {
            error = errno;
        }
    }
    posix::failWith(error);
    return error == EEXIST ? NewName::Taken : NewName::Failed;
}

bool replaceName(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0 || posix::failWith(errno);
}

bool removeName(const std::string& path) {
    return unlink(path.c_str()) == 0;
}

} // namespace platform
