#pragma once
// Writes a file's new contents beside it and puts them in place only once they are
// complete, so a failure at any point leaves the existing file exactly as it was; and only
// while it is still the file that was read, so that nothing saved, deleted or put there
// by anyone else meanwhile is lost or brought back.

#include <string>

#include "platform/file.h"
#include "platform/owned_file.h"
#include "platform/source_file.h"

namespace storage {

// Temporary files are named with this prefix and suffix in the target's directory; the
// leading dot keeps them out of directory listings of skins.
inline constexpr const char* TemporaryPrefix = ".skinremap-";
inline constexpr const char* TemporarySuffix = ".tmp";

enum class CommitResult {
    Replaced,
    // Nothing changed: the new contents could not be completed or put in place. The last
    // file error says why.
    Failed,
    // Nothing changed: the target is no longer the file that was read (saved again, deleted,
    // moved, a link put in its place or pointed elsewhere), or a file appeared where a new
    // one was to be made.
    TargetChanged,
};

// Both constructors fail, leaving handle() invalid and the last file error set, when the
// target is read-only, is not a regular file, or its directory cannot be written.
class ReplacingFile {
  public:
    // Replaces `original` (open, as read), writing beside the file its name stood for: a
    // symbolic link stays a link and its target is replaced. The replacement keeps the
    // original's permissions, owner and group where permitted, ACL and extended attributes
    // (on Windows: its security descriptor and attributes).
    explicit ReplacingFile(platform::SourceFile original);
    // Replaces whatever regular file `target` names now, or makes a new file where there is
    // none.
    explicit ReplacingFile(const char* target);
    // Removes the temporary file unless commit() put it in place.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Where to write the new contents; borrowed, never close it.
    platform::FileHandle handle() const { return temporary.get(); }

    // Flushes the temporary file, gives it the original's metadata and, if the target is
    // still the original, puts it in its place. Otherwise the temporary is removed and the
    // target left as it is. Called once. The new name lasts through a power loss once the
    // directory is flushed (flushDirectory(directory())).
    CommitResult commit();

    // The steps of commit(), for a writer that puts many files in place together and so waits
    // for the disk once for all of them instead of once for each (see startWriteBack):
    // finish() once the new contents are written, which gives the temporary the original's
    // metadata and starts writing it out; finishWriteBack() and flushFileSystem() in place
    // of flush(); place(), which puts it in place as commit() does. A step that fails
    // removes the temporary, and the later ones fail too.
    bool finish();
    bool flush();
    bool finishWriteBack();
    bool flushFileSystem();
    CommitResult place();
    // The directory whose names place() changes.
    std::string directory() const;

  private:
    void start();
    void createTemporary(const std::string& directory);
    CommitResult putInPlace();
    CommitResult placeNewFile();
    CommitResult keepIfOriginalElseSwapBack();
    CommitResult replaceIfOriginal();
    // Has the temporary go through `step`; removes it when that fails.
    bool temporaryThrough(bool (*step)(platform::FileHandle));
    void discard();

    platform::SourceFile original; // open when a file is replaced; none when a new one is made
    bool replacing = false;
    std::string targetPath;
    std::string temporaryPath;
    platform::OwnedFile temporary;
};

} // namespace storage
