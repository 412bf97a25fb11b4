#pragma once
// A file opened to be read and later replaced: the open file, and what it was when it was
// opened, so that its replacement can make sure nothing else took its place meanwhile and
// nobody wrote it.

#include <string>

#include "platform/file_identity.h"
#include "platform/held_folder.h"
#include "platform/owned_file.h"

namespace platform {

class SourceFile {
  public:
    SourceFile() = default;
    // Opens `name` as openForRead does (a regular file only, without waiting), takes a read
    // lease on it where one can be had, and then its identity. When that fails, isOpen() is
    // false and the last file error says why: SharingViolation when another program has the
    // file open for writing.
    explicit SourceFile(const char* name);
    // The same for the entry `name` of `folder`, which is opened only when it is a regular
    // file itself: a link there is refused (NotRegularFile), never followed.
    SourceFile(const HeldFolder& folder, const std::string& name);

    bool isOpen() const { return file.isOpen(); }
    FileHandle handle() const { return file.get(); }
    const FileIdentity& identity() const { return id; }
    // The name as given, and the file it stood for when opened: the name itself, or the
    // absolute path of a symbolic link's final target.
    const std::string& name() const { return given; }
    const std::string& path() const { return resolved; }
    // True when a read lease was had: from then on, holdsReadLease(handle()) says whether
    // anyone has opened the file for writing since.
    bool leased() const { return hasLease; }
    // Lets go of the file early; what it was stays known.
    void close() { file.close(); }

  private:
    // Leases the open file and takes its identity; closes it when either fails.
    void watch();

    OwnedFile file;
    FileIdentity id;
    std::string given;
    std::string resolved;
    bool hasLease = false;
};

} // namespace platform
