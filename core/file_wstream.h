#pragma once
// A write-only file stream without a buffer of its own: every write goes to the system.

#include <cstdint>

#include "core/file_stream.h"

class FileWStream : public FileStream {
  public:
    FileWStream();
    // Borrows a handle the caller opened; the caller closes it.
    explicit FileWStream(platform::FileHandle file);
    explicit FileWStream(const char* name);

    int getPosition() override;
    bool setPosition(int offset) override;
    int query(int which) override;
    bool flush() override;
    bool write(int size, const void* data) override;
    bool writeGathered(const platform::WritePiece* pieces, int pieceCount) override;
    bool read(int size, void* data) override;

    bool open(const char* name);

  private:
    // The end of a write that moved lastCount bytes of `size`.
    bool tookAll(bool written, std::int64_t size);
};
