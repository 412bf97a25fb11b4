#pragma once
// Builds palette files byte by byte, so each test can show the fields it writes.

#include <cstdint>
#include <string>
#include <vector>

namespace palette_testing {

struct Bytes {
    std::vector<std::uint8_t> data;

    // Byte by byte: GCC's -O3 bounds warnings misfire on a ranged insert into a vector.
    Bytes& tag(const char* text) {
        for (int i = 0; i < 4; ++i) {
            data.push_back(static_cast<std::uint8_t>(text[i]));
        }
        return *this;
    }
    Bytes& u8(std::uint8_t value) {
        data.push_back(value);
        return *this;
    }
    Bytes& u16(std::uint16_t value) {
        return u8(static_cast<std::uint8_t>(value)).u8(static_cast<std::uint8_t>(value >> 8));
    }
    Bytes& u32(std::uint32_t value) {
        return u16(static_cast<std::uint16_t>(value)).u16(static_cast<std::uint16_t>(value >> 16));
    }
    Bytes& i32(std::int32_t value) { return u32(static_cast<std::uint32_t>(value)); }
    // `count` bytes of `seed`, seed + 1, ... so that every table byte is recognisable.
    Bytes& pattern(std::size_t count, std::uint8_t seed) {
        for (std::size_t i = 0; i < count; ++i) {
            data.push_back(static_cast<std::uint8_t>(seed + i * 7));
        }
        return *this;
    }
};

// Colour i of a test palette: red i, green 255 - i, blue i * 3, flags `flags`.
inline Bytes& testColors(Bytes& bytes, std::uint8_t flags, std::uint8_t shift = 0) {
    for (int i = 0; i < 256; ++i) {
        const int c = (i + shift) & 0xFF;
        bytes.u8(static_cast<std::uint8_t>(c))
            .u8(static_cast<std::uint8_t>(255 - c))
            .u8(static_cast<std::uint8_t>(c * 3))
            .u8(flags);
    }
    return bytes;
}

} // namespace palette_testing
