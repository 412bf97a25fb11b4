#pragma once
// Checked size arithmetic: every size that comes from a file passes through here before
// anything is allocated or indexed with it. Both operands are taken in 64 bits, so the
// callers' 32-bit fields can never overflow on the way in.

#include <cstdint>
#include <optional>

namespace size_math {

// a x b, or nothing when the product leaves 0..INT32_MAX, the range of every size field.
constexpr std::optional<std::int32_t> checkedMultiply(std::int64_t a, std::int64_t b) {
    std::int64_t product = 0;
    if (a < 0 || b < 0 || __builtin_mul_overflow(a, b, &product) || product > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(product);
}

// a + b, or nothing when the sum leaves 0..INT32_MAX.
constexpr std::optional<std::int32_t> checkedAdd(std::int64_t a, std::int64_t b) {
    if (a < 0 || b < 0 || a > INT32_MAX || b > INT32_MAX || a + b > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(a + b);
}

} // namespace size_math
