#pragma once
// The one way pixel buffers are made and freed, so that every owner agrees on it.

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace bitmap_buffer {

inline void freePixels(std::uint8_t* pixels) {
    std::free(pixels);
}

struct FreePixels {
    void operator()(std::uint8_t* pixels) const { freePixels(pixels); }
};
using PixelBuffer = std::unique_ptr<std::uint8_t, FreePixels>;

// A zero-filled buffer of `size` bytes, or null when the memory can't be had. A size of 0
// still gives a real buffer, so an empty bitmap has pixels like any other. Zero-filled,
// because a file that ends early must not leave bytes undefined.
inline PixelBuffer allocatePixels(std::int32_t size) {
    const auto bytes = static_cast<std::size_t>(size > 0 ? size : 1);
    return PixelBuffer(static_cast<std::uint8_t*>(std::calloc(bytes, 1)));
}

} // namespace bitmap_buffer
