#pragma once
// File fields read and written through a stream, for every format we read and write: four-
// character tags and little-endian numbers. They follow the stream's own convention: each
// returns whether the stream took it, and a failure also fails the stream, so a reader or
// writer may issue a whole sequence and test getStatus() once at its end.
//
// A read that fails changes only the bytes that arrived, as the file streams do with
// memory: a field keeps its earlier value, or the part of it a short file did not deliver.

#include <array>
#include <cstdint>
#include <type_traits>

#include "core/stream_io.h"

namespace stream_fields {

// A four-character tag such as "RIFF", in file order.
using Tag = std::array<char, 4>;

constexpr Tag makeTag(const char (&text)[5]) {
    return {text[0], text[1], text[2], text[3]};
}

inline bool readTag(StreamIO& stream, Tag& tag) {
    return stream.read(static_cast<int>(tag.size()), tag.data());
}

inline bool writeTag(StreamIO& stream, const Tag& tag) {
    return stream.write(static_cast<int>(tag.size()), tag.data());
}

// The bytes of a number of T's width, least significant first.
template <typename T> std::array<std::uint8_t, sizeof(T)> littleEndianBytes(T value) {
    static_assert(std::is_integral_v<T>);
    std::array<std::uint8_t, sizeof(T)> bytes{};
    auto scattered = static_cast<std::uint64_t>(value);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(scattered);
        scattered >>= 8;
    }
    return bytes;
}

template <typename T> bool readLittle(StreamIO& stream, T& value) {
    // Starts from the value's own bytes, so that those the stream does not deliver keep it.
    auto bytes = littleEndianBytes(value);
    const bool read = stream.read(static_cast<int>(bytes.size()), bytes.data());
    std::uint64_t gathered = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) {
        gathered = gathered << 8 | bytes[i];
    }
    value = static_cast<T>(gathered);
    return read;
}

template <typename T> bool writeLittle(StreamIO& stream, T value) {
    const auto bytes = littleEndianBytes(value);
    return stream.write(static_cast<int>(bytes.size()), bytes.data());
}

// Reads `size` bytes into `destination`. A stream that ends inside the block is not a
// failure: everything up to its end arrives, `arrived` says how much, and the rest of
// `destination` stays as it was (callers pass zeroed memory). Any other stream failure
// returns false.
bool readAvailable(StreamIO& stream, std::uint8_t* destination, std::int32_t size,
                   std::int32_t& arrived);
// Whether the stream holds `size` bytes from `offset` on, found out by reading the last of
// them: a file that claims more than it holds is caught before anything is allocated for
// it. On true the stream stands at `offset`; on false it may have failed.
bool holdsBytes(StreamIO& stream, std::int32_t offset, std::int32_t size);
// Moves `count` bytes forward; false when the target lies beyond 32-bit offsets or the
// stream refuses.
bool skipBytes(StreamIO& stream, std::int64_t count);

} // namespace stream_fields
