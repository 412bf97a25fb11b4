#include "platform/replacing_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The file a name finally stands for: a symbolic link is followed so that its target is
// replaced and the link stays a link.
std::string resolveTarget(const char* target) {
    struct stat info {};
    if (lstat(target, &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(target, resolved) != nullptr) {
            return resolved;
        }
    }
    return target;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

int defaultMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<int>(0666 & ~mask);
}

} // namespace

ReplacingFile::ReplacingFile(const char* target) : targetPath(resolveTarget(target)) {
    struct stat info {};
    if (stat(targetPath.c_str(), &info) == 0) {
        // A file with no write permission at all is one its owner protected; root could
        // write it anyway, but must not.
        if (!S_ISREG(info.st_mode) || (info.st_mode & 0222) == 0 ||
            access(targetPath.c_str(), W_OK) != 0) {
            setLastFileError(FileErrorKind::AccessDenied);
            return;
        }
        mode = static_cast<int>(info.st_mode & 07777);
        owner = static_cast<int>(info.st_uid);
        group = static_cast<int>(info.st_gid);
    } else {
        mode = defaultMode();
    }

    std::string pattern =
        directoryOf(targetPath) + "/" + TemporaryPrefix + "XXXXXX" + TemporarySuffix;
    const int fd =
        mkostemps(pattern.data(), static_cast<int>(std::char_traits<char>::length(TemporarySuffix)),
                  O_CLOEXEC);
    if (fd < 0) {
        setLastFileError(errno == ENOENT ? FileErrorKind::PathNotFound
                                         : FileErrorKind::AccessDenied);
        return;
    }
    temporaryPath = pattern;
    file = fd;
}

ReplacingFile::~ReplacingFile() {
    discard();
}

void ReplacingFile::discard() {
    if (file != InvalidFileHandle) {
        closeFile(file);
        file = InvalidFileHandle;
    }
    if (!temporaryPath.empty()) {
        unlink(temporaryPath.c_str());
        temporaryPath.clear();
    }
}

bool ReplacingFile::commit() {
    if (file == InvalidFileHandle) {
        return false;
    }
    const int fd = static_cast<int>(file);
    // Ownership is kept where we may set it (running as root); elsewhere the file simply
    // becomes ours, as any rewrite would make it.
    if (owner >= 0 && fchown(fd, static_cast<uid_t>(owner), static_cast<gid_t>(group)) != 0) {
        errno = 0;
    }
    const bool written = fchmod(fd, static_cast<mode_t>(mode)) == 0 && flushFile(file);
    const bool closed = closeFile(file);
    file = InvalidFileHandle;
    if (!written || !closed || rename(temporaryPath.c_str(), targetPath.c_str()) != 0) {
        if (written && closed) {
            setLastFileError(FileErrorKind::Other);
        }
        discard();
        return false;
    }
    temporaryPath.clear();
    return true;
}

} // namespace platform
