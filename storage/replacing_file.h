#pragma once
// Writes a file's new contents beside it and puts them in place only once they are
// complete, so a failure at any point leaves the existing file exactly as it was; and only
// while it is still the file that was read and nobody writes it, so that nothing saved,
// deleted or put there by anyone else meanwhile is lost or brought back.

#include <cstdint>
#include <string>

#include "platform/file.h"
#include "platform/held_folder.h"
#include "platform/owned_file.h"
#include "platform/source_file.h"

namespace storage {

// Temporary files are named with this prefix and suffix in the target's directory; the
// leading dot keeps them out of directory listings of skins.
inline constexpr const char* TemporaryPrefix = ".skinremap-";
inline constexpr const char* TemporarySuffix = ".tmp";

enum class CommitResult {
    Replaced,
    // In place, but the folder's names could not be flushed to the disk: after a power loss
    // the target may be its old file again. (A commit of many files says so; see
    // CommitGroup.)
    ReplacedUnflushed,
    // Nothing changed: the new contents could not be completed or put in place. The last
    // file error says why.
    Failed,
    // Nothing changed: the target is no longer the file that was read (saved again, deleted,
    // moved, a link put in its place or pointed elsewhere), or a file appeared where a new
    // one was to be made.
    TargetChanged,
    // Nothing changed: another program has the file that was read open for writing, or
    // opened it so while the new contents were made.
    BeingWritten,
    // The target changed at the last moment, and the change could not be put back under its
    // name: the file that came out of its place is kept under a name of its own (keptAs()),
    // never removed. Whatever the target holds now, the user has to look.
    KeptAside,
};

// The constructors fail, leaving handle() invalid and the last file error set, when the
// target is read-only, is not a regular file, or its folder cannot be written.
class ReplacingFile {
  public:
    // Replaces `original` (open, as read), writing beside the file its name stood for: a
    // symbolic link stays a link and its target is replaced. The replacement keeps the
    // original's permissions, owner and group where permitted, ACL and extended attributes
    // (on Windows: its security descriptor and attributes).
    explicit ReplacingFile(platform::SourceFile original);
    // Replaces whatever regular file the path `target` leads to now, or makes a new file
    // where there is none: for a file the user named.
    explicit ReplacingFile(const char* target);
    // Writes the entry `name` of `folder`, a folder the program writes into: a regular file
    // there is replaced as above; a symbolic link there is replaced itself, never followed;
    // anything else is refused (NotRegularFile).
    ReplacingFile(platform::SharedFolder folder, std::string name);
    // Removes the temporary file unless commit() put it in place.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // The file the new contents are made from, when it is not the one replaced: they go in
    // place only while nobody writes it either (BeingWritten, TargetChanged).
    void madeFrom(platform::SourceFile source);

    // Where to write the new contents; borrowed, never close it.
    platform::FileHandle handle() const { return temporary.get(); }

    // Flushes the temporary file, gives it the original's metadata and, if the target is
    // still the original, puts it in its place. Otherwise the temporary is removed and the
    // target left as it is. Called once. The new name lasts through a power loss once the
    // folder's names are flushed (platform::flushNames(folder())).
    CommitResult commit();

    // The steps of commit(), for a writer that puts many files in place together and so waits
    // for the disk a few times for all of them instead of once for each (see startWriteBack):
    // finish() once the new contents are written, which gives the temporary the original's
    // metadata and starts writing it out; finishWriteBack(); then flush(), or, for the last of
    // a group whose file system's flushReach() is FileSystem, flushEverythingBefore(); then
    // place(), which puts it in place as commit() does; and the folder's names flushed once
    // after all of its renames. A step that fails removes the temporary, and the later ones
    // fail too.
    bool finish();
    bool finishWriteBack();
    bool flush();
    bool flushEverythingBefore();
    CommitResult place();
    // How far a flush of the temporary reaches, and the file system it is on.
    platform::FlushReach flushReach() const;
    std::uint64_t fileSystem() const;
    // The folder whose names place() changes.
    const platform::HeldFolder& folder() const { return *where; }
    // Where the file that came out of the target's place was kept, after KeptAside.
    const std::string& keptAs() const { return kept; }

  private:
    void start();
    void createTemporary();
    CommitResult putInPlace();
    CommitResult placeNewFile();
    CommitResult replaceLink();
    CommitResult keepIfOriginalElseSwapBack();
    CommitResult swapBack(CommitResult why);
    CommitResult keepAside(std::string name);
    CommitResult replaceIfOriginal();
    // Has the temporary go through `step`; removes it when that fails.
    bool temporaryThrough(bool (*step)(platform::FileHandle));
    void discard();

    platform::SourceFile original; // open when a file is replaced; none when a new one is made
    platform::SourceFile source;   // what the contents were made from, when not the original
    bool replacing = false;
    bool byName = false;       // the original was opened by a name that may lead through a link
    bool replacesLink = false; // a link in a folder we write into, replaced itself
    platform::SharedFolder where;
    std::string targetName; // in `where`
    std::string temporaryName;
    platform::OwnedFile temporary;
    bool marked = false; // the temporary carries our mark: its name may hold another's file
    std::string kept;
};

} // namespace storage
