#pragma once
// Writes a file's new contents beside it and puts them in place only once they are
// complete, so a failure at any point leaves the existing file exactly as it was.

#include <string>

#include "platform/file.h"

namespace platform {

// Temporary files are named with this prefix and suffix in the target's directory; the
// leading dot keeps them out of directory listings of skins.
inline constexpr const char* TemporaryPrefix = ".skinremap-";
inline constexpr const char* TemporarySuffix = ".tmp";

class ReplacingFile {
  public:
    // Opens a temporary file beside `target` (beside the file a symbolic link points to).
    // Fails, leaving handle() invalid and the last file error set, when the target is
    // read-only, is not a regular file, or its directory cannot be written.
    explicit ReplacingFile(const char* target);
    // Removes the temporary file unless commit() put it in place.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Where to write the new contents; borrowed, never close it.
    FileHandle handle() const { return file; }

    // Flushes and closes the temporary file, gives it the target's permissions and renames
    // it over the target. On failure the temporary is removed and the target untouched.
    bool commit();

  private:
    void discard();

    std::string targetPath;
    std::string temporaryPath;
    FileHandle file = InvalidFileHandle;
    int mode = 0;
    int owner = -1;
    int group = -1;
};

} // namespace platform
