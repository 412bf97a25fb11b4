#pragma once
// The sizes of bitmap we hold, shared by creation, the readers and the writers.

#include <cstdint>

#include "core/size_math.h"

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
    const auto bytes = size_math::checkedMultiply(height, strideFor(width, bitDepth));
    return bytes && *bytes <= MaxPixelBytes;
}

// True when a width, height and depth of a sound form ask for more than we hold: a side
// over MaxSide, or more than MaxPixelBytes of pixels.
constexpr bool isTooLarge(std::int32_t width, std::int32_t height, std::int32_t bitDepth) {
    if (width < 0 || height < 0 || bitDepth < MinBitDepth || bitDepth > MaxBitDepth) {
        return false;
    }
    if (width > MaxSide || height > MaxSide) {
        return true;
    }
    const auto bytes = size_math::checkedMultiply(height, strideFor(width, bitDepth));
    return !bytes || *bytes > MaxPixelBytes;
}

} // namespace bitmap_size
