#pragma once
// Where the harnesses write what they read back out: every byte handed over is read, so the
// sanitizers check the writers' sizes, and nothing is kept, so a 512 MiB image costs no copy.

#include <climits>

#include "core/stream_io.h"
#include "fuzz/limits.h"

namespace fuzzing {

class DiscardingStream : public StreamIO {
  public:
    int getPosition() override { return position; }
    int query(int which) override { return which == QueryWrites ? 1 : 0; }
    bool write(int size, const void* source) override {
        lastCount = 0;
        if (status != Ok) {
            return false;
        }
        if (size < 0 || size > INT32_MAX - position) {
            status = IoError;
            return false;
        }
        useEveryByte(static_cast<const std::uint8_t*>(source), size);
        position += size;
        lastCount = size;
        return true;
    }
    bool read(int, void*) override {
        status = Unsupported;
        return false;
    }

  private:
    std::int32_t position = 0;
};

} // namespace fuzzing
