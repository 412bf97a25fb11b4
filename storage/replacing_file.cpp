#include "storage/replacing_file.h"

#include <utility>

#include "platform/file_identity.h"
#include "platform/file_lock.h"
#include "platform/file_metadata.h"
#include "platform/file_names.h"
#include "storage/stale_temporaries.h"

// The states of a temporary, and what a crash in each leaves on disk:
// - made: an empty file under our temporary name, locked while we live; the next run's
//   sweep removes it.
// - written: the new contents under the temporary name; the same.
// - durable: the same, its contents on the disk.
// - exchanged (where names can be swapped): the target's name holds the new file, the
//   temporary's name what came out of the target's place.
// - checked: that was the original, now ours to remove; or someone else's file, exchanged
//   straight back.
// - committed: the temporary's name is gone; or swapped back, and the temporary removed.
// Where names can't be swapped, the target is looked at once more and then replaced: the
// window left is the instant between the two.

namespace storage {
namespace {

constexpr int TemporaryAttempts = 100;

std::string directoryOf(const std::string& path) {
    const auto separator = path.find_last_of(platform::PathSeparators);
    if (separator == std::string::npos) {
        return ".";
    }
    return separator == 0 ? path.substr(0, 1) : path.substr(0, separator);
}

} // namespace

ReplacingFile::ReplacingFile(platform::SourceFile source)
    : original(std::move(source)), replacing(true) {
    start();
}

// The file the name stands for now is opened as the original, to be replaced as any other;
// only a missing one makes this a new file.
ReplacingFile::ReplacingFile(const char* target) : original(target) {
    replacing = original.isOpen();
    if (!replacing && platform::lastFileError() != platform::FileErrorKind::FileNotFound) {
        return;
    }
    start();
    if (!replacing) {
        targetPath = target;
    }
}

ReplacingFile::~ReplacingFile() {
    discard();
}

void ReplacingFile::start() {
    if (replacing) {
        if (!original.isOpen() || original.path().empty()) {
            platform::setLastFileError(platform::FileErrorKind::InvalidHandle);
            return;
        }
        if (platform::isWriteProtected(original.handle(), original.path())) {
            platform::setLastFileError(platform::FileErrorKind::AccessDenied);
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
        std::string path;
        platform::OwnedFile created(
            platform::createUniqueFile(directory, TemporaryPrefix, TemporarySuffix, path));
        if (!created.isOpen()) {
            return;
        }
        if (platform::lockCreatedFile(created.get(), path)) {
            temporaryPath = std::move(path);
            temporary = std::move(created);
            return;
        }
    }
    platform::setLastFileError(platform::FileErrorKind::SharingViolation);
}

void ReplacingFile::discard() {
    temporary.close();
    if (!temporaryPath.empty()) {
        platform::removeName(temporaryPath);
        temporaryPath.clear();
    }
}

CommitResult ReplacingFile::commit() {
    return finish() && flush() ? place() : CommitResult::Failed;
}

bool ReplacingFile::finish() {
    if (!temporary.isOpen()) {
        return false;
    }
    if (replacing ? !platform::copyMetadata(original.handle(), temporary.get())
                  : !platform::giveDefaultPermissions(temporary.get())) {
        discard();
        return false;
    }
    platform::startWriteBack(temporary.get());
    return true;
}

bool ReplacingFile::flush() {
    return temporaryThrough(platform::flushFile);
}

bool ReplacingFile::finishWriteBack() {
    return temporaryThrough(platform::finishWriteBack);
}

bool ReplacingFile::flushFileSystem() {
    return temporaryThrough(platform::flushFileSystem);
}

bool ReplacingFile::temporaryThrough(bool (*step)(platform::FileHandle)) {
    if (!temporary.isOpen()) {
        return false;
    }
    if (!step(temporary.get())) {
        discard();
        return false;
    }
    return true;
}

// The temporary stays open, and so held, until it is in place, where the system lets names
// of open files change: no sweep may take it meanwhile.
CommitResult ReplacingFile::place() {
    if (!temporary.isOpen()) {
        return CommitResult::Failed;
    }
    if (platform::NamesChangeOnlyWhenClosed && !temporary.close()) {
        discard();
        return CommitResult::Failed;
    }
    const CommitResult result = putInPlace();
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
        return placeNewFile();
    }
    if (platform::resolveName(original.name().c_str()) != targetPath) {
        return CommitResult::TargetChanged;
    }
    switch (platform::exchangeNames(temporaryPath, targetPath)) {
    case platform::NameSwap::Swapped:
        return keepIfOriginalElseSwapBack();
    case platform::NameSwap::Missing:
        return CommitResult::TargetChanged; // deleted
    case platform::NameSwap::Unsupported:
        return replaceIfOriginal();
    case platform::NameSwap::Failed:
        break;
    }
    return CommitResult::Failed;
}

// Puts a new file at the target, unless one appeared there meanwhile. The temporary's name
// is let go once it no longer names anything of ours.
CommitResult ReplacingFile::placeNewFile() {
    switch (platform::renameToFreeName(temporaryPath, targetPath)) {
    case platform::NewName::Renamed:
        temporaryPath.clear();
        return CommitResult::Replaced;
    case platform::NewName::Taken:
        return CommitResult::TargetChanged;
    case platform::NewName::Failed:
        break;
    }
    return CommitResult::Failed;
}

// After the temporary and the target swapped names: what came out of the target's place is
// the original, now ours to remove, or someone else's file, which goes straight back.
// Should even that fail, their file is left under our temporary's name rather than removed.
CommitResult ReplacingFile::keepIfOriginalElseSwapBack() {
    if (platform::identityAt(temporaryPath) == original.identity()) {
        return CommitResult::Replaced;
    }
    if (platform::exchangeNames(temporaryPath, targetPath) != platform::NameSwap::Swapped &&
        !platform::replaceName(temporaryPath, targetPath)) {
        temporaryPath.clear();
    }
    return CommitResult::TargetChanged;
}

// Where names can't be swapped: a look, then the replacement, with a small window between.
// Where the system replaces only files nobody holds, the original is let go first; what it
// was stays known.
CommitResult ReplacingFile::replaceIfOriginal() {
    if (platform::NamesChangeOnlyWhenClosed) {
        original.close();
    }
    if (platform::identityAt(targetPath) != original.identity()) {
        return CommitResult::TargetChanged;
    }
    if (!platform::replaceName(temporaryPath, targetPath)) {
        return CommitResult::Failed;
    }
    temporaryPath.clear();
    return CommitResult::Replaced;
}

} // namespace storage
