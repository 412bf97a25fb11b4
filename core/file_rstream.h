#pragma once
// A read-only file stream with a small inline buffer: header fields are served from it,
// large requests go straight from the file into the caller's memory.

#include "core/file_stream.h"

class FileRStream : public FileStream {
  public:
    static constexpr std::int32_t BufferSize = 2048;
    // Requests of this many bytes or more bypass the buffer.
    static constexpr std::int32_t smallReadLimit = 1024;

    FileRStream();
    // Borrows a handle the caller opened; the caller closes it.
    explicit FileRStream(platform::FileHandle file);
    explicit FileRStream(const char* name);

    int getPosition() override;
    bool setPosition(int offset) override;
    int query(int which) override;
    bool write(int size, const void* data) override;
    bool read(int size, void* data) override;
    void close() override;

    bool open(const char* name);

  private:
    bool refill();
    bool bufferLoaded() const { return bufferStart != -1; }
    void dropBuffer() { bufferStart = -1; }

    unsigned char buffer[BufferSize];
    std::int32_t bufferStart = -1;
    std::int32_t bufferEnd = -1;
    std::int32_t bufferPos = 0;
};
