#include "platform/temporary_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/owned_file.h"

namespace platform {
namespace {

// An exclusive lock that is never waited for. It belongs to the open file, so it lasts
// exactly as long as the writer keeps the temporary open, and ends with the process.
bool lockNow(int fd) {
    return flock(fd, LOCK_EX | LOCK_NB) == 0;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

bool holdTemporary(FileHandle file) {
    return lockNow(static_cast<int>(file));
}

// Between the look at the name and the lock, the writer may have renamed its temporary
// into place and let it go: the name must still lead to the locked file.
bool removeUnlessHeld(const std::filesystem::path& path) {
    const OwnedFile file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    struct stat named {};
    return file.isOpen() && lockNow(static_cast<int>(file.get())) &&
           fstat(static_cast<int>(file.get()), &opened) == 0 && lstat(path.c_str(), &named) == 0 &&
           sameFile(opened, named) && unlink(path.c_str()) == 0;
}

} // namespace platform
