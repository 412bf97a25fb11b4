#pragma once
// Little-endian fields over a stream, for the palette readers and writers. A read that
// fails changes only the bytes of the variable that arrived, as the file streams do with
// memory: a field keeps its earlier value, or the part of it a short file did not deliver,
// and the stream's sticky status records the failure.

#include <cstdint>

#include "core/stream_io.h"

namespace palette_io {

template <typename T> bool readLittle(StreamIO& stream, T& value) {
    std::uint8_t bytes[sizeof(T)];
    auto scattered = static_cast<std::uint64_t>(value);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(scattered);
        scattered >>= 8;
    }
    const bool read = stream.read(static_cast<int>(sizeof bytes), bytes);
    std::uint64_t gathered = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) {
        gathered = gathered << 8 | bytes[i];
    }
    value = static_cast<T>(gathered);
    return read;
}

template <typename T> bool writeLittle(StreamIO& stream, T value) {
    std::uint8_t bytes[sizeof(T)];
    auto scattered = static_cast<std::uint64_t>(value);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(scattered);
        scattered >>= 8;
    }
    return stream.write(static_cast<int>(sizeof bytes), bytes);
}

// Four-character tags such as "RIFF", compared and written as their bytes.
using Tag = std::uint8_t[4];

inline bool sameTag(const Tag& read, const char* expected) {
    for (int i = 0; i < 4; ++i) {
        if (read[i] != static_cast<std::uint8_t>(expected[i])) {
            return false;
        }
    }
    return true;
}

inline bool writeTag(StreamIO& stream, const char* tag) {
    return stream.write(4, tag);
}

} // namespace palette_io
