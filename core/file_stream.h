#pragma once
// What the two file streams share: a file, either borrowed from the caller or opened by the
// stream and then closed by it, and how a failed system call becomes the stream's status.

#include "core/stream_io.h"
#include "platform/file.h"
#include "platform/owned_file.h"

class FileStream : public StreamIO {
  public:
    // Borrows a handle the caller opened; the caller closes it. An invalid handle gives the
    // status the system's last error stands for.
    void attach(platform::FileHandle file);
    // Closes a file the stream opened; a borrowed one is only let go. A failed close leaves
    // IoError, otherwise the stream is Closed.
    void close() override;
    // The file's size, or 0 while the stream has no usable file.
    int getSize();

  protected:
    FileStream() { status = Closed; }
    // Takes the file the stream just opened, or returns false when the open failed.
    bool adopt(platform::FileHandle file);
    platform::FileHandle handle() const { return owned.isOpen() ? owned.get() : borrowed; }
    // Sets the status from the system's last error; returns false for the caller to pass on.
    bool mapError();

    // The guard of every read and write: false once the stream has failed. A negative size
    // is a caller's fault; it fails like the system would, and stays failed, so a reader
    // testing the status at the end notices it.
    bool mayTransfer(int size);
    // A read from a writing stream or a write to a reading one: Unsupported, sticky.
    bool refuseDirection();
    // The guard of every seek: a seek ends an end of file, any other failure stays.
    bool maySeek();
    // Moves the file to `offset` from its start; before the start fails as the system does.
    bool seekTo(int offset);
    int filePosition() { return platform::seekFile(handle(), 0, platform::SeekOrigin::Current); }

  private:
    platform::OwnedFile owned;
    platform::FileHandle borrowed = platform::InvalidFileHandle;
};
