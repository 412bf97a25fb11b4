#pragma once
// Small reads and writes of file fields through a stream. Writes are issued without looking
// at their results: the stream's sticky status tells the writer once, at the end.

#include <cstddef>
#include <cstdint>

#include "bitmap/pbmp_format.h"
#include "core/stream_io.h"

namespace bitmap_stream {

// Reads `size` bytes into `destination`. A stream that ends inside the block is not a
// failure: everything up to its end arrives, `arrived` says how much, and the rest of
// `destination` stays as it was (callers pass zeroed memory). Any other stream failure
// returns false.
bool readAvailable(StreamIO& stream, std::uint8_t* destination, std::int32_t size,
                   std::int32_t& arrived);
// Moves `count` bytes forward; false when the target lies beyond 32-bit offsets or the
// stream refuses.
bool skipBytes(StreamIO& stream, std::int64_t count);
bool readU32(StreamIO& stream, std::uint32_t& value);

void writeU32(StreamIO& stream, std::uint32_t value);
void writeTag(StreamIO& stream, const pbmp_format::Tag& tag);
// Writes `rowCount` rows of `rowStride` bytes, starting at `firstRow` and moving `step`
// bytes from one row to the next (negative to go upwards). Each row's first `pixelBytes`
// come from memory and the rest of it is zero, so nothing beyond a row's pixels is read.
void writeRows(StreamIO& stream, const std::uint8_t* firstRow, std::int32_t rowCount,
               std::ptrdiff_t step, std::int32_t rowStride, std::int32_t pixelBytes);

} // namespace bitmap_stream
