#pragma once
// A write-only file stream without a buffer of its own: every write goes to the system.

#include "core/stream_io.h"
#include "platform/file.h"

class FileWStream : public StreamIO {
  public:
    FileWStream();
    // Borrows a handle the caller opened; the caller closes it.
    explicit FileWStream(platform::FileHandle file);
    explicit FileWStream(const char* name);
    ~FileWStream() override;

    int getPosition() override;
    bool setPosition(int offset) override;
    int query(int which) override;
    bool flush() override;
    bool write(int size, const void* data) override;
    bool read(int size, void* data) override;
    void close() override;

    bool open(const char* name);
    void attach(platform::FileHandle file);
    int getSize();

  private:
    bool mapError();

    platform::FileHandle handle = platform::InvalidFileHandle;
    bool ownsHandle = false;
};
