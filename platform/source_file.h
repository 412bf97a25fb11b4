#pragma once
// A file opened to be read and later replaced: the open file, and what it was when it was
// opened, so that its replacement can make sure nothing else took its place meanwhile.

#include <string>

#include "platform/file_identity.h"
#include "platform/owned_file.h"

namespace platform {

class SourceFile {
  public:
    SourceFile() = default;
    // Opens `name` as openForRead does (a regular file only, without waiting) and takes its
    // identity. When that fails, isOpen() is false and the last file error says why.
    explicit SourceFile(const char* name);

    bool isOpen() const { return file.isOpen(); }
    FileHandle handle() const { return file.get(); }
    const FileIdentity& identity() const { return id; }
    // The name as given, and the file it stood for when opened: the name itself, or the
    // absolute path of a symbolic link's final target.
    const std::string& name() const { return given; }
    const std::string& path() const { return resolved; }
    // Lets go of the file early; what it was stays known.
    void close() { file.close(); }

  private:
    OwnedFile file;
    FileIdentity id;
    std::string given;
    std::string resolved;
};

} // namespace platform
