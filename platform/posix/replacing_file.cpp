#include "platform/replacing_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/file_identity.h"
#include "platform/posix/file_metadata.h"
#include "platform/stale_temporaries.h"
#include "platform/temporary_lock.h"

namespace platform {
namespace {

constexpr int TemporaryAttempts = 100;

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

int descriptor(const OwnedFile& file) {
    return static_cast<int>(file.get());
}

// A file with no write permission at all is one its owner protected; root could write it
// anyway, but must not.
bool isWritable(const SourceFile& original) {
    struct stat info {};
    return fstat(static_cast<int>(original.handle()), &info) == 0 && (info.st_mode & 0222) != 0 &&
           access(original.path().c_str(), W_OK) == 0;
}

mode_t defaultMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// File systems without the atomic forms of rename (some network ones) say so with one of
// these; a check followed by a plain rename does the same with a small window between.
bool unsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

bool swapNames(const std::string& a, const std::string& b) {
    return renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

// Puts a new file at `target`, unless one appeared there meanwhile. The temporary's name is
// let go once it no longer names anything of ours.
CommitResult placeNewFile(std::string& temporary, const std::string& target) {
    if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0 ||
        (unsupported(errno) && rename(temporary.c_str(), target.c_str()) == 0)) {
        temporary.clear();
        return CommitResult::Replaced;
    }
    return errno == EEXIST ? CommitResult::TargetChanged : CommitResult::Failed;
}

// After `temporary` and `target` swapped names: what came out of the target's place is the
// original, now ours to remove, or someone else's file, which goes straight back. Should
// even that fail, their file is left under our temporary's name rather than removed.
CommitResult keepSwapIfOriginal(std::string& temporary, const std::string& target,
                                const FileIdentity& original) {
    if (posix::identityAt(temporary) == original) {
        return CommitResult::Replaced;
    }
    if (!swapNames(temporary, target) && rename(temporary.c_str(), target.c_str()) != 0) {
        temporary.clear();
    }
    return CommitResult::TargetChanged;
}

// Where names can't be swapped: a look, then a plain rename, with a small window between.
CommitResult renameIfOriginal(std::string& temporary, const std::string& target,
                              const FileIdentity& original) {
    if (posix::identityAt(target) != original) {
        return CommitResult::TargetChanged;
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        return CommitResult::Failed;
    }
    temporary.clear();
    return CommitResult::Replaced;
}

} // namespace

void ReplacingFile::start() {
    if (replacing) {
        if (!original.isOpen() || original.path().empty()) {
            setLastFileError(FileErrorKind::InvalidHandle);
            return;
        }
        if (!isWritable(original)) {
            setLastFileError(FileErrorKind::AccessDenied);
            return;
        }
        targetPath = original.path();
    }
    createTemporary(directoryOf(replacing ? targetPath : original.name()));
}

// Where a run writes, it first clears away what runs killed there before it left. A
// temporary is held from the moment it exists; one that a sweep of another run took hold
// of first is that run's to remove, and another is made.
void ReplacingFile::createTemporary(const std::string& directory) {
    removeStaleTemporariesOnce(directory.c_str());
    for (int attempt = 0; attempt < TemporaryAttempts; ++attempt) {
        std::string pattern = directory + "/" + TemporaryPrefix + "XXXXXX" + TemporarySuffix;
        OwnedFile created(mkostemps(
            pattern.data(), static_cast<int>(std::char_traits<char>::length(TemporarySuffix)),
            O_CLOEXEC));
        if (!created.isOpen()) {
            setLastFileError(errno == ENOENT ? FileErrorKind::PathNotFound
                                             : FileErrorKind::AccessDenied);
            return;
        }
        if (holdTemporary(created.get(), pattern)) {
            temporaryPath = pattern;
            temporary = std::move(created);
            return;
        }
    }
    setLastFileError(FileErrorKind::SharingViolation);
}

void ReplacingFile::discard() {
    temporary.close();
    if (!temporaryPath.empty()) {
        unlink(temporaryPath.c_str());
        temporaryPath.clear();
    }
}

bool ReplacingFile::finish() {
    if (!temporary.isOpen()) {
        return false;
    }
    const int fd = descriptor(temporary);
    if (replacing ? !posix::copyMetadata(static_cast<int>(original.handle()), fd)
                  : fchmod(fd, defaultMode()) != 0) {
        setLastFileError(FileErrorKind::AccessDenied);
        discard();
        return false;
    }
    startWriteBack(temporary.get());
    return true;
}

CommitResult ReplacingFile::place() {
    if (!temporary.isOpen()) {
        return CommitResult::Failed;
    }
    // The temporary stays open, and so held, until it is in place: no sweep may take it.
    const CommitResult result = putInPlace();
    if (result == CommitResult::Failed) {
        setLastFileError(FileErrorKind::Other);
    }
    discard();
    return result;
}

std::string ReplacingFile::directory() const {
    return directoryOf(targetPath);
}

// The original is swapped with the new file in one step, and what came out of the target's
// place is then compared with what was read. So a save, a deletion or a link that lands at
// any moment before the swap is never lost; the one window left is the instant between a
// swap and its undoing, in which the target's name shows our file. Where a name led
// through a link, the link must still lead there.
CommitResult ReplacingFile::putInPlace() {
    if (!replacing) {
        return placeNewFile(temporaryPath, targetPath);
    }
    if (posix::resolveName(original.name().c_str()) != targetPath) {
        return CommitResult::TargetChanged;
    }
    if (swapNames(temporaryPath, targetPath)) {
        return keepSwapIfOriginal(temporaryPath, targetPath, original.identity());
    }
    if (errno == ENOENT && access(targetPath.c_str(), F_OK) != 0) {
        return CommitResult::TargetChanged; // deleted
    }
    return unsupported(errno) ? renameIfOriginal(temporaryPath, targetPath, original.identity())
                              : CommitResult::Failed;
}

} // namespace platform
