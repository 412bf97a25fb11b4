#pragma once
// A folder held open while files are made, renamed and removed in it. Names are taken
// relative to the open folder, so they stay inside it whatever becomes of the path that led
// there, and the calls that take them never follow a symbolic link found under such a name.
// Windows has no such calls for names: there the folder is its path.

#include <memory>
#include <string>

#include "platform/file.h"

namespace platform {

class HeldFolder {
  public:
    // The current directory, held by the process already.
    HeldFolder();
    // The folder `path` leads to, links on the way followed: one the user named, or where a
    // link to a file leads. isOpen() is false, with the last file error set, when it is none.
    explicit HeldFolder(const std::string& path);
    // The folder `name` inside `parent`; a link under that name is refused (NotRegularFile),
    // never followed.
    HeldFolder(const HeldFolder& parent, const std::string& name);
    ~HeldFolder();
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    bool isOpen() const { return open; }
    // The path it was opened by ("." for the current directory).
    const std::string& path() const { return folderPath; }
    // `name` inside it as a path from the current directory: for messages, and for the
    // Windows calls.
    std::string pathOf(const std::string& name) const;
    // What the POSIX calls take as the folder; nothing on Windows.
    FileHandle handle() const { return descriptor; }

  private:
    FileHandle descriptor = InvalidFileHandle;
    bool owned = false;
    bool open = false;
    std::string folderPath;
};

// One folder held for every file written into it, for as long as any of them needs it.
using SharedFolder = std::shared_ptr<const HeldFolder>;

// Returns once the names made, replaced and removed in `folder` are on the disk, so that a
// file renamed into it is found there after a power loss. Windows lets a program do so only
// for a whole volume, as an administrator: there a rename lasts once the file system writes
// it out by itself, and this does nothing.
bool flushNames(const HeldFolder& folder);

} // namespace platform
