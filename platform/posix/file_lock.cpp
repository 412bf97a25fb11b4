#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/owned_file.h"

namespace platform {
namespace {

// An exclusive lock that is never waited for. It belongs to the open file, so it lasts
// exactly as long as the file stays open, and ends with the process.
bool lockNow(int fd) {
    return flock(fd, LOCK_EX | LOCK_NB) == 0;
}

// Whether `path` still leads to the open file `fd`.
bool stillNamed(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

// A sweep may have removed the new file between its creation and the lock.
bool lockCreatedFile(FileHandle file, const std::filesystem::path& path) {
    const int fd = static_cast<int>(file);
    return lockNow(fd) && stillNamed(fd, path);
}

// Between the look at the name and the lock, the writer may have renamed its file away and
// let it go: the name must still lead to the locked file.
bool removeUnlessLocked(const std::filesystem::path& path) {
    const OwnedFile file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return file.isOpen() && lockNow(static_cast<int>(file.get())) &&
           stillNamed(static_cast<int>(file.get()), path) && unlink(path.c_str()) == 0;
}

} // namespace platform
