#include "storage/replacing_file.h"

#include <memory>
#include <utility>

#include "platform/file_identity.h"
#include "platform/file_lease.h"
#include "platform/file_lock.h"
#include "platform/file_metadata.h"
#include "platform/file_names.h"
#include "storage/kept_file.h"
#include "storage/source_state.h"
#include "storage/stale_temporaries.h"

// The states of a temporary, and what a crash in each leaves on disk:
// - made: an empty file under our temporary name, locked while we live and marked with its
//   name; the next run's sweep removes it.
// - written: the new contents under the temporary name; the same.
// - durable: the same, its contents on the disk.
// - exchanged (where names can be swapped, and the temporary carries our mark): the target's
//   name holds the new file, the temporary's name what came out of the target's place,
//   which carries no mark of ours. The next run's sweep keeps that file and gives it a name
//   that says what it is (<target>.saved-<time>), since it may be a save of the user's.
// - checked: what came out is the original, now ours to remove; or someone else's file,
//   exchanged straight back, and what then came out is checked to be ours before it is
//   removed. A file of someone else's that cannot be put back is kept under a name of its
//   own, never removed.
// - committed: the temporary's name is gone, the mark taken off the placed file; or swapped
//   back, and the temporary removed.
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

std::string leafOf(const std::string& path) {
    const auto separator = path.find_last_of(platform::PathSeparators);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

platform::SharedFolder folderOf(const std::string& path) {
    const std::string directory = directoryOf(path);
    return directory == "." ? std::make_shared<const platform::HeldFolder>()
                            : std::make_shared<const platform::HeldFolder>(directory);
}

bool sameFile(const std::optional<platform::FileIdentity>& a,
              const std::optional<platform::FileIdentity>& b) {
    return a && b && a->device == b->device && a->index == b->index;
}

} // namespace

ReplacingFile::ReplacingFile(platform::SourceFile source)
    : original(std::move(source)), replacing(true), byName(true) {
    if (original.isOpen() && !original.path().empty()) {
        where = folderOf(original.path());
        targetName = leafOf(original.path());
    }
    start();
}

// The file the name stands for now is opened as the original, to be replaced as any other;
// only a missing one makes this a new file.
ReplacingFile::ReplacingFile(const char* target) : original(target), byName(true) {
    replacing = original.isOpen();
    if (!replacing && platform::lastFileError() != platform::FileErrorKind::FileNotFound) {
        return;
    }
    const std::string path = replacing ? original.path() : std::string(target);
    if (!path.empty()) {
        where = folderOf(path);
        targetName = leafOf(path);
    }
    start();
}

// Nothing under the name is followed: a regular file is opened as itself, a link is an
// entry to replace like a missing one, and anything else is no place for a file.
ReplacingFile::ReplacingFile(platform::SharedFolder folder, std::string name)
    : where(std::move(folder)), targetName(std::move(name)) {
    switch (platform::entryAt(*where, targetName)) {
    case platform::EntryKind::RegularFile:
        original = platform::SourceFile(*where, targetName);
        replacing = true;
        break;
    case platform::EntryKind::Link:
        replacesLink = true;
        break;
    case platform::EntryKind::None:
        break;
    case platform::EntryKind::Other:
        platform::setLastFileError(platform::FileErrorKind::NotRegularFile);
        return;
    }
    start();
}

ReplacingFile::~ReplacingFile() {
    discard();
}

void ReplacingFile::madeFrom(platform::SourceFile made) {
    source = std::move(made);
}

void ReplacingFile::start() {
    if (!where || !where->isOpen() || targetName.empty()) {
        if (where && !where->isOpen()) {
            return; // the folder's own error stands
        }
        platform::setLastFileError(platform::FileErrorKind::InvalidHandle);
        return;
    }
    if (replacing) {
        if (!original.isOpen()) {
            return; // the open's error stands
        }
        if (platform::isWriteProtected(original.handle(), where->pathOf(targetName))) {
            platform::setLastFileError(platform::FileErrorKind::AccessDenied);
            return;
        }
    }
    createTemporary();
}

// Where a run writes, it first clears away what runs killed there before it left. A
// temporary is held from the moment it exists; one that a sweep of another run took hold
// of first is that run's to remove, and another is made. The mark, set at once, is what
// lets its name ever hold another's file: without one, names are never swapped.
void ReplacingFile::createTemporary() {
    removeStaleTemporariesOnce(where->path().c_str());
    for (int attempt = 0; attempt < TemporaryAttempts; ++attempt) {
        std::string name;
        platform::OwnedFile created(
            platform::createUniqueFile(*where, TemporaryPrefix, TemporarySuffix, name));
        if (!created.isOpen()) {
            return;
        }
        const bool ours = platform::markAsOurs(created.get(), name);
        if (platform::lockCreatedFile(created.get(), *where, name)) {
            temporaryName = std::move(name);
            temporary = std::move(created);
            marked = ours;
            return;
        }
    }
    platform::setLastFileError(platform::FileErrorKind::SharingViolation);
}

void ReplacingFile::discard() {
    temporary.close();
    if (!temporaryName.empty()) {
        platform::removeName(*where, temporaryName);
        temporaryName.clear();
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

bool ReplacingFile::finishWriteBack() {
    return temporaryThrough(platform::finishWriteBack);
}

bool ReplacingFile::flush() {
    return temporaryThrough(platform::flushFile);
}

bool ReplacingFile::flushEverythingBefore() {
    return temporaryThrough(platform::flushEverythingBefore);
}

platform::FlushReach ReplacingFile::flushReach() const {
    return temporary.isOpen() ? platform::flushReach(temporary.get()) : platform::FlushReach::File;
}

std::uint64_t ReplacingFile::fileSystem() const {
    const auto identity = temporary.isOpen() ? platform::identityOf(temporary.get()) : std::nullopt;
    return identity ? identity->device : 0;
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
// of open files change: no sweep may take it meanwhile. The file the contents were made
// from is asked first: nothing goes in place from a file someone was writing.
CommitResult ReplacingFile::place() {
    if (!temporary.isOpen()) {
        return CommitResult::Failed;
    }
    if (source.isOpen()) {
        switch (sourceState(source)) {
        case SourceState::AsRead:
            break;
        case SourceState::BeingWritten:
            discard();
            return CommitResult::BeingWritten;
        case SourceState::Changed:
            discard();
            return CommitResult::TargetChanged;
        }
    }
    if (platform::NamesChangeOnlyWhenClosed && !temporary.close()) {
        discard();
        return CommitResult::Failed;
    }
    const CommitResult result = putInPlace();
    if (result == CommitResult::Replaced && temporary.isOpen()) {
        platform::unmark(temporary.get());
    }
    discard();
    return result;
}

// The original is asked whether anyone writes it, then swapped with the new file in one step,
// and what came out of the target's place is compared with what was read. So a save, a
// deletion or a link that lands at any moment before the swap is never lost; the one window
// left is the instant between a swap and its undoing, in which the target's name shows our
// file. Where a name led through a link, the link must still lead there.
CommitResult ReplacingFile::putInPlace() {
    if (!replacing) {
        return replacesLink ? replaceLink() : placeNewFile();
    }
    if (byName && platform::resolveName(original.name().c_str()) != original.path()) {
        return CommitResult::TargetChanged;
    }
    switch (sourceState(original)) {
    case SourceState::AsRead:
        break;
    case SourceState::BeingWritten:
        return CommitResult::BeingWritten;
    case SourceState::Changed:
        return CommitResult::TargetChanged;
    }
    if (!marked) {
        return replaceIfOriginal();
    }
    switch (platform::exchangeNames(*where, temporaryName, targetName)) {
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
    switch (platform::renameToFreeName(*where, temporaryName, targetName)) {
    case platform::NewName::Renamed:
        temporaryName.clear();
        return CommitResult::Replaced;
    case platform::NewName::Taken:
        return CommitResult::TargetChanged;
    case platform::NewName::Failed:
        break;
    }
    return CommitResult::Failed;
}

// A link in a folder we write into is replaced itself, as long as it is still a link (or
// gone); its target is never touched.
CommitResult ReplacingFile::replaceLink() {
    switch (platform::entryAt(*where, targetName)) {
    case platform::EntryKind::Link:
        break;
    case platform::EntryKind::None:
        return placeNewFile();
    case platform::EntryKind::RegularFile:
    case platform::EntryKind::Other:
        return CommitResult::TargetChanged;
    }
    if (!platform::replaceName(*where, temporaryName, targetName)) {
        return CommitResult::Failed;
    }
    temporaryName.clear();
    return CommitResult::Replaced;
}

// After the temporary and the target swapped names: what came out of the target's place is
// the original, unwritten and with nobody writing it, now ours to remove; or someone else's
// file, which goes straight back.
CommitResult ReplacingFile::keepIfOriginalElseSwapBack() {
    const auto cameOut = platform::identityAt(*where, temporaryName);
    const bool stillLeased = !original.leased() || platform::holdsReadLease(original.handle());
    if (cameOut && platform::sameUnwritten(*cameOut, original.identity()) && stillLeased) {
        return CommitResult::Replaced;
    }
    return swapBack(stillLeased ? CommitResult::TargetChanged : CommitResult::BeingWritten);
}

// Until it is known to be ours again, the temporary's name holds someone else's file: it
// is taken out of temporaryName, so that nothing on the way, a failure or an exception, can
// have it removed. Should the swap back fail, their file is renamed back in place of ours
// (which is let go); should that fail too, or should what came back out not be ours (a file
// put at the target meanwhile), it is kept under a name of its own.
CommitResult ReplacingFile::swapBack(CommitResult why) {
    std::string name = std::exchange(temporaryName, {});
    const auto ours = platform::identityOf(temporary.get());
    if (platform::exchangeNames(*where, name, targetName) == platform::NameSwap::Swapped) {
        if (sameFile(platform::identityAt(*where, name), ours)) {
            temporaryName = std::move(name);
            return why;
        }
        return keepAside(std::move(name));
    }
    if (platform::replaceName(*where, name, targetName)) {
        return why;
    }
    return keepAside(std::move(name));
}

CommitResult ReplacingFile::keepAside(std::string name) {
    kept = keepUnderOwnName(*where, name, targetName);
    return CommitResult::KeptAside;
}

// Where names can't be swapped: a look, then the replacement, with a small window between.
// Where the system replaces only files nobody holds, the original is let go first; what it
// was stays known.
CommitResult ReplacingFile::replaceIfOriginal() {
    if (platform::NamesChangeOnlyWhenClosed) {
        original.close();
    }
    if (platform::identityAt(*where, targetName) != original.identity()) {
        return CommitResult::TargetChanged;
    }
    if (!platform::replaceName(*where, temporaryName, targetName)) {
        return CommitResult::Failed;
    }
    temporaryName.clear();
    return CommitResult::Replaced;
}

} // namespace storage
