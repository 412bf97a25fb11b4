#pragma once
// A stream over a byte vector, for testing readers and writers without files. It reads,
// writes and seeks like the file streams (a read that runs past the end delivers what is
// left, as FileRStream does), and can be told to fail part-way through so that the
// sticky-error paths of a format get exercised.

#include <cstdint>
#include <vector>

#include "core/stream_io.h"

namespace testing_support {

class MemoryStream : public StreamIO {
  public:
    // An empty stream, ready to be written.
    MemoryStream() = default;
    // A stream over `contents`, positioned at its start.
    explicit MemoryStream(std::vector<std::uint8_t> contents);

    const std::vector<std::uint8_t>& bytes() const { return data; }

    // After `count` more bytes have moved (read or written), transfers fail with IoError:
    // a write stores the bytes that still fit, as a full disk would; a read that would
    // cross the limit leaves the caller's memory untouched. A negative count disables it.
    void failAfter(std::int64_t count) { budget = count < 0 ? -1 : count; }

    int getPosition() override;
    bool setPosition(int offset) override;
    int query(int which) override;
    bool write(int size, const void* source) override;
    bool read(int size, void* destination) override;
    void close() override;

  private:
    bool fail(StreamStatus reason);

    std::vector<std::uint8_t> data;
    std::size_t position = 0;
    std::int64_t budget = -1;
};

} // namespace testing_support
