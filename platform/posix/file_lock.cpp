#include "platform/file_lock.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "platform/owned_file.h"

namespace platform {
namespace {

// The mark of a file we made: the name we made it under.
constexpr const char* MarkAttribute = "user.skinremap.temporary";

enum class LockResult { Locked, Held, NoLocks };

// An exclusive lock that is never waited for. It belongs to the open file, so it lasts
// exactly as long as the file stays open, and ends with the process.
LockResult lockNow(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return LockResult::Locked;
    }
    return errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS ? LockResult::NoLocks
                                                                     : LockResult::Held;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `name` in `folder` still leads to the open file `fd`.
bool stillNamed(int fd, int folder, const char* name) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           sameFile(opened, named);
}

// What the mark of the open file says; empty when none. `supported` is false when the file
// system keeps no marks at all.
std::string markOfOpen(int fd, bool& supported) {
    char value[256];
    const ssize_t size = fgetxattr(fd, MarkAttribute, value, sizeof value);
    supported = size >= 0 || (errno != ENOTSUP && errno != ENOSYS);
    return size > 0 ? std::string(value, static_cast<std::size_t>(size)) : std::string{};
}

bool isOurs(int fd, const std::filesystem::path& path) {
    bool supported = true;
    const std::string mark = markOfOpen(fd, supported);
    struct stat info {};
    const bool empty = fstat(fd, &info) == 0 && info.st_size == 0;
    return !supported || empty || mark == path.filename().string();
}

// The files this process claimed, by device and inode, with the descriptor that claimed
// each: a second name of one of them finds it here, while that descriptor still holds it.
std::mutex claimsMutex;
std::map<std::pair<dev_t, ino_t>, int> claims;

bool claimedHere(int fd) {
    struct stat info {};
    struct stat holder {};
    if (fstat(fd, &info) != 0) {
        return false;
    }
    const std::lock_guard lock(claimsMutex);
    const auto found = claims.find({info.st_dev, info.st_ino});
    return found != claims.end() && fstat(found->second, &holder) == 0 && sameFile(info, holder);
}

void rememberClaim(int fd) {
    struct stat info {};
    if (fstat(fd, &info) == 0) {
        const std::lock_guard lock(claimsMutex);
        claims[{info.st_dev, info.st_ino}] = fd;
    }
}

} // namespace

// A sweep may have removed the new file between its creation and the lock.
bool lockCreatedFile(FileHandle file, const HeldFolder& folder, const std::string& name) {
    const int fd = static_cast<int>(file);
    return lockNow(fd) != LockResult::Held &&
           stillNamed(fd, static_cast<int>(folder.handle()), name.c_str());
}

bool markAsOurs(FileHandle file, const std::string& name) {
    return fsetxattr(static_cast<int>(file), MarkAttribute, name.data(), name.size(), 0) == 0;
}

void unmark(FileHandle file) {
    static_cast<void>(fremovexattr(static_cast<int>(file), MarkAttribute));
}

// Read from the name, never from an open file: whatever the name holds is not opened.
std::optional<std::string> markOf(const std::filesystem::path& path) {
    char value[256];
    const ssize_t size = lgetxattr(path.c_str(), MarkAttribute, value, sizeof value);
    if (size <= 0) {
        return std::nullopt;
    }
    return std::string(value, static_cast<std::size_t>(size));
}

// Between the look at the name and the lock, the writer may have renamed its file away and
// let it go: the name must still lead to the locked file. Where nothing can be locked,
// nothing tells a live run's file from a dead one's: it stays.
Removal removeIfAbandoned(const std::filesystem::path& path) {
    const OwnedFile file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.isOpen()) {
        return Removal::InUse;
    }
    const int fd = static_cast<int>(file.get());
    if (lockNow(fd) != LockResult::Locked || !stillNamed(fd, AT_FDCWD, path.c_str())) {
        return Removal::InUse;
    }
    if (!isOurs(fd, path)) {
        return Removal::NotOurs;
    }
    return unlink(path.c_str()) == 0 ? Removal::Removed : Removal::InUse;
}

Claim claimOpenFile(FileHandle file) {
    const int fd = static_cast<int>(file);
    switch (lockNow(fd)) {
    case LockResult::Locked:
        rememberClaim(fd);
        return Claim::Claimed;
    case LockResult::NoLocks:
        return Claim::Unavailable;
    case LockResult::Held:
        break;
    }
    return claimedHere(fd) ? Claim::Claimed : Claim::ClaimedByOther;
}

} // namespace platform
