#pragma once
// Size arithmetic for bitmaps, shared by creation and the readers. Every size that comes
// from a file passes through here before anything is allocated or indexed.

#include <cstdint>
#include <optional>

namespace bitmap_size {

// Largest side we accept, in pixels. Arbitrary: far above any skin, and small enough that
// width x bit depth can never overflow 32 bits.
inline constexpr std::int32_t MaxSide = 32768;
// Depths a row rule can describe. 0 is no image at all; above 32 is no pixel format we
// know, and it keeps width x depth within 32 bits.
inline constexpr std::int32_t MinBitDepth = 1;
inline constexpr std::int32_t MaxBitDepth = 32;
// Largest pixel buffer we allocate, detail levels included. Arbitrary: a 32,768-pixel square
// at 8 bits would need 1 GiB, which no skin needs and a 32-bit process can't count on.
inline constexpr std::int32_t MaxPixelBytes = 512 * 1024 * 1024;

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
    if (a < 0 || b < 0 || a + b > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(a + b);
}

// The row length: the row's bit count divided by 8, remainder dropped, then up to the next
// multiple of 4. For depths below 8 this can be shorter than the row's pixels need; that
// is the rule the files were written with. Callers pass a width and depth that fit.
constexpr std::int32_t strideFor(std::int32_t width, std::int32_t bitDepth) {
    return (((width * bitDepth) >> 3) + 3) & ~3;
}

// True when a width, height and depth describe an image we are willing to hold: sides of
// 0 to MaxSide (an empty bitmap is still a bitmap), a depth of MinBitDepth to MaxBitDepth,
// and height x stride within MaxPixelBytes.
constexpr bool isAcceptedGeometry(std::int32_t width, std::int32_t height, std::int32_t bitDepth) {
    if (width < 0 || width > MaxSide || height < 0 || height > MaxSide) {
        return false;
    }
    if (bitDepth < MinBitDepth || bitDepth > MaxBitDepth) {
        return false;
    }
    const auto bytes = checkedMultiply(height, strideFor(width, bitDepth));
    return bytes && *bytes <= MaxPixelBytes;
}

} // namespace bitmap_size
