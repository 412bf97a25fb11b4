#pragma once
// Recognisable test data for palette files; the files themselves are built with
// tests/support/sample_files.h.

#include <cstdint>

#include "tests/support/file_bytes.h"

namespace palette_testing {

using testing_support::Bytes;

// `count` bytes of `seed`, seed + 7, ... so that every table byte is recognisable.
inline Bytes pattern(std::size_t count, std::uint8_t seed) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

// 256 colours, entry i being red c, green 255 - c, blue c * 3, flags `flags`, where c is
// i + shift.
inline Bytes testColors(std::uint8_t flags, std::uint8_t shift = 0) {
    Bytes colors;
    for (int i = 0; i < 256; ++i) {
        const int c = (i + shift) & 0xFF;
        colors.insert(colors.end(),
                      {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(255 - c),
                       static_cast<std::uint8_t>(c * 3), flags});
    }
    return colors;
}

} // namespace palette_testing
