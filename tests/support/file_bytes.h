#pragma once
// Test files built field by field, so that each test reads like the layout it checks:
//     fileOf({tag("BM"),   // bfType
//             u32(1086),   // bfSize
//             ...});
// Numbers are little-endian, as in every format we read.

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

inline Bytes u8(std::uint8_t value) {
    return {value};
}

inline Bytes u16(std::uint16_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
}

inline Bytes u32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

inline Bytes i32(std::int32_t value) {
    return u32(static_cast<std::uint32_t>(value));
}

// The characters of a tag, in file order.
inline Bytes tag(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// `count` copies of `byte`.
inline Bytes repeat(std::size_t count, std::uint8_t byte) {
    return Bytes(count, byte);
}

// Adds the fields to the end of `file`.
inline void append(Bytes& file, std::initializer_list<Bytes> fields) {
    for (const Bytes& field : fields) {
        file.insert(file.end(), field.begin(), field.end());
    }
}

inline Bytes fileOf(std::initializer_list<Bytes> fields) {
    Bytes file;
    append(file, fields);
    return file;
}

// A chunk: tag, 32-bit size, payload.
inline Bytes chunk(std::string_view name, const Bytes& payload) {
    return fileOf({tag(name), u32(static_cast<std::uint32_t>(payload.size())), payload});
}

} // namespace testing_support
