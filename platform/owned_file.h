#pragma once
// The one owner of an open file: it closes the file once, when told to or at the end of its
// scope, whichever comes first.

#include <utility>

#include "platform/file.h"

namespace platform {

class OwnedFile {
  public:
    OwnedFile() = default;
    explicit OwnedFile(FileHandle file) : file(file) {}
    ~OwnedFile() { close(); }
    OwnedFile(OwnedFile&& other) noexcept : file(std::exchange(other.file, InvalidFileHandle)) {}
    OwnedFile& operator=(OwnedFile&& other) noexcept {
        if (this != &other) {
            close();
            file = std::exchange(other.file, InvalidFileHandle);
        }
        return *this;
    }

    FileHandle get() const { return file; }
    bool isOpen() const { return file != InvalidFileHandle; }

    // Closes the file now; false when the system reports a failure. The file is let go
    // either way, so it is never closed twice. With no file, there is nothing to fail.
    bool close() {
        const FileHandle closing = std::exchange(file, InvalidFileHandle);
        return closing == InvalidFileHandle || closeFile(closing);
    }

  private:
    FileHandle file = InvalidFileHandle;
};

} // namespace platform
